#include "engine/core/problem_line.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TEST(SplitProblemLine, KeyAndValueLines) {
  const ProblemLineParts value = SplitProblemLine("HKCR\\X\\\\:Name = abc");
  EXPECT_EQ("HKCR\\X", value.keyText);
  EXPECT_EQ("Name = abc", value.valuePart);
  EXPECT_FALSE(value.wholeKey);

  const ProblemLineParts key = SplitProblemLine("HKLM\\Software\\Gone");
  EXPECT_EQ("HKLM\\Software\\Gone", key.keyText);
  EXPECT_EQ("", key.valuePart);
  EXPECT_TRUE(key.wholeKey);
}

TEST(SplitProblemLine, TrailingSeparatorIsTheDefaultValue) {
  const ProblemLineParts parts = SplitProblemLine("HKCU\\A\\\\:");
  EXPECT_EQ("HKCU\\A", parts.keyText);
  EXPECT_EQ("", parts.valuePart);
  EXPECT_FALSE(parts.wholeKey);
  EXPECT_TRUE(IsDefaultValueName(SplitValuePart(parts.valuePart).name));
}

TEST(SplitProblemLine, FirstSeparatorWinsAndDataMayHoldAnother) {
  const ProblemLineParts parts = SplitProblemLine("HKLM\\K\\\\:v = C:\\\\:odd");
  EXPECT_EQ("HKLM\\K", parts.keyText);
  EXPECT_EQ("v = C:\\\\:odd", parts.valuePart);
}

TEST(SplitProblemLine, EmptyLineIsAnEmptyKey) {
  const ProblemLineParts parts = SplitProblemLine("");
  EXPECT_EQ("", parts.keyText);
  EXPECT_TRUE(parts.wholeKey);
}

TEST(SplitValuePart, CutsAtTheFirstEqualsSign) {
  const ValuePartParts parts = SplitValuePart("a = b = c");
  EXPECT_EQ("a", parts.name);
  EXPECT_EQ("b = c", parts.data);
  EXPECT_TRUE(parts.hasData);
  const ValuePartParts bare = SplitValuePart("Name");
  EXPECT_EQ("Name", bare.name);
  EXPECT_FALSE(bare.hasData);
  // Only " = " with its spaces separates.
  EXPECT_EQ("a=b", SplitValuePart("a=b").name);
  const ValuePartParts emptyData = SplitValuePart("n = ");
  EXPECT_EQ("n", emptyData.name);
  EXPECT_EQ("", emptyData.data);
  EXPECT_TRUE(emptyData.hasData);
}

TEST(IsDefaultValueName, EmptyAndDefaultInAnyCase) {
  EXPECT_TRUE(IsDefaultValueName(""));
  EXPECT_TRUE(IsDefaultValueName("(DEFAULT)"));
  EXPECT_TRUE(IsDefaultValueName("(Default)"));
  EXPECT_TRUE(IsDefaultValueName("(default)"));
  EXPECT_FALSE(IsDefaultValueName("Default"));
  EXPECT_FALSE(IsDefaultValueName("(Default) "));
  EXPECT_FALSE(IsDefaultValueName("(DEFAULT"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST(ValueNameCandidates, EveryCutAtTheDataSeparatorAndTheWholePart) {
  EXPECT_EQ(std::vector<std::string>{"Name"}, ValueNameCandidates("Name"));
  EXPECT_EQ(std::vector<std::string>{""}, ValueNameCandidates(""));
  EXPECT_EQ(
      (std::vector<std::string>{"LangID", "LangID = C:\\x.exe", "LangID = C:\\x.exe = C:\\x.exe"}),
      ValueNameCandidates("LangID = C:\\x.exe = C:\\x.exe"));
  // Overlapping separators each give a cut.
  EXPECT_EQ((std::vector<std::string>{"a", "a = ", "a =  = "}), ValueNameCandidates("a =  = "));
}

TEST(ProblemTargetOf, KeysWholeAndValuesCutAtTheFirstSeparator) {
  const ProblemTarget key = ProblemTargetOf("HKCR\\A = B");
  EXPECT_EQ("HKCR\\A = B", key.keyText);
  EXPECT_TRUE(key.wholeKey);
  const ProblemTarget value = ProblemTargetOf("HKCR\\A\\\\:v = d = e");
  EXPECT_EQ("HKCR\\A", value.keyText);
  EXPECT_EQ("v", value.valueName);
  EXPECT_FALSE(value.wholeKey);
  EXPECT_EQ("", ProblemTargetOf("HKCR\\A\\\\:(Default) = x").valueName);
  EXPECT_EQ("", ProblemTargetOf("HKCR\\A\\\\:").valueName);
}

TEST(CanonicalKeyText, LongRootsBecomeShortAndTrailingSlashesGo) {
  EXPECT_EQ("HKCU\\Software\\X", CanonicalKeyText("HKEY_CURRENT_USER\\Software\\X"));
  EXPECT_EQ("HKLM", CanonicalKeyText("hkey_local_machine\\\\"));
  EXPECT_EQ("HKU\\.DEFAULT", CanonicalKeyText("HKEY_USERS\\.DEFAULT"));
  EXPECT_EQ("HKCR\\x", CanonicalKeyText("HKCR\\x\\"));
  // A root name run into the next key name is no root.
  EXPECT_EQ("HKEY_CURRENT_USEREnvironment", CanonicalKeyText("HKEY_CURRENT_USEREnvironment"));
  EXPECT_EQ("", CanonicalKeyText(""));
}

}  // namespace
}  // namespace hvm
