#include "ui/html/html_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace hvm::html {
namespace {

// The tree written back with every element closed and attributes left out,
// text as it is stored: "<p>one</p><p>two</p>". Walks with a stack, as the
// trees of some tests are deep.
std::string Outline(const Document& document, NodeId from = 0) {
  std::string out;
  std::vector<std::pair<NodeId, bool>> stack = {{from, false}};
  while (!stack.empty()) {
    auto [id, closing] = stack.back();
    stack.pop_back();
    const Node& node = document[id];
    if (closing) {
      out += "</" + node.name + ">";
      continue;
    }
    if (node.IsText()) {
      out += node.text;
      continue;
    }
    if (node.IsElement()) {
      out += "<" + node.name + ">";
      stack.push_back({id, true});
    }
    std::vector<NodeId> children;
    for (NodeId child = node.firstChild; child != kNoNode; child = document[child].nextSibling) {
      children.push_back(child);
    }
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      stack.push_back({*child, false});
    }
  }
  return out;
}

std::string OutlineOf(std::string_view html) {
  return Outline(ParseHtml(html));
}

TEST(DecodeEntities, CommonNamesAndNumbers) {
  EXPECT_EQ("a & b < c > d \" e ' f", DecodeEntities("a &amp; b &lt; c &gt; d &quot; e &apos; f"));
  EXPECT_EQ("\xA0\xA9\xAE\x99\x85", DecodeEntities("&nbsp;&copy;&reg;&trade;&hellip;"));
  EXPECT_EQ("AB\xE9", DecodeEntities("&#65;&#x42;&#233;"));
  EXPECT_EQ("\xC4\xE4\xDF", DecodeEntities("&Auml;&auml;&szlig;"));  // names are case-sensitive
}

TEST(DecodeEntities, UnicodeNumbersBecomeTheirWindows1252Bytes) {
  EXPECT_EQ("\x80\x93\x94\x95\x97", DecodeEntities("&#8364;&#x201C;&#8221;&#8226;&#8212;"));
  EXPECT_EQ("?", DecodeEntities("&#x4E2D;"));  // no such character in a single-byte page
  EXPECT_EQ("?", DecodeEntities("&#0;"));
  EXPECT_EQ("?x", DecodeEntities("&#99999999999999999999;x"));  // no overflow
}

TEST(DecodeEntities, MalformedReferencesStayAsWritten) {
  EXPECT_EQ("&bogus; &; & &# &#x; a&b", DecodeEntities("&bogus; &; & &# &#x; a&b"));
  EXPECT_EQ("&copy", DecodeEntities("&copy"));  // only a few names may omit the ";"
  EXPECT_EQ("<b & x", DecodeEntities("&ltb &amp x"));
  EXPECT_EQ("&", DecodeEntities("&"));
  EXPECT_EQ("&amp;", DecodeEntities("&amp;amp;"));  // decoded once only
}

TEST(Tokenizer, TokensPointIntoTheInput) {
  const std::string html = "<P Class=x>Hi</p>";
  Tokenizer tokenizer(html);
  Token token;
  std::vector<Token> tokens;
  while (tokenizer.Next(token)) tokens.push_back(token);
  ASSERT_EQ(3u, tokens.size());
  EXPECT_EQ(Token::Kind::kStartTag, tokens[0].kind);
  EXPECT_EQ("P", tokens[0].name);
  EXPECT_EQ(html.data() + 1, tokens[0].name.data());
  EXPECT_EQ(" Class=x", tokens[0].attributes);
  EXPECT_EQ("Hi", tokens[1].text);
  EXPECT_EQ(html.data() + 11, tokens[1].text.data());
  EXPECT_EQ(Token::Kind::kEndTag, tokens[2].kind);
}

TEST(AttributeReader, QuotedBareAndEmptyValues) {
  AttributeReader reader(R"( A="1 2" b='x>y' c=bare d e = spaced f="unterminated)");
  std::string_view name, value;
  std::vector<std::pair<std::string, std::string>> read;
  while (reader.Next(name, value)) read.emplace_back(name, value);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"A", "1 2"}, {"b", "x>y"}, {"c", "bare"}, {"d", ""}, {"e", "spaced"}, {"f", "unterminated"}};
  EXPECT_EQ(expected, read);
}

