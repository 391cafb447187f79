#include "cli/console_output.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_folder.h"

namespace hvm {
namespace {

const std::string kNames =
    "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8 \xE6\x96\x87\xE4\xBB\xB6 "
    "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB "
    "caf\xC3\xA9 \xF0\x9F\x93\x81";
const std::wstring kNamesWide =
    L"\x05D3\x05E7\x05E1\x05D8\x05E8 \x6587\x4EF6 \x0444\x0430\x0439\x043B caf\x00E9 \xD83D\xDCC1";

// A pipe or a file takes the bytes as they are: UTF-8, for scripts.
TEST(ConsoleOutput, AFileGetsUtf8Bytes) {
  test::TestFolder folder;
  const std::string path = folder.File("out.txt");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(file);
  EXPECT_FALSE(IsConsole(file));
  WriteText(file, kNames + "\n");
  PrintTo(file, "%s (%d)\n", kNames.c_str(), 2);
  std::fclose(file);
  EXPECT_EQ(kNames + "\n" + kNames + " (2)\n", test::ReadWholeFile(path));
}

// A console shows every character as itself, whatever its code page: the
// text is handed over as UTF-16, after what the stream held before it.
TEST(ConsoleOutput, AConsoleShowsEveryCharacterWhateverItsCodePage) {
  FreeConsole();
  if (!AllocConsole())
    GTEST_SKIP() << "no console can be made here (error " << GetLastError() << ")";
  const HANDLE screen =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, screen);
  SetConsoleOutputCP(437);
  const int descriptor = _open_osfhandle(intptr_t(screen), _O_WRONLY);
  std::FILE* console = _fdopen(descriptor, "w");
  ASSERT_TRUE(console);
  // Wine's console host may still be starting: its first answer is waited for.
  DWORD mode = 0;
  for (int attempt = 0; attempt < 500 && !GetConsoleMode(screen, &mode); ++attempt) Sleep(10);
  ASSERT_TRUE(IsConsole(console)) << GetLastError();
  const COORD top{0, 0};
  SetConsoleCursorPosition(screen, top);
  std::fputs("ab", console);  // buffered by the stream: it must come first
  PrintTo(console, "%s!", kNames.c_str());
  std::wstring shown(kNamesWide.size() + 3, L'\0');
  DWORD read = 0;
  ASSERT_TRUE(ReadConsoleOutputCharacterW(screen, shown.data(), DWORD(shown.size()), top, &read));
  shown.resize(read);
  EXPECT_EQ(L"ab" + kNamesWide + L"!", shown);
  std::fclose(console);
  FreeConsole();
}

}  // namespace
}  // namespace hvm
