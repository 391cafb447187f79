#include "ui/html/html_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>

// How the layout works. One Flow lays out the content of one container (the
// page, or one table cell) into a column: it walks the container's subtree
// with an explicit stack, keeps a stack of inherited styles, gathers words
// into lines and lines into a column, and collapses vertical margins. Tables
// are laid out by a Table, which sizes its columns from each cell's minimum
// and maximum content widths and then runs one Flow per cell; so the only
// recursion is table nesting, capped at kMaxTableDepth.
//
// Content widths come from the same Flow run in two measuring passes: with
// no room (every word on its own line, giving the widest unbreakable piece)
// and with unbounded room (giving the widest line). Measuring passes do not
// lay tables out, they take their widths, and each table's measurements are
// kept; so every node is walked about three times, whatever the nesting.
//
// Internally lengths are 64-bit, so that absurd sizes in the markup cannot
// overflow; the display list clamps them to int.
namespace hvm::html {
namespace {

using Px = std::int64_t;

constexpr Px kUnbounded = Px(1) << 40;
constexpr double kMaxPixels = 100000;  // the largest length read from the markup
constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr int kDefaultControlWidth = 105;
constexpr int kDefaultControlHeight = 20;
constexpr int kListIndent = 40;
constexpr int kBodyMargin = 8;
constexpr int kMaxColumns = 1000;
constexpr int kDefaultCellPadding = 1;
constexpr int kDefaultCellSpacing = 2;
constexpr int kDefaultRuleSize = 2;
constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 400;
// The point sizes of <font size=1> to <font size=7>.
constexpr double kFontSizePoints[] = {7.5, 10, 12, 13.5, 18, 24, 36};

int ToInt(Px value) {
  constexpr Px kLimit = Px(1) << 30;
  return int(std::clamp(value, -kLimit, kLimit));
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

enum class Align { kLeft, kCenter, kRight };
enum class VAlign { kTop, kMiddle, kBottom };
enum class Pass { kLayout, kMinWidth, kMaxWidth };

std::optional<Align> ParseAlign(const std::string* value) {
  if (!value) return std::nullopt;
  const std::string lower = LowerAscii(Trim(*value));
  if (lower == "left" || lower == "justify") return Align::kLeft;
  if (lower == "center" || lower == "middle") return Align::kCenter;
  if (lower == "right") return Align::kRight;
  return std::nullopt;
}

std::optional<VAlign> ParseVAlign(const std::string* value) {
  if (!value) return std::nullopt;
  const std::string lower = LowerAscii(Trim(*value));
  if (lower == "top" || lower == "baseline") return VAlign::kTop;
  if (lower == "middle" || lower == "center") return VAlign::kMiddle;
  if (lower == "bottom") return VAlign::kBottom;
  return std::nullopt;
}

std::optional<Color> ColorAttribute(const Node& node, std::string_view name) {
  const std::string* value = node.FindAttribute(name);
  return value ? ParseColor(*value) : std::nullopt;
}

Length LengthAttribute(const Node& node, std::string_view name) {
  const std::string* value = node.FindAttribute(name);
  return value ? ParseLength(*value) : Length{};
}

// Everything the markup says about how text looks, inherited down the tree.
struct Style {
  FontSpec font;  // pixelSize is filled in when the font is registered
  int fontIndex = -1;
  Color color;
  Color linkColor;
  int link = -1;
  Align align = Align::kLeft;
  Px indentLeft = 0;
  Px indentRight = 0;
  bool pre = false;
  bool nowrap = false;

  void SetPoints(double points) {
    font.points = std::clamp(points, kMinPoints, kMaxPoints);
    fontIndex = -1;
  }
};

// --- Tables: the grid and its measurements -------------------------------

struct Cell {
  NodeId node = kNoNode;
  int column = 0;
  int span = 1;
  Px min = 0;  // content widths with padding and cell border
  Px max = 0;
  Length width;
  Px height = 0;
  Style style;
  VAlign valign = VAlign::kMiddle;
  std::optional<Color> background;
};

struct Row {
  Px height = 0;
  std::vector<Cell> cells;
};

struct Column {
  Px min = 0;
  Px max = 0;
  Px fixed = 0;  // width in pixels asked for by a cell, 0 for none
  double percent = 0;
  Px Preferred() const { return fixed > 0 ? std::max(fixed, min) : max; }
  bool IsAuto() const { return fixed == 0 && percent == 0; }
};

struct TableGrid {
  std::vector<Row> rows;
  std::vector<Column> columns;
  Px border = 0;
  Px cellBorder = 0;  // 1 around each cell of a table with a border
  Px padding = 0;
  Px spacing = 0;
  Length width;
  Px height = 0;
  std::optional<Align> align;
  std::optional<Color> background;
  Px minWidth = 0;  // border and spacing included
  Px maxWidth = 0;
  bool fillsAvailableWidth = false;  // percentages of 100 or more in an auto-width table

  Px Frame() const { return spacing * Px(columns.size() + 1) + 2 * border; }
  Px CellInset() const { return padding + cellBorder; }
};

// Adds `amount` to `targets` in proportion to `weights`, exactly.
void Spread(Px amount, const std::vector<Px>& weights, std::vector<Px>& targets,
            const std::vector<size_t>& indexes) {
  Px total = 0;
  size_t last = 0;
  for (size_t i = 0; i < weights.size(); ++i) {
    total += weights[i];
    if (weights[i] > 0) last = i;
  }
  if (total <= 0 || amount <= 0) return;
  Px running = 0;
  Px given = 0;
  for (size_t i = 0; i < weights.size(); ++i) {
    running += weights[i];
    const Px upTo = i == last ? amount : Px(static_cast<long double>(amount) * running / total);
    targets[indexes[i]] += upTo - given;
    given = upTo;
    if (i == last) break;
  }
}

class Engine;

// --- Flow ----------------------------------------------------------------

class Flow {
 public:
  Flow(Engine& engine, Pass pass, Px left, Px width, Px top, const Style& style, int tableDepth);

  // Lays out the children of `container`.
  void AddContentOf(NodeId container);
  // Ends the last line; returns the bottom of the content.
  Px Finish();
  // The widest line or block, from the column's left edge.
  Px Widest() const { return widest_; }

 private:
  struct LineItem {
    enum class Kind { kText, kImage, kControl };
    Kind kind = Kind::kText;
    Px x = 0;  // from the line's start
    Px width = 0;
    Px ascent = 0;  // above the baseline
    Px descent = 0;
    int font = 0;
    Color color;
    int link = -1;
    std::string text;
    NodeId element = kNoNode;
    std::string source;                                       // pictures: empty when there is none
    std::string type;                                         // controls
    Px boxLeft = 0, boxTop = 0, boxWidth = 0, boxHeight = 0;  // atoms, from (x, top)
  };
  struct PendingSpace {
    int font;
    Color color;
    int link;
    Px width;
  };
  struct Marker {
    int font;
    Color color;
    BulletItem::Shape shape;
    std::string label;  // ordered lists; empty for a bullet
    Px contentLeft;
  };
  struct ListCounter {
    bool ordered = false;
    char numbering = '1';  // '1', 'a' or 'A'
    std::optional<BulletItem::Shape> shape;
    long long next = 1;
  };
  struct Frame {
    NodeId node;
    bool block = false;
    Px marginBottom = 0;
    bool list = false;
  };

  const Style& Current() const { return styles_.back(); }
  Px Available() const {
    return std::max<Px>(0, width_ - Current().indentLeft - Current().indentRight);
  }
  Px Scale(double pixels) const;
  int FontOf(Style& style);

  bool Enter(NodeId id);
  void Exit();
  void ApplyElementStyle(NodeId id, Style& style);
  Px BlockMargin(const Node& node, Style& style);
  void StartList(const Node& node);
  void StartListItem(const Node& node, Style& style);

  void AddText(std::string_view text);
  void AddPreformatted(std::string_view text);
  void AddPiece(std::string_view text);
  void AddSpace();
  void AddAtom(LineItem atom, const std::string* align);
  void AddImage(NodeId id);
  void AddControl(NodeId id);
  void AddRule(NodeId id);
  void AddTable(NodeId id);

  void CommitWord();
  void FlushLine();
  void EndLine();
  void ForcedBreak();
  void PlaceContent();
  void AddMargin(Px margin);
  void EmitLine(Px left, Px baseline);
  void EmitMarker(Px baseline);

  Engine& engine_;
  const Document& doc_;
  Pass pass_;
  Px left_;
  Px width_;
  Px y_;
  int tableDepth_;

  std::vector<Style> styles_;
  std::vector<Frame> frames_;
  std::vector<ListCounter> lists_;

  std::vector<LineItem> line_;
  Px lineWidth_ = 0;
  std::vector<LineItem> word_;  // pieces with no break opportunity between them
  Px wordWidth_ = 0;
  std::optional<PendingSpace> space_;
  std::optional<Marker> marker_;
  bool lastWasSpace_ = false;  // in nowrap text
  bool skipNewline_ = false;   // right after <pre>
  Px column_ = 0;              // in preformatted text, for tabs

  Px pendingMargin_ = 0;
  bool contentPlaced_ = false;
  Px widest_ = 0;
};

// --- Engine: what all flows of one layout share ---------------------------

class Engine {
 public:
  Engine(const Document& document, const LayoutOptions& options, TextMeasurer& measurer,
         const LayoutCallbacks& callbacks)
      : document(document),
        scale(std::isfinite(options.scale) ? std::clamp(options.scale, 0.25, 16.0) : 1.0),
        measurer_(measurer),
        callbacks_(callbacks) {}

  const Document& document;
  const double scale;
  DisplayList out;

  Px Scale(double pixels) const { return Px(std::llround(pixels * scale)); }

  int FontIndex(const FontSpec& font) {
    FontSpec sized = font;
    sized.pixelSize = std::max(1, int(std::lround(sized.points / kPointsPerPixel * scale)));
    const auto found = fonts_.find(sized);
    if (found != fonts_.end()) return found->second;
    const int index = int(out.fonts.size());
    out.fonts.push_back(sized);
    fonts_.emplace(std::move(sized), index);
    return index;
  }

  const TextMetrics& Measure(int font, std::string_view text) {
    std::string key(reinterpret_cast<const char*>(&font), sizeof font);
    key.append(text);
    const auto found = metrics_.find(key);
    if (found != metrics_.end()) return found->second;
    TextMetrics metrics = measurer_.Measure(out.fonts[font], text);
    metrics.width = std::max(0, metrics.width);
    metrics.height = std::max(0, metrics.height);
    metrics.ascent = std::clamp(metrics.ascent, 0, metrics.height);
    return metrics_.emplace(std::move(key), metrics).first->second;
  }

  // The natural size of an <img>'s picture, scaled; nothing without one.
  std::optional<Size> ImageSize(NodeId id) {
    const auto found = images_.find(id);
    if (found != images_.end()) return found->second;
    std::optional<Size> size;
    const std::string* source = document[id].FindAttribute("src");
    if (source && callbacks_.imageSize) size = callbacks_.imageSize(*source);
    if (size) {
      size->width = ToInt(Scale(std::clamp<double>(size->width, 0, kMaxPixels)));
      size->height = ToInt(Scale(std::clamp<double>(size->height, 0, kMaxPixels)));
    }
    images_.emplace(id, size);
    return size;
  }

  std::optional<Size> ControlSize(NodeId id, Size proposed) {
    const auto found = controls_.find(id);
    if (found != controls_.end()) return found->second;
    std::optional<Size> size = proposed;
    if (callbacks_.controlSize) size = callbacks_.controlSize(id, document[id], proposed);
    if (size) *size = {std::max(0, size->width), std::max(0, size->height)};
    controls_.emplace(id, size);
    return size;
  }

  int LinkIndex(NodeId anchor, const std::string& href) {
    const auto found = links_.find(anchor);
    if (found != links_.end()) return found->second;
    const int index = int(out.links.size());
    out.links.push_back(href);
    links_.emplace(anchor, index);
    return index;
  }

  // The grid of a table with its measurements, built on first use.
  const TableGrid& Grid(NodeId table, const Style& style, int depth);

  // Where each list of the display list stands, to move what was added since.
  struct Mark {
    size_t fills, rules, images, bullets, texts, controls, linkAreas;
  };
  Mark Now() const {
    return {out.fills.size(), out.rules.size(),    out.images.size(),   out.bullets.size(),
            out.texts.size(), out.controls.size(), out.linkAreas.size()};
  }
  void MoveDown(const Mark& from, const Mark& to, Px dy) {
    if (dy == 0) return;
    auto move = [dy](Rect& rect) {
      rect.top = ToInt(rect.top + dy);
      rect.bottom = ToInt(rect.bottom + dy);
    };
    for (size_t i = from.fills; i < to.fills; ++i) move(out.fills[i].rect);
    for (size_t i = from.rules; i < to.rules; ++i) move(out.rules[i].rect);
    for (size_t i = from.images; i < to.images; ++i) move(out.images[i].rect);
    for (size_t i = from.bullets; i < to.bullets; ++i) move(out.bullets[i].rect);
    for (size_t i = from.controls; i < to.controls; ++i) move(out.controls[i].rect);
    for (size_t i = from.linkAreas; i < to.linkAreas; ++i) move(out.linkAreas[i].rect);
    for (size_t i = from.texts; i < to.texts; ++i) {
      move(out.texts[i].rect);
      out.texts[i].baseline = ToInt(out.texts[i].baseline + dy);
    }
  }

 private:
  TableGrid BuildGrid(NodeId table, const Style& style, int depth);
  Row BuildRow(NodeId row, const TableGrid& grid, const Style& style, int depth);
  void MeasureCell(Cell& cell, const TableGrid& grid, int depth);
  void SizeColumns(TableGrid& grid) const;

  TextMeasurer& measurer_;
  const LayoutCallbacks& callbacks_;
  std::map<FontSpec, int> fonts_;
  std::unordered_map<std::string, TextMetrics> metrics_;
  std::unordered_map<NodeId, std::optional<Size>> images_;
  std::unordered_map<NodeId, std::optional<Size>> controls_;
  std::unordered_map<NodeId, int> links_;
  std::unordered_map<NodeId, std::unique_ptr<TableGrid>> grids_;
};

// --- Table building and column sizing ------------------------------------

Px PixelAttribute(const Engine& engine, const Node& node, std::string_view name, int fallback) {
  const Length length = LengthAttribute(node, name);
  return engine.Scale(length.unit == Length::Unit::kPixels ? length.value : fallback);
}

const TableGrid& Engine::Grid(NodeId table, const Style& style, int depth) {
  auto found = grids_.find(table);
  if (found == grids_.end()) {
    auto grid = std::make_unique<TableGrid>(BuildGrid(table, style, depth));
    found = grids_.emplace(table, std::move(grid)).first;
  }
  return *found->second;
}

TableGrid Engine::BuildGrid(NodeId tableId, const Style& style, int depth) {
  const Node& table = document[tableId];
  TableGrid grid;
  if (const std::string* border = table.FindAttribute("border")) {
    const Length length = ParseLength(*border);  // a bare "border" means 1
    grid.border = Scale(length.unit == Length::Unit::kPixels ? length.value : 1);
  }
  grid.cellBorder = grid.border > 0 ? 1 : 0;
  grid.padding = PixelAttribute(*this, table, "cellpadding", kDefaultCellPadding);
  grid.spacing = PixelAttribute(*this, table, "cellspacing", kDefaultCellSpacing);
  grid.width = LengthAttribute(table, "width");
  grid.height = PixelAttribute(*this, table, "height", 0);
  grid.align = ParseAlign(table.FindAttribute("align"));
  grid.background = ColorAttribute(table, "bgcolor");

  // Rows stand in the table or in its sections, in document order.
  size_t columns = 0;
  auto addRow = [&](NodeId rowId) {
    grid.rows.push_back(BuildRow(rowId, grid, style, depth));
    const Row& row = grid.rows.back();
    if (!row.cells.empty()) {
      columns = std::max(columns, size_t(row.cells.back().column + row.cells.back().span));
    }
  };
  for (NodeId id = table.firstChild; id != kNoNode; id = document[id].nextSibling) {
    const Node& child = document[id];
    if (child.Is("tr")) addRow(id);
    if (child.Is("tbody") || child.Is("thead") || child.Is("tfoot")) {
      for (NodeId rowId = child.firstChild; rowId != kNoNode; rowId = document[rowId].nextSibling) {
        if (document[rowId].Is("tr")) addRow(rowId);
      }
    }
  }
  grid.columns.resize(columns);
  SizeColumns(grid);
  return grid;
}

// A row's cells with their styles (the table's, then the row's and the
// cell's attributes) and their measured widths. Cells beyond kMaxColumns
// are dropped.
Row Engine::BuildRow(NodeId rowId, const TableGrid& grid, const Style& style, int depth) {
  const Node& tr = document[rowId];
  Row row;
  row.height = PixelAttribute(*this, tr, "height", 0);
  const std::optional<Align> rowAlign = ParseAlign(tr.FindAttribute("align"));
  const std::optional<VAlign> rowVAlign = ParseVAlign(tr.FindAttribute("valign"));
  const std::optional<Color> rowBackground = ColorAttribute(tr, "bgcolor");
  int column = 0;
  for (NodeId id = tr.firstChild; id != kNoNode && column < kMaxColumns;
       id = document[id].nextSibling) {
    const Node& td = document[id];
    if (!td.Is("td") && !td.Is("th")) continue;
    Cell cell;
    cell.node = id;
    cell.column = column;
    const Length span = LengthAttribute(td, "colspan");
    cell.span =
        span.unit == Length::Unit::kPixels ? std::clamp(int(span.value), 1, kMaxColumns) : 1;
    cell.span = std::min(cell.span, kMaxColumns - column);
    cell.width = LengthAttribute(td, "width");
    cell.height = PixelAttribute(*this, td, "height", 0);
    cell.style = style;
    cell.style.indentLeft = cell.style.indentRight = 0;
    if (td.Is("th")) {
      cell.style.font.bold = true;
      cell.style.fontIndex = -1;
      cell.style.align = Align::kCenter;
    }
    if (rowAlign) cell.style.align = *rowAlign;
    if (auto align = ParseAlign(td.FindAttribute("align"))) cell.style.align = *align;
    if (td.FindAttribute("nowrap")) cell.style.nowrap = true;
    cell.valign =
        ParseVAlign(td.FindAttribute("valign")).value_or(rowVAlign.value_or(VAlign::kMiddle));
    cell.background = ColorAttribute(td, "bgcolor");
    if (!cell.background) cell.background = rowBackground;
    MeasureCell(cell, grid, depth);
    column += cell.span;
    row.cells.push_back(std::move(cell));
  }
  return row;
}

void Engine::MeasureCell(Cell& cell, const TableGrid& grid, int depth) {
  Flow narrowest(*this, Pass::kMinWidth, 0, 0, 0, cell.style, depth);
  narrowest.AddContentOf(cell.node);
  narrowest.Finish();
  Flow widest(*this, Pass::kMaxWidth, 0, kUnbounded, 0, cell.style, depth);
  widest.AddContentOf(cell.node);
  widest.Finish();
  cell.min = narrowest.Widest();
  cell.max = std::max(cell.min, widest.Widest());
  if (cell.style.nowrap) cell.min = cell.max;
  cell.min += 2 * grid.CellInset();
  cell.max += 2 * grid.CellInset();
}

// Column minimum, maximum, fixed and percent widths from the cells, then the
// table's own minimum and maximum widths.
void Engine::SizeColumns(TableGrid& grid) const {
  std::vector<Column>& columns = grid.columns;
  for (const Row& row : grid.rows) {
    for (const Cell& cell : row.cells) {
      if (cell.span != 1) continue;
      Column& column = columns[size_t(cell.column)];
      column.min = std::max(column.min, cell.min);
      column.max = std::max(column.max, cell.max);
      if (cell.width.unit == Length::Unit::kPixels) {
        column.fixed = std::max(column.fixed, Scale(cell.width.value));
      } else if (cell.width.unit == Length::Unit::kPercent) {
        column.percent = std::max(column.percent, cell.width.value);
      }
    }
  }
  // A cell spanning columns widens them, in proportion to their widths.
  for (const Row& row : grid.rows) {
    for (const Cell& cell : row.cells) {
      if (cell.span == 1) continue;
      std::vector<size_t> spanned;
      std::vector<Px> maximums;
      Px sumMin = grid.spacing * (cell.span - 1);
      Px sumMax = sumMin;
      for (int c = cell.column; c < cell.column + cell.span; ++c) {
        spanned.push_back(size_t(c));
        maximums.push_back(std::max<Px>(columns[size_t(c)].max, 1));
        sumMin += columns[size_t(c)].min;
        sumMax += columns[size_t(c)].max;
      }
      std::vector<Px> mins(columns.size()), maxes(columns.size());
      for (size_t c : spanned) {
        mins[c] = columns[c].min;
        maxes[c] = columns[c].max;
      }
      Spread(cell.min - sumMin, maximums, mins, spanned);
      Px wanted = cell.max;
      if (cell.width.unit == Length::Unit::kPixels) {
        wanted = std::max(wanted, Scale(cell.width.value));
      }
      Spread(wanted - sumMax, maximums, maxes, spanned);
      for (size_t c : spanned) {
        columns[c].min = mins[c];
        columns[c].max = maxes[c];
        if (cell.width.unit == Length::Unit::kPercent && columns[c].percent == 0) {
          columns[c].percent = cell.width.value / cell.span;
        }
      }
    }
  }
  double percentLeft = 100;
  for (Column& column : columns) {
    column.max = std::max(column.max, column.min);
    column.percent = std::min(column.percent, percentLeft);
    percentLeft -= column.percent;
  }

  Px minSum = 0, preferredSum = 0, autoSum = 0;
  double percentSum = 0;
  Px percentNeeded = 0;
  for (const Column& column : columns) {
    minSum += column.min;
    preferredSum += column.Preferred();
    if (column.percent > 0) {
      percentSum += column.percent;
      percentNeeded =
          std::max(percentNeeded, Px(double(column.Preferred()) * 100 / column.percent));
    } else {
      autoSum += column.Preferred();
    }
  }
  if (percentSum >= 100) {
    grid.fillsAvailableWidth = true;
  } else if (percentSum > 0) {
    percentNeeded = std::max(percentNeeded, Px(double(autoSum) * 100 / (100 - percentSum)));
  }
  grid.minWidth = minSum + grid.Frame();
  grid.maxWidth = std::max(preferredSum, percentNeeded) + grid.Frame();
}

// Column widths for a table of that width: each column gets its minimum,
// then fixed columns their width, percent columns their share, auto columns
// up to their maximum; what is left goes to auto columns, else percent
// columns, else all.
std::vector<Px> ColumnWidths(const TableGrid& grid, Px tableWidth) {
  const size_t count = grid.columns.size();
  std::vector<Px> widths(count);
  std::vector<size_t> all(count);
  Px used = 0;
  for (size_t i = 0; i < count; ++i) {
    widths[i] = grid.columns[i].min;
    all[i] = i;
    used += widths[i];
  }
  const Px content = tableWidth - grid.Frame();
  Px remaining = content - used;
  auto give = [&](auto want) {
    if (remaining <= 0) return;
    std::vector<Px> wants(count);
    Px total = 0;
    for (size_t i = 0; i < count; ++i) {
      wants[i] = std::max<Px>(0, want(grid.columns[i], widths[i]));
      total += wants[i];
    }
    if (total <= remaining) {
      for (size_t i = 0; i < count; ++i) widths[i] += wants[i];
      remaining -= total;
    } else {
      Spread(remaining, wants, widths, all);
      remaining = 0;
    }
  };
  give([](const Column& c, Px w) { return c.fixed > 0 ? c.Preferred() - w : 0; });
  give([&](const Column& c, Px w) {
    return c.percent > 0 ? Px(double(content) * c.percent / 100) - w : 0;
  });
  give([](const Column& c, Px w) { return c.IsAuto() ? c.max - w : 0; });
  if (remaining > 0 && count > 0) {
    std::vector<Px> weights(count);
    auto weigh = [&](auto weight) {
      Px total = 0;
      for (size_t i = 0; i < count; ++i) total += weights[i] = weight(i);
      return total > 0;
    };
    if (weigh([&](size_t i) { return grid.columns[i].IsAuto() ? grid.columns[i].max : 0; }) ||
        weigh([&](size_t i) { return grid.columns[i].IsAuto() ? 1 : 0; }) ||
        weigh([&](size_t i) { return Px(grid.columns[i].percent * 100); }) ||
        weigh([&](size_t i) { return widths[i]; }) || weigh([](size_t) { return 1; })) {
      Spread(remaining, weights, widths, all);
    }
  }
  return widths;
}

// The width a table takes in a column of `available` pixels.
Px TableWidth(const TableGrid& grid, const Engine& engine, Px available) {
  switch (grid.width.unit) {
    case Length::Unit::kPixels: return std::max(engine.Scale(grid.width.value), grid.minWidth);
    case Length::Unit::kPercent:
      return std::max(Px(double(available) * grid.width.value / 100), grid.minWidth);
    case Length::Unit::kAuto: break;
  }
  const Px wanted = grid.fillsAvailableWidth ? available : std::min(grid.maxWidth, available);
  return std::max(wanted, grid.minWidth);
}

// What a table adds to the narrowest and widest content of its column.
Px TableContentWidth(const TableGrid& grid, const Engine& engine, Pass pass) {
  if (grid.width.unit == Length::Unit::kPixels) {
    return std::max(engine.Scale(grid.width.value), grid.minWidth);
  }
  return pass == Pass::kMinWidth ? grid.minWidth : grid.maxWidth;
}

Rect MakeRect(Px left, Px top, Px right, Px bottom) {
  return {ToInt(left), ToInt(top), ToInt(right), ToInt(bottom)};
}

// Lays a measured table out at a place and width. Cells are laid out row by
// row at provisional positions; once every row's height is known (and the
// table's height attribute shared out), each cell's content is moved down to
// its row and vertical alignment, and backgrounds and borders are sized.
// Background fills are reserved before the content they lie under, so that
// they paint first.
class TablePlacement {
 public:
  TablePlacement(Engine& engine, const TableGrid& grid, Px left, Px top, Px width, int depth)
      : engine_(engine), grid_(grid), left_(left), top_(top), width_(width), depth_(depth) {}

  // Returns the table's height.
  Px Place() {
    PlaceColumns();
    const size_t tableFill = ReserveFill(grid_.background);
    LayOutCells();
    const Px height = StretchRows();
    MoveCellsIntoRows();
    if (grid_.background) {
      engine_.out.fills[tableFill].rect = MakeRect(left_, top_, left_ + width_, top_ + height);
    }
    AddFrame(left_, top_, left_ + width_, top_ + height, grid_.border, kLight, kDark);
    return height;
  }

 private:
  static constexpr Color kLight{0xC0, 0xC0, 0xC0};
  static constexpr Color kDark{0x80, 0x80, 0x80};

  struct PlacedCell {
    size_t fill = SIZE_MAX;
    Engine::Mark from, to;  // what its content added to the display list
    Px provisionalTop = 0;
    Px outerHeight = 0;  // content with padding and cell border
  };

  void PlaceColumns() {
    const std::vector<Px> widths = ColumnWidths(grid_, width_);
    Px x = left_ + grid_.border + grid_.spacing;
    for (Px width : widths) {
      columnLeft_.push_back(x);
      x += width + grid_.spacing;
    }
    columnLeft_.push_back(x);
  }
  Px CellLeft(const Cell& cell) const { return columnLeft_[size_t(cell.column)]; }
  Px CellRight(const Cell& cell) const {
    return columnLeft_[size_t(cell.column + cell.span)] - grid_.spacing;
  }

  size_t ReserveFill(const std::optional<Color>& color) {
    if (!color) return SIZE_MAX;
    engine_.out.fills.push_back({{}, *color});
    return engine_.out.fills.size() - 1;
  }

  void LayOutCells() {
    const Px inset = grid_.CellInset();
    Px rowTop = top_ + grid_.border + grid_.spacing;
    placed_.resize(grid_.rows.size());
    for (size_t r = 0; r < grid_.rows.size(); ++r) {
      Px height = grid_.rows[r].height;
      for (const Cell& cell : grid_.rows[r].cells) {
        PlacedCell& placed = placed_[r].emplace_back();
        placed.fill = ReserveFill(cell.background);
        placed.from = engine_.Now();
        Flow flow(engine_, Pass::kLayout, CellLeft(cell) + inset,
                  std::max<Px>(0, CellRight(cell) - CellLeft(cell) - 2 * inset), rowTop + inset,
                  cell.style, depth_);
        flow.AddContentOf(cell.node);
        placed.outerHeight = flow.Finish() - rowTop + inset;
        placed.to = engine_.Now();
        placed.provisionalTop = rowTop;
        height = std::max({height, placed.outerHeight, cell.height});
      }
      rowHeights_.push_back(height);
      rowTop += height + grid_.spacing;
    }
  }

  // Shares a height attribute's extra pixels out evenly; returns the table's height.
  Px StretchRows() {
    Px height = 2 * grid_.border + grid_.spacing;
    for (Px row : rowHeights_) height += row + grid_.spacing;
    if (grid_.height > height && !rowHeights_.empty()) {
      const std::vector<Px> even(rowHeights_.size(), 1);
      std::vector<size_t> all(rowHeights_.size());
      for (size_t r = 0; r < all.size(); ++r) all[r] = r;
      Spread(grid_.height - height, even, rowHeights_, all);
    }
    return std::max(height, grid_.height);
  }

  void MoveCellsIntoRows() {
    Px rowTop = top_ + grid_.border + grid_.spacing;
    for (size_t r = 0; r < grid_.rows.size(); ++r) {
      const Px rowBottom = rowTop + rowHeights_[r];
      for (size_t c = 0; c < grid_.rows[r].cells.size(); ++c) {
        const Cell& cell = grid_.rows[r].cells[c];
        const PlacedCell& placed = placed_[r][c];
        const Px room = std::max<Px>(0, rowHeights_[r] - placed.outerHeight);
        Px offset = 0;
        if (cell.valign == VAlign::kMiddle) offset = room / 2;
        if (cell.valign == VAlign::kBottom) offset = room;
        engine_.MoveDown(placed.from, placed.to, rowTop - placed.provisionalTop + offset);
        if (placed.fill != SIZE_MAX) {
          engine_.out.fills[placed.fill].rect =
              MakeRect(CellLeft(cell), rowTop, CellRight(cell), rowBottom);
        }
        AddFrame(CellLeft(cell), rowTop, CellRight(cell), rowBottom, grid_.cellBorder, kDark,
                 kLight);
      }
      rowTop = rowBottom + grid_.spacing;
    }
  }

  // A 3D frame as four fills: raised for the table, sunken for its cells.
  void AddFrame(Px left, Px top, Px right, Px bottom, Px thickness, Color topLeft,
                Color bottomRight) {
    if (thickness <= 0) return;
    std::vector<FillItem>& fills = engine_.out.fills;
    fills.push_back({MakeRect(left, top, right, top + thickness), topLeft});
    fills.push_back({MakeRect(left, top, left + thickness, bottom), topLeft});
    fills.push_back({MakeRect(left, bottom - thickness, right, bottom), bottomRight});
    fills.push_back({MakeRect(right - thickness, top, right, bottom), bottomRight});
  }

  Engine& engine_;
  const TableGrid& grid_;
  const Px left_, top_, width_;
  const int depth_;
  std::vector<Px> columnLeft_;  // and the right edge after the last column
  std::vector<std::vector<PlacedCell>> placed_;
  std::vector<Px> rowHeights_;
};

// --- Flow implementation ---------------------------------------------------

bool IsHidden(std::string_view tag) {
  return IsOneOf(tag, {"head", "title", "style", "script", "meta", "link", "base", "template",
                       "iframe", "noembed", "noframes", "col", "colgroup"});
}

bool IsBlock(std::string_view tag) {
  return IsOneOf(
      tag, {"address",  "article",    "aside",   "blockquote", "body",   "caption", "center",
            "dd",       "details",    "dialog",  "dir",        "div",    "dl",      "dt",
            "fieldset", "figcaption", "figure",  "footer",     "form",   "h1",      "h2",
            "h3",       "h4",         "h5",      "h6",         "header", "html",    "li",
            "listing",  "main",       "menu",    "nav",        "ol",     "p",       "plaintext",
            "pre",      "section",    "summary", "table",      "tbody",  "td",      "tfoot",
            "th",       "thead",      "tr",      "ul",         "xmp"});
}

bool IsList(std::string_view tag) {
  return IsOneOf(tag, {"ul", "ol", "dir", "menu"});
}

// The first face of a "face" attribute's list, without quotes, cut to the
// length a Windows font name can have.
std::string FirstFace(std::string_view faces) {
  constexpr size_t kLongestFaceName = 31;
  const size_t comma = faces.find(',');
  std::string_view face = Trim(faces.substr(0, comma));
  if (face.size() >= 2 && (face.front() == '"' || face.front() == '\'') &&
      face.back() == face.front()) {
    face = Trim(face.substr(1, face.size() - 2));
  }
  return std::string(face.substr(0, kLongestFaceName));
}

// <font size>: 1 to 7, or +n / -n from 3.
std::optional<int> FontSizeNumber(std::string_view text) {
  text = Trim(text);
  int sign = 0;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    sign = text.front() == '+' ? 1 : -1;
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    number = std::min(number * 10 + (c - '0'), 100);
  }
  return std::clamp(sign == 0 ? number : 3 + sign * number, 1, 7);
}

Flow::Flow(Engine& engine, Pass pass, Px left, Px width, Px top, const Style& style, int tableDepth)
    : engine_(engine),
      doc_(engine.document),
      pass_(pass),
      left_(left),
      width_(width),
      y_(top),
      tableDepth_(tableDepth) {
  styles_.push_back(style);
}

Px Flow::Scale(double pixels) const {
  return engine_.Scale(pixels);
}

int Flow::FontOf(Style& style) {
  if (style.fontIndex < 0) style.fontIndex = engine_.FontIndex(style.font);
  return style.fontIndex;
}

void Flow::AddContentOf(NodeId container) {
  NodeId current = doc_[container].firstChild;
  while (true) {
    if (current == kNoNode) {
      if (frames_.empty()) break;
      const NodeId done = frames_.back().node;
      Exit();
      current = doc_[done].nextSibling;
      continue;
    }
    const Node& node = doc_[current];
    if (node.IsText()) {
      AddText(node.text);
    } else if (node.IsElement() && Enter(current)) {
      current = node.firstChild;
      continue;
    }
    current = node.nextSibling;
  }
}

Px Flow::Finish() {
  EndLine();
  return y_;
}

// Handles an element's start. Returns true when its children are to be
// walked: a frame and a style were pushed, which Exit pops.
bool Flow::Enter(NodeId id) {
  const Node& node = doc_[id];
  const std::string& tag = node.name;
  if (IsHidden(tag)) return false;
  if (tag == "br") {
    ForcedBreak();
    return false;
  }
  if (tag == "wbr") {
    CommitWord();
    return false;
  }
  if (tag == "img" || tag == "image") {
    AddImage(id);
    return false;
  }
  if (tag == "input") {
    AddControl(id);
    return false;
  }
  if (tag == "hr") {
    AddRule(id);
    return false;
  }
  if (tag == "table" && tableDepth_ < kMaxTableDepth) {
    AddTable(id);
    return false;
  }

  Style style = Current();
  Frame frame{id};
  if (IsBlock(tag)) {
    EndLine();
    frame.block = true;
  }
  ApplyElementStyle(id, style);
  if (frame.block) {
    const Px margin = BlockMargin(node, style);
    AddMargin(margin);
    frame.marginBottom = margin;
    if (const std::optional<Align> align = ParseAlign(node.FindAttribute("align"))) {
      if (!IsOneOf(tag, {"table", "tbody", "thead", "tfoot"})) style.align = *align;
    }
  }
  if (IsList(tag)) {
    StartList(node);
    frame.list = true;
  }
  if (tag == "li") StartListItem(node, style);
  if (tag == "pre" || tag == "listing" || tag == "xmp") skipNewline_ = true;
  styles_.push_back(std::move(style));
  frames_.push_back(frame);
  return true;
}

void Flow::Exit() {
  const Frame frame = frames_.back();
  if (frame.block) {
    EndLine();
    AddMargin(frame.marginBottom);
    if (doc_[frame.node].Is("li")) marker_.reset();  // an item without a line shows no bullet
  }
  if (frame.list) lists_.pop_back();
  frames_.pop_back();
  styles_.pop_back();
}

void Flow::ApplyElementStyle(NodeId id, Style& style) {
  const Node& node = doc_[id];
  const std::string& tag = node.name;
  FontSpec& font = style.font;
  const FontSpec before = font;
  if (tag == "b" || tag == "strong" || tag == "th") font.bold = true;
  if (IsOneOf(tag, {"i", "em", "cite", "var", "dfn", "address"})) font.italic = true;
  if (tag == "u" || tag == "ins") font.underline = true;
  if (IsOneOf(tag, {"tt", "code", "kbd", "samp", "pre", "listing", "xmp", "plaintext"})) {
    font.face = "Courier New";
  }
  if (tag == "big") style.SetPoints(font.points * 1.2);
  if (tag == "small") style.SetPoints(font.points / 1.2);
  if (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6') {
    constexpr double kHeadingScale[] = {2, 1.5, 1.17, 1, 0.83, 0.67};
    font.bold = true;
    style.SetPoints(font.points * kHeadingScale[tag[1] - '1']);
  }
  if (tag == "font") {
    if (const std::string* face = node.FindAttribute("face")) {
      std::string first = FirstFace(*face);
      if (!first.empty()) font.face = std::move(first);
    }
    if (const std::string* size = node.FindAttribute("size")) {
      if (const std::optional<int> number = FontSizeNumber(*size)) {
        style.SetPoints(kFontSizePoints[*number - 1]);
      }
    }
    if (auto color = ColorAttribute(node, "color")) style.color = *color;
  }
  if (tag == "a") {
    if (const std::string* href = node.FindAttribute("href")) {
      // Also while measuring: a table's cells keep the styles they were measured with.
      style.link = engine_.LinkIndex(id, *href);
      style.color = style.linkColor;
      font.underline = true;
    }
  }
  if (tag == "center") style.align = Align::kCenter;
  if (tag == "th") style.align = Align::kCenter;
  if (tag == "pre" || tag == "listing" || tag == "xmp" || tag == "plaintext") style.pre = true;
  if (tag == "nobr") style.nowrap = true;
  if (IsList(tag) || tag == "dd") style.indentLeft += Scale(kListIndent);
  if (tag == "blockquote") {
    style.indentLeft += Scale(kListIndent);
    style.indentRight += Scale(kListIndent);
  }
  if (!(font == before)) style.fontIndex = -1;
}

// The top and bottom margin of a block, in its own font's em.
Px Flow::BlockMargin(const Node& node, Style& style) {
  const std::string& tag = node.name;
  double ems = 0;
  if (tag == "p" || tag == "blockquote" || tag == "pre" || tag == "listing" || tag == "xmp") {
    ems = 1;
  }
  if ((IsList(tag) || tag == "dl") && lists_.empty()) ems = 1;
  if (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6') {
    constexpr double kHeadingMargin[] = {0.67, 0.83, 1, 1.33, 1.67, 2.33};
    ems = kHeadingMargin[tag[1] - '1'];
  }
  if (ems == 0) return 0;
  return Px(std::lround(ems * engine_.out.fonts[size_t(FontOf(style))].pixelSize));
}

// A list's numbering or bullet shape, from its type and start attributes.
void Flow::StartList(const Node& node) {
  ListCounter counter;
  counter.ordered = node.name == "ol";
  if (const std::string* type = node.FindAttribute("type")) {
    const std::string lower = LowerAscii(Trim(*type));
    if (lower == "circle") counter.shape = BulletItem::Shape::kCircle;
    if (lower == "square") counter.shape = BulletItem::Shape::kSquare;
    if (lower == "disc") counter.shape = BulletItem::Shape::kDisc;
    if (*type == "a" || *type == "A") counter.numbering = (*type)[0];
  }
  const Length start = LengthAttribute(node, "start");
  if (start.unit == Length::Unit::kPixels) counter.next = (long long)start.value;
  lists_.push_back(counter);
}

void Flow::StartListItem(const Node& node, Style& style) {
  Marker marker{FontOf(style), style.color, BulletItem::Shape::kDisc, {}, left_ + style.indentLeft};
  const size_t level = lists_.size();
  if (level >= 2) marker.shape = BulletItem::Shape::kCircle;
  if (level >= 3) marker.shape = BulletItem::Shape::kSquare;
  if (!lists_.empty()) {
    ListCounter& list = lists_.back();
    if (list.shape) marker.shape = *list.shape;
    const Length value = LengthAttribute(node, "value");
    if (value.unit == Length::Unit::kPixels) list.next = (long long)value.value;
    if (list.ordered) {
      const long long number = list.next;
      if (list.numbering != '1' && number >= 1 && number <= 26) {
        marker.label = std::string(1, char(list.numbering + number - 1));
      } else {
        marker.label = std::to_string(number);
      }
      marker.label += '.';
    }
    list.next = std::min(list.next + 1, 1000000000LL);
  }
  marker_ = std::move(marker);
}

// --- Inline content --------------------------------------------------------

void Flow::AddText(std::string_view text) {
  if (Current().pre) {
    AddPreformatted(text);
    return;
  }
  size_t i = 0;
  while (i < text.size()) {
    if (IsSpace(text[i])) {
      while (i < text.size() && IsSpace(text[i])) ++i;
      AddSpace();
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsSpace(text[end])) ++end;
    AddPiece(text.substr(i, end - i));
    i = end;
  }
}

// White space kept, lines broken only at line breaks, tabs to every 8th column.
void Flow::AddPreformatted(std::string_view text) {
  std::string piece;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      c = '\n';
    }
    if (c == '\n') {
      if (skipNewline_) {
        skipNewline_ = false;
        continue;
      }
      AddPiece(piece);
      piece.clear();
      ForcedBreak();
      continue;
    }
    skipNewline_ = false;
    if (c == '\t') {
      const Px spaces = 8 - column_ % 8;
      piece.append(size_t(spaces), ' ');
      column_ += spaces;
      continue;
    }
    piece.push_back(c);
    ++column_;
  }
  AddPiece(piece);
}

