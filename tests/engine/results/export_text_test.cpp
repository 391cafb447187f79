#include "engine/results/export_text.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

using namespace std::literals;

// The dialects of snapshots written by earlier versions, which stay readable.
const ExportDialect kXp{kHeaderWide, true, true};
const ExportDialect kWin2000{kHeaderWide, true, false};
const ExportDialect kWin98{kHeaderNarrow, false, false};

std::string Z(std::string_view text) {
  return std::string(text) + '\0';
}

// The data text a value line gives back, read as the value reader reads it.
ParsedValue RoundTrip(const ExportDialect& dialect, std::string_view name, uint32_t type,
                      const std::string& data) {
  const std::string file = std::string(dialect.header) + "\r\n\r\n[HKEY_CURRENT_USER\\K]" +
                           ValueLines(dialect, name, type, data) + "\r\n";
  const std::string listedName = name.empty() ? "@" : "\"" + std::string(name) + "\"";
  const std::vector<std::string> found = FindValueData(file, "HKEY_CURRENT_USER\\K", listedName);
  if (found.size() != 1) throw std::runtime_error("value line not found");
  return ParseExportData(found.front(), FileHasWideText(file));
}

// The single-byte form of earlier versions, still read, and written here to
// make files of that form.
TEST(ExportDialect, EarlierSnapshotsAreSingleByteRegedit4) {
  EXPECT_EQ("REGEDIT4", kRegedit4Dialect.header);
  EXPECT_FALSE(kRegedit4Dialect.wideText);
  EXPECT_EQ("\r\n\"v\"=dword:000000FF",
            ValueLines(kRegedit4Dialect, "v", regtype::kDword, "\xFF\0\0\0"s));
  EXPECT_EQ("\r\n\"e\"=hex(2):25,58,25,00\r\n",
            ValueLines(kRegedit4Dialect, "e", regtype::kExpandString, Z("%X%")));
}

// A registry editor reads a line up to its first NUL byte and then gives up on
// the whole file, so text with a NUL before its end goes in the typed form.
TEST(ValueLines, TextWithANulBeforeItsEndIsWrittenTypedAndNoLineHoldsANul) {
  const std::string text = "a\0b\0"s;
  EXPECT_EQ("\r\n\"v\"=hex(1):61,00,62,00\r\n",
            ValueLines(kRegedit4Dialect, "v", regtype::kString, text));
  EXPECT_EQ(text, RoundTrip(kRegedit4Dialect, "v", regtype::kString, text).data);
  for (const ExportDialect& dialect : {kRegedit4Dialect, kXp, kWin2000, kWin98})
    for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 7u, 11u, 0x4242u})
      for (const std::string& data : {"\0"s, "x\0y"s, "\0\0\0\0"s, ""s, "abc\0\0"s})
        EXPECT_EQ(std::string::npos, ValueLines(dialect, "n", type, data).find('\0'))
            << dialect.header << " type " << type;
}

TEST(EscapeRegString, EscapesTheFourSpecialBytesOnly) {
  EXPECT_EQ("a\\r\\n\\\"\\\\\xE9", EscapeRegString("a\r\n\"\\\xE9"));
  EXPECT_EQ("a\r\n\"\\\xE9", UnescapeRegString(EscapeRegString("a\r\n\"\\\xE9")));
  EXPECT_EQ("\\x\\", UnescapeRegString("\\x\\"));
}

TEST(ValueLines, StringWithTrailingBackslashRestores) {
  EXPECT_EQ("\r\n\"Path\"=\"C:\\\\A\\\\\"",
            ValueLines(kXp, "Path", regtype::kString, Z("C:\\A\\")));
  EXPECT_EQ(Z("C:\\A\\"), RoundTrip(kXp, "Path", regtype::kString, Z("C:\\A\\")).data);
}

TEST(ValueLines, StringWithQuoteAndLineBreakRestores) {
  const ParsedValue back = RoundTrip(kXp, "T", regtype::kString, Z("say \"hi\"\r\nnext\\"));
  EXPECT_EQ(regtype::kString, back.type);
  EXPECT_EQ(Z("say \"hi\"\r\nnext\\"), back.data);
}

