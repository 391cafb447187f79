// Stands in for the program the restarter starts again: writes the command
// line it was given to "<its own path>.args" (whole, by a move), then ends.
#include <windows.h>

#include <string>

int main() {
  char self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
  if (length == 0 || length >= sizeof(self)) return 1;
  const std::string record = std::string(self) + ".args";
  const std::string partial = record + ".part";
  const std::string line = GetCommandLineA();
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(file);
  if (!wrote || written != line.size()) return 1;
  return MoveFileExA(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