void Flow::AddPiece(std::string_view text) {
  if (text.empty()) return;
  skipNewline_ = false;
  lastWasSpace_ = text.back() == ' ';
  Style& style = styles_.back();
  const int font = FontOf(style);
  const Px width = engine_.Measure(font, text).width;
  wordWidth_ += width;
  if (!word_.empty()) {
    LineItem& last = word_.back();
    if (last.kind == LineItem::Kind::kText && last.font == font && last.color == style.color &&
        last.link == style.link) {
      last.text.append(text);
      last.width += width;
      return;
    }
  }
  const TextMetrics& metrics = engine_.Measure(font, {});
  LineItem item;
  item.width = width;
  item.ascent = metrics.ascent;
  item.descent = metrics.height - metrics.ascent;
  item.font = font;
  item.color = style.color;
  item.link = style.link;
  item.text = std::string(text);
  word_.push_back(std::move(item));
}

// Collapsible white space: a break opportunity and, between two words on one
// line, one blank. In nowrap text it is a blank that does not break.
void Flow::AddSpace() {
  Style& style = styles_.back();
  if (style.nowrap) {
    if (!lastWasSpace_ && (!word_.empty() || !line_.empty())) AddPiece(" ");
    return;
  }
  CommitWord();
  if (line_.empty() || space_) return;
  const int font = FontOf(style);
  space_ = PendingSpace{font, style.color, style.link, engine_.Measure(font, " ").width};
}