TEST(ValueLines, DefaultValueIsAt) {
  EXPECT_EQ("\r\n@=\"\"", ValueLines(kXp, "", regtype::kString, Z("")));
  EXPECT_EQ(Z(""), RoundTrip(kXp, "", regtype::kString, Z("")).data);
}

TEST(ValueLines, StringThatIsNotPlainTextGoesAsHexOne) {
  const std::string odd("a\0b", 3);
  EXPECT_EQ("\r\n\"S\"=hex(1):61,00,62\r\n", ValueLines(kXp, "S", regtype::kString, odd));
  const ParsedValue back = RoundTrip(kXp, "S", regtype::kString, odd);
  EXPECT_EQ(regtype::kString, back.type);
  EXPECT_EQ(odd, back.data);
}

TEST(ValueLines, BinaryOfFortyBytesWrapsOnce) {
  std::string data;
  for (int i = 0; i < 40; ++i) data += char(i * 7);
  const std::string lines = ValueLines(kXp, "B", regtype::kBinary, data);
  const std::vector<std::string> split = SplitTextLines(lines.substr(2));
  ASSERT_EQ(2u, split.size());
  EXPECT_EQ("\r\n", lines.substr(lines.size() - 2));  // the empty line after the value
  EXPECT_EQ("\"B\"=hex:00,07,0E", split[0].substr(0, 16));
  EXPECT_EQ(",\\", split[0].substr(split[0].size() - 2));
  EXPECT_GT(split[0].size() - 1, 75u);
  EXPECT_NE(' ', split[1].front());
  EXPECT_EQ(data, RoundTrip(kXp, "B", regtype::kBinary, data).data);
}

TEST(ValueLines, DwordHexOnXpDecimalOnWindows2000) {
  EXPECT_EQ("\r\n\"D\"=dword:000000FF", ValueLines(kXp, "D", regtype::kDword, "\xFF\0\0\0"s));
  EXPECT_EQ("\r\n\"D\"=255", ValueLines(kWin2000, "D", regtype::kDword, "\xFF\0\0\0"s));
  EXPECT_EQ("\r\n\"D\"=-1", ValueLines(kWin98, "D", regtype::kDword, "\xFF\xFF\xFF\xFF"s));
  for (const ExportDialect& dialect : {kXp, kWin2000, kWin98}) {
    EXPECT_EQ("\xFF\0\0\0"s, RoundTrip(dialect, "D", regtype::kDword, "\xFF\0\0\0"s).data);
    EXPECT_EQ("\xFF\xFF\xFF\xFF"s,
              RoundTrip(dialect, "D", regtype::kDword, "\xFF\xFF\xFF\xFF"s).data);
  }
}

TEST(ValueLines, DwordOfOtherSizeIsHexFour) {
  EXPECT_EQ("\r\n\"D\"=hex(4):01,02\r\n", ValueLines(kWin98, "D", regtype::kDword, "\x01\x02"));
  const ParsedValue back = RoundTrip(kWin98, "D", regtype::kDword, "\x01\x02");
  EXPECT_EQ(regtype::kDword, back.type);
  EXPECT_EQ("\x01\x02", back.data);
}

TEST(ValueLines, ExpandStringWideAndNarrow) {
  EXPECT_EQ("\r\n\"E\"=hex(2):25,00,58,00,25,00,00\r\n",
            ValueLines(kXp, "E", regtype::kExpandString, Z("%X%")));
  EXPECT_EQ("\r\n\"E\"=hex(2):25,58,25,00\r\n",
            ValueLines(kWin98, "E", regtype::kExpandString, Z("%X%")));
  EXPECT_EQ("\r\n\"E\"=hex(2):00\r\n", ValueLines(kXp, "E", regtype::kExpandString, Z("")));
  for (const ExportDialect& dialect : {kXp, kWin98})
    EXPECT_EQ(Z("%X%"), RoundTrip(dialect, "E", regtype::kExpandString, Z("%X%")).data);
}

