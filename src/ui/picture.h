// Pictures of the interface (PNG, JPEG, GIF, BMP), decoded by the Windows
// Imaging Component into 32-bit bitmaps with premultiplied alpha, scaled with
// a high-quality filter, and drawn with their transparency.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/gdi.h"

namespace hvm::ui {

class Picture {
 public:
  Picture() = default;
  Picture(Picture&&) noexcept = default;
  Picture& operator=(Picture&&) noexcept = default;

  // Decodes encoded picture bytes (the first frame of a GIF); an empty picture
  // when they are not a picture WIC can read.
  static Picture Decode(std::string_view bytes);
  // The picture resource of type "PNG" with this number in the program, or empty.
  static Picture FromResource(int number);
  // A picture of premultiplied 0xAARRGGBB pixels, rows from the top; empty
  // when their number is not width x height.
  static Picture FromPixels(int width, int height, const std::vector<uint32_t>& pixels);

  bool IsEmpty() const { return !bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Bitmap() const { return bitmap_.Get(); }

  // A copy scaled to width x height with a high-quality filter (used to
  // shrink the 2x pictures to the window's DPI once, not at every paint).
  Picture Scaled(int width, int height) const;

  // Draws the part `source` of the picture (its own pixels) into `target`,
  // blending with what is there. Scales with the platform's stretch when the
  // sizes differ; prefer a Scaled copy for that.
  void Draw(HDC dc, const RECT& target, const RECT& source) const;
  void Draw(HDC dc, int x, int y) const;

  // The pixel at (x, y) as 0xAARRGGBB (premultiplied), for tests.
  uint32_t PixelAt(int x, int y) const;

 private:
  ScopedBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
  uint32_t* bits_ = nullptr;  // owned by bitmap_
};

// An icon from the program's icon resources at exactly `size` pixels (the
// platform picks the nearest entry and scales it).
ScopedIcon LoadProgramIcon(int resource, int size);

}  // namespace hvm::ui