// Puts the word gathered so far on the line, or on a new line when it does
// not fit. A word wider than the whole line stands alone on its line.
void Flow::CommitWord() {
  if (word_.empty()) return;
  Px space = space_ && !line_.empty() ? space_->width : 0;
  if (!line_.empty() && lineWidth_ + space + wordWidth_ > Available()) {
    FlushLine();
    space = 0;
  }
  if (space > 0) {
    LineItem blank;
    const TextMetrics& metrics = engine_.Measure(space_->font, {});
    blank.x = lineWidth_;
    blank.width = space;
    blank.ascent = metrics.ascent;
    blank.descent = metrics.height - metrics.ascent;
    blank.font = space_->font;
    blank.color = space_->color;
    blank.link = space_->link;
    blank.text = " ";
    line_.push_back(std::move(blank));
    lineWidth_ += space;
  }
  for (LineItem& piece : word_) {
    piece.x = lineWidth_;
    lineWidth_ += piece.width;
    line_.push_back(std::move(piece));
  }
  word_.clear();
  wordWidth_ = 0;
  space_.reset();
}

// Pictures and controls are words of their own, standing on the baseline
// unless `align` says otherwise.
void Flow::AddAtom(LineItem atom, const std::string* align) {
  CommitWord();
  Style& style = styles_.back();
  const TextMetrics& metrics = engine_.Measure(FontOf(style), {});
  const Px height = atom.boxHeight + 2 * atom.boxTop;
  const std::string how = align ? LowerAscii(Trim(*align)) : std::string();
  if (how == "middle") {
    atom.ascent = height / 2;
  } else if (how == "absmiddle" || how == "center") {
    atom.ascent = height / 2 + (2 * metrics.ascent - metrics.height) / 2;
  } else if (how == "top" || how == "texttop") {
    atom.ascent = metrics.ascent;
  } else if (how == "absbottom") {
    atom.ascent = height - (metrics.height - metrics.ascent);
  } else {
    atom.ascent = height;
  }
  atom.descent = height - atom.ascent;
  atom.link = style.link;
  wordWidth_ = atom.width;
  word_.push_back(std::move(atom));
  CommitWord();
}

