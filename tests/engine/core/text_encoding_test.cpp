#include "engine/core/text_encoding.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/core/utf8.h"
#include "support/process.h"

namespace hvm {
namespace {

// Names in the scripts the program must carry: Hebrew, Chinese, Cyrillic,
// accented Latin, and an emoji beyond the basic plane (a surrogate pair).
const std::string kHebrew = "\xD7\xA7\xD7\x95\xD7\x91\xD7\xA5";    // קובץ
const std::string kChinese = "\xE6\x96\x87\xE4\xBB\xB6";           // 文件
const std::string kCyrillic = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB";  // файл
const std::string kLatin = "caf\xC3\xA9 na\xC3\xAFve";             // café naïve
const std::string kEmoji = "\xF0\x9F\x93\x81";                     // U+1F4C1

std::string ManifestOf(const std::string& program) {
  const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return "";
  std::string text;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    const HGLOBAL loaded = LoadResource(module, found);
    text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

// The programs ask for UTF-8, and the tests run in the code page the
// programs do, or they would not test what the programs do.
TEST(ActiveCodePage, TheProgramsAndTheirTestsRunInUtf8) {
  EXPECT_EQ(UINT(CP_UTF8), GetACP());
  EXPECT_TRUE(ProgramTextIsUtf8());
  for (const char* program : {"hvmend.exe", "hvmend-cli.exe"}) {
    const std::string manifest = ManifestOf(test::ProgramFolder() + "\\" + program);
    EXPECT_NE(std::string::npos,
              manifest.find("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                            "WindowsSettings\">UTF-8</activeCodePage>"))
        << program;
  }
  // The system's own code page is still known: older files are written in it.
  EXPECT_NE(unsigned(CP_UTF8), SystemCodePage());
}

TEST(ProgramText, EveryScriptGoesToUtf16AndBackExactly) {
  for (const std::string& text : {kHebrew, kChinese, kCyrillic, kLatin, kEmoji, std::string("")}) {
    const std::wstring wide = WideFromText(text);
    bool exact = false;
    EXPECT_EQ(text, TextFromWide(wide, &exact));
    EXPECT_TRUE(exact) << text;
    EXPECT_EQ(text, Utf8FromText(text));
  }
  EXPECT_EQ(std::wstring(L"\xD83D\xDCC1"), WideFromText(kEmoji));
  // A lone surrogate has no UTF-8 form: it is told, not passed off as text.
  bool exact = true;
  EXPECT_EQ("a\xEF\xBF\xBD", TextFromWide(std::wstring(L"a\xD800"), &exact));
  EXPECT_FALSE(exact);
  // JSON takes nothing but UTF-8: stray bytes become U+FFFD.
  EXPECT_EQ("x\xEF\xBF\xBDy", Utf8FromText("x\xE9y"));
}

// Files of earlier versions hold the system's code page; lines this version
// appended hold UTF-8. Each line is read as what it is.
TEST(ProgramText, OldFilesAreReadLineByLineInTheirOwnCodePage) {
  ASSERT_EQ(1252u, SystemCodePage()) << "the test prefix runs in a Western locale";
  EXPECT_EQ("[HKCU\\Caf\xC3\xA9]\r\nName=\"\"\r\n",
            TextOfOldFile("[HKCU\\Caf\xE9]\r\nName=\"\"\r\n"));
  EXPECT_EQ("[HKCU\\Caf\xC3\xA9]\r\n[HKCU\\" + kHebrew + "]\r\n",
            TextOfOldFile("[HKCU\\Caf\xE9]\r\n[HKCU\\" + kHebrew + "]\r\n"));
  // A last line without its line end, and a byte the old code page has no
  // character for, are read all the same.
  EXPECT_EQ("a\r\n\xE2\x82\xAC", TextOfOldFile("a\r\n\x80"));
  // The UTF-8 byte-order mark says what the file is: taken as it is.
  const std::string marked = "\xEF\xBB\xBFName=\xC3\xA9\xE9\r\n";
  EXPECT_EQ(marked, TextOfOldFile(marked));
  EXPECT_EQ("\xC3\xA9t\xC3\xA9", TextOfOldBytes("\xE9t\xE9"));
  EXPECT_EQ(kChinese, TextOfOldBytes(kChinese));
}

TEST(ProgramText, TheCodecCarriesTextToUtf16AndTellsWhatItCannotBringBack) {
  const std::string text = "C:\\" + kEmoji + "\\" + kChinese;
  const std::string bytes = kProgramTextCodec.toUtf16Le(text);
  EXPECT_EQ(Utf16LeFromUtf8(text), bytes);
  std::string back;
  EXPECT_TRUE(kProgramTextCodec.fromUtf16Le(bytes, back));
  EXPECT_EQ(text, back);
  EXPECT_FALSE(kProgramTextCodec.fromUtf16Le(std::string("a\0\x00\xD8", 4), back));
  EXPECT_FALSE(kProgramTextCodec.fromUtf16Le(std::string("a\0b", 3), back)) << "half a unit";
}

}  // namespace
}  // namespace hvm