TEST(ValueLines, MultiStringIsExportedWhole) {
  const std::string three("one\0two\0three\0\0", 15);
  for (const ExportDialect& dialect : {kXp, kWin2000, kWin98}) {
    const ParsedValue back = RoundTrip(dialect, "M", regtype::kMultiString, three);
    EXPECT_EQ(regtype::kMultiString, back.type);
    EXPECT_EQ(three, back.data);
  }
  const std::string withEmpty("a\0\0b\0\0", 6);
  EXPECT_EQ(withEmpty, RoundTrip(kXp, "M", regtype::kMultiString, withEmpty).data);
}

TEST(ValueLines, KindsWithoutTextFormKeepTheirTypeNumber) {
  EXPECT_EQ("\r\n\"Q\"=hex(b):01,00,00,00,00,00,00,80\r\n",
            ValueLines(kXp, "Q", 11, "\x01\0\0\0\0\0\0\x80"s));
  EXPECT_EQ("\r\n\"N\"=hex(0):\r\n", ValueLines(kXp, "N", regtype::kNone, ""));
  for (uint32_t type : {0u, 5u, 6u, 8u, 9u, 10u, 11u, 0x1234u}) {
    const ParsedValue back = RoundTrip(kXp, "X", type, "\x10\x20\x30");
    EXPECT_EQ(type, back.type);
    EXPECT_EQ("\x10\x20\x30", back.data);
  }
}

TEST(ValueLines, LargeValueExportsInFull) {
  std::string big(100 * 1024, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char((i * 131) >> 3);
  EXPECT_EQ(big, RoundTrip(kXp, "Big", regtype::kBinary, big).data);
}

TEST(ParseExportData, WideLayoutComesFromTheFileHeader) {
  // Read on a system of the other dialect, the header still decides the stride.
  const std::string narrowFile = "REGEDIT4\r\n\r\n[K]\r\n\"M\"=hex(7):61,00,62,00,00\r\n";
  EXPECT_FALSE(FileHasWideText(narrowFile));
  EXPECT_TRUE(FileHasWideText("windows registry editor version 5.00\r\n"));
  const auto found = FindValueData(narrowFile, "K", "\"M\"");
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(std::string("a\0b\0\0", 5), ParseExportData(found[0], false).data);
}

TEST(ParseExportData, RejectsMalformedData) {
  for (const char* bad : {"hex:1", "hex:123", "hex:01,2", "hex:01,,02", "hex:0g", "hex:01,",
                          "dword:", "dword:123456789", "dword:xyz", "12x", "", "99999999999",
                          "hex(:01", "hex(zz):01", "hex(2):61,01,00", "-2147483649"}) {
    EXPECT_THROW(ParseExportData(bad, true), ExportFormatError) << bad;
  }
  EXPECT_EQ("\x00\x00\x00\x80"s, ParseExportData("-2147483648", true).data);
  EXPECT_EQ("\xFF\xFF\xFF\xFF"s, ParseExportData("4294967295", true).data);
}

TEST(ListSnapshotEntries, ValuesAndWholeKeys) {
  const std::string file =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\A]\r\n\"x\"=\"1\"\r\n@=\"2\"\r\n"
      "[HKEY_CLASSES_ROOT\\B]\r\n"
      "[HKEY_CLASSES_ROOT\\C]\r\n\"bin\"=hex:01,02,\\\r\n03\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\D]\r\n";
  const std::vector<std::string> expected = {
      "HKEY_CLASSES_ROOT\\A\\\\:\"x\"", "HKEY_CLASSES_ROOT\\A\\\\:@", "HKEY_CLASSES_ROOT\\B",
      "HKEY_CLASSES_ROOT\\C\\\\:\"bin\"", "HKEY_CLASSES_ROOT\\D"};
  EXPECT_EQ(expected, ListSnapshotEntries(file));
}