void Flow::AddImage(NodeId id) {
  const Node& node = doc_[id];
  const std::optional<Size> natural = engine_.ImageSize(id);
  const Length widthAttribute = LengthAttribute(node, "width");
  const Length heightAttribute = LengthAttribute(node, "height");
  Px width = -1, height = -1;
  if (widthAttribute.unit == Length::Unit::kPixels) width = Scale(widthAttribute.value);
  if (widthAttribute.unit == Length::Unit::kPercent) {
    if (pass_ == Pass::kLayout) {
      width = Px(double(Available()) * widthAttribute.value / 100);
    } else {
      width = pass_ == Pass::kMaxWidth && natural ? natural->width : 0;
    }
  }
  if (heightAttribute.unit == Length::Unit::kPixels) height = Scale(heightAttribute.value);
  if (width < 0 && height < 0) {
    width = natural ? natural->width : 0;
    height = natural ? natural->height : 0;
  } else if (width < 0) {
    width = natural && natural->height > 0 ? height * natural->width / natural->height : 0;
  } else if (height < 0) {
    height = natural && natural->width > 0 ? width * natural->height / natural->width : 0;
  }
  const Length hspace = LengthAttribute(node, "hspace");
  const Length vspace = LengthAttribute(node, "vspace");
  LineItem atom;
  atom.kind = LineItem::Kind::kImage;
  atom.element = id;
  if (natural) {
    if (const std::string* source = node.FindAttribute("src")) atom.source = *source;
  }
  atom.boxLeft = hspace.unit == Length::Unit::kPixels ? Scale(hspace.value) : 0;
  atom.boxTop = vspace.unit == Length::Unit::kPixels ? Scale(vspace.value) : 0;
  atom.boxWidth = width;
  atom.boxHeight = height;
  atom.width = width + 2 * atom.boxLeft;
  AddAtom(std::move(atom), node.FindAttribute("align"));
}

