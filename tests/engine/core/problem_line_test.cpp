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
