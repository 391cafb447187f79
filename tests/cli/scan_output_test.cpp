#include "cli/scan_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"

namespace hvm {
namespace {

ResultsStore FilledStore() {
  ResultsStore store;
  store.AddProblem(3, "HKCR\\.gone");
  store.AddProblem(3, "HKCR\\.x\\\\:Name = abc");
  store.AddProblem(23, "HKLM\\Software\\A\\\\:Path = C:\\Old");
  store.Section(3)[1].SetChecked(false);
  return store;
}

TEST(ScanOutputText, HeadingsRowsAndTotal) {
  DefaultSectionSwitches switches;
  EXPECT_EQ(
      "3. Windows Associations (2)\n"
      "  [x] HKCR\\.gone\n"
      "  [ ] HKCR\\.x\\\\:Name = abc\n"
      "23. File/Path References (1)\n"
      "  [ ] HKLM\\Software\\A\\\\:Path = C:\\Old (caution)\n"
      "3 Problems Found\n",
      FormatScanText(FilledStore(), switches));
}

TEST(ScanOutputText, DisabledSectionsAndEmptyResults) {
  ChosenSectionSwitches onlyTwentyThree({23});
  const std::string text = FormatScanText(FilledStore(), onlyTwentyThree);
  EXPECT_EQ(std::string::npos, text.find("Windows Associations"));
  EXPECT_NE(std::string::npos, text.find("23. File/Path References (1)"));
  ResultsStore empty;
  EXPECT_EQ("0 Problems Found\n", FormatScanText(empty, onlyTwentyThree));
  ResultsStore one;
  one.AddProblem(1, "HKLM\\x");
  DefaultSectionSwitches defaults;
  EXPECT_EQ("1. Registry Integrity (1)\n  [x] HKLM\\x\n1 Problem Found\n",
            FormatScanText(one, defaults));
}

TEST(ScanOutputJson, ListsAllSectionsInOrderWithFlags) {
  DefaultSectionSwitches switches;
  const auto document = nlohmann::json::parse(FormatScanJson(FilledStore(), switches));
  EXPECT_EQ(3, document["total"]);
  ASSERT_EQ(24u, document["sections"].size());
  for (int i = 0; i < 24; ++i) EXPECT_EQ(i + 1, document["sections"][i]["number"]);
  EXPECT_EQ("Windows Associations", document["sections"][2]["label"]);
  EXPECT_FALSE(document["sections"][23]["enabled"]);
  EXPECT_TRUE(document["sections"][22]["enabled"]);
  const auto& problems = document["sections"][2]["problems"];
  ASSERT_EQ(2u, problems.size());
  EXPECT_EQ("HKCR\\.gone", problems[0]["line"]);
  EXPECT_TRUE(problems[0]["checked"]);
  EXPECT_TRUE(problems[0]["wholeKey"]);
  EXPECT_FALSE(problems[0]["caution"]);
  EXPECT_FALSE(problems[1]["checked"]);
  EXPECT_FALSE(problems[1]["wholeKey"]);
  EXPECT_TRUE(document["sections"][22]["problems"][0]["caution"]);
}

// Names in every script come out as themselves, in the text and in JSON
// (which is UTF-8); a byte that is no text becomes U+FFFD, and the document
// stays whole.
TEST(ScanOutputJson, NamesInEveryScriptComeOutAsThemselves) {
  const std::string hebrew =
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone-"
      "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8.exe";
  const std::string value =
      "HKCU\\\xE6\x96\x87\\\\:\xD1\x84\xD0\xB0 = C:\\\xF0\x9F\x93\x81\\caf\xC3\xA9.exe";
  ResultsStore store;
  store.AddProblem(18, hebrew, {"file missing", "C:\\\xD7\x93\\gone.exe"});
  store.AddProblem(23, value, {"file missing", "C:\\\xF0\x9F\x93\x81\\caf\xC3\xA9.exe"});
  store.AddProblem(17, "HKLM\\Fonts\\\\:Caf\xE9 = caf\xE9.ttf");
  DefaultSectionSwitches switches;
  const auto document = nlohmann::json::parse(FormatScanJson(store, switches));
  EXPECT_EQ(3, document["total"]);
  EXPECT_EQ(hebrew, document["sections"][17]["problems"][0]["line"]);
  EXPECT_EQ(value, document["sections"][22]["problems"][0]["line"]);
  EXPECT_EQ("C:\\\xD7\x93\\gone.exe", document["sections"][17]["problems"][0]["reason"]["target"]);
  EXPECT_EQ("HKLM\\Fonts\\\\:Caf\xEF\xBF\xBD = caf\xEF\xBF\xBD.ttf",
            document["sections"][16]["problems"][0]["line"]);
  const std::string text = FormatScanText(store, switches, false);
  EXPECT_NE(std::string::npos, text.find("  [x] " + hebrew + "\n")) << text;
  EXPECT_NE(std::string::npos, text.find("  [ ] " + value + " (caution)\n")) << text;
}

TEST(ScanOutputText, VerboseShowsEachReasonAndRemovedValuesAreListed) {
  ResultsStore store;
  store.AddProblem(4, "HKCR\\CLSID\\{x}\\InprocServer32", {"file missing", "C:\\gone.dll"});
  store.AddRemovedAtOnce(
      {15, "HKLM\\Run\\\\:a = a.exe", {"file missing", "C:\\windows\\a.exe"}, "Undo20261209.reg"});
  DefaultSectionSwitches switches;
  EXPECT_EQ(
      "4. Deep Scan (1)\n"
      "  [x] HKCR\\CLSID\\{x}\\InprocServer32\n"
      "      The file this entry names does not exist\n"
      "      File tested: C:\\gone.dll\n"
      "Removed at once (1), each written to its undo snapshot first:\n"
      "  15. HKLM\\Run\\\\:a = a.exe -> Undo20261209.reg\n"
      "      The file this entry names does not exist\n"
      "      File tested: C:\\windows\\a.exe\n"
      "1 Problem Found\n",
      FormatScanText(store, switches, true));
  const std::string plain = FormatScanText(store, switches);
  EXPECT_EQ(std::string::npos, plain.find("does not exist"));
  EXPECT_NE(std::string::npos, plain.find("  15. HKLM\\Run\\\\:a = a.exe -> Undo20261209.reg\n"));
}

TEST(ScanOutputJson, EveryProblemCarriesItsReasonAndRemovedValuesTheirSnapshot) {
  ResultsStore store;
  store.AddProblem(5, "HKCR\\Interface\\{i}\\ProxyStubClsid32",
                   {"class not registered", "HKCR\\CLSID\\{c}"});
  store.AddRemovedAtOnce({17, "HKLM\\Fonts\\\\:F = f.ttf", {"file missing", "C:\\f.ttf"}, "U.reg"});
  DefaultSectionSwitches switches;
  const auto document = nlohmann::json::parse(FormatScanJson(store, switches));
  const auto& reason = document["sections"][4]["problems"][0]["reason"];
  EXPECT_EQ("class not registered", reason["rule"]);
  EXPECT_EQ("HKCR\\CLSID\\{c}", reason["target"]);
  ASSERT_EQ(1u, document["removedAtOnce"].size());
  EXPECT_EQ(17, document["removedAtOnce"][0]["section"]);
  EXPECT_EQ("HKLM\\Fonts\\\\:F = f.ttf", document["removedAtOnce"][0]["line"]);
  EXPECT_EQ("file missing", document["removedAtOnce"][0]["reason"]["rule"]);
  EXPECT_EQ("U.reg", document["removedAtOnce"][0]["snapshot"]);
  EXPECT_TRUE(
      nlohmann::json::parse(FormatScanJson(ResultsStore(), switches))["removedAtOnce"].empty());
}

TEST(SectionList, ParsesNumbersAndRefusesAnythingElse) {
  EXPECT_EQ((std::set<int>{1, 4, 23}), ParseSectionList("1,4,23"));
  EXPECT_EQ((std::set<int>{24}), ParseSectionList("24,24"));
  EXPECT_TRUE(ParseSectionList("none").empty());
  for (const char* bad :
       {"", "0", "25", "None", "none,1", "1,,2", "1,", "a", "-1", "1 ,2", "001", "99999999999"})
    EXPECT_THROW(ParseSectionList(bad), UsageError) << bad;
}

TEST(ScanOptions, FlagsAndErrors) {
  const ScanOptions options = ParseScanOptions({"--json", "--quiet", "--sections", "2,3"});
  EXPECT_TRUE(options.json);
  EXPECT_TRUE(options.quiet);
  EXPECT_EQ((std::set<int>{2, 3}), *options.sections);
  EXPECT_EQ((std::set<int>{5}), *ParseScanOptions({"--sections=5"}).sections);
  EXPECT_FALSE(ParseScanOptions({}).sections.has_value());
  EXPECT_FALSE(ParseScanOptions({}).verbose);
  EXPECT_FALSE(ParseScanOptions({}).readOnly);
  EXPECT_TRUE(ParseScanOptions({"--verbose"}).verbose);
  EXPECT_TRUE(ParseScanOptions({"--read-only"}).readOnly);
  EXPECT_THROW(ParseScanOptions({"--sections"}), UsageError);
  EXPECT_THROW(ParseScanOptions({"--bogus"}), UsageError);
}

}  // namespace
}  // namespace hvm
