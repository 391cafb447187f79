// The HTML text view's layout: a parsed page, a width and a DPI scale in; a
// display list of positioned text runs, fills, pictures, rules, bullets and
// embedded control places out, for a painter to draw.
//
// Lengths written in the HTML are 96-dpi pixels and are multiplied by the
// scale; everything in the display list is in device pixels, in page
// coordinates (the painter subtracts its scroll position). Text is measured
// through an interface the window half implements with GDI. No Windows header
// here, and no recursion on the nesting of the markup beyond tables nested
// kMaxTableDepth deep (deeper tables flow as plain blocks, their text shown).
//
// What is understood: block and inline flow with word wrapping; p, br, div,
// center, h1-h6, b/strong, i/em, u, font (face, color, size 1-7 and +n/-n),
// span, a href, ul/ol/li, dl/dd, blockquote, pre, nobr, hr, img, input of the
// types "user", "user_progress" and "user_panel", and tables (tr, td, th,
// colspan, width in pixels or percent, height, align, valign, bgcolor,
// cellpadding, cellspacing, border, nowrap); the align, bgcolor and color
// attributes; body bgcolor, text, link and margins. Not understood: CSS,
// floats (img align=left/right stays in the line), rowspan (read as 1).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/html/html_parser.h"

namespace hvm::html {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};

// "#RRGGBB", "RRGGBB", "#RGB" or one of the sixteen HTML colour names (and
// orange); nothing for anything else.
[[nodiscard]] std::optional<Color> ParseColor(std::string_view text);

struct Length {
  enum class Unit { kAuto, kPixels, kPercent };
  Unit unit = Unit::kAuto;
  double value = 0;  // 96-dpi pixels, or percent (0 to 100)
};

// "120", "120px", "50%", with blanks around; anything without a leading
// number (or negative) is auto. Pixels are capped at 100,000.
[[nodiscard]] Length ParseLength(std::string_view text);

// A font as the layout asks for it. `pixelSize` is the em height in device
// pixels at the layout's scale (GDI: lfHeight = -pixelSize); the measurer and
// the painter must both use it, so that what is drawn is what was measured.
// `points` is the same size in points at 96 dpi, for information.
struct FontSpec {
  std::string face;
  double points = 12;
  int pixelSize = 16;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  auto operator<=>(const FontSpec&) const = default;
};

struct TextMetrics {
  int width = 0;   // advance width of the text
  int height = 0;  // the font's line height (GDI: tmHeight), also for empty text
  int ascent = 0;  // the font's ascent (GDI: tmAscent), also for empty text
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Called for single words and single blanks (results are cached per
  // layout); the text is single-byte, 0xA0 being a no-break space.
  virtual TextMetrics Measure(const FontSpec& font, std::string_view text) = 0;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

// One run of text in one font and colour on one line. `rect` spans the
// font's line height; draw the text with its top at rect.top (or its
// baseline at `baseline`) from rect.left.
struct TextRun {
  Rect rect;
  int baseline = 0;
  std::string text;
  int font = 0;  // index into DisplayList::fonts
  Color color;
  int link = -1;  // index into DisplayList::links, or -1
};

struct FillItem {
  Rect rect;
  Color color;
};

// A horizontal rule: etched (dark line above, light below) unless solid.
struct RuleItem {
  Rect rect;
  bool solid = false;
  Color color{0x80, 0x80, 0x80};  // of a solid rule
};

// A picture drawn stretched into rect. Pictures the image callback had no
// size for are not listed: their box stays empty.
struct ImageItem {
  Rect rect;
  std::string source;  // the src attribute as written ("cid:..." or a name)
  NodeId element = kNoNode;
  int link = -1;
};

struct BulletItem {
  enum class Shape { kDisc, kCircle, kSquare };
  Rect rect;
  Shape shape = Shape::kDisc;
  Color color;
};

// Where an embedded control (an <input> of a custom type) goes.
struct ControlItem {
  Rect rect;
  NodeId element = kNoNode;  // the <input> element: its attributes are in the Document
  std::string type;          // "user", "user_progress" or "user_panel"
};

struct LinkArea {
  Rect rect;
  int link = 0;
};

// Paint in this order: background, fills, rules, images, bullets, texts.
// Fills are in document order (a table before its cells, a cell before what
// it holds), so later fills go over earlier ones.
struct DisplayList {
  int width = 0;   // content width: the view width, or more when content is wider
  int height = 0;  // content height, bottom margin included
  Color background{0xFF, 0xFF, 0xFF};
  std::vector<FontSpec> fonts;
  std::vector<FillItem> fills;
  std::vector<RuleItem> rules;
  std::vector<ImageItem> images;
  std::vector<BulletItem> bullets;
  std::vector<TextRun> texts;
  std::vector<ControlItem> controls;
  std::vector<std::string> links;  // the href of each link
  std::vector<LinkArea> linkAreas;

  // The link under a point of the page, or -1.
  int LinkAt(int x, int y) const;
};

struct LayoutOptions {
  int width = 0;       // the view's client width in device pixels
  double scale = 1.0;  // device pixels per 96-dpi pixel: the view's dpi / 96
  std::string fontFace = "Tahoma";
  double fontPoints = 12;  // the size of <font size=3>
  Color textColor{0, 0, 0};
  Color linkColor{0, 0, 0xEE};
  Color background{0xFF, 0xFF, 0xFF};
};

// The natural size of a picture in its own pixels (taken as 96-dpi pixels),
// or nothing when there is no such picture. Gets the src attribute as written.
using ImageSizeCallback = std::function<std::optional<Size>(std::string_view source)>;

// The device-pixel size of the control for an <input> of a custom type, or
// nothing when the element gets no control. `proposed` is its width and
// height attributes (105 x 20 when absent) times the scale.
using ControlSizeCallback =
    std::function<std::optional<Size>(NodeId element, const Node& node, Size proposed)>;

struct LayoutCallbacks {
  ImageSizeCallback imageSize;      // none: pictures without width and height take no room
  ControlSizeCallback controlSize;  // none: every control takes its proposed size
};

// The deepest table nesting laid out as tables.
inline constexpr int kMaxTableDepth = 16;

// Lays the page out for a width. Each callback is asked at most once per
// element per call; the measurer is asked once per word and font.
[[nodiscard]] DisplayList LayOut(const Document& document, const LayoutOptions& options,
                                 TextMeasurer& measurer, const LayoutCallbacks& callbacks = {});

}  // namespace hvm::html
