// A System Restore client library for tests: it keeps the last request it was
// handed and answers as the test told it, so that the program's own call to
// the platform (record layout, results, statuses) runs for real.
#include <windows.h>

#include <string.h>

static unsigned char lastRequest[80];
static BOOL answerResult = TRUE;
static DWORD answerStatus = 0;
static INT64 answerSequence = 0;

__declspec(dllexport) BOOL WINAPI SRSetRestorePointA(const void* request, void* status) {
  memcpy(lastRequest, request, sizeof(lastRequest));
  memcpy(status, &answerStatus, sizeof(answerStatus));
  memcpy((unsigned char*)status + sizeof(answerStatus), &answerSequence, sizeof(answerSequence));
  return answerResult;
}

// What SRSetRestorePointA returns next, and the status record it fills.
__declspec(dllexport) void FakeAnswer(BOOL result, DWORD status, INT64 sequence) {
  answerResult = result;
  answerStatus = status;
  answerSequence = sequence;
}

// The 80 bytes of the last request.
__declspec(dllexport) void FakeLastRequest(unsigned char* out) {
  memcpy(out, lastRequest, sizeof(lastRequest));
}
