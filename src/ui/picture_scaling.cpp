#include "ui/picture_scaling.h"

#include <algorithm>
#include <array>

namespace hvm::ui {
namespace {

// The weights of the source samples each target sample covers along one axis,
// in 1/65536ths of a target sample. Area averaging for shrinking; for
// enlarging, each target sample takes the one source sample under its centre
// blended with its neighbour (bilinear), which keeps edges soft.
struct Tap {
  int index;
  uint32_t weight;
};

std::vector<std::vector<Tap>> Taps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
  if (to <= from) {
    const double step = static_cast<double>(from) / to;
    for (int t = 0; t < to; ++t) {
      const double begin = t * step, end = (t + 1) * step;
      for (int s = static_cast<int>(begin); s < from && s < end; ++s) {
        const double overlap = std::min<double>(s + 1, end) - std::max<double>(s, begin);
        if (overlap > 0)
          taps[t].push_back({s, static_cast<uint32_t>(overlap / step * 65536 + 0.5)});
      }
    }
  } else {
    for (int t = 0; t < to; ++t) {
      const double centre = (t + 0.5) * from / to - 0.5;
      const int left = std::clamp(static_cast<int>(centre < 0 ? -1 : centre), -1, from - 1);
      const double fraction = centre - left;
      const int a = std::max(left, 0), b = std::min(left + 1, from - 1);
      taps[t].push_back({a, static_cast<uint32_t>((1 - fraction) * 65536 + 0.5)});
      taps[t].push_back({b, static_cast<uint32_t>(fraction * 65536 + 0.5)});
    }
  }
  // Rounding may leave the weights a little off 65536; the last tap absorbs it
  // so that a flat colour stays exactly that colour.
  for (auto& row : taps) {
    uint32_t total = 0;
    for (const Tap& tap : row) total += tap.weight;
    if (!row.empty()) row.back().weight += 65536 - total;
  }
  return taps;
}

using Channels = std::array<uint64_t, 4>;

void Accumulate(Channels& sum, uint32_t pixel, uint64_t weight) {
  for (int c = 0; c < 4; ++c) sum[c] += ((pixel >> (8 * c)) & 0xFF) * weight;
}

uint32_t Pack(const Channels& sum, uint64_t scale) {
  uint32_t pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const uint64_t value = std::min<uint64_t>((sum[c] + scale / 2) / scale, 255);
    pixel |= static_cast<uint32_t>(value) << (8 * c);
  }
  return pixel;
}

}  // namespace

std::vector<uint32_t> ScalePixels(const std::vector<uint32_t>& source, int width, int height,
                                  int targetWidth, int targetHeight) {
  if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0 ||
      source.size() < static_cast<size_t>(width) * height)
    return {};
  const auto across = Taps(width, targetWidth);
  const auto down = Taps(height, targetHeight);
  // Horizontal pass into 16.16 fixed-point channels, then the vertical pass.
  std::vector<Channels> rows(static_cast<size_t>(targetWidth) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < targetWidth; ++x) {
      Channels sum{};
      for (const Tap& tap : across[x])
        Accumulate(sum, source[static_cast<size_t>(y) * width + tap.index], tap.weight);
      rows[static_cast<size_t>(y) * targetWidth + x] = sum;
    }
  std::vector<uint32_t> target(static_cast<size_t>(targetWidth) * targetHeight);
  for (int y = 0; y < targetHeight; ++y)
    for (int x = 0; x < targetWidth; ++x) {
      Channels sum{};
      for (const Tap& tap : down[y]) {
        const Channels& row = rows[static_cast<size_t>(tap.index) * targetWidth + x];
        for (int c = 0; c < 4; ++c) sum[c] += row[c] * tap.weight;
      }
      target[static_cast<size_t>(y) * targetWidth + x] = Pack(sum, 65536ull * 65536ull);
    }
  return target;
}

FittedBox FitCentred(int pictureWidth, int pictureHeight, int width, int height) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) return {};
  // Compare width / pictureWidth with height / pictureHeight without division.
  const int64_t byWidth = int64_t(width) * pictureHeight, byHeight = int64_t(height) * pictureWidth;
  FittedBox box;
  if (byWidth <= byHeight) {
    box.width = width;
    box.height = static_cast<int>((byWidth + pictureWidth / 2) / pictureWidth);
  } else {
    box.height = height;
    box.width = static_cast<int>((byHeight + pictureHeight / 2) / pictureHeight);
  }
  box.width = std::max(box.width, 1);
  box.height = std::max(box.height, 1);
  box.x = (width - box.width) / 2;
  box.y = (height - box.height) / 2;
  return box;
}

}  // namespace hvm::ui
