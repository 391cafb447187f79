// acmecore.dll, the library both Acme packages install into one shared folder
// and count under SharedDLLs. Nothing loads it in the test.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