void Flow::AddControl(NodeId id) {
  const Node& node = doc_[id];
  const std::string* typeAttribute = node.FindAttribute("type");
  if (!typeAttribute) return;
  std::string type = LowerAscii(Trim(*typeAttribute));
  if (type != "user" && type != "user_progress" && type != "user_panel") return;
  auto dimension = [&](std::string_view name, int fallback) {
    const Length length = LengthAttribute(node, name);
    return ToInt(Scale(length.unit == Length::Unit::kPixels ? length.value : fallback));
  };
  const Size proposed{dimension("width", kDefaultControlWidth),
                      dimension("height", kDefaultControlHeight)};
  const std::optional<Size> size = engine_.ControlSize(id, proposed);
  if (!size) return;
  LineItem atom;
  atom.kind = LineItem::Kind::kControl;
  atom.element = id;
  atom.type = std::move(type);
  atom.boxWidth = size->width;
  atom.boxHeight = size->height;
  atom.width = size->width;
  AddAtom(std::move(atom), node.FindAttribute("align"));
}

void Flow::AddRule(NodeId id) {
  const Node& node = doc_[id];
  EndLine();
  Style& style = styles_.back();
  const Px margin = engine_.out.fonts[size_t(FontOf(style))].pixelSize / 2;
  AddMargin(margin);
  PlaceContent();
  const Length widthAttribute = LengthAttribute(node, "width");
  const Px available = Available();
  Px width = available;
  if (widthAttribute.unit == Length::Unit::kPixels) width = Scale(widthAttribute.value);
  if (widthAttribute.unit == Length::Unit::kPercent) {
    width = pass_ == Pass::kLayout ? Px(double(available) * widthAttribute.value / 100) : 0;
  }
  if (pass_ != Pass::kLayout && widthAttribute.unit != Length::Unit::kPixels) width = 0;
  const Length sizeAttribute = LengthAttribute(node, "size");
  const Px height =
      Scale(sizeAttribute.unit == Length::Unit::kPixels ? sizeAttribute.value : kDefaultRuleSize);
  Px offset = 0;
  if (pass_ == Pass::kLayout) {
    switch (ParseAlign(node.FindAttribute("align")).value_or(Align::kCenter)) {
      case Align::kLeft: break;
      case Align::kCenter: offset = std::max<Px>(0, available - width) / 2; break;
      case Align::kRight: offset = std::max<Px>(0, available - width); break;
    }
  }
  const Px left = left_ + style.indentLeft + offset;
  if (pass_ == Pass::kLayout) {
    RuleItem rule;
    rule.rect = {ToInt(left), ToInt(y_), ToInt(left + width), ToInt(y_ + height)};
    const std::optional<Color> color = ColorAttribute(node, "color");
    rule.solid = color || node.FindAttribute("noshade");
    if (color) rule.color = *color;
    engine_.out.rules.push_back(rule);
  }
  widest_ = std::max(widest_, left - left_ + width);
  y_ += height;
  AddMargin(margin);
}