TEST(ListSnapshotEntries, AKeyLineAfterATornContinuationStartsItsOwnBlock) {
  const std::string file =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
      "\"bin\"=hex:01,02,\\\r\n[HKEY_CURRENT_USER\\B]\r\n\"v\"=\"x\"\r\n";
  const std::vector<std::string> expected = {"HKEY_CURRENT_USER\\A\\\\:\"bin\"",
                                             "HKEY_CURRENT_USER\\B\\\\:\"v\""};
  EXPECT_EQ(expected, ListSnapshotEntries(file));
}

TEST(ListSnapshotEntries, QuotedNameMayHoldAnEqualsSign) {
  const std::string file = "REGEDIT4\r\n\r\n[K]\r\n\"a=b\"=\"v\"\r\n";
  const std::vector<std::string> entries = ListSnapshotEntries(file);
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ("K\\\\:\"a=b\"", entries[0]);
  EXPECT_EQ(std::vector<std::string>{"\"v\""}, FindValueData(file, "K", "\"a=b\""));
}

TEST(FindValueData, LaterExportWinsAndOtherKeysDoNotMatch) {
  const std::string file =
      "REGEDIT4\r\n\r\n[K]\r\n\"v\"=\"old\"\r\n[Other]\r\n\"v\"=\"no\"\r\n"
      "[k]\r\n\"v\"=\"case\"\r\n[K]\r\n\"V\"=\"new\"\r\n";
  EXPECT_EQ((std::vector<std::string>{"\"old\"", "\"new\""}), FindValueData(file, "K", "\"v\""));
}

TEST(Readers, BadInputNeitherCrashesNorYieldsPartialValues) {
  // A continuation cut off by the end of the file or by the next key.
  const std::string truncated = "REGEDIT4\r\n\r\n[K]\r\n\"b\"=hex:01,02,\\\r\n";
  EXPECT_TRUE(FindValueData(truncated, "K", "\"b\"").empty());
  const std::string cut = "REGEDIT4\r\n\r\n[K]\r\n\"b\"=hex:01,\\\r\n[K]\r\n\"c\"=\"x\"\r\n";
  EXPECT_TRUE(FindValueData(cut, "K", "\"b\"").empty());
  EXPECT_EQ(std::vector<std::string>{"\"x\""}, FindValueData(cut, "K", "\"c\""));

  // A key line without its "]" names no key.
  const std::string noBracket = "REGEDIT4\r\n\r\n[K\r\n\"v\"=\"x\"\r\n";
  EXPECT_TRUE(ListSnapshotEntries(noBracket).empty());
  EXPECT_TRUE(FindValueData(noBracket, "K", "\"v\"").empty());

  EXPECT_TRUE(ListSnapshotEntries("").empty());
  EXPECT_TRUE(FindValueData("", "K", "@").empty());

  const std::string hugeLine =
      "REGEDIT4\r\n\r\n[K]\r\n\"h\"=hex:" + std::string(1 << 20, 'A') + "\r\n";
  ASSERT_EQ(1u, ListSnapshotEntries(hugeLine).size());
  const auto found = FindValueData(hugeLine, "K", "\"h\"");
  ASSERT_EQ(1u, found.size());
  EXPECT_THROW(ParseExportData(found[0], false), ExportFormatError);

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += char((i * 37 + 11) & 0xFF);
  const std::vector<std::string> entries = ListSnapshotEntries(binary);
  for (const std::string& entry : entries) {
    const size_t at = entry.find("\\\\:");
    if (at == std::string::npos) continue;
    for (const std::string& data :
         FindValueData(binary, entry.substr(0, at), entry.substr(at + 3))) {
      try {
        ParseExportData(data, true);
      } catch (const ExportFormatError&) {
      }
    }
  }
  SUCCEED();
}

