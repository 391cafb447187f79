#include "engine/scan/problem_explanations.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "engine/scan/problem_rules.h"

namespace hvm {
namespace {

// The table and the rules cover each other: every rule has its sentence,
// every row belongs to a rule, and no two rules read alike to the user.
TEST(RuleExplanations, EveryRuleHasASentenceOfItsOwnAndNoRowIsStale) {
  std::set<std::string> rules, sentences;
  for (const char* rule : rule::kAllRules) {
    EXPECT_TRUE(rules.insert(rule).second) << "listed twice: " << rule;
    const RuleExplanation* explanation = ExplanationOf(rule);
    ASSERT_NE(nullptr, explanation) << "no sentence for the rule \"" << rule << "\"";
    const std::string sentence(explanation->sentence);
    EXPECT_FALSE(sentence.empty()) << rule;
    EXPECT_NE(rule, sentence) << "the identifier is no explanation";
    EXPECT_TRUE(sentence.back() != '.' && std::isupper(static_cast<unsigned char>(sentence[0])))
        << sentence;
    EXPECT_TRUE(sentences.insert(sentence).second) << "two rules read alike: " << sentence;
  }
  EXPECT_EQ(rules.size(), RuleExplanations().size());
  for (const RuleExplanation& row : RuleExplanations())
    EXPECT_EQ(1u, rules.count(std::string(row.rule))) << "no such rule: " << row.rule;
}

TEST(RuleExplanations, SentencesAndTargetsAsTheUserReadsThem) {
  EXPECT_EQ("The file this entry names does not exist", RuleSentence("file missing"));
  EXPECT_EQ("No class is registered under this identifier", RuleSentence("class not registered"));
  EXPECT_EQ("File tested: C:\\Gone\\viewer.dll",
            TargetLine({"file missing", "C:\\Gone\\viewer.dll"}));
  EXPECT_EQ("Class tested: HKCR\\CLSID\\{C}",
            TargetLine({"class not registered", "HKCR\\CLSID\\{C}"}));
  EXPECT_EQ("Key tested: HKCR\\.x", TargetLine({"empty key", "HKCR\\.x"}));
  EXPECT_EQ("Folder tested: C:\\A; C:\\B", TargetLine({"folder missing", "C:\\A; C:\\B"}));
  // A reason of a rule the table does not know loses nothing it says.
  EXPECT_EQ("frobnicated", RuleSentence("frobnicated"));
  EXPECT_EQ("Tested: X", TargetLine({"frobnicated", "X"}));
  EXPECT_EQ("", TargetLine({"file missing", ""}));
  EXPECT_EQ("", RuleSentence(""));
}

TEST(RuleExplanations, OnlyFileRulesWithATargetNameAFile) {
  EXPECT_TRUE(TargetIsFile({"file missing", "C:\\x.dll"}));
  EXPECT_TRUE(TargetIsFile({"type library file missing", "C:\\x.tlb"}));
  EXPECT_FALSE(TargetIsFile({"file missing", ""}));
  EXPECT_FALSE(TargetIsFile({"folder missing", "C:\\x"}));
  EXPECT_FALSE(TargetIsFile({"class not registered", "HKCR\\CLSID\\{C}"}));
  EXPECT_FALSE(TargetIsFile({"no file named", "HKCR\\CLSID\\{C}\\InprocServer32"}));
  EXPECT_FALSE(TargetIsFile({"", "C:\\x.dll"}));
}

TEST(SectionDescriptions, EverySectionSaysWhatItLooksForOnce) {
  std::set<std::string> seen;
  for (int section = 1; section <= kSectionCount; ++section) {
    const std::string text(SectionDescription(section));
    EXPECT_FALSE(text.empty()) << section;
    EXPECT_EQ(std::string::npos, text.find('\n')) << section;
    EXPECT_TRUE(seen.insert(text).second) << section;
  }
  EXPECT_TRUE(SectionDescription(0).empty());
  EXPECT_TRUE(SectionDescription(kSectionCount + 1).empty());
}

}  // namespace
}  // namespace hvm
