// A reviewed scan document as repair --from reads it: what is refused and
// why, which entries it takes, and how they are matched against a new scan.
#include "cli/reviewed_scan.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "engine/core/utf8.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using Json = nlohmann::json;

Json Problem(const std::string& line, bool checked, const std::string& rule = "file missing",
             const std::string& target = "C:\\gone.dll") {
  return {{"line", line},
          {"checked", checked},
          {"caution", false},
          {"wholeKey", line.find("\\\\:") == std::string::npos},
          {"reason", {{"rule", rule}, {"target", target}}}};
}

// A scan document of the computer "ws-017" with problems in sections 13 and 18.
Json Document() {
  Json sections = Json::array();
  for (int number = 1; number <= 24; ++number)
    sections.push_back(
        {{"number", number}, {"label", "x"}, {"enabled", true}, {"problems", Json::array()}});
  sections[12]["problems"] = {Problem("HKLM\\Shared\\\\:C:\\gone.dll = 1", true),
                              Problem("HKLM\\Shared\\\\:C:\\kept.dll = 1", false)};
  sections[17]["problems"] = {Problem("HKLM\\App Paths\\x.exe", true, "file missing", "C:\\x.exe"),
                              Problem("HKLM\\App Paths\\x.exe", true, "file missing", "C:\\x.exe")};
  return {{"schemaVersion", 1},
          {"computer", "WS-017"},
          {"total", 4},
          {"sections", sections},
          {"removedAtOnce", Json::array()}};
}

std::string Refusal(const std::string& text) {
  try {
    ParseReviewedScan(text, "ws-017");
  } catch (const UsageError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(ReviewedScan, TakesTheCheckedEntriesOnceEachWhateverTheComputerNamesCase) {
  const ReviewedScan review = ParseReviewedScan(Document().dump(), "ws-017");
  EXPECT_EQ("WS-017", review.computer);
  ASSERT_EQ(2u, review.checked.size());
  EXPECT_EQ(13, review.checked[0].section);
  EXPECT_EQ("HKLM\\Shared\\\\:C:\\gone.dll = 1", review.checked[0].line);
  EXPECT_FALSE(review.checked[0].wholeKey);
  EXPECT_EQ(18, review.checked[1].section);
  EXPECT_TRUE(review.checked[1].wholeKey);
  EXPECT_EQ("C:\\x.exe", review.checked[1].reason.target);
  EXPECT_EQ((std::set<int>{13, 18}), ReviewedSections(review));
}

TEST(ReviewedScan, ADamagedFileANewerLayoutAndAnotherComputerAreRefused) {
  Json noChecked = Document();
  noChecked["sections"][12]["problems"][1].erase("checked");
  Json badReason = Document();
  badReason["sections"][17]["problems"][0]["reason"] = "file missing";
  Json badSection = Document();
  badSection["sections"][3]["number"] = 25;
  Json textVersion = Document();
  textVersion["schemaVersion"] = "1";
  Json noSections = Document();
  noSections.erase("sections");
  for (const std::string& damaged :
       {std::string("{\"schemaVersion\": 1, \"computer\": \"ws-017\", \"sections\": ["),
        std::string("[1, 2]"), std::string(""), noChecked.dump(), badReason.dump(),
        badSection.dump(), textVersion.dump(), noSections.dump()})
    EXPECT_NE(std::string::npos, Refusal(damaged).find("not a scan's JSON document"))
        << damaged.substr(0, 80) << ": " << Refusal(damaged);

  Json newer = Document();
  newer["schemaVersion"] = 2;
  EXPECT_NE(std::string::npos, Refusal(newer.dump()).find("schemaVersion 2, newer"));
  Json other = Document();
  other["computer"] = "ws-018";
  EXPECT_NE(std::string::npos, Refusal(other.dump()).find("\"ws-018\", not of this one"));
  Json unnamed = Document();
  unnamed.erase("computer");
  EXPECT_NE(std::string::npos, Refusal(unnamed.dump()).find("does not say which computer"));
  for (const Json& refused : {newer, other, unnamed})
    EXPECT_NE(std::string::npos, Refusal(refused.dump()).find("nothing was changed"));
}

TEST(ReviewedScan, AFileAsWindowsPowerShellWritesItReadsTheSame) {
  test::TestFolder folder;
  const std::string text = Document().dump(2);
  const std::string utf16 = "\xFF\xFE" + Utf16LeFromUtf8(text);
  const ReviewedScan fromUtf16 = ReadReviewedScan(folder.WriteFile("utf16.json", utf16), "WS-017");
  EXPECT_EQ(2u, fromUtf16.checked.size());
  const ReviewedScan fromUtf8 =
      ReadReviewedScan(folder.WriteFile("bom.json", "\xEF\xBB\xBF" + text), "WS-017");
  EXPECT_EQ(2u, fromUtf8.checked.size());
  EXPECT_THROW(ReadReviewedScan(folder.File("missing.json"), "WS-017"), UsageError);
}

TEST(ReviewedScan, OnlyCheckedEntriesFoundStaleAgainByTheSameRuleAreChecked) {
  ResultsStore results;
  const ProblemReason missing{"file missing", "C:\\gone.dll"};
  results.AddProblem(13, "HKLM\\Shared\\\\:C:\\gone.dll = 1", missing);
  results.AddProblem(13, "HKLM\\Shared\\\\:C:\\kept.dll = 1", {"file missing", "C:\\kept.dll"});
  results.AddProblem(13, "HKLM\\Shared\\\\:C:\\new.dll = 1", {"file missing", "C:\\new.dll"});
  // Found again, but by another rule than the one reviewed.
  results.AddProblem(18, "HKLM\\App Paths\\x.exe", {"empty key", "HKLM\\App Paths\\x.exe"});
  for (int section : {13, 18})
    for (ProblemEntry& entry : results.Section(section)) entry.SetChecked(true);
  Json document = Document();
  document["sections"][0]["problems"] = {Problem("HKCR\\.old", true, "empty key", "HKCR\\.old")};
  document["sections"][12]["problems"].push_back(
      Problem("HKLM\\Shared\\\\:C:\\back.dll = 1", true, "file missing", "C:\\back.dll"));
  const ReviewedScan review = ParseReviewedScan(document.dump(), "WS-017");

  const std::vector<LeftAlone> left = CheckReviewedEntries(review, {13, 18}, results);
  const std::vector<ProblemEntry>& shared = results.Section(13);
  EXPECT_TRUE(shared[0].Checked());
  EXPECT_FALSE(shared[1].Checked()) << "unchecked in the review";
  EXPECT_FALSE(shared[2].Checked()) << "not in the review";
  EXPECT_FALSE(results.Section(18)[0].Checked());
  EXPECT_EQ(1, results.CheckedCount());
  ASSERT_EQ(3u, left.size());
  EXPECT_EQ("HKCR\\.old", left[0].entry.line);
  EXPECT_EQ(LeftAlone::Result::kSectionOff, left[0].result);
  EXPECT_EQ("HKLM\\Shared\\\\:C:\\back.dll = 1", left[1].entry.line);
  EXPECT_EQ(LeftAlone::Result::kNotStale, left[1].result);
  EXPECT_EQ(18, left[2].entry.section);
  EXPECT_EQ(LeftAlone::Result::kOtherReason, left[2].result);
  EXPECT_STREQ("otherReason", LeftAloneName(left[2].result));
}

}  // namespace
}  // namespace hvm