TEST(IsSnapshotText, EitherHeaderInAnyCaseWithOrWithoutAByteOrderMarkAndItsLineEnd) {
  for (const char* yes : {"REGEDIT4\r\n", "regedit4\n", "Windows Registry Editor Version 5.00\r\n",
                          "\xEF\xBB\xBFREGEDIT4\r\n[K]\r\n"})
    EXPECT_TRUE(IsSnapshotText(yes)) << yes;
  for (const char* no : {"", "REGEDIT4", "\r\nREGEDIT4\r\n", " REGEDIT4\r\n", "REGEDIT5\r\n",
                         "\xEF\xBB\xBF\xEF\xBB\xBFREGEDIT4\r\n", "\xEF\xBBREGEDIT4\r\n"})
    EXPECT_FALSE(IsSnapshotText(no)) << no;
  EXPECT_FALSE(FileHasWideText("\xEF\xBB\xBFREGEDIT4\r\n"));
  EXPECT_TRUE(ListSnapshotEntries("garbage\r\n[K]\r\n\"v\"=\"x\"\r\n").empty());
  EXPECT_TRUE(FindValueData("REGEDIT4", "K", "\"v\"").empty());
}

// The refusal of the entry read as key `key`, name part `namePart`.
std::string RefusalOf(const std::string& file, const std::string& key,
                      const std::string& namePart) {
  return SnapshotValueIndex(file).Refusal(key, namePart);
}

TEST(ReadSnapshotItems, ALineItCannotAccountForRefusesTheRestOfItsBlock) {
  // A value name with a line break, as an earlier version wrote it: the
  // second half reads like a value line of its own.
  const std::string file =
      "REGEDIT4\r\n\r\n; a comment\r\n[K]\r\n\"a\"=\"1\"\r\n\"x\r\n\"b\"=\"2\"\r\n"
      "plain=3\r\n[L]\r\n\"c\"=\"4\"\r\n";
  const std::vector<std::string> expected = {"K\\\\:\"a\"", "K\\\\:\"b\"", "L\\\\:\"c\""};
  EXPECT_EQ(expected, ListSnapshotEntries(file));
  EXPECT_EQ("", RefusalOf(file, "K", "\"a\""));
  EXPECT_NE("", RefusalOf(file, "K", "\"b\""));
  EXPECT_TRUE(FindValueData(file, "K", "\"b\"").empty());
  EXPECT_EQ(std::vector<std::string>{"\"4\""}, FindValueData(file, "L", "\"c\""));
  EXPECT_EQ("", RefusalOf(file, "L", "\"c\""));
  // A key line without values that held such a line is refused too.
  EXPECT_NE("", RefusalOf("REGEDIT4\r\n\r\n[K]\r\njunk\r\n", "K", ""));
}

// A key name with a line break splits its key line in two; the second half
// must not pass for a key of its own, or its values would go to that key.
TEST(ReadSnapshotItems, KeyLinesAfterAKeyLineWithoutItsBracketAreRefusedUpToABlankLine) {
  const std::string file =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\x\r\n[HKEY_CURRENT_USER\\Environment]\r\n"
      "\"Path\"=\"C:\\\\evil\"\r\n[HKEY_CURRENT_USER\\Empty]\r\n\r\n"
      "[HKEY_CURRENT_USER\\After]\r\n\"v\"=\"ok\"\r\n";
  const std::string env = "HKEY_CURRENT_USER\\Environment";
  EXPECT_NE("", RefusalOf(file, env, "\"Path\""));
  EXPECT_TRUE(FindValueData(file, env, "\"Path\"").empty());
  EXPECT_NE("", RefusalOf(file, "HKEY_CURRENT_USER\\Empty", ""));
  EXPECT_EQ("", RefusalOf(file, "HKEY_CURRENT_USER\\After", "\"v\""));
  EXPECT_EQ(std::vector<std::string>{"\"ok\""},
            FindValueData(file, "HKEY_CURRENT_USER\\After", "\"v\""));
  const std::vector<std::string> expected = {env + "\\\\:\"Path\"", "HKEY_CURRENT_USER\\Empty",
                                             "HKEY_CURRENT_USER\\After\\\\:\"v\""};
  EXPECT_EQ(expected, ListSnapshotEntries(file));
}

