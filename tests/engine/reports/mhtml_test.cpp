#include "engine/reports/mhtml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hvm {
namespace {

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// A template as the packer writes it: related { alternative { text, html },
// two pictures }, with a header continued on a second line.
const std::vector<std::string> kTemplate = {
    "MIME-Version: 1.0",
    "Content-Type: multipart/related;",
    "\tboundary=\"rel-1\"; type=\"multipart/alternative\"",
    "",
    "This is a multi-part message in MIME format.",
    "",
    "--rel-1",
    "Content-Type: multipart/alternative; boundary=\"alt-1\"",
    "",
    "--alt-1",
    "Content-Type: text/plain; charset=\"windows-1252\"",
    "Content-Transfer-Encoding: 7bit",
    "",
    "Plain text",
    "--alt-1",
    "Content-Type: text/html; charset=\"windows-1252\"",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "<p style=3D\"width:%width%px\">Hello=",
    " world</p>",
    "=2D-> <img src=3D\"cid:dot.png\">",
    "--alt-1--",
    "",
    "--rel-1",
    "Content-Type: image/png",
    "Content-Transfer-Encoding: base64",
    "Content-ID: <dot.png>",
    "",
    "iVBO",
    "Rw0K",
    "Ggo=",
    "--rel-1",
    "Content-Type: image/gif",
    "Content-Transfer-Encoding: BASE64",
    "Content-ID: bar.gif",
    "",
    "R0lGODlh",
    "--rel-1--",
    "epilogue",
};

TEST(SplitLines, BreaksAtCrLfCrOrLf) {
  const std::vector<std::string_view> expected = {"a", "b", "c", "", "d"};
  EXPECT_EQ(expected, SplitLines("a\r\nb\rc\n\nd"));
  EXPECT_EQ(expected, SplitLines("a\r\nb\rc\n\nd\r\n"));
  EXPECT_EQ(std::vector<std::string_view>({"", ""}), SplitLines("\r\n\n"));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(MhtmlDocument, FindsTheHtmlInsideTheFirstPartOfARelatedDocument) {
  const MhtmlDocument doc(Join(kTemplate));
  const auto html = doc.GetPart();
  ASSERT_TRUE(html.has_value());
  EXPECT_EQ("<p style=\"width:%width%px\">Hello world</p>\r\n--> <img src=\"cid:dot.png\">\r\n",
            *html);
}

TEST(MhtmlDocument, FindsPicturesByContentId) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    const MhtmlDocument doc(Join(kTemplate, end));
    const std::string png = "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(png, doc.GetPart("cid:dot.png").value_or("none"));
    EXPECT_EQ(png, doc.GetPart("dot.png").value_or("none"));
    EXPECT_EQ(png, doc.GetPart("CID:dot.png").value_or("none"));
    EXPECT_EQ("GIF89a", doc.GetPart("cid:bar.gif").value_or("none"));
  }
}

TEST(MhtmlDocument, GivesNoPartForUnknownOrEmptyIds) {
  const MhtmlDocument doc(Join(kTemplate));
  EXPECT_FALSE(doc.GetPart("cid:Dot.png"));
  EXPECT_FALSE(doc.GetPart("cid:nosuch"));
  // The alternative part has no id; an empty address must not find it.
  EXPECT_FALSE(doc.GetPart("cid:"));
  EXPECT_FALSE(doc.GetPart(""));
}

