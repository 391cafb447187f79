// The HTML text view: a child window that loads HTML text, lays it out for its
// width and DPI (ui/html), paints it double-buffered with a vertical scroll bar
// when the page is taller than the view, asks back for pictures and for the
// controls of input elements it does not know, and reports link clicks.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/accessible.h"
#include "ui/html/html_layout.h"
#include "ui/html/html_parser.h"
#include "ui/picture.h"
#include "ui/window.h"

namespace hvm::ui {

// What the view knows of an embedded control's element.
struct EmbeddedControlRequest {
  std::string type;  // the input's type attribute, lower-case
  std::vector<std::pair<std::string, std::string>> attributes;  // name (lower-case), value
  SIZE proposed{};  // its width and height attributes (105 x 20 when absent), scaled
};

class HtmlView : public Window, private AccessibleModel {
 public:
  struct CreateArgs {
    RECT bounds{};
    int id = 0;
  };
  [[nodiscard]] bool Create(HWND parent, const CreateArgs& args);

  // Replaces the page: destroys the controls of the previous one, parses the
  // text, creates the new page's controls and paints.
  void LoadHtml(std::string_view html);
  void Clear();
  std::string Title() const { return document_ ? document_->Title() : std::string(); }

  // The encoded picture (PNG, JPEG, GIF, BMP) an img element's src names, or
  // nothing. Asked once per address and page.
  std::function<std::optional<std::string>(std::string_view address)> imageRequest;
  // Makes the control for an input element of a type the view does not know;
  // returns the new child window of the view (placed by the view), or null.
  std::function<HWND(HtmlView& view, const EmbeddedControlRequest& request)> createControl;
  // A link was clicked.
  std::function<void(const std::string& href)> onLink;

  const html::DisplayList& Layout() const { return layout_; }
  int ScrollPosition() const { return scroll_; }
  void ScrollTo(int position);
  // The embedded controls in document order.
  std::vector<HWND> Controls() const;

  // What screen readers read: the runs of one line joined, a link's runs on
  // their own; page coordinates.
  struct TextPart {
    std::string text;
    html::Rect rect;
    int link = -1;
  };
  std::vector<TextPart> TextParts() const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(Dpi dpi) override;
  AccessibleModel* Accessibility() override { return this; }

 private:
  // AccessibleModel: part n is TextParts()[n - 1].
  std::vector<long> Parts() const override;
  bool HasPart(long part) const override;
  AccessibleInfo Describe(long part) const override;
  bool DoDefaultAction(long part) override;
  long PartAt(POINT screen) const override;

  class Measurer;
  void Relayout();
  void PlaceControls();
  void UpdateScrollBar();
  void Paint();
  void PaintPage(HDC dc, const RECT& client);
  HFONT FontFor(int index);
  const Picture* PictureFor(const html::ImageItem& image);
  std::optional<html::Size> ImageSize(std::string_view source);
  std::optional<html::Size> ControlSize(html::NodeId element, const html::Node& node,
                                        html::Size proposed);
  void DestroyControls();

  std::unique_ptr<html::Document> document_;
  html::DisplayList layout_;
  int scroll_ = 0;
  int layoutWidth_ = -1;
  std::map<std::string, Picture, std::less<>> pictures_;  // decoded, as drawn
  std::map<std::string, std::pair<SIZE, Picture>, std::less<>> scaledPictures_;
  std::map<html::NodeId, HWND> controls_;
  std::vector<ScopedFont> fonts_;  // index as in layout_.fonts
};

}  // namespace hvm::ui