TEST(ReadSnapshotItems, NulBytesAndCutQuotesAreRefusedNotShortened) {
  const std::string file =
      "REGEDIT4\r\n\r\n[K\0x]\r\n\"v\"=\"1\"\r\n[L]\r\n\"n\0m\"=\"2\"\r\n"
      "\"d\"=\"a\0b\"\r\n\"cut\"=\"abc\r\n\"esc\"=\"a\\\"\r\n"
      "\"fine\"=\"a\\\\\"\r\n"s;
  EXPECT_NE("", RefusalOf(file, "K\0x"s, "\"v\""));
  EXPECT_NE("", RefusalOf(file, "L", "\"n\0m\""s));
  EXPECT_NE("", RefusalOf(file, "L", "\"d\""));
  EXPECT_NE("", RefusalOf(file, "L", "\"cut\""));
  EXPECT_NE("", RefusalOf(file, "L", "\"esc\""));
  EXPECT_EQ("", RefusalOf(file, "L", "\"fine\""));
  EXPECT_TRUE(FindValueData(file, "K", "\"v\"").empty());
  EXPECT_TRUE(FindValueData(file, "L", "\"cut\"").empty());
  // A value cut short by the end of the file or a key line is listed, refused.
  const std::string torn = "REGEDIT4\r\n\r\n[K]\r\n\"b\"=hex:01,\\\r\n";
  EXPECT_EQ(std::vector<std::string>{"K\\\\:\"b\""}, ListSnapshotEntries(torn));
  EXPECT_NE("", RefusalOf(torn, "K", "\"b\""));
}

