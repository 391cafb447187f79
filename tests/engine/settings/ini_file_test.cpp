#include "engine/settings/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace hvm {
namespace {

using Keys = std::vector<std::string>;

TEST(IniFileLayout, TrimsLinesSkipsCommentsAndSplitsAtTheFirstEquals) {
  const IniFile file = IniFile::Parse(
      "  [ scan ]  \r\n"
      "; a comment=with equals\r\n"
      "\r\n"
      "   key one  =  value = more  \r\n"
      "\tTabbed\t=\t7\t\r\n");
  EXPECT_EQ("value = more", file.ReadString("scan", "key one", "?"));
  EXPECT_EQ(7, file.ReadInteger("scan", "Tabbed", 0));
  EXPECT_EQ((Keys{"key one", "Tabbed"}), file.Keys("scan"));
}

TEST(IniFileLayout, SectionsAndKeysMatchWithoutRegardToCase) {
  const IniFile file = IniFile::Parse("[Settings]\r\nMonitorPrompt=12\r\n");
  EXPECT_TRUE(file.SectionExists("SETTINGS"));
  EXPECT_EQ(12, file.ReadInteger("settings", "monitorprompt", 0));
  EXPECT_FALSE(file.SectionExists("setting"));
}

TEST(IniFileLayout, AnyLineEndWorks) {
  const IniFile file = IniFile::Parse("[a]\nx=1\ry=2\r\n\r\nz=3");
  EXPECT_EQ((Keys{"x", "y", "z"}), file.Keys("a"));
}

TEST(IniFileLayout, WritesSectionsAndKeysInFirstSeenOrderWithNewOnesLast) {
  IniFile file = IniFile::Parse("[b]\r\nb2=x\r\nb1=y\r\n[a]\r\na1=z\r\n");
  file.WriteString("a", "A0", "new");
  file.WriteString("B", "B1", "changed");
  file.WriteString("c", "c1", "");
  EXPECT_EQ(
      "[b]\r\nb2=x\r\nb1=changed\r\n\r\n"
      "[a]\r\na1=z\r\nA0=new\r\n\r\n"
      "[c]\r\nc1=\r\n\r\n",
      file.Text());
}

TEST(IniFileLayout, CommentsAreNotKept) {
  const IniFile file = IniFile::Parse("[a]\r\n;note\r\nx=1\r\n");
  EXPECT_EQ("[a]\r\nx=1\r\n\r\n", file.Text());
}

TEST(IniFileValues, BooleansAreAnyNumberButZero) {
  const IniFile file =
      IniFile::Parse("[s]\r\none=1\r\nzero=0\r\nminus=-3\r\nhex=0x10\r\nword=yes\r\n");
  EXPECT_TRUE(file.ReadBool("s", "one", false));
  EXPECT_FALSE(file.ReadBool("s", "zero", true));
  EXPECT_TRUE(file.ReadBool("s", "minus", false));
  EXPECT_TRUE(file.ReadBool("s", "hex", false));
  EXPECT_TRUE(file.ReadBool("s", "word", true));
  EXPECT_FALSE(file.ReadBool("s", "word", false));
  EXPECT_TRUE(file.ReadBool("s", "missing", true));
}

TEST(IniFileValues, IntegersInDecimalOrHexadecimal) {
  EXPECT_EQ(42, ParseIniInteger("42"));
  EXPECT_EQ(-42, ParseIniInteger("-42"));
  EXPECT_EQ(7, ParseIniInteger("+7"));
  EXPECT_EQ(31, ParseIniInteger("0x1F"));
  EXPECT_EQ(255, ParseIniInteger("0XfF"));
  EXPECT_EQ(-1, ParseIniInteger("0xFFFFFFFF"));
  EXPECT_EQ(2147483647, ParseIniInteger("2147483647"));
  EXPECT_EQ(-2147483647 - 1, ParseIniInteger("-2147483648"));
}

TEST(IniFileValues, UnreadableNumbersGiveTheDefault) {
  for (const char* text : {"", "abc", "12abc", "1 2", "0x", "0x123456789", "0xG1", "2147483648",
                           "-2147483649", "99999999999999999999", "-", "1.5"}) {
    EXPECT_FALSE(ParseIniInteger(text).has_value()) << text;
  }
  const IniFile file = IniFile::Parse("[settings]\r\nMonitorPrompt=abc\r\n");
  EXPECT_EQ(300, file.ReadInteger("settings", "MonitorPrompt", 300));
}

TEST(IniFileValues, WrittenNumbersAndBooleansReadBack) {
  IniFile file;
  file.WriteInteger("s", "n", -2147483647 - 1);
  file.WriteBool("s", "on", true);
  file.WriteBool("s", "off", false);
  const IniFile back = IniFile::Parse(file.Text());
  EXPECT_EQ(-2147483647 - 1, back.ReadInteger("s", "n", 0));
  EXPECT_EQ("1", back.ReadString("s", "on", ""));
  EXPECT_EQ("0", back.ReadString("s", "off", ""));
}

TEST(IniFileBadInput, LinesWithoutEqualsAndEntriesBeforeAnySectionAreDropped) {
  const IniFile file = IniFile::Parse("orphan=1\r\n[a]\r\nno equals here\r\n[unclosed\r\nx=2\r\n");
  EXPECT_EQ((Keys{"x"}), file.Keys("a"));
  EXPECT_FALSE(file.SectionExists("unclosed"));
  EXPECT_EQ("[a]\r\nx=2\r\n\r\n", file.Text());
}

TEST(IniFileBadInput, RepeatedSectionsContinueTheFirstAndTheFirstValueCounts) {
  const IniFile file = IniFile::Parse("[a]\r\nx=1\r\n[b]\r\ny=2\r\n[A]\r\nX=3\r\nz=4\r\n");
  EXPECT_EQ("1", file.ReadString("a", "x", ""));
  EXPECT_EQ((Keys{"x", "z"}), file.Keys("a"));
  EXPECT_EQ("[a]\r\nx=1\r\nz=4\r\n\r\n[b]\r\ny=2\r\n\r\n", file.Text());
}

TEST(IniFileBadInput, BinaryBytesAreKeptAsText) {
  const char raw[] = "[bin]\r\nk\x01\xff=\x80v\0al\r\n\0\0\0\r\n";
  const std::string text(raw, sizeof(raw) - 1);
  const IniFile file = IniFile::Parse(text);
  ASSERT_EQ(1u, file.Keys("bin").size());
  EXPECT_EQ(std::string("k\x01\xff"), file.Keys("bin")[0]);
  EXPECT_EQ(std::string("\x80v\0al", 5), file.ReadString("bin", "k\x01\xff", ""));
}

TEST(IniFileBadInput, AOneMebibyteLineIsReadWhole) {
  const std::string big(1 << 20, 'v');
  const IniFile file = IniFile::Parse("[a]\r\nbig=" + big + "\r\nafter=1\r\n");
  EXPECT_EQ(big, file.ReadString("a", "big", ""));
  EXPECT_EQ(1, file.ReadInteger("a", "after", 0));
}

TEST(IniFileBadInput, LineBreaksInWrittenTextCannotForgeEntries) {
  IniFile file;
  file.WriteString("settings", "window", "1,2\r\n[scan]\r\nDeepScan=0");
  file.WriteString("scan\n", "key\r\nDeepScan", "1");
  const IniFile back = IniFile::Parse(file.Text());
  EXPECT_FALSE(back.Find("scan", "DeepScan").has_value());
  EXPECT_EQ("1,2  [scan]  DeepScan=0", back.ReadString("settings", "window", ""));
}

TEST(IniFileEditing, EraseSectionAndDeleteKey) {
  IniFile file = IniFile::Parse("[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n[c]\r\n");
  file.DeleteKey("A", "X");
  file.EraseSection("B");
  file.EraseSection("missing");
  file.DeleteKey("missing", "x");
  EXPECT_EQ("[a]\r\ny=2\r\n\r\n[c]\r\n\r\n", file.Text());
  file.WriteString("b", "z", "again");
  file.WriteString("a", "x", "again");
  EXPECT_EQ("[a]\r\ny=2\r\nx=again\r\n\r\n[c]\r\n\r\n[b]\r\nz=again\r\n\r\n", file.Text());
}

TEST(IniFileEditing, EmptyTextAndEmptySections) {
  EXPECT_EQ("", IniFile::Parse("").Text());
  const IniFile file = IniFile::Parse("[empty]\r\n[]\r\n=nameless\r\n");
  EXPECT_TRUE(file.SectionExists("empty"));
  EXPECT_TRUE(file.Keys("empty").empty());
  EXPECT_EQ("nameless", file.ReadString("", "", ""));
}

}  // namespace
}  // namespace hvm