void Flow::AddTable(NodeId id) {
  EndLine();
  PlaceContent();
  const Style& style = Current();
  const TableGrid& grid = engine_.Grid(id, style, tableDepth_ + 1);
  if (pass_ != Pass::kLayout) {
    widest_ = std::max(widest_, style.indentLeft + TableContentWidth(grid, engine_, pass_));
    return;
  }
  const Px available = Available();
  const Px width = TableWidth(grid, engine_, available);
  Px offset = 0;
  if (width < available) {
    switch (grid.align.value_or(style.align)) {
      case Align::kLeft: break;
      case Align::kCenter: offset = (available - width) / 2; break;
      case Align::kRight: offset = available - width; break;
    }
  }
  const Px left = left_ + style.indentLeft + offset;
  y_ += TablePlacement(engine_, grid, left, y_, width, tableDepth_ + 1).Place();
  widest_ = std::max(widest_, left - left_ + width);
}

// --- Lines -------------------------------------------------------------------

void Flow::PlaceContent() {
  if (contentPlaced_) y_ += pendingMargin_;
  pendingMargin_ = 0;
  contentPlaced_ = true;
}

// Margins of adjacent blocks collapse into the largest; a container's first
// top margin and last bottom margin are dropped.
void Flow::AddMargin(Px margin) {
  if (contentPlaced_) pendingMargin_ = std::max(pendingMargin_, margin);
}

