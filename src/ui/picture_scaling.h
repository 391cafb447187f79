// Shrinking and enlarging 32-bit pictures by area averaging: each target pixel
// is the mean of the source area it covers. Pure pixel arithmetic, no Windows
// header, so that it also builds and runs natively.
#pragma once

#include <cstdint>
#include <vector>

namespace hvm::ui {

// Pixels are 0xAARRGGBB with premultiplied alpha, rows top to bottom without
// padding. Returns targetWidth * targetHeight pixels; empty when either size is
// not positive or `source` holds fewer than width * height pixels.
std::vector<uint32_t> ScalePixels(const std::vector<uint32_t>& source, int width, int height,
                                  int targetWidth, int targetHeight);

// Where a picture of pictureWidth x pictureHeight goes to fill as much of an
// area of width x height as its proportions allow, centred in the area.
struct FittedBox {
  int x = 0, y = 0, width = 0, height = 0;
};
// Empty (all 0) when any size is not positive.
FittedBox FitCentred(int pictureWidth, int pictureHeight, int width, int height);

}  // namespace hvm::ui