TEST(RegistryNameOf, DropsOneQuoteEachSideAndAtIsDefault) {
  EXPECT_EQ("", RegistryNameOf("@"));
  EXPECT_EQ("Name", RegistryNameOf("\"Name\""));
  EXPECT_EQ("\"q\"", RegistryNameOf("\"\"q\"\""));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// What the key and value lines can carry back: line breaks and NULs never,
// a quote not in a value's quoted name, brackets and everything else always.
TEST(NameWritable, LineBreaksAndNulNeverQuotesNotInValueNames) {
  for (const std::string& name :
       {"a\nb"s, "a\rb"s, "a\0b"s, "x\n[HKEY_CURRENT_USER\\Environment]"s}) {
    EXPECT_FALSE(KeyNameWritable(name)) << name;
    EXPECT_FALSE(ValueNameWritable(name)) << name;
  }
  EXPECT_FALSE(ValueNameWritable("a\"b"));
  for (const std::string& name : {""s, "]"s, "[x]"s, "a\"b"s, "a = b"s, "C:\\x.dll"s, "\xE9t\xE9"s})
    EXPECT_TRUE(KeyNameWritable(name)) << name;
  for (const std::string& name : {""s, "]"s, "[x]"s, "a = b"s, "a=b"s})
    EXPECT_TRUE(ValueNameWritable(name)) << name;
}

// A key line of a name with brackets reads back as that key, and the line
// after it is its value, not another key's.
TEST(KeyLine, BracketsInANameReadBackAsThatKey) {
  const std::string text = std::string(kHeaderNarrow) + KeyLine("HKEY_CURRENT_USER\\a]b[c]") +
                           ValueLines(kRegedit4Dialect, "v]", regtype::kString, "d\0"s) + "\r\n";
  EXPECT_EQ(std::vector<std::string>{"HKEY_CURRENT_USER\\a]b[c]\\\\:\"v]\""},
            ListSnapshotEntries(text));
  EXPECT_EQ(std::vector<std::string>{"\"d\""},
            FindValueData(text, "HKEY_CURRENT_USER\\a]b[c]", "\"v]\""));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

using namespace std::literals;

// The registry editor's own form, with the UTF-8 codec a native build has;
// the program's is the active code page's, which is UTF-8 under its manifest.
const ExportDialect kUtf16{kHeaderWide, true, true, &kUtf8TextCodec};

const std::string kHebrew = "\xD7\xA7\xD7\x95\xD7\x91\xD7\xA5";
const std::string kChinese = "\xE6\x96\x87\xE4\xBB\xB6";
const std::string kCyrillic = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB";
const std::string kLatin = "caf\xC3\xA9";
const std::string kEmoji = "\xF0\x9F\x93\x81";

// A file as the writer makes it: the byte-order mark, then the program's
// text (here UTF-8) as UTF-16LE.
std::string Utf16File(std::string_view text) {
  return std::string(kUtf16LeByteOrderMark) + Utf16LeFromUtf8(text);
}

// Stored text: UTF-16LE with its terminating NUL.
std::string Stored(std::string_view text) {
  return Utf16LeFromUtf8(text) + "\0\0"s;
}

ParsedValue Utf16RoundTrip(std::string_view key, std::string_view name, uint32_t type,
                           const std::string& stored) {
  const std::string file = Utf16File(std::string(kHeaderWide) + "\r\n" + KeyLine(key) +
                                     ValueLines(kUtf16, name, type, stored) + "\r\n");
  const std::string listed = name.empty() ? "@" : "\"" + std::string(name) + "\"";
  const std::vector<std::string> found = FindValueData(file, key, listed, kUtf8TextCodec);
  if (found.size() != 1) throw std::runtime_error("value line not found");
  return ParseExportData(found.front(), TextFormOf(file, kUtf8TextCodec));
}

// Every name and every value comes back as the registry stored it, in every
// script: plain text quoted and readable, anything else as its stored bytes.
TEST(Utf16Form, EveryValueInEveryScriptComesBackAsStored) {
  for (const std::string& script : {kHebrew, kChinese, kCyrillic, kLatin, kEmoji}) {
    const std::string key = "HKEY_CURRENT_USER\\gone-" + script + ".exe";
    const std::string text = "C:\\" + script + "\\" + script + ".exe";
    EXPECT_EQ("\r\n\"" + script + "\"=\"C:\\\\" + script + "\\\\" + script + ".exe\"",
              ValueLines(kUtf16, script, regtype::kString, Stored(text)));
    const std::vector<std::pair<uint32_t, std::string>> values = {
        {regtype::kString, Stored(text)},
        {regtype::kString, Utf16LeFromUtf8(text)},  // no terminator
        {regtype::kString, "a\0\0\xD8\0\0"s},       // a lone surrogate
        {regtype::kString, Stored("a") + Stored(script)},
        {regtype::kString, "odd"s},
        {regtype::kExpandString, Stored("%TEMP%\\" + script)},
        {regtype::kMultiString, Stored(script) + Stored(kEmoji) + "\0\0"s},
        {regtype::kDword, "\x01\x02\x03\x84"s},
        {regtype::kBinary, "\x00\xFF\x0A\x0D"s},
        {11, "\x01\0\0\0\0\0\0\x80"s},
    };
    for (const auto& [type, stored] : values) {
      const ParsedValue back = Utf16RoundTrip(key, script, type, stored);
      EXPECT_EQ(type, back.type) << script;
      EXPECT_EQ(stored, back.data) << script << " type " << type;
      EXPECT_TRUE(back.stored);
    }
  }
  EXPECT_EQ("\r\n@=hex(2):25,00,58,00,00,00\r\n",
            ValueLines(kUtf16, "", regtype::kExpandString, Stored("%X")));
  // Text the program's code page cannot carry goes in its stored bytes.
  EXPECT_EQ("\r\n\"v\"=hex(1):61,00,00,D8,00,00\r\n",
            ValueLines(kUtf16, "v", regtype::kString, "a\0\0\xD8\0\0"s));
}

TEST(Utf16Form, IsASnapshotOnlyWithItsByteOrderMarkAndAHeaderLine) {
  const std::string header = std::string(kHeaderWide);
  EXPECT_TRUE(IsSnapshotText(Utf16File(header + "\r\n\r\n")));
  EXPECT_TRUE(IsSnapshotText(Utf16File("REGEDIT4\n")));
  EXPECT_TRUE(IsUtf16Text(Utf16File(header + "\r\n")));
  for (const std::string& not_ :
       {Utf16File(header), Utf16File("garbage\r\n" + header + "\r\n"),
        Utf16LeFromUtf8(header + "\r\n"), "\xFE\xFF"s + Utf16LeFromUtf8(header + "\r\n"),
        Utf16File(kHebrew + "\r\n"), Utf16File("\r\n"), "\xFF\xFE"s, "\xFF\xFE\x0A"s})
    EXPECT_FALSE(IsSnapshotText(not_));
  EXPECT_FALSE(FileHasWideText(Utf16File("REGEDIT4\r\n")));
  EXPECT_TRUE(FileHasWideText(Utf16File(header + "\r\n")));
  EXPECT_TRUE(TextFormOf(Utf16File(header + "\r\n"), kUtf8TextCodec).utf16);
  EXPECT_FALSE(TextFormOf(header + "\r\n", kUtf8TextCodec).utf16);
  // A single-byte file after all its decades: the same test.
  EXPECT_TRUE(IsSnapshotText("REGEDIT4\r\n"));
  EXPECT_FALSE(IsUtf16Text("REGEDIT4\r\n"));
}

// Lines end at a line feed character, never at a byte 0A inside another
// character (U+0A0D, U+010A); a line the codec cannot carry is refused.
TEST(Utf16Form, LinesAreCharactersAndEveryEntryComesBackWithItsTrueName) {
  const std::string gurmukhi = "\xE0\xA8\x8D";  // U+0A0D
  const std::string cDot = "\xC4\x8A";          // U+010A
  const std::string key = "HKEY_CURRENT_USER\\" + kHebrew + gurmukhi + cDot;
  const std::string file =
      Utf16File(std::string(kHeaderWide) + "\r\n\r\n[" + key + "]\r\n\"" + kChinese + "\"=\"" +
                kEmoji + "\"\r\n[HKEY_CURRENT_USER\\" + kCyrillic + "]\r\n");
  EXPECT_EQ((std::vector<std::string>{key + "\\\\:\"" + kChinese + "\"",
                                      "HKEY_CURRENT_USER\\" + kCyrillic}),
            ListSnapshotEntries(file, kUtf8TextCodec));
  EXPECT_EQ(std::vector<std::string>{"\"" + kEmoji + "\""},
            FindValueData(file, key, "\"" + kChinese + "\"", kUtf8TextCodec));
  // A lone surrogate in a key line refuses its block; in a value line, its value.
  const std::string lone = "\x00\xD8"s;
  const std::string torn = std::string(kUtf16LeByteOrderMark) +
                           Utf16LeFromUtf8(std::string(kHeaderWide) + "\r\n\r\n[K") + lone +
                           Utf16LeFromUtf8("]\r\n\"a\"=\"1\"\r\n[L]\r\n\"b\"=\"") + lone +
                           Utf16LeFromUtf8("\"\r\n\"c\"=\"3\"\r\n");
  const std::vector<SnapshotItem> items = ReadSnapshotItems(torn, kUtf8TextCodec);
  ASSERT_EQ(3u, items.size());
  EXPECT_NE(std::string::npos, items[0].refusal.find("code page")) << items[0].key;
  EXPECT_NE(std::string::npos, items[1].refusal.find("code page"));
  EXPECT_EQ("", items[1].data) << "a part of a value is never given";
  EXPECT_EQ("", items[2].refusal);
  EXPECT_EQ("\"3\"", items[2].data);
}

TEST(CompleteLines, ATornLastLineIsLeftOutInEitherEncoding) {
  EXPECT_EQ("REGEDIT4\r\n[K]\r\n", CompleteLines("REGEDIT4\r\n[K]\r\n\"v\"=dword:0000"));
  EXPECT_EQ("", CompleteLines("REGEDIT4"));
  const std::string whole = Utf16File("REGEDIT4\r\n[" + kCyrillic + "]\r\n");
  EXPECT_EQ(whole, CompleteLines(whole));
  EXPECT_EQ(whole, CompleteLines(whole + Utf16LeFromUtf8("\"v\"=dword:0000")));
  EXPECT_EQ(whole, CompleteLines(whole + "\"\0v"s)) << "cut inside a character";
  // The byte 0A of U+0A0D ends no line.
  EXPECT_EQ(std::string(kUtf16LeByteOrderMark), CompleteLines(Utf16File("\xE0\xA8\x8D\xC4\x8A")));
}

}  // namespace
}  // namespace hvm