TEST(ParseHtml, AttributesAreLowerCasedAndDecoded) {
  const Document document =
      ParseHtml(R"(<TD BgColor="#FFFFFF" title='a &amp; b' width=50% nowrap>)");
  const NodeId td = document.FindFirst("td");
  // A cell outside a table is dropped, so look at a table's cell instead.
  EXPECT_EQ(kNoNode, td);
  const Document inTable = ParseHtml(
      R"(<table><tr><TD BgColor="#FFFFFF" title='a &amp; b' width=50% nowrap>x</td></tr></table>)");
  const Node& cell = inTable[inTable.FindFirst("td")];
  ASSERT_NE(nullptr, cell.FindAttribute("bgcolor"));
  EXPECT_EQ("#FFFFFF", *cell.FindAttribute("bgcolor"));
  EXPECT_EQ("a & b", *cell.FindAttribute("title"));
  EXPECT_EQ("50%", *cell.FindAttribute("width"));
  ASSERT_NE(nullptr, cell.FindAttribute("nowrap"));
  EXPECT_EQ("", *cell.FindAttribute("nowrap"));
  EXPECT_EQ(nullptr, cell.FindAttribute("BgColor"));
}

TEST(ParseHtml, FirstOfRepeatedAttributesWins) {
  const Document document = ParseHtml("<font color=red color=blue>x</font>");
  EXPECT_EQ("red", *document[document.FindFirst("font")].FindAttribute("color"));
}

TEST(ParseHtml, TextEntitiesAreDecoded) {
  EXPECT_EQ("<p>Fish &amp; chips \xA9 2024</p>",
            OutlineOf("<p>Fish &amp;amp; chips &copy; 2024</p>"));
}

TEST(ParseHtml, CommentsAndDeclarationsAreSkipped) {
  EXPECT_EQ("<b>ab</b>c", OutlineOf("<!DOCTYPE html><?xml x?><b>a<!-- <i>not</i> -->b</b>c"));
  EXPECT_EQ("ab", OutlineOf("a<!-->b"));
  EXPECT_EQ("a", OutlineOf("a<!-- never closed <p>lost"));
  EXPECT_EQ("ab", OutlineOf("a</ 3>b</>"));
}

TEST(ParseHtml, LessThanSignsThatStartNoTagAreText) {
  EXPECT_EQ("a < b <3 <", OutlineOf("a < b <3 <"));
  EXPECT_EQ("<p>1<2</p>", OutlineOf("<p>1<2</p>"));
}

TEST(ParseHtml, TagCutOffByTheEndIsDropped) {
  EXPECT_EQ("text", OutlineOf("text<b class=\"x"));
  EXPECT_EQ("text", OutlineOf("text</b"));
}

TEST(ParseHtml, ScriptAndStyleHoldRawText) {
  const Document document =
      ParseHtml("<script>if (a<b) x=\"</p>&amp;\";</SCRIPT><style>p{}</style >after");
  EXPECT_EQ("<script>if (a<b) x=\"</p>&amp;\";</script><style>p{}</style>after", Outline(document));
}

TEST(ParseHtml, TitleIsReadableWithEntitiesAndCollapsedBlanks) {
  const Document document = ParseHtml(
      "<html><head><title>\n  Initial Screen &amp;\n Poor  health </title></head><body>x");
  EXPECT_EQ("Initial Screen & Poor health", document.Title());
  EXPECT_EQ("", ParseHtml("<p>no title</p>").Title());
}

TEST(ParseHtml, HeadEndsAtTheFirstVisibleContent) {
  EXPECT_EQ("<html><head><title>t</title></head><p>x</p></html>",
            OutlineOf("<html><head><title>t</title><p>x</p>"));
  EXPECT_EQ("<head><meta></meta></head><body>y</body>", OutlineOf("<head><meta charset=x><body>y"));
}

TEST(ParseHtml, RepeatedDocumentElementsAddOnlyMissingAttributes) {
  const Document document =
      ParseHtml("<html><body bgcolor=white>a<html lang=x><body bgcolor=red text=blue>b");
  EXPECT_EQ("<html><body>ab</body></html>", Outline(document));
  const Node& body = document[document.FindFirst("body")];
  EXPECT_EQ("white", *body.FindAttribute("bgcolor"));
  EXPECT_EQ("blue", *body.FindAttribute("text"));
  EXPECT_EQ("x", *document[document.FindFirst("html")].FindAttribute("lang"));
}

TEST(ParseHtml, ParagraphsCloseEachOtherAndBlocks) {
  EXPECT_EQ("<p>one</p><p>two</p>", OutlineOf("<p>one<p>two"));
  EXPECT_EQ("<p>a</p><div>b</div>", OutlineOf("<p>a<div>b</div>"));
  EXPECT_EQ("<p>a<b>b</b></p><ul><li>c</li></ul>", OutlineOf("<p>a<b>b<ul><li>c"));
}

TEST(ParseHtml, ListItemsCloseEachOtherButNotAcrossLists) {
  EXPECT_EQ("<ul><li>a</li><li>b</li></ul>", OutlineOf("<ul><li>a<li>b</ul>"));
  EXPECT_EQ("<ul><li>a<ul><li>b</li><li>c</li></ul></li><li>d</li></ul>",
            OutlineOf("<ul><li>a<ul><li>b<li>c</ul><li>d</ul>"));
}

TEST(ParseHtml, CellsAndRowsCloseImplicitly) {
  EXPECT_EQ("<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>",
            OutlineOf("<table><tr><td>a<td>b<tr><th>c</table>"));
}

TEST(ParseHtml, MissingRowsAreMadeAndTextInATableGetsACell) {
  EXPECT_EQ("<table><tr><td>a</td></tr></table>", OutlineOf("<table><td>a</table>"));
  EXPECT_EQ("<table><tr><td>\n  loose\n</td></tr></table>",
            OutlineOf("<table>\n  loose\n</table>"));
  EXPECT_EQ("<table><tbody><tr><td><b>x</b></td></tr></tbody></table>",
            OutlineOf("<table><tbody> <b>x</b></table>"));
}

TEST(ParseHtml, TablePartsOutsideATableAreDropped) {
  EXPECT_EQ("ab", OutlineOf("<tr><td>a</td></tr>b"));
}

TEST(ParseHtml, StrayEndTagsAreIgnoredAndTheirTextKept) {
  EXPECT_EQ("a<b>b</b>c", OutlineOf("</div>a</i><b>b</b></b>c</p></table>"));
}

TEST(ParseHtml, EndTagsDoNotReachOutOfACell) {
  EXPECT_EQ("<div><table><tr><td>xy</td></tr></table>z</div>",
            OutlineOf("<div><table><tr><td>x</div>y</td></tr></table>z"));
}

TEST(ParseHtml, AnEndTagClosesWhatWasLeftOpenInside) {
  EXPECT_EQ("<div><b>a<i>b</i></b></div>c", OutlineOf("<div><b>a<i>b</div>c"));
  EXPECT_EQ("<table><tr><td><font>a</font></td></tr></table>b",
            OutlineOf("<table><tr><td><font>a</table>b"));
}

TEST(ParseHtml, UnclosedElementsEndWithTheInput) {
  EXPECT_EQ("<b>bold<i>both</i></b>", OutlineOf("<b>bold<i>both"));
}

TEST(ParseHtml, VoidAndSelfClosingElementsTakeNoChildren) {
  EXPECT_EQ("<p>a<br></br>b<img></img>c<input></input><span></span>d</p>",
            OutlineOf("<p>a<br>b<img src=x>c<input type=user><span/>d</p>"));
  EXPECT_EQ("a<br></br>b", OutlineOf("a</br>b"));
}

TEST(ParseHtml, UnknownTagsAreKeptAsElements) {
  EXPECT_EQ("<blink>on <x-y>off</x-y></blink>", OutlineOf("<BLINK>on <X-Y>off</x-y></blink>"));
}

TEST(ParseHtml, NodesAreInDocumentOrder) {
  const Document document = ParseHtml("<div><p>a</p><p>b<b>c</b></p></div>d");
  for (NodeId id = 1; id < document.Size(); ++id) {
    EXPECT_LT(document[id].parent, id);
    if (document[id].nextSibling != kNoNode) {
      EXPECT_GT(document[id].nextSibling, id);
    }
  }
}

TEST(ParseHtml, TenThousandNestedTagsNeitherRecurseNorCrash) {
  for (std::string_view tag : {"div", "b", "font"}) {
    std::string html;
    for (int i = 0; i < 10000; ++i) html += "<" + std::string(tag) + ">";
    html += "deep";
    const Document document = ParseHtml(html);
    NodeId text = kNoNode;
    for (NodeId id = 0; id < document.Size(); ++id) {
      if (document[id].IsText()) text = id;
    }
    ASSERT_NE(kNoNode, text) << tag;
    EXPECT_EQ("deep", document[text].text);
    int depth = 0;
    for (NodeId id = document[text].parent; id != document.Root(); id = document[id].parent) {
      ++depth;
    }
    EXPECT_EQ(10000, depth) << tag;
  }
}

TEST(ParseHtml, TenThousandNestedTablesAndStrayEndTagsStayLinear) {
  std::string html;
  for (int i = 0; i < 10000; ++i) html += "<table><tr><td>";
  for (int i = 0; i < 10000; ++i) html += "</span>";  // each looks for an open span
  html += "x";
  const Document document = ParseHtml(html);
  EXPECT_EQ(1u + 30000u + 1u, document.Size());
}

}  // namespace
}  // namespace hvm::html
