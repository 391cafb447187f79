#include "ui/html/html_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace hvm::html {
namespace {

// A stand-in for GDI: every character advances half the em, lines are 1.25 em
// high with the baseline 1 em down. At the default 12 points (16 pixels at
// 96 dpi): 8 pixels a character, 20 pixels a line, ascent 16.
class FixedAdvance : public TextMeasurer {
 public:
  TextMetrics Measure(const FontSpec& font, std::string_view text) override {
    ++calls;
    const int advance = font.pixelSize / 2;
    return {int(text.size()) * advance, font.pixelSize + font.pixelSize / 4, font.pixelSize};
  }
  int calls = 0;
};

struct Page {
  Document document;
  DisplayList list;
};

// Lays a page out with no body margins (unless the body says otherwise).
Page Lay(std::string_view html, int width, LayoutCallbacks callbacks = {}, double scale = 1.0) {
  Page page;
  page.document = ParseHtml("<body marginwidth=0 marginheight=0>" + std::string(html));
  FixedAdvance measurer;
  LayoutOptions options;
  options.width = width;
  options.scale = scale;
  page.list = LayOut(page.document, options, measurer, callbacks);
  return page;
}

// The text of each line, runs of one baseline joined.
std::vector<std::string> Lines(const DisplayList& list) {
  std::vector<std::string> lines;
  int baseline = INT32_MIN;
  for (const TextRun& run : list.texts) {
    if (lines.empty() || run.baseline != baseline) lines.emplace_back();
    lines.back() += run.text;
    baseline = run.baseline;
  }
  return lines;
}

const TextRun& RunOf(const DisplayList& list, std::string_view text) {
  for (const TextRun& run : list.texts) {
    if (run.text == text) return run;
  }
  ADD_FAILURE() << "no run \"" << text << "\"";
  static const TextRun none;
  return none;
}

const FontSpec& FontOf(const DisplayList& list, const TextRun& run) {
  return list.fonts.at(size_t(run.font));
}

constexpr Color kRed{0xFF, 0, 0};
constexpr Color kGreen{0, 0xFF, 0};
constexpr Color kBlue{0, 0, 0xFF};

LayoutCallbacks Pictures(std::map<std::string, Size> known) {
  LayoutCallbacks callbacks;
  callbacks.imageSize = [known](std::string_view source) -> std::optional<Size> {
    const auto found = known.find(std::string(source));
    if (found == known.end()) return std::nullopt;
    return found->second;
  };
  return callbacks;
}

// --- Flow and wrapping -----------------------------------------------------

TEST(HtmlLayout, WrapsWordsAtTheViewWidth) {
  const Page page = Lay("aaaa bbbb cccc dddd", 100);  // 12 characters a line
  EXPECT_EQ((std::vector<std::string>{"aaaa bbbb", "cccc dddd"}), Lines(page.list));
  for (const TextRun& run : page.list.texts) EXPECT_LE(run.rect.right, 100);
  EXPECT_EQ(20, RunOf(page.list, "cccc dddd").rect.top);
  EXPECT_EQ(40, page.list.height);
  EXPECT_EQ(100, page.list.width);

  EXPECT_EQ(std::vector<std::string>{"aaaa bbbb cccc dddd"},
            Lines(Lay("aaaa bbbb cccc dddd", 200).list));
}

TEST(HtmlLayout, AWordWiderThanTheLineStandsAloneAndWidensThePage) {
  const Page page = Lay("a verylongword b", 40);
  EXPECT_EQ((std::vector<std::string>{"a", "verylongword", "b"}), Lines(page.list));
  EXPECT_EQ(96, page.list.width);
}

TEST(HtmlLayout, OnlyBlanksBreakLines) {
  // "ab" and the bold "cdef" touch, so they move to the next line together.
  const Page page = Lay("xx ab<b>cdef</b>", 48);
  EXPECT_EQ((std::vector<std::string>{"xx", "abcdef"}), Lines(page.list));
  EXPECT_EQ(RunOf(page.list, "ab").rect.right, RunOf(page.list, "cdef").rect.left);
  EXPECT_TRUE(FontOf(page.list, RunOf(page.list, "cdef")).bold);

  EXPECT_EQ(std::vector<std::string>{"aa\xA0"
                                     "bb"},
            Lines(Lay("aa&nbsp;bb", 24).list));
  EXPECT_EQ((std::vector<std::string>{"aa", "bb"}), Lines(Lay("aa bb", 24).list));
}

TEST(HtmlLayout, WhiteSpaceCollapses) {
  const Page page = Lay("  a \n\t b  <i> </i> c ", 500);
  EXPECT_EQ(std::vector<std::string>{"a b c"}, Lines(page.list));
  EXPECT_EQ(0, page.list.texts.front().rect.left);
  EXPECT_EQ(40, page.list.texts.back().rect.right);
}

TEST(HtmlLayout, PreformattedTextKeepsBlanksAndLineBreaks) {
  const Page page = Lay("<pre>\na  b\n\tc</pre>", 500);
  EXPECT_EQ((std::vector<std::string>{"a  b", "        c"}), Lines(page.list));
}

TEST(HtmlLayout, BreaksAndParagraphMargins) {
  const Page breaks = Lay("a<br>b<br><br>c", 500);
  EXPECT_EQ(0, RunOf(breaks.list, "a").rect.top);
  EXPECT_EQ(20, RunOf(breaks.list, "b").rect.top);
  EXPECT_EQ(60, RunOf(breaks.list, "c").rect.top);  // the second break made an empty line

  // The first top margin of a page is dropped; margins between blocks collapse.
  const Page paragraphs = Lay("<p>a</p><p>b</p><div><p>c</p></div>", 500);
  EXPECT_EQ(0, RunOf(paragraphs.list, "a").rect.top);
  EXPECT_EQ(20 + 16, RunOf(paragraphs.list, "b").rect.top);
  EXPECT_EQ(36 + 20 + 16, RunOf(paragraphs.list, "c").rect.top);
  EXPECT_EQ(92, paragraphs.list.height);  // the last bottom margin is dropped too
}

TEST(HtmlLayout, UnknownTagsAreIgnoredAndTheirTextKept) {
  const Page page = Lay("<blink>hello</blink> <foo bar=1>world</foo><x-y/>!<frob>", 500);
  EXPECT_EQ(std::vector<std::string>{"hello world!"}, Lines(page.list));
}

TEST(HtmlLayout, HeadScriptAndStyleShowNothing) {
  const Page page =
      Lay("<head><title>T</title><style>p{}</style></head>"
          "<script>var a;</script>shown",
          500);
  EXPECT_EQ(std::vector<std::string>{"shown"}, Lines(page.list));
}

// --- Alignment ---------------------------------------------------------------

TEST(HtmlLayout, CenterAndAlignAttributesPlaceLines) {
  EXPECT_EQ(88, RunOf(Lay("<center>abc</center>", 200).list, "abc").rect.left);
  EXPECT_EQ(200, RunOf(Lay("<p align=right>abc</p>", 200).list, "abc").rect.right);
  EXPECT_EQ(88, RunOf(Lay("<div align=center><b>abc</b></div>", 200).list, "abc").rect.left);
  // A block inside a centred one starts its own lines, still centred.
  const Page nested = Lay("<center>ab<p>cd</p></center>ef", 200);
  EXPECT_EQ(92, RunOf(nested.list, "ab").rect.left);
  EXPECT_EQ(92, RunOf(nested.list, "cd").rect.left);
  EXPECT_EQ(0, RunOf(nested.list, "ef").rect.left);
}

TEST(HtmlLayout, TablesFollowTheirAlignmentAndTheirCellsTheirs) {
  const Page centred =
      Lay("<div align=center><table width=100 cellspacing=0 cellpadding=0 bgcolor=#000000>"
          "<tr><td>x</td></tr></table></div>",
          200);
  ASSERT_EQ(1u, centred.list.fills.size());
  EXPECT_EQ((Rect{50, 0, 150, 20}), centred.list.fills[0].rect);

  const Page right =
      Lay("<table width=50 align=right cellspacing=0><tr><td>x</td></tr></table>", 200);
  EXPECT_EQ(200 - 50 + 1, RunOf(right.list, "x").rect.left);

  const Page cells =
      Lay("<table width=200 cellspacing=0 cellpadding=0><tr><td align=right>r</td></tr>"
          "<tr align=center><td>c</td></tr><tr><th>h</th></tr></table>",
          300);
  EXPECT_EQ(200, RunOf(cells.list, "r").rect.right);
  EXPECT_EQ(96, RunOf(cells.list, "c").rect.left);
  EXPECT_EQ(96, RunOf(cells.list, "h").rect.left);
  EXPECT_TRUE(FontOf(cells.list, RunOf(cells.list, "h")).bold);
}

// --- Fonts and colours ------------------------------------------------------

TEST(HtmlLayout, FontColourAndSizeAreInheritedIntoTablesAndRestored) {
  const Page page =
      Lay("<body text=#333333><font color=\"#CC0000\" size=5>Low <b>bold</b>"
          "<table><tr><td>cell <font color=green>g</font> after</td></tr></table></font>plain",
          500);
  const Color darkRed{0xCC, 0, 0};
  for (std::string_view text : {"Low ", "bold", "cell ", " after"}) {
    EXPECT_EQ(darkRed, RunOf(page.list, text).color) << text;
    EXPECT_EQ(18, FontOf(page.list, RunOf(page.list, text)).points) << text;
  }
  EXPECT_EQ(24, FontOf(page.list, RunOf(page.list, "Low ")).pixelSize);
  EXPECT_TRUE(FontOf(page.list, RunOf(page.list, "bold")).bold);
  EXPECT_FALSE(FontOf(page.list, RunOf(page.list, "cell ")).bold);
  EXPECT_EQ((Color{0, 0x80, 0}), RunOf(page.list, "g").color);
  EXPECT_EQ(18, FontOf(page.list, RunOf(page.list, "g")).points);
  EXPECT_EQ((Color{0x33, 0x33, 0x33}), RunOf(page.list, "plain").color);
  EXPECT_EQ(12, FontOf(page.list, RunOf(page.list, "plain")).points);
  EXPECT_FALSE(FontOf(page.list, RunOf(page.list, "plain")).bold);
}

TEST(HtmlLayout, FontSizesFacesAndHeadings) {
  const Page page =
      Lay("<font size=+1>a</font><font size=-1>b</font><font size=99>c</font><font size=x>d</font>"
          "<font face=\"'Segoe UI', Tahoma\">e</font><h1>f</h1><h3><i>g</i></h3>",
          500);
  EXPECT_EQ(13.5, FontOf(page.list, RunOf(page.list, "a")).points);
  EXPECT_EQ(10, FontOf(page.list, RunOf(page.list, "b")).points);
  EXPECT_EQ(36, FontOf(page.list, RunOf(page.list, "c")).points);
  EXPECT_EQ(12, FontOf(page.list, RunOf(page.list, "d")).points);
  EXPECT_EQ("Segoe UI", FontOf(page.list, RunOf(page.list, "e")).face);
  EXPECT_EQ("Tahoma", FontOf(page.list, RunOf(page.list, "d")).face);
  EXPECT_EQ(24, FontOf(page.list, RunOf(page.list, "f")).points);
  EXPECT_TRUE(FontOf(page.list, RunOf(page.list, "f")).bold);
  const FontSpec& g = FontOf(page.list, RunOf(page.list, "g"));
  EXPECT_TRUE(g.bold && g.italic);
}

TEST(HtmlLayout, LinksAreColouredUnderlinedAndHitTested) {
  const Page page =
      Lay("<body link=#112233>go <a href=\"http://x/\">here</a> now "
          "<a href=y><img src=pic width=10 height=10></a><a name=anchor>plain</a>",
          500, Pictures({{"pic", {1, 1}}}));
  EXPECT_EQ((std::vector<std::string>{"http://x/", "y"}), page.list.links);
  const TextRun& here = RunOf(page.list, "here");
  EXPECT_EQ(0, here.link);
  EXPECT_EQ((Color{0x11, 0x22, 0x33}), here.color);
  EXPECT_TRUE(FontOf(page.list, here).underline);
  EXPECT_EQ(0, page.list.LinkAt(here.rect.left + 1, here.rect.top + 1));
  const TextRun& go = RunOf(page.list, "go ");
  EXPECT_EQ(-1, go.link);
  EXPECT_EQ(-1, page.list.LinkAt(go.rect.left + 1, go.rect.top + 1));
  ASSERT_EQ(1u, page.list.images.size());
  EXPECT_EQ(1, page.list.images[0].link);
  EXPECT_EQ(1, page.list.LinkAt(page.list.images[0].rect.left, page.list.images[0].rect.top));
  EXPECT_EQ(-1, RunOf(page.list, "plain").link);
}

// --- Pictures and controls ---------------------------------------------------

TEST(HtmlLayout, APictureWithoutAPartLeavesItsBoxEmpty) {
  const Page page = Lay("<img src=\"cid:missing\" width=50 height=40>x<img src=\"cid:logo\">", 500,
                        Pictures({{"cid:logo", {32, 16}}}));
  ASSERT_EQ(1u, page.list.images.size());
  EXPECT_EQ("cid:logo", page.list.images[0].source);
  // The missing picture's 50 x 40 box still pushes the text over and sets the baseline.
  EXPECT_EQ(50, RunOf(page.list, "x").rect.left);
  EXPECT_EQ(40, RunOf(page.list, "x").baseline);
  EXPECT_EQ((Rect{58, 24, 90, 40}), page.list.images[0].rect);
}

TEST(HtmlLayout, TheImageCallbackIsAskedOncePerPictureWithItsAddress) {
  std::vector<std::string> asked;
  LayoutCallbacks callbacks;
  callbacks.imageSize = [&](std::string_view source) -> std::optional<Size> {
    asked.emplace_back(source);
    return Size{10, 10};
  };
  const Page page =
      Lay("<table><tr><td><img src=\"cid:a\"></td><td><table><tr><td><img src=b>"
          "</td></tr></table></td></tr></table>",
          500, callbacks);
  EXPECT_EQ((std::vector<std::string>{"cid:a", "b"}), asked);
  ASSERT_EQ(2u, page.list.images.size());
  EXPECT_TRUE(page.document[page.list.images[1].element].Is("img"));
  EXPECT_EQ("b", *page.document[page.list.images[1].element].FindAttribute("src"));
}

TEST(HtmlLayout, PicturesWithoutSizesTakeTheirOwnOrNone) {
  const LayoutCallbacks pictures = Pictures({{"logo", {32, 16}}});
  EXPECT_EQ(0, RunOf(Lay("<img src=gone>x", 500, pictures).list, "x").rect.left);
  EXPECT_EQ(0, RunOf(Lay("<img>x", 500, pictures).list, "x").rect.left);
  const Page half = Lay("<img src=logo width=64><img src=logo height=8>", 500, pictures);
  ASSERT_EQ(2u, half.list.images.size());
  EXPECT_EQ(64, half.list.images[0].rect.Width());
  EXPECT_EQ(32, half.list.images[0].rect.Height());
  EXPECT_EQ(16, half.list.images[1].rect.Width());
}

TEST(HtmlLayout, InputControlsTakeDefaultAndGivenSizesInTheFlow) {
  const Page page =
      Lay("a<input type=\"user\" name=\"100\">b<input type=user_progress width=400 height=20>"
          "<br><input type=USER_PANEL height=140><input type=text value=no><input>",
          600);
  const auto& controls = page.list.controls;
  ASSERT_EQ(3u, controls.size());
  EXPECT_EQ("user", controls[0].type);
  EXPECT_EQ("user_progress", controls[1].type);
  EXPECT_EQ("user_panel", controls[2].type);
  EXPECT_EQ("100", *page.document[controls[0].element].FindAttribute("name"));
  // On the line after "a", standing on the baseline, with "b" after it.
  EXPECT_EQ((Rect{8, 0, 113, 20}), controls[0].rect);
  EXPECT_EQ(113, RunOf(page.list, "b").rect.left);
  EXPECT_EQ((Rect{121, 0, 521, 20}), controls[1].rect);
  EXPECT_EQ(20, RunOf(page.list, "a").baseline);
  // The first line is 24 high (control above the baseline, text below it).
  EXPECT_EQ((Rect{0, 24, 105, 164}), controls[2].rect);
}

TEST(HtmlLayout, ControlsWrapLikeWords) {
  const Page page = Lay("<input type=user><input type=user><input type=user>", 250);
  ASSERT_EQ(3u, page.list.controls.size());
  EXPECT_EQ(0, page.list.controls[1].rect.top);
  EXPECT_EQ((Rect{0, 20, 105, 40}), page.list.controls[2].rect);
}

TEST(HtmlLayout, TheControlCallbackSizesControlsOncePerElement) {
  std::map<std::string, int> calls;
  LayoutCallbacks callbacks;
  callbacks.controlSize = [&](NodeId, const Node& node, Size proposed) -> std::optional<Size> {
    const std::string name = *node.FindAttribute("name");
    ++calls[name];
    if (name == "panel") return std::nullopt;
    EXPECT_EQ((Size{105, 20}), proposed);
    return Size{30, 25};
  };
  // Inside a table cell, which is also measured before it is laid out.
  const Page page =
      Lay("<table cellspacing=0 cellpadding=0><tr><td><input type=user name=button>"
          "<input type=user_panel name=panel></td></tr></table>",
          500, callbacks);
  ASSERT_EQ(1u, page.list.controls.size());
  EXPECT_EQ((Rect{0, 0, 30, 25}), page.list.controls[0].rect);
  EXPECT_EQ(1, calls["button"]);
  EXPECT_EQ(1, calls["panel"]);
}

// --- Tables --------------------------------------------------------------------

TEST(HtmlLayout, APercentColumnBesideAFixedOneTakesTheRest) {
  const Page page =
      Lay("<table width=400 cellspacing=0 cellpadding=0><tr>"
          "<td width=100 bgcolor=#FF0000>a</td><td width=\"100%\" bgcolor=#00FF00>b</td>"
          "</tr></table>",
          600);
  ASSERT_EQ(2u, page.list.fills.size());
  EXPECT_EQ((Rect{0, 0, 100, 20}), page.list.fills[0].rect);
  EXPECT_EQ(kRed, page.list.fills[0].color);
  EXPECT_EQ((Rect{100, 0, 400, 20}), page.list.fills[1].rect);
  EXPECT_EQ(100, RunOf(page.list, "b").rect.left);

  // A table as wide as the view; the fixed column keeps its pixels.
  const Page wide =
      Lay("<table width=100% cellspacing=0 cellpadding=0><tr>"
          "<td width=100>a</td><td width=50%>b</td><td>c</td></tr></table>",
          500);
  EXPECT_EQ(100, RunOf(wide.list, "b").rect.left);
  EXPECT_EQ(350, RunOf(wide.list, "c").rect.left);
}

TEST(HtmlLayout, AnAutoWidthTableIsAsWideAsItsContent) {
  const Page page = Lay(
      "<table bgcolor=#0000FF cellspacing=2 cellpadding=3><tr><td>abc</td><td>de</td></tr></table>",
      500);
  ASSERT_EQ(1u, page.list.fills.size());
  // Columns 24 + 6 and 16 + 6, three spacings.
  EXPECT_EQ((Rect{0, 0, 58, 30}), page.list.fills[0].rect);
  EXPECT_EQ(5, RunOf(page.list, "abc").rect.left);
  EXPECT_EQ(37, RunOf(page.list, "de").rect.left);
}

TEST(HtmlLayout, ANarrowTableWrapsItsCellsAndKeepsItsMinimum) {
  const Page page =
      Lay("<table width=100% cellspacing=0 cellpadding=0><tr><td>aaaa bbbb</td>"
          "<td>unbreakable</td></tr></table>",
          120);
  EXPECT_EQ((std::vector<std::string>{"aaaa", "bbbb", "unbreakable"}), Lines(page.list));
  EXPECT_EQ(32, RunOf(page.list, "unbreakable").rect.left);

  const Page tooNarrow =
      Lay("<table cellspacing=0 cellpadding=0><tr><td>unbreakable</td></tr>"
          "</table>",
          40);
  EXPECT_EQ(88, tooNarrow.list.width);
}

TEST(HtmlLayout, ACellSpanningColumnsCoversThemAndTheSpacingBetween) {
  const Page page =
      Lay("<table cellspacing=2 cellpadding=0><tr><td colspan=2 bgcolor=#0000FF>top</td></tr>"
          "<tr><td width=100>l</td><td width=200>r</td></tr></table>",
          600);
  ASSERT_EQ(1u, page.list.fills.size());
  EXPECT_EQ((Rect{2, 2, 304, 22}), page.list.fills[0].rect);
  EXPECT_EQ(2, RunOf(page.list, "l").rect.left);
  EXPECT_EQ(104, RunOf(page.list, "r").rect.left);
}

TEST(HtmlLayout, AWideSpanningCellWidensTheColumnsItSpans) {
  const Page page =
      Lay("<table cellspacing=0 cellpadding=0><tr><td colspan=2>wideunbreakableword</td></tr>"
          "<tr><td>a</td><td>b</td></tr></table>",
          50);
  EXPECT_EQ(76, RunOf(page.list, "b").rect.left);  // 152 pixels shared by two equal columns
  EXPECT_EQ(152, page.list.width);
}

TEST(HtmlLayout, CellsAlignVerticallyInTheirRow) {
  const Page page =
      Lay("<table cellspacing=0 cellpadding=0><tr><td height=100>mid</td><td valign=top>top</td>"
          "<td valign=bottom>bot</td></tr></table>",
          500);
  EXPECT_EQ(40, RunOf(page.list, "mid").rect.top);
  EXPECT_EQ(0, RunOf(page.list, "top").rect.top);
  EXPECT_EQ(80, RunOf(page.list, "bot").rect.top);
}

TEST(HtmlLayout, ANestedTableMovesWithItsCell) {
  const Page page =
      Lay("<table cellspacing=0 cellpadding=0><tr><td height=100>"
          "<table cellspacing=0 cellpadding=0><tr><td bgcolor=#FF0000>in</td></tr></table>"
          "</td><td valign=bottom><a href=z>x</a></td></tr></table>",
          500);
  ASSERT_EQ(1u, page.list.fills.size());
  EXPECT_EQ((Rect{0, 40, 16, 60}), page.list.fills[0].rect);
  EXPECT_EQ(40, RunOf(page.list, "in").rect.top);
  EXPECT_EQ(0, page.list.LinkAt(17, 85));
}

TEST(HtmlLayout, BackgroundsPaintTableBeforeCells) {
  const Page page =
      Lay("<body bgcolor=#FFFFEE><table bgcolor=#0000FF cellspacing=4 cellpadding=0>"
          "<tr bgcolor=#00FF00><td bgcolor=#FF0000>x</td><td>y</td></tr></table>",
          500);
  EXPECT_EQ((Color{0xFF, 0xFF, 0xEE}), page.list.background);
  ASSERT_EQ(3u, page.list.fills.size());
  EXPECT_EQ(kBlue, page.list.fills[0].color);
  EXPECT_EQ((Rect{0, 0, 28, 28}), page.list.fills[0].rect);
  EXPECT_EQ(kRed, page.list.fills[1].color);
  EXPECT_EQ((Rect{4, 4, 12, 24}), page.list.fills[1].rect);
  EXPECT_EQ(kGreen, page.list.fills[2].color);  // the row's colour for a cell without one
  EXPECT_EQ((Rect{16, 4, 24, 24}), page.list.fills[2].rect);
}

TEST(HtmlLayout, TableHeightIsSharedByItsRows) {
  const Page page =
      Lay("<table height=100 cellspacing=0 cellpadding=0><tr><td valign=top>a</td></tr>"
          "<tr><td valign=top>b</td></tr></table>after",
          500);
  EXPECT_EQ(50, RunOf(page.list, "b").rect.top);
  EXPECT_EQ(100, RunOf(page.list, "after").rect.top);
}

TEST(HtmlLayout, TextLooseInATableIsShownInACell) {
  const Page page = Lay("<table><tr>loose<td>cell</td></tr></table>", 500);
  EXPECT_EQ((std::vector<std::string>{"loosecell"}), Lines(page.list));
}

// --- Lists and rules ----------------------------------------------------------

TEST(HtmlLayout, ListItemsHaveBulletsOrNumbersBeforeTheirFirstLine) {
  const Page page = Lay("<ul><li>one<li>two<ul><li>sub</ul></ul><ol start=3><li>c<li>d</ol>", 500);
  const TextRun& one = RunOf(page.list, "one");
  EXPECT_EQ(40, one.rect.left);
  EXPECT_EQ(80, RunOf(page.list, "sub").rect.left);
  ASSERT_EQ(3u, page.list.bullets.size());
  EXPECT_EQ(32, page.list.bullets[0].rect.right);
  EXPECT_GT(page.list.bullets[0].rect.top, one.rect.top);
  EXPECT_LT(page.list.bullets[0].rect.bottom, one.baseline);
  EXPECT_EQ(BulletItem::Shape::kDisc, page.list.bullets[0].shape);
  EXPECT_EQ(BulletItem::Shape::kCircle, page.list.bullets[2].shape);
  EXPECT_EQ(RunOf(page.list, "c").baseline, RunOf(page.list, "3.").baseline);
  EXPECT_LT(RunOf(page.list, "3.").rect.right, RunOf(page.list, "c").rect.left);
  EXPECT_EQ(RunOf(page.list, "d").baseline, RunOf(page.list, "4.").baseline);
}

TEST(HtmlLayout, RulesSpanTheLineUnlessSized) {
  const Page page = Lay("a<hr>b<hr width=50% noshade align=left><hr width=100 color=red>", 300);
  ASSERT_EQ(3u, page.list.rules.size());
  EXPECT_EQ((Rect{0, 28, 300, 30}), page.list.rules[0].rect);
  EXPECT_FALSE(page.list.rules[0].solid);
  EXPECT_EQ(38, RunOf(page.list, "b").rect.top);
  EXPECT_EQ(0, page.list.rules[1].rect.left);
  EXPECT_EQ(150, page.list.rules[1].rect.right);
  EXPECT_TRUE(page.list.rules[1].solid);
  EXPECT_EQ(100, page.list.rules[2].rect.left);  // centred
  EXPECT_EQ(kRed, page.list.rules[2].color);
}

// --- DPI -----------------------------------------------------------------------

TEST(HtmlLayout, AtScaleOneAndAHalfEveryLengthGrows) {
  const LayoutCallbacks pictures = Pictures({{"a", {1, 1}}, {"n", {20, 10}}});
  const Page page =
      Lay("<body leftmargin=10 topmargin=10><img src=a width=100 height=50><img src=n><br>"
          "<font size=2>x</font><input type=user><input type=user_progress width=400>"
          "<table width=400 cellspacing=0 bgcolor=#000000><tr><td>t</td></tr></table>",
          1000, pictures, 1.5);
  ASSERT_EQ(2u, page.list.images.size());
  EXPECT_EQ((Rect{15, 15, 165, 90}), page.list.images[0].rect);
  EXPECT_EQ(30, page.list.images[1].rect.Width());
  EXPECT_EQ(15, page.list.images[1].rect.Height());
  EXPECT_EQ(20, FontOf(page.list, RunOf(page.list, "x")).pixelSize);  // 10 pt at 144 dpi
  EXPECT_EQ(10, FontOf(page.list, RunOf(page.list, "x")).points);
  ASSERT_EQ(2u, page.list.controls.size());
  EXPECT_EQ(158, page.list.controls[0].rect.Width());  // 105 * 1.5, rounded
  EXPECT_EQ(30, page.list.controls[0].rect.Height());
  EXPECT_EQ(600, page.list.controls[1].rect.Width());
  ASSERT_EQ(1u, page.list.fills.size());
  EXPECT_EQ(15, page.list.fills[0].rect.left);
  EXPECT_EQ(600, page.list.fills[0].rect.Width());
}

// --- Robustness and cost ------------------------------------------------------

TEST(HtmlLayout, TenThousandNestedTagsAreLaidOutWithTheirTextShown) {
  for (std::string_view open :
       {"<div>", "<b>", "<big>", "<ul><li>", "<table><tr><td>", "<center><font size=+1>"}) {
    std::string html;
    for (int i = 0; i < 10000; ++i) html += open;
    html += "deep";
    const Page page = Lay(html, 500);
    EXPECT_EQ(std::vector<std::string>{"deep"}, Lines(page.list)) << open;
  }
}

TEST(HtmlLayout, EachWordIsMeasuredOncePerFont) {
  std::string html = "<table><tr><td>";
  for (int i = 0; i < 200; ++i) html += "word ";
  html += "</td></tr></table>";
  const Document document = ParseHtml(html);
  FixedAdvance measurer;
  LayoutOptions options;
  options.width = 300;
  (void)LayOut(document, options, measurer);
  EXPECT_LE(measurer.calls, 3);  // "word", " " and the font's line metrics
}

TEST(HtmlLayout, ParseColorAndParseLength) {
  EXPECT_EQ((Color{0x2E, 0x5A, 0x7E}), ParseColor(" #2E5A7E "));
  EXPECT_EQ((Color{0xAA, 0xBB, 0xCC}), ParseColor("abc"));
  EXPECT_EQ((Color{0, 0x80, 0}), ParseColor("Green"));
  EXPECT_EQ(std::nullopt, ParseColor("#12345"));
  EXPECT_EQ(std::nullopt, ParseColor("#GGGGGG"));
  EXPECT_EQ(Length::Unit::kPercent, ParseLength("50 %").unit);
  EXPECT_EQ(120, ParseLength("120px").value);
  EXPECT_EQ(Length::Unit::kAuto, ParseLength("-5").unit);
  EXPECT_EQ(Length::Unit::kAuto, ParseLength("wide").unit);
  EXPECT_EQ(100000, ParseLength("99999999999999999999").value);
  EXPECT_EQ(100, ParseLength("250%").value);
}

}  // namespace
}  // namespace hvm::html
