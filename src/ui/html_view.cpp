#include "ui/html_view.h"
#include "ui/gdi_text.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace hvm::ui {
namespace {

constexpr int kLineStep = 20;  // 96-dpi pixels per scroll-bar arrow click

COLORREF ToColorref(const html::Color& c) {
  return RGB(c.r, c.g, c.b);
}

RECT ToRect(const html::Rect& r, int scroll) {
  return {r.left, r.top - scroll, r.right, r.bottom - scroll};
}

ScopedFont CreateHtmlFont(const html::FontSpec& fontSpec) {
  return CreatePixelFont(fontSpec.face, fontSpec.pixelSize, fontSpec.bold, fontSpec.italic,
                         fontSpec.underline);
}

}  // namespace

// Measures with GDI in the same fonts the painter draws with.
class HtmlView::Measurer : public html::TextMeasurer {
 public:
  Measurer() : dc_(CreateCompatibleDC(nullptr)) {}
  html::TextMetrics Measure(const html::FontSpec& fontSpec, std::string_view text) override {
    auto found = fonts_.find(fontSpec);
    if (found == fonts_.end()) found = fonts_.emplace(fontSpec, CreateHtmlFont(fontSpec)).first;
    SelectScope select(dc_.Get(), found->second.Get());
    const SIZE size = MeasureUiText(dc_.Get(), text);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc_.Get(), &metrics);
    return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight),
            static_cast<int>(metrics.tmAscent)};
  }

 private:
  ScopedMemoryDc dc_;
  std::map<html::FontSpec, ScopedFont> fonts_;
};

bool HtmlView::Create(HWND parent, const CreateArgs& args) {
  Window::CreateArgs window;
  window.className = "HivemendHtmlView";
  window.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN;
  window.parent = parent;
  window.bounds = args.bounds;
  window.id = args.id;
  return CreateWindowOf(window);
}

void HtmlView::DestroyControls() {
  for (auto& [element, control] : controls_)
    if (control && IsWindow(control)) DestroyWindow(control);
  controls_.clear();
}