void Flow::EndLine() {
  CommitWord();
  FlushLine();
}

void Flow::ForcedBreak() {
  CommitWord();
  if (!line_.empty()) {
    FlushLine();
  } else {
    // A break on an empty line makes an empty line of the current font.
    PlaceContent();
    const TextMetrics& metrics = engine_.Measure(FontOf(styles_.back()), {});
    EmitMarker(y_ + metrics.ascent);
    y_ += metrics.height;
  }
  column_ = 0;
}

void Flow::FlushLine() {
  if (line_.empty()) return;
  Px ascent = 0, descent = 0;
  for (const LineItem& item : line_) {
    ascent = std::max(ascent, item.ascent);
    descent = std::max(descent, item.descent);
  }
  PlaceContent();
  const Style& style = Current();
  const Px available = Available();
  Px offset = 0;
  if (pass_ == Pass::kLayout && lineWidth_ < available) {
    if (style.align == Align::kCenter) offset = (available - lineWidth_) / 2;
    if (style.align == Align::kRight) offset = available - lineWidth_;
  }
  if (pass_ == Pass::kLayout) EmitLine(left_ + style.indentLeft + offset, y_ + ascent);
  EmitMarker(y_ + ascent);
  y_ += ascent + descent;
  widest_ = std::max(widest_, style.indentLeft + offset + lineWidth_);
  line_.clear();
  lineWidth_ = 0;
  space_.reset();
}

