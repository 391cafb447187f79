// What every window program of ours does first: the environment, COM, the
// common controls, DPI awareness, the theme from the interface font, and the
// error handler that shows what a window procedure caught.
#pragma once

namespace hvm {

void StartGui();

}  // namespace hvm