void HtmlView::Clear() {
  DestroyControls();
  document_.reset();
  layout_ = {};
  pictures_.clear();
  scaledPictures_.clear();
  fonts_.clear();
  scroll_ = 0;
  layoutWidth_ = -1;
  UpdateScrollBar();
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void HtmlView::LoadHtml(std::string_view html) {
  Clear();
  document_ = std::make_unique<html::Document>(html::ParseHtml(html));
  Relayout();
}

std::vector<HWND> HtmlView::Controls() const {
  std::vector<HWND> windows;
  for (const html::ControlItem& item : layout_.controls) {
    const auto found = controls_.find(item.element);
    if (found != controls_.end() && found->second) windows.push_back(found->second);
  }
  return windows;
}

std::optional<html::Size> HtmlView::ImageSize(std::string_view source) {
  auto found = pictures_.find(source);
  if (found == pictures_.end()) {
    Picture picture;
    if (imageRequest)
      if (const std::optional<std::string> bytes = imageRequest(source))
        picture = Picture::Decode(*bytes);
    found = pictures_.emplace(std::string(source), std::move(picture)).first;
  }
  if (found->second.IsEmpty()) return std::nullopt;
  return html::Size{found->second.Width(), found->second.Height()};
}

std::optional<html::Size> HtmlView::ControlSize(html::NodeId element, const html::Node& node,
                                                html::Size proposed) {
  auto found = controls_.find(element);
  if (found == controls_.end()) {
    if (!createControl) return std::nullopt;
    EmbeddedControlRequest request;
    for (const html::Attribute& attribute : node.attributes) {
      request.attributes.emplace_back(attribute.name, attribute.value);
      if (attribute.name == "type" && request.type.empty())
        request.type = html::LowerAscii(attribute.value);
    }
    request.proposed = {proposed.width, proposed.height};
    // Asked once per element and page: a refusal is remembered too.
    found = controls_.emplace(element, createControl(*this, request)).first;
  }
  if (!found->second) return std::nullopt;
  RECT bounds{};
  GetWindowRect(found->second, &bounds);
  return html::Size{Width(bounds), Height(bounds)};
}

void HtmlView::Relayout() {
  if (!Hwnd()) return;
  const RECT client = ClientRect();
  if (!document_) {
    layout_ = {};
    layoutWidth_ = Width(client);
    UpdateScrollBar();
    return;
  }
  html::LayoutOptions options;
  options.scale = CurrentDpi().Value() / 96.0;
  options.fontFace = CurrentTheme().fontFace;
  html::LayoutCallbacks callbacks;
  callbacks.imageSize = [this](std::string_view source) { return ImageSize(source); };
  callbacks.controlSize = [this](html::NodeId element, const html::Node& node,
                                 html::Size proposed) {
    return ControlSize(element, node, proposed);
  };
  Measurer measurer;
  // Laid out for the whole width first; a page taller than the view is laid
  // out again beside the scroll bar it then gets.
  const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
  const bool barShown = (GetWindowLongA(Hwnd(), GWL_STYLE) & WS_VSCROLL) != 0;
  options.width = Width(client) + (barShown ? barWidth : 0);
  layout_ = html::LayOut(*document_, options, measurer, callbacks);
  if (layout_.height > Height(client) && options.width > barWidth) {
    options.width -= barWidth;
    layout_ = html::LayOut(*document_, options, measurer, callbacks);
  }
  layoutWidth_ = options.width;
  fonts_.clear();
  fonts_.resize(layout_.fonts.size());
  scaledPictures_.clear();
  UpdateScrollBar();
  PlaceControls();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

std::vector<HtmlView::TextPart> HtmlView::TextParts() const {
  std::vector<TextPart> parts;
  for (const html::TextRun& run : layout_.texts) {
    TextPart* last = parts.empty() ? nullptr : &parts.back();
    const bool sameLine = last && last->rect.top == run.rect.top && last->link == run.link &&
                          run.rect.left >= last->rect.right - 1;
    if (!sameLine) {
      parts.push_back({run.text, run.rect, run.link});
      continue;
    }
    // Words laid out apart are read apart.
    if (run.rect.left > last->rect.right && !last->text.empty() && last->text.back() != ' ' &&
        !run.text.empty() && run.text.front() != ' ')
      last->text += ' ';
    last->text += run.text;
    last->rect.right = std::max(last->rect.right, run.rect.right);
    last->rect.bottom = std::max(last->rect.bottom, run.rect.bottom);
  }
  // Blank runs make no line of their own.
  parts.erase(std::remove_if(parts.begin(), parts.end(),
                             [](const TextPart& part) {
                               return part.text.find_first_not_of(' ') == std::string::npos;
                             }),
              parts.end());
  return parts;
}

std::vector<long> HtmlView::Parts() const {
  std::vector<long> parts(TextParts().size());
  for (size_t i = 0; i < parts.size(); ++i) parts[i] = static_cast<long>(i + 1);
  return parts;
}

bool HtmlView::HasPart(long part) const {
  return part >= 1 && part <= static_cast<long>(TextParts().size());
}

AccessibleInfo HtmlView::Describe(long part) const {
  AccessibleInfo info;
  if (part == kSelf) {
    info.name = Title();
    info.role = ROLE_SYSTEM_DOCUMENT;
    info.state = STATE_SYSTEM_READONLY;
    return info;
  }
  const TextPart text = TextParts()[static_cast<size_t>(part - 1)];
  info.name = text.text;
  const size_t first = info.name.find_first_not_of(' ');
  info.name.erase(0, first);
  while (!info.name.empty() && info.name.back() == ' ') info.name.pop_back();
  info.role = text.link >= 0 ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
  info.state = STATE_SYSTEM_READONLY;
  if (text.link >= 0) {
    info.state = STATE_SYSTEM_LINKED;
    info.value = layout_.links[static_cast<size_t>(text.link)];
    info.defaultAction = "Jump";
  }
  const RECT client = ClientRect();
  const RECT shown = ToRect(text.rect, scroll_);
  if (shown.bottom <= client.top || shown.top >= client.bottom)
    info.state |= STATE_SYSTEM_OFFSCREEN;
  info.bounds = ClientOnScreen(Hwnd(), shown);
  return info;
}

bool HtmlView::DoDefaultAction(long part) {
  if (!HasPart(part)) return false;
  const int link = TextParts()[static_cast<size_t>(part - 1)].link;
  if (link < 0 || link >= static_cast<int>(layout_.links.size())) return false;
  if (onLink) onLink(layout_.links[static_cast<size_t>(link)]);
  return true;
}

long HtmlView::PartAt(POINT screen) const {
  ScreenToClient(Hwnd(), &screen);
  const std::vector<TextPart> parts = TextParts();
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i].rect.Contains(screen.x, screen.y + scroll_)) return static_cast<long>(i + 1);
  return kSelf;
}

