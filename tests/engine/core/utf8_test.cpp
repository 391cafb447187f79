#include "engine/core/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace hvm {
namespace {

using namespace std::string_literals;

TEST(Utf8, WellFormedTextIsToldFromEveryMalformedSequence) {
  for (const std::string& good : {""s, "plain"s, "caf\xC3\xA9"s, "\xD7\xA7"s, "\xE6\x96\x87"s,
                                  "\xF0\x9F\x93\x81"s, "\xF4\x8F\xBF\xBF"s, "nul\0inside"s})
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  for (const std::string& bad :
       {"\x80"s, "caf\xE9"s, "\xC3"s, "\xE6\x96"s, "\xC0\xAF"s /* overlong slash */,
        "\xE0\x80\xAF"s /* overlong */, "\xED\xA0\x80"s /* a surrogate */,
        "\xF4\x90\x80\x80"s /* past U+10FFFF */, "\xF8\x88\x80\x80\x80"s, "\xC3\x28"s})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(Utf8, Utf16FormsGoBothWaysAndMarkWhatWasNotText) {
  const std::string text = "a\xD7\xA7\xE6\x96\x87\xF0\x9F\x93\x81";
  const std::string units("a\0\xE7\x05\x87\x65\x3D\xD8\xC1\xDC", 10);
  bool exact = true;
  EXPECT_EQ(units, Utf16LeFromUtf8(text, &exact));
  EXPECT_TRUE(exact);
  EXPECT_EQ(text, Utf8FromUtf16Le(units, &exact));
  EXPECT_TRUE(exact);
  // A lone surrogate, a pair in the wrong order, and a half unit each become U+FFFD.
  EXPECT_EQ(
      "\xEF\xBF\xBD"
      "a",
      Utf8FromUtf16Le(std::string("\x00\xD8"
                                  "a\0",
                                  4),
                      &exact));
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD",
            Utf8FromUtf16Le(std::string("\x00\xDC\x00\xD8", 4), &exact));
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ("a\xEF\xBF\xBD", Utf8FromUtf16Le(std::string("a\0b", 3), &exact));
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(std::string("\xFD\xFF", 2), Utf16LeFromUtf8("\xE9", &exact));
  EXPECT_FALSE(exact);
}

TEST(Utf8, TheUtf8CodecIsTheseForms) {
  std::string back;
  EXPECT_EQ(Utf16LeFromUtf8("\xF0\x9F\x93\x81"), kUtf8TextCodec.toUtf16Le("\xF0\x9F\x93\x81"));
  EXPECT_TRUE(kUtf8TextCodec.fromUtf16Le(std::string("\x3D\xD8\xC1\xDC", 4), back));
  EXPECT_EQ("\xF0\x9F\x93\x81", back);
  EXPECT_FALSE(kUtf8TextCodec.fromUtf16Le(std::string("\x3D\xD8", 2), back));
}

}  // namespace
}  // namespace hvm
