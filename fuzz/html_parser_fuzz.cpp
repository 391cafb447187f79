// fuzz-sources: src/ui/html/html_parser.cpp src/ui/html/html_layout.cpp
//
// libFuzzer target for the HTML text view: parses arbitrary bytes as a page
// and lays the page out with a fixed-advance text measurer, at a width and
// DPI scale taken from the input's length. Checks that the display list only
// refers to fonts, links and elements that exist. Seeds: fuzz/corpus/html_parser/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "ui/html/html_layout.h"
#include "ui/html/html_parser.h"

namespace {

using namespace hvm::html;

class FixedAdvance : public TextMeasurer {
 public:
  TextMetrics Measure(const FontSpec& font, std::string_view text) override {
    const long long width = static_cast<long long>(text.size()) * (font.pixelSize / 2 + 1);
    return {int(width > 1000000000 ? 1000000000 : width), font.pixelSize + font.pixelSize / 4,
            font.pixelSize};
  }
};

void Check(bool condition) {
  if (!condition) abort();
}

void CheckList(const Document& document, const DisplayList& list) {
  for (const TextRun& run : list.texts) {
    Check(run.font >= 0 && size_t(run.font) < list.fonts.size());
    Check(run.link >= -1 && run.link < int(list.links.size()));
    Check(run.rect.left <= run.rect.right && run.rect.top <= run.rect.bottom);
  }
  for (const LinkArea& area : list.linkAreas) {
    Check(area.link >= 0 && size_t(area.link) < list.links.size());
  }
  for (const ImageItem& image : list.images) {
    Check(image.element < document.Size() &&
          (document[image.element].Is("img") || document[image.element].Is("image")));
  }
  for (const ControlItem& control : list.controls) {
    Check(control.element < document.Size() && document[control.element].Is("input"));
  }
  Check(list.height >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  const Document document = ParseHtml(html);
  (void)document.Title();

  LayoutCallbacks callbacks;
  callbacks.imageSize = [](std::string_view source) -> std::optional<Size> {
    if (source.size() % 3 == 0) return std::nullopt;  // a picture without a part
    return Size{int(source.size() * 37 % 700), int(source.size() * 13 % 300)};
  };
  callbacks.controlSize = [](NodeId id, const Node&, Size proposed) -> std::optional<Size> {
    if (id % 5 == 0) return std::nullopt;  // a control the page could not create
    if (id % 5 == 1) return Size{proposed.height, proposed.width};
    return proposed;
  };

  constexpr double kScales[] = {1.0, 1.25, 1.5, 2.0};
  LayoutOptions options;
  options.width = size % 7 == 0 ? 0 : int(300 + size % 500);
  options.scale = kScales[size % 4];
  FixedAdvance measurer;
  CheckList(document, LayOut(document, options, measurer, callbacks));
  return 0;
}