void HtmlView::UpdateScrollBar() {
  if (!Hwnd()) return;
  const RECT client = ClientRect();
  SCROLLINFO info{sizeof(info)};
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(layout_.height - 1, 0);
  info.nPage = static_cast<UINT>(std::max(Height(client), 0));
  scroll_ = std::clamp(scroll_, 0, std::max(layout_.height - Height(client), 0));
  info.nPos = scroll_;
  SetScrollInfo(Hwnd(), SB_VERT, &info, TRUE);
}

void HtmlView::PlaceControls() {
  for (const html::ControlItem& item : layout_.controls) {
    const auto found = controls_.find(item.element);
    if (found == controls_.end() || !found->second) continue;
    SetWindowPos(found->second, nullptr, item.rect.left, item.rect.top - scroll_, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void HtmlView::ScrollTo(int position) {
  const int limit = std::max(layout_.height - Height(ClientRect()), 0);
  const int clamped = std::clamp(position, 0, limit);
  if (clamped == scroll_) return;
  scroll_ = clamped;
  SetScrollPos(Hwnd(), SB_VERT, scroll_, TRUE);
  PlaceControls();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void HtmlView::OnDpiChanged(Dpi) {
  pictures_.clear();
  Relayout();
}

HFONT HtmlView::FontFor(int index) {
  if (index < 0 || index >= static_cast<int>(layout_.fonts.size())) return nullptr;
  if (fonts_.size() != layout_.fonts.size()) fonts_.resize(layout_.fonts.size());
  if (!fonts_[index]) fonts_[index] = CreateHtmlFont(layout_.fonts[index]);
  return fonts_[index].Get();
}

const Picture* HtmlView::PictureFor(const html::ImageItem& image) {
  const auto source = pictures_.find(image.source);
  if (source == pictures_.end() || source->second.IsEmpty()) return nullptr;
  const SIZE size{image.rect.Width(), image.rect.Height()};
  const std::string key =
      image.source + "@" + std::to_string(size.cx) + "x" + std::to_string(size.cy);
  auto scaled = scaledPictures_.find(key);
  if (scaled == scaledPictures_.end())
    scaled = scaledPictures_.emplace(key, std::pair{size, source->second.Scaled(size.cx, size.cy)})
                 .first;
  return scaled->second.second.IsEmpty() ? nullptr : &scaled->second.second;
}

void HtmlView::PaintPage(HDC dc, const RECT& client) {
  // High contrast: the page's own colours give way to the system's; cell and
  // band fills are left out, links take the system's link colour.
  const bool plain = HighContrast();
  ScopedBrush background(CreateSolidBrush(BackColour(ToColorref(layout_.background))));
  FillRect(dc, &client, background.Get());
  for (const html::FillItem& fill : layout_.fills) {
    if (plain) break;
    ScopedBrush brush(CreateSolidBrush(ToColorref(fill.color)));
    const RECT r = ToRect(fill.rect, scroll_);
    FillRect(dc, &r, brush.Get());
  }
  for (const html::RuleItem& rule : layout_.rules) {
    RECT r = ToRect(rule.rect, scroll_);
    if (rule.solid) {
      ScopedBrush brush(CreateSolidBrush(ForeColour(ToColorref(rule.color))));
      FillRect(dc, &r, brush.Get());
    } else {
      DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
    }
  }
  for (const html::ImageItem& image : layout_.images)
    if (const Picture* picture = PictureFor(image))
      picture->Draw(dc, ToRect(image.rect, scroll_),
                    MakeRect(0, 0, picture->Width(), picture->Height()));
  for (const html::BulletItem& bullet : layout_.bullets) {
    const RECT r = ToRect(bullet.rect, scroll_);
    ScopedBrush brush(CreateSolidBrush(ForeColour(ToColorref(bullet.color))));
    ScopedPen pen(CreatePen(PS_SOLID, 1, ForeColour(ToColorref(bullet.color))));
    SelectScope selectPen(dc, pen.Get());
    SelectScope selectBrush(dc, bullet.shape == html::BulletItem::Shape::kCircle
                                    ? GetStockObject(NULL_BRUSH)
                                    : static_cast<HGDIOBJ>(brush.Get()));
    if (bullet.shape == html::BulletItem::Shape::kSquare)
      Rectangle(dc, r.left, r.top, r.right, r.bottom);
    else
      Ellipse(dc, r.left, r.top, r.right, r.bottom);
  }
  SetBkMode(dc, TRANSPARENT);
  for (const html::TextRun& run : layout_.texts) {
    const RECT r = ToRect(run.rect, scroll_);
    if (r.bottom < client.top || r.top > client.bottom) continue;
    SelectScope font(dc, FontFor(run.font));
    SetTextColor(dc, plain && run.link >= 0 ? GetSysColor(COLOR_HOTLIGHT)
                                            : ForeColour(ToColorref(run.color)));
    PutUiText(dc, r.left, r.top, run.text);
  }
}

void HtmlView::Paint() {
  BufferedPaint paint(Hwnd());
  if (paint.Dc()) PaintPage(paint.Dc(), paint.Client());
}

LRESULT HtmlView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      if (LOWORD(lParam) != layoutWidth_)
        Relayout();
      else
        UpdateScrollBar();
      return 0;
    case WM_VSCROLL: {
      SCROLLINFO info{sizeof(info), SIF_ALL};
      GetScrollInfo(Hwnd(), SB_VERT, &info);
      const int line = CurrentDpi().Scale(kLineStep);
      const int page = Height(ClientRect());
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollTo(scroll_ - line); break;
        case SB_LINEDOWN: ScrollTo(scroll_ + line); break;
        case SB_PAGEUP: ScrollTo(scroll_ - page); break;
        case SB_PAGEDOWN: ScrollTo(scroll_ + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollTo(info.nTrackPos); break;
        case SB_TOP: ScrollTo(0); break;
        case SB_BOTTOM: ScrollTo(layout_.height); break;
        default: break;
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollTo(scroll_ -
               GET_WHEEL_DELTA_WPARAM(wParam) * 3 * CurrentDpi().Scale(kLineStep) / WHEEL_DELTA);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == Hwnd()) {
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(Hwnd(), &point);
        if (layout_.LinkAt(point.x, point.y + scroll_) >= 0) {
          SetCursor(LoadCursorA(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      return Window::OnMessage(message, wParam, lParam);
    case WM_LBUTTONUP: {
      const int link = layout_.LinkAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) + scroll_);
      if (link >= 0 && link < static_cast<int>(layout_.links.size()) && onLink)
        onLink(layout_.links[link]);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // Embedded controls sit on the page's own background.
      if (Control::FromHwnd(reinterpret_cast<HWND>(lParam)))
        return Window::OnMessage(message, wParam, lParam);
      SetBkColor(reinterpret_cast<HDC>(wParam), BackColour(ToColorref(layout_.background)));
      return reinterpret_cast<LRESULT>(PageBrush());
    }
    case WM_DESTROY: DestroyControls(); return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm::ui
