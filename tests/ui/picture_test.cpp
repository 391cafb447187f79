#include "ui/picture.h"

#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/picture_ids.h"
#include "ui/picture_scaling.h"

namespace hvm::ui {
namespace {

void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// A PNG of RGBA pixels (straight alpha, as PNG stores them).
std::string Png(int width, int height, const std::vector<uint32_t>& rgba) {
  auto chunk = [](std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    PutBigEndian(out, crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
  };
  std::string header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header += std::string("\x08\x06\x00\x00\x00", 5);
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    for (int x = 0; x < width; ++x) {
      const uint32_t p = rgba[static_cast<size_t>(y) * width + x];
      raw += static_cast<char>(p >> 24);  // r
      raw += static_cast<char>(p >> 16);  // g
      raw += static_cast<char>(p >> 8);   // b
      raw += static_cast<char>(p);        // a
    }
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size,
           reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
  packed.resize(size);
  std::string png("\x89PNG\r\n\x1a\n", 8);
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  return png;
}

TEST(Picture, DecodesPngWithPremultipliedAlpha) {
  // Opaque red, half-transparent white, transparent, opaque blue.
  const Picture picture =
      Picture::Decode(Png(2, 2, {0xFF0000FF, 0xFFFFFF80, 0x00000000, 0x0000FFFF}));
  ASSERT_FALSE(picture.IsEmpty());
  EXPECT_EQ(2, picture.Width());
  EXPECT_EQ(2, picture.Height());
  EXPECT_EQ(0xFFFF0000u, picture.PixelAt(0, 0));
  EXPECT_EQ(0x80808080u, picture.PixelAt(1, 0));
  EXPECT_EQ(0x00000000u, picture.PixelAt(0, 1));
  EXPECT_EQ(0xFF0000FFu, picture.PixelAt(1, 1));
  EXPECT_EQ(0u, picture.PixelAt(2, 0));
}

TEST(Picture, BadBytesGiveAnEmptyPicture) {
  EXPECT_TRUE(Picture::Decode("").IsEmpty());
  EXPECT_TRUE(Picture::Decode("not a picture at all").IsEmpty());
  std::string cut = Png(4, 4, std::vector<uint32_t>(16, 0xFF0000FF));
  cut.resize(cut.size() / 2);
  EXPECT_TRUE(Picture::Decode(cut).IsEmpty());
  EXPECT_TRUE(Picture::FromResource(31999).IsEmpty());
}

TEST(Picture, ScaledCopyAveragesAndKeepsFlatColours) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) pixels.push_back((x + y) % 2 ? 0xFFFFFFFF : 0x000000FF);
  const Picture checker = Picture::Decode(Png(4, 4, pixels));
  const Picture half = checker.Scaled(2, 2);
  ASSERT_FALSE(half.IsEmpty());
  // Black and white in equal parts: mid grey, fully opaque.
  EXPECT_EQ(0xFF808080u, half.PixelAt(0, 0));
  EXPECT_EQ(0xFF808080u, half.PixelAt(1, 1));
  EXPECT_TRUE(checker.Scaled(0, 2).IsEmpty());
  EXPECT_TRUE(Picture().Scaled(2, 2).IsEmpty());
}

TEST(PictureScaling, FlatColourStaysExactAtEveryRatio) {
  const std::vector<uint32_t> flat(12 * 12, 0xC0405060);
  for (int target : {1, 5, 8, 9, 12, 18, 25}) {
    const std::vector<uint32_t> scaled = ScalePixels(flat, 12, 12, target, target);
    ASSERT_EQ(static_cast<size_t>(target * target), scaled.size());
    for (uint32_t p : scaled) ASSERT_EQ(0xC0405060u, p) << target;
  }
}

TEST(PictureScaling, ShrinkingTwoToThreeWeighsCoveredArea) {
  // One row: 0, 90, 180 shrunk to 2 pixels: each covers 1.5 sources.
  const std::vector<uint32_t> row = {0xFF000000, 0xFF00005A, 0xFF0000B4};
  const std::vector<uint32_t> two = ScalePixels(row, 3, 1, 2, 1);
  ASSERT_EQ(2u, two.size());
  EXPECT_EQ(0xFF00001Eu, two[0]);  // (0 + 90 / 2) / 1.5 = 30
  EXPECT_EQ(0xFF000096u, two[1]);  // (90 / 2 + 180) / 1.5 = 150
}

// A picture fitted to an area keeps its proportions: it fills the area's
// width or its height, whichever is reached first, and is centred across the
// other.
TEST(PictureScaling, FitCentredKeepsTheProportionsAndCentres) {
  struct Case {
    int pictureWidth, pictureHeight, width, height;
    FittedBox expected;
  };
  const Case cases[] = {
      {1200, 920, 600, 460, {0, 0, 600, 460}},  // the same proportions, half the size
      {1200, 920, 597, 460, {0, 1, 597, 458}},  // a little narrower: width first
      {1200, 920, 895, 690, {0, 2, 895, 686}},  // the page at 144 dpi
      {100, 50, 300, 300, {0, 75, 300, 150}},   // wide picture in a square
      {50, 100, 300, 300, {75, 0, 150, 300}},   // tall picture in a square
      {1000, 1, 10, 10, {0, 4, 10, 1}},         // a sliver keeps one pixel
  };
  for (const Case& c : cases) {
    const FittedBox box = FitCentred(c.pictureWidth, c.pictureHeight, c.width, c.height);
    EXPECT_EQ(c.expected.x, box.x) << c.pictureWidth << "x" << c.pictureHeight << " in " << c.width;
    EXPECT_EQ(c.expected.y, box.y) << c.pictureWidth << "x" << c.pictureHeight << " in " << c.width;
    EXPECT_EQ(c.expected.width, box.width) << c.pictureWidth << " in " << c.width;
    EXPECT_EQ(c.expected.height, box.height) << c.pictureWidth << " in " << c.width;
  }
  for (const auto& [pw, ph, w, h] : {std::array{0, 10, 10, 10}, std::array{10, -1, 10, 10},
                                     std::array{10, 10, 0, 10}, std::array{10, 10, 10, -5}}) {
    const FittedBox box = FitCentred(pw, ph, w, h);
    EXPECT_EQ(0, box.width);
    EXPECT_EQ(0, box.height);
  }
}

TEST(PictureScaling, BadSizesGiveNothing) {
  const std::vector<uint32_t> four(4, 0xFFFFFFFF);
  EXPECT_TRUE(ScalePixels(four, 2, 2, 0, 1).empty());
  EXPECT_TRUE(ScalePixels(four, 0, 2, 1, 1).empty());
  EXPECT_TRUE(ScalePixels(four, 3, 2, 1, 1).empty());  // fewer pixels than 3 x 2
  EXPECT_EQ(1u, ScalePixels(four, 2, 2, 1, 1).size());
}

}  // namespace
}  // namespace hvm::ui

