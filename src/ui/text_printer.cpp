#include "ui/text_printer.h"

#include <commdlg.h>

#include <algorithm>

#include "ui/gdi.h"
#include "ui/gdi_text.h"

namespace hvm::ui {
namespace {

// The dialog hands over its printer settings as global memory; they go
// with the printer context.
struct PrintDialogResult {
  ~PrintDialogResult() {
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
    if (dialog.hDC) DeleteDC(dialog.hDC);
  }
  PRINTDLGA dialog{};
};

}  // namespace

int LinesPerPage(int pageHeight, int lineHeight) {
  if (lineHeight <= 0) return 1;
  return std::max(1, pageHeight / lineHeight);
}

PrintResult PrintLines(HWND owner, const std::string& title,
                       const std::vector<std::string>& lines) {
  PrintDialogResult chosen;
  chosen.dialog.lStructSize = sizeof(chosen.dialog);
  chosen.dialog.hwndOwner = owner;
  chosen.dialog.Flags =
      PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  if (!PrintDlgA(&chosen.dialog))
    return CommDlgExtendedError() == 0 ? PrintResult::kCancelled : PrintResult::kFailed;
  HDC dc = chosen.dialog.hDC;
  if (!dc) return PrintResult::kFailed;
  DOCINFOA document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = title.c_str();
  if (StartDocA(dc, &document) <= 0) return PrintResult::kFailed;
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  // A margin of a quarter inch keeps the text off the printer's dead edge.
  const int marginX = GetDeviceCaps(dc, LOGPIXELSX) / 4;
  const int marginY = GetDeviceCaps(dc, LOGPIXELSY) / 4;
  const int perPage = LinesPerPage(GetDeviceCaps(dc, VERTRES) - 2 * marginY, lineHeight);
  bool ok = true;
  for (size_t first = 0; ok && (first < lines.size() || first == 0); first += perPage) {
    ok = StartPage(dc) > 0;
    for (size_t i = first; ok && i < std::min(lines.size(), first + perPage); ++i)
      ok = PutUiText(dc, marginX, marginY + int(i - first) * lineHeight, lines[i]);
    ok = EndPage(dc) > 0 && ok;
    if (lines.empty()) break;
  }
  if (!ok) {
    AbortDoc(dc);
    return PrintResult::kFailed;
  }
  return EndDoc(dc) > 0 ? PrintResult::kPrinted : PrintResult::kFailed;
}

}  // namespace hvm::ui