TEST(MhtmlDocument, BuildsThePartTreeWithItsHeaders) {
  const MhtmlDocument doc(Join(kTemplate));
  const MhtmlPart& root = doc.Root();
  EXPECT_EQ("multipart/related", root.ContentType());
  ASSERT_EQ(3u, root.Parts().size());
  const MhtmlPart& alternative = root.Parts()[0];
  EXPECT_EQ("multipart/alternative", alternative.ContentType());
  ASSERT_EQ(2u, alternative.Parts().size());
  EXPECT_EQ("Plain text\r\n", alternative.Parts()[0].Body());
  EXPECT_EQ("text/html", alternative.Parts()[1].ContentType());
  const MhtmlPart& gif = root.Parts()[2];
  EXPECT_EQ("bar.gif", gif.ContentId());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"content-type", "image/gif"},
      {"content-transfer-encoding", "base64"},
      {"content-id", "bar.gif"}};
  ASSERT_EQ(expected.size(), gif.Headers().size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].first, gif.Headers()[i].name);
    EXPECT_EQ(expected[i].second, gif.Headers()[i].value);
  }
  EXPECT_EQ("content-type", root.Headers()[1].name);
  EXPECT_EQ("multipart/related", root.Headers()[1].value);
}

TEST(MhtmlDocument, LooksAmongTheRootPartsWhenTheRootIsNotRelated) {
  const MhtmlDocument doc(Join({"Content-Type: multipart/alternative; boundary=\"b\"", "", "--b",
                                "Content-Type: text/plain", "", "text", "--b",
                                "Content-Type: TEXT/HTML", "", "<b>x</b>", "--b--"}));
  EXPECT_EQ("<b>x</b>\r\n", doc.GetPart().value_or("none"));
}

TEST(MhtmlDocument, ExpectsTheHtmlOneLevelDownInARelatedDocument) {
  // HTML as a direct part of a related root is not where templates keep it.
  const MhtmlDocument doc(Join({"Content-Type: multipart/related; boundary=\"b\"", "", "--b",
                                "Content-Type: text/html", "", "<b>x</b>", "--b--"}));
  EXPECT_FALSE(doc.GetPart());
}

TEST(MhtmlDocument, TakesOneContinuationLineOnly) {
  const MhtmlDocument doc(Join({"X-Long: a;", "b;", "c: d", "", "body"}));
  ASSERT_EQ(2u, doc.Root().Headers().size());
  EXPECT_EQ("x-long", doc.Root().Headers()[0].name);
  EXPECT_EQ("a; b;", doc.Root().Headers()[0].value);
  EXPECT_EQ("c", doc.Root().Headers()[1].name);
  EXPECT_EQ("d", doc.Root().Headers()[1].value);
}

TEST(MhtmlDocument, BlankLineAfterASemicolonStillEndsTheHeaders) {
  const MhtmlDocument doc(Join({"Content-Type: multipart/alternative;", "", "--b",
                                "Content-Type: text/html", "", "x", "--b--"}));
  EXPECT_EQ("multipart/alternative", doc.Root().ContentType());
  EXPECT_EQ(1u, doc.Root().Headers().size());
  // No boundary was given, so there are no parts.
  EXPECT_TRUE(doc.Root().Parts().empty());
}

TEST(MhtmlDocument, AcceptsAnUnquotedBoundary) {
  const MhtmlDocument doc(Join({"Content-Type: multipart/alternative; Boundary=b7; x=y", "", "--b7",
                                "Content-Type: text/html", "", "x", "--b7--"}));
  EXPECT_EQ("x\r\n", doc.GetPart().value_or("none"));
}

TEST(MhtmlDocument, DecodesEachTransferEncoding) {
  const MhtmlDocument doc(
      Join({"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b",
            "Content-Transfer-Encoding: 8bit", "", "caf\xe9", "--b",
            "Content-Transfer-Encoding: x-uuencode", "", "begin 644 x", "--b",
            "Content-Type: text/plain", "", "default 7bit", "-- not a boundary", "--b--"}));
  const auto& parts = doc.Root().Parts();
  ASSERT_EQ(3u, parts.size());
  EXPECT_EQ("caf\xe9\r\n", parts[0].Body());
  EXPECT_EQ("", parts[1].Body());
  // A line that begins with "--" is text inside a part that is not multipart.
  EXPECT_EQ("default 7bit\r\n-- not a boundary\r\n", parts[2].Body());
}