namespace hvm::ui {
namespace {

TEST(ProgramPictures, EveryNumberedPictureLoadsAtTwiceItsSize) {
  std::vector<int> numbers = {pictures::kMenuRow,          pictures::kMenuMarker,
                              pictures::kTopBand,          pictures::kLogo,
                              pictures::kSplash,           pictures::kAnimation,
                              pictures::kCheckUnchecked,   pictures::kCheckChecked,
                              pictures::kCheckPartial,     pictures::kArrowCollapsed,
                              pictures::kArrowExpanded,    pictures::kCaution,
                              pictures::kContinueButton,   pictures::kRepairButton,
                              pictures::kBackupButton,     pictures::kReportEmblem,
                              pictures::kReportBackground, pictures::kCopyDetailsButton,
                              pictures::kOpenFolderButton};
  numbers.insert(numbers.end(), std::begin(pictures::kButtonStrips),
                 std::end(pictures::kButtonStrips));
  numbers.insert(numbers.end(), std::begin(pictures::kMenuIcons), std::end(pictures::kMenuIcons));
  for (int number : numbers) {
    const Picture picture = Picture::FromResource(number);
    ASSERT_FALSE(picture.IsEmpty()) << number;
    EXPECT_EQ(0, picture.Width() % 2) << number;
    EXPECT_EQ(0, picture.Height() % 2) << number;
  }
  // Button strips hold four equal states.
  for (int strip :
       {100, pictures::kContinueButton, pictures::kRepairButton, pictures::kBackupButton,
        pictures::kCopyDetailsButton, pictures::kOpenFolderButton})
    EXPECT_EQ(0, Picture::FromResource(strip).Width() % 8) << strip;
  EXPECT_EQ(12, Picture::FromResource(pictures::kAnimation).Width() /
                    Picture::FromResource(pictures::kAnimation).Height());
}

TEST(ProgramPictures, TheIconHasItsSmallAndLargeSizes) {
  for (int size : {16, 24, 32, 48, 256}) {
    ScopedIcon icon = LoadProgramIcon(pictures::kProgramIcon, size);
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(size, bitmap.bmWidth);
  }
}

}  // namespace
}  // namespace hvm::ui