void Flow::EmitLine(Px left, Px baseline) {
  DisplayList& out = engine_.out;
  auto rect = [](Px l, Px t, Px w, Px h) {
    return Rect{ToInt(l), ToInt(t), ToInt(l + w), ToInt(t + h)};
  };
  for (size_t i = 0; i < line_.size();) {
    LineItem& item = line_[i];
    const Px x = left + item.x;
    if (item.kind == LineItem::Kind::kText) {
      // One run for the pieces in one font, colour and link.
      std::string text = std::move(item.text);
      Px width = item.width;
      size_t next = i + 1;
      for (; next < line_.size(); ++next) {
        const LineItem& other = line_[next];
        if (other.kind != LineItem::Kind::kText || other.font != item.font ||
            other.color != item.color || other.link != item.link) {
          break;
        }
        text += other.text;
        width += other.width;
      }
      const TextMetrics& metrics = engine_.Measure(item.font, {});
      TextRun run;
      run.rect = rect(x, baseline - metrics.ascent, width, metrics.height);
      run.baseline = ToInt(baseline);
      run.text = std::move(text);
      run.font = item.font;
      run.color = item.color;
      run.link = item.link;
      if (run.link >= 0) out.linkAreas.push_back({run.rect, run.link});
      out.texts.push_back(std::move(run));
      i = next;
      continue;
    }
    const Rect box =
        rect(x + item.boxLeft, baseline - item.ascent + item.boxTop, item.boxWidth, item.boxHeight);
    if (item.kind == LineItem::Kind::kImage) {
      if (!item.source.empty()) out.images.push_back({box, item.source, item.element, item.link});
      if (item.link >= 0) out.linkAreas.push_back({box, item.link});
    } else {
      out.controls.push_back({box, item.element, item.type});
    }
    ++i;
  }
}

// A list item's bullet or number, outside its first line, on that line's baseline.
void Flow::EmitMarker(Px baseline) {
  if (!marker_) return;
  const Marker marker = std::move(*marker_);
  marker_.reset();
  if (pass_ != Pass::kLayout) return;
  const Px em = engine_.out.fonts[size_t(marker.font)].pixelSize;
  if (!marker.label.empty()) {
    const TextMetrics& metrics = engine_.Measure(marker.font, marker.label);
    const Px gap = engine_.Measure(marker.font, " ").width;
    const Px left = marker.contentLeft - gap - metrics.width;
    TextRun run;
    run.rect = {ToInt(left), ToInt(baseline - metrics.ascent), ToInt(left + metrics.width),
                ToInt(baseline - metrics.ascent + metrics.height)};
    run.baseline = ToInt(baseline);
    run.text = marker.label;
    run.font = marker.font;
    run.color = marker.color;
    engine_.out.texts.push_back(std::move(run));
    return;
  }
  const Px size = std::max<Px>(3, Px(std::lround(double(em) / 3)));
  const Px right = marker.contentLeft - em / 2;
  const Px middle = baseline - Px(std::lround(double(em) * 0.3));
  engine_.out.bullets.push_back({{ToInt(right - size), ToInt(middle - size / 2), ToInt(right),
                                  ToInt(middle - size / 2 + size)},
                                 marker.shape,
                                 marker.color});
}

}  // namespace

// --- Attribute values ------------------------------------------------------

std::optional<Color> ParseColor(std::string_view text) {
  text = Trim(text);
  struct Named {
    std::string_view name;
    Color color;
  };
  static constexpr Named kNames[] = {
      {"black", {0, 0, 0}},         {"silver", {0xC0, 0xC0, 0xC0}}, {"gray", {0x80, 0x80, 0x80}},
      {"grey", {0x80, 0x80, 0x80}}, {"white", {0xFF, 0xFF, 0xFF}},  {"maroon", {0x80, 0, 0}},
      {"red", {0xFF, 0, 0}},        {"purple", {0x80, 0, 0x80}},    {"fuchsia", {0xFF, 0, 0xFF}},
      {"magenta", {0xFF, 0, 0xFF}}, {"green", {0, 0x80, 0}},        {"lime", {0, 0xFF, 0}},
      {"olive", {0x80, 0x80, 0}},   {"yellow", {0xFF, 0xFF, 0}},    {"navy", {0, 0, 0x80}},
      {"blue", {0, 0, 0xFF}},       {"teal", {0, 0x80, 0x80}},      {"aqua", {0, 0xFF, 0xFF}},
      {"cyan", {0, 0xFF, 0xFF}},    {"orange", {0xFF, 0xA5, 0}},
  };
  const std::string lower = LowerAscii(text);
  for (const Named& named : kNames) {
    if (named.name == lower) return named.color;
  }
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  for (char c : text) {
    if (HexDigit(c) < 0) return std::nullopt;
  }
  if (text.size() == 6) {
    auto byte = [&](size_t i) {
      return std::uint8_t(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
    };
    return Color{byte(0), byte(2), byte(4)};
  }
  if (text.size() == 3) {
    auto nibble = [&](size_t i) { return std::uint8_t(HexDigit(text[i]) * 17); };
    return Color{nibble(0), nibble(1), nibble(2)};
  }
  return std::nullopt;
}

Length ParseLength(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  size_t i = 0;
  double value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), 1e9);
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    double place = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      value += (text[i] - '0') * place;
      place /= 10;
      digits = true;
    }
  }
  if (!digits) return {};
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && text[i] == '%') return {Length::Unit::kPercent, std::min(value, 100.0)};
  return {Length::Unit::kPixels, std::min(value, kMaxPixels)};
}

int DisplayList::LinkAt(int x, int y) const {
  for (auto area = linkAreas.rbegin(); area != linkAreas.rend(); ++area) {
    if (area->rect.Contains(x, y)) return area->link;
  }
  return -1;
}

// --- The page ------------------------------------------------------------

DisplayList LayOut(const Document& document, const LayoutOptions& options, TextMeasurer& measurer,
                   const LayoutCallbacks& callbacks) {
  Engine engine(document, options, measurer, callbacks);
  Style style;
  style.font.face = options.fontFace;
  style.SetPoints(std::isfinite(options.fontPoints) ? options.fontPoints : 12);
  style.color = options.textColor;
  style.linkColor = options.linkColor;
  engine.out.background = options.background;

  Px margin[4] = {kBodyMargin, kBodyMargin, kBodyMargin, kBodyMargin};  // left, top, right, bottom
  const NodeId bodyId = document.FindFirst("body");
  if (bodyId != kNoNode) {
    const Node& body = document[bodyId];
    if (auto color = ColorAttribute(body, "text")) style.color = *color;
    if (auto color = ColorAttribute(body, "link")) style.linkColor = *color;
    if (auto color = ColorAttribute(body, "bgcolor")) engine.out.background = *color;
    auto read = [&](std::string_view name, Px& value) {
      const Length length = LengthAttribute(body, name);
      if (length.unit == Length::Unit::kPixels) value = Px(length.value);
    };
    read("marginwidth", margin[0]);
    read("marginwidth", margin[2]);
    read("marginheight", margin[1]);
    read("marginheight", margin[3]);
    read("leftmargin", margin[0]);
    read("topmargin", margin[1]);
    read("rightmargin", margin[2]);
    read("bottommargin", margin[3]);
  }
  for (Px& value : margin) value = engine.Scale(double(value));

  const Px viewWidth = std::max(0, options.width);
  Flow flow(engine, Pass::kLayout, margin[0], std::max<Px>(0, viewWidth - margin[0] - margin[2]),
            margin[1], style, 0);
  flow.AddContentOf(document.Root());
  const Px bottom = flow.Finish();
  engine.out.height = ToInt(bottom + margin[3]);
  engine.out.width = ToInt(std::max(viewWidth, margin[0] + flow.Widest() + margin[2]));
  return std::move(engine.out);
}

}  // namespace hvm::html
