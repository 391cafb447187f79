#include "ui/button_band.h"

#include "ui/gdi.h"
#include "ui/theme.h"

namespace hvm::ui {

void PaintButtonBand(HDC dc, const RECT& client, int bandTop) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  RECT band = client;
  band.top = bandTop;
  ScopedBrush grey(
      CreateSolidBrush(HighContrast() ? GetSysColor(COLOR_BTNFACE) : RGB(240, 240, 240)));
  FillRect(dc, &band, grey.Get());
  RECT rule = band;
  rule.bottom = rule.top + 1;
  ScopedBrush line(CreateSolidBrush(ForeColour(RGB(223, 223, 223))));
  FillRect(dc, &rule, line.Get());
}

}  // namespace hvm::ui
