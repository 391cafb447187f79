#include "engine/reports/mime_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hvm {
namespace {

std::string QuotedPrintable(const std::vector<std::string>& lines) {
  std::string body;
  for (const std::string& line : lines) AppendQuotedPrintableLine(line, body);
  return body;
}

std::string Base64(const std::vector<std::string>& lines) {
  Base64Lines decoder;
  std::string body;
  for (const std::string& line : lines) decoder.Append(line, body);
  return body;
}

// A plain encoder to produce test input.
std::string EncodeBase64(const std::string& data) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    unsigned bits = unsigned(static_cast<unsigned char>(data[i])) << 16;
    if (i + 1 < data.size()) bits |= unsigned(static_cast<unsigned char>(data[i + 1])) << 8;
    if (i + 2 < data.size()) bits |= static_cast<unsigned char>(data[i + 2]);
    out += kAlphabet[(bits >> 18) & 63];
    out += kAlphabet[(bits >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(bits >> 6) & 63] : '=';
    out += i + 2 < data.size() ? kAlphabet[bits & 63] : '=';
  }
  return out;
}

std::vector<std::string> Chop(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size(); at += width) lines.push_back(text.substr(at, width));
  return lines;
}

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256 * 3 + 1; ++b) bytes += char(b * 7);
  return bytes;
}

TEST(QuotedPrintable, SoftBreakJoinsLinesAndHardBreaksBecomeCrLf) {
  EXPECT_EQ("a=bc\r\n", QuotedPrintable({"a=3Db=", "c"}));
  EXPECT_EQ("one\r\ntwo\r\n", QuotedPrintable({"one", "two"}));
  EXPECT_EQ("\r\n", QuotedPrintable({""}));
  EXPECT_EQ("", QuotedPrintable({"="}));
}

TEST(QuotedPrintable, DecodesHexInEitherCase) {
  EXPECT_EQ("AB=\xe9\xff\r\n", QuotedPrintable({"=41=42=3d=E9=ff"}));
  EXPECT_EQ(std::string("x\0y\r\n", 5), QuotedPrintable({"x=00y"}));
}

TEST(QuotedPrintable, KeepsAnEqualsSignWithoutTwoHexDigits) {
  EXPECT_EQ("=ZZ and =4\r\n", QuotedPrintable({"=ZZ and =4"}));
  EXPECT_EQ("a=", QuotedPrintable({"a=="}));
  // The soft break is taken off before escapes are read.
  EXPECT_EQ("=3", QuotedPrintable({"=3="}));
}

TEST(Base64Lines, SplitAt76DecodesLikeTheWholeText) {
  const std::string data = AllBytes();
  const std::string encoded = EncodeBase64(data);
  ASSERT_GT(encoded.size(), 76u * 3);
  EXPECT_EQ(data, Base64({encoded}));
  EXPECT_EQ(data, Base64(Chop(encoded, 76)));
}

TEST(Base64Lines, CarriesGroupsBrokenAtAnyLength) {
  const std::string data = AllBytes();
  const std::string encoded = EncodeBase64(data);
  for (std::size_t width : {1u, 2u, 3u, 5u, 7u, 77u}) {
    EXPECT_EQ(data, Base64(Chop(encoded, width))) << "width " << width;
  }
  // Blanks around a line do not count.
  EXPECT_EQ("Man", Base64({"  TW", "Fu \t"}));
}

TEST(Base64Lines, HonoursFillCharacters) {
  EXPECT_EQ("M", Base64({"TQ=="}));
  EXPECT_EQ("Ma", Base64({"TWE="}));
  EXPECT_EQ("", Base64({""}));
  EXPECT_EQ("", Base64({"TW"}));
}

TEST(Base64Lines, StopsTheLineAtABlankOrABadCharacter) {
  EXPECT_EQ("Man", Base64({"TWFu TWFu"}));
  EXPECT_EQ("Man", Base64({"TWFu!!!!TWFu"}));
  EXPECT_EQ("", Base64({"=AAA"}));
  EXPECT_EQ("", Base64({"T=Fu"}));
  // The next line starts afresh.
  EXPECT_EQ("ManMan", Base64({"TWFu****", "TWFu"}));
}

}  // namespace
}  // namespace hvm
