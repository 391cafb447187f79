#include "engine/core/version_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hvm {
namespace {

std::vector<int64_t> AllNumbers(const std::string& text, char separator) {
  std::vector<int64_t> numbers;
  size_t position = 0;
  while (position <= text.size()) numbers.push_back(NextNumber(text, position, separator));
  return numbers;
}

TEST(CompareVersions, TheDocumentedExamples) {
  EXPECT_EQ(0, CompareVersions("1.2.0.185", "1.2.0.185"));
  EXPECT_EQ(0, CompareVersions("1.2", "1.2.0.0"));
  EXPECT_EQ(1, CompareVersions("1.10.0.0", "1.9.9.9"));
  EXPECT_EQ(-1, CompareVersions("1.9.9.9", "1.10.0.0"));
}

TEST(CompareVersions, DecidesAtTheFirstDifferentNumber) {
  EXPECT_EQ(-1, CompareVersions("1.2.3.4", "1.2.4.0"));
  EXPECT_EQ(1, CompareVersions("2.0.0.0", "1.99.99.99"));
  EXPECT_EQ(-1, CompareVersions("1.2.3.4", "1.2.3.5"));
}

TEST(CompareVersions, OnlyFourNumbersCount) {
  EXPECT_EQ(0, CompareVersions("1.2.3.4.5", "1.2.3.4.9"));
}

TEST(CompareVersions, MissingOrUnreadableNumbersReadAsZero) {
  EXPECT_EQ(0, CompareVersions("", "0.0.0.0"));
  EXPECT_EQ(0, CompareVersions("1.x", "1.0"));
  EXPECT_EQ(-1, CompareVersions("beta", "0.0.0.1"));
  EXPECT_EQ(1, CompareVersions("1..1", "1.0.0"));
}

TEST(NextNumber, ReadsEachFieldAndMovesPastItsSeparator) {
  const std::string text = "12,345,6";
  size_t position = 0;
  EXPECT_EQ(12, NextNumber(text, position, ','));
  EXPECT_EQ(3u, position);
  EXPECT_EQ(345, NextNumber(text, position, ','));
  EXPECT_EQ(7u, position);
  EXPECT_EQ(6, NextNumber(text, position, ','));
  EXPECT_EQ(0, NextNumber(text, position, ','));
}

TEST(NextNumber, SkipsRunsOfBlanksOnlyWhenTheSeparatorIsABlank) {
  EXPECT_EQ((std::vector<int64_t>{12, 34, 5}), AllNumbers("  12   34 5", ' '));
  EXPECT_EQ((std::vector<int64_t>{1, 0, 3}), AllNumbers("1,,3", ','));
}

TEST(NextNumber, KeepsAtMostTwelveCharactersOfAField) {
  size_t position = 0;
  EXPECT_EQ(123456789012, NextNumber("1234567890123.7", position, '.'));
  EXPECT_EQ(7, NextNumber("1234567890123.7", position, '.'));
}

TEST(NextNumber, SignedNumbersAndBadFields) {
  EXPECT_EQ((std::vector<int64_t>{-5, 7, 0, 0, 0}), AllNumbers("-5;+7;1a;-;", ';'));
}

}  // namespace
}  // namespace hvm