TEST(MhtmlDocument, DocumentWithoutBoundaryHasNoParts) {
  const MhtmlDocument doc(Join({"Content-Type: multipart/related", "", "--b",
                                "Content-Type: text/html", "Content-ID: <x>", "", "<p>", "--b--"}));
  EXPECT_TRUE(doc.Root().Parts().empty());
  EXPECT_FALSE(doc.GetPart());
  EXPECT_FALSE(doc.GetPart("cid:x"));
}

TEST(MhtmlDocument, BoundaryThatNeverClosesKeepsOnlyClosedParts) {
  const MhtmlDocument cut(
      Join({"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b", "Content-ID: <one>", "",
            "first", "--b", "Content-ID: <two>", "", "second, cut short"}));
  ASSERT_EQ(1u, cut.Root().Parts().size());
  EXPECT_EQ("first\r\n", cut.GetPart("one").value_or("none"));
  EXPECT_FALSE(cut.GetPart("two"));

  const MhtmlDocument opened(Join({"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b",
                                   "Content-ID: <one>", "", "first"}));
  EXPECT_TRUE(opened.Root().Parts().empty());
}

TEST(MhtmlDocument, PassesOverHeaderLinesWithoutAColon) {
  const MhtmlDocument doc(Join({"Content-Type: multipart/mixed; boundary=\"b\"", "no colon here",
                                "", "--b", "garbage", "Content-ID: <p>", "", "body", "--b--"}));
  ASSERT_EQ(1u, doc.Root().Headers().size());
  ASSERT_EQ(1u, doc.Root().Parts().size());
  EXPECT_EQ(1u, doc.Root().Parts()[0].Headers().size());
  EXPECT_EQ("body\r\n", doc.GetPart("p").value_or("none"));
}

TEST(MhtmlDocument, SurvivesEmptyAndHeaderOnlyDocuments) {
  for (const std::string& text : {std::string(), std::string("\r\n"), std::string("A: b"),
                                  Join({"Content-Type: multipart/related; boundary=\"b\""})}) {
    const MhtmlDocument doc(text);
    EXPECT_TRUE(doc.Root().Parts().empty());
    EXPECT_FALSE(doc.GetPart());
  }
}

TEST(MhtmlDocument, SurvivesBinaryGarbage) {
  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245 + 12345;
    garbage += char(seed >> 16);
  }
  const MhtmlDocument raw(garbage);
  EXPECT_TRUE(raw.Root().Parts().empty());
  EXPECT_FALSE(raw.GetPart());

  // The same bytes as the body of parts of an otherwise sound document.
  const MhtmlDocument wrapped(
      Join({"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b",
            "Content-Transfer-Encoding: base64", "Content-ID: <g1>", "", garbage, "--b",
            "Content-Transfer-Encoding: quoted-printable", "Content-ID: <g2>", "", garbage, "--b",
            "Content-ID: <ok>", "", "fine", "--b--"}));
  EXPECT_EQ("fine\r\n", wrapped.GetPart("ok").value_or("none"));
}

TEST(MhtmlDocument, BoundsDeepNesting) {
  std::vector<std::string> lines;
  const int levels = 5000;
  for (int i = 0; i < levels; ++i) {
    lines.push_back("Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "x\"");
    lines.push_back("");
    lines.push_back("--b" + std::to_string(i) + "x");
  }
  lines.push_back("Content-Type: text/plain");
  lines.push_back("");
  lines.push_back("leaf");
  for (int i = levels - 1; i >= 0; --i) lines.push_back("--b" + std::to_string(i) + "x--");
  const MhtmlDocument doc(Join(lines));
  int depth = 0;
  for (const MhtmlPart* node = &doc.Root(); !node->Parts().empty(); node = &node->Parts()[0]) {
    ++depth;
  }
  EXPECT_GT(depth, 10);
  EXPECT_LE(depth, 32);
}

}  // namespace
}  // namespace hvm
