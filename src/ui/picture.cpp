#include "ui/picture.h"

#include <wincodec.h>

#include <cstring>
#include <vector>

#include "ui/picture_scaling.h"

namespace hvm::ui {
namespace {

// One imaging factory per thread; COM is initialised for the thread first if
// nobody did so yet (the scope ends with the thread).
IWICImagingFactory* Factory() {
  thread_local ComScope com;
  thread_local ComPtr<IWICImagingFactory> factory;
  if (!factory)
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(factory.Receive()));
  return factory.Get();
}

// A top-down 32-bit DIB section; `bits` receives its pixels.
HBITMAP CreatePixelBitmap(int width, int height, uint32_t** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  *bits = static_cast<uint32_t*>(pixels);
  return bitmap;
}

}  // namespace

Picture Picture::Decode(std::string_view bytes) {
  Picture picture;
  IWICImagingFactory* factory = Factory();
  if (!factory || bytes.empty() || bytes.size() > 0x7FFFFFFF) return picture;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                          DWORD(bytes.size()))))
    return picture;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Receive())))
    return picture;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Receive()))) return picture;
  ComPtr<IWICBitmapSource> converted;
  if (FAILED(
          WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), converted.Receive())))
    return picture;
  UINT width = 0, height = 0;
  if (FAILED(converted->GetSize(&width, &height)) || !width || !height || width > 16384 ||
      height > 16384)
    return picture;
  uint32_t* bits = nullptr;
  ScopedBitmap bitmap(CreatePixelBitmap(int(width), int(height), &bits));
  if (!bitmap) return picture;
  if (FAILED(converted->CopyPixels(nullptr, width * 4, width * height * 4,
                                   reinterpret_cast<BYTE*>(bits))))
    return picture;
  picture.bitmap_ = std::move(bitmap);
  picture.bits_ = bits;
  picture.width_ = int(width);
  picture.height_ = int(height);
  return picture;
}

Picture Picture::FromResource(int number) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(number), "PNG");
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return Decode(std::string_view(static_cast<const char*>(data), SizeofResource(module, found)));
}

Picture Picture::FromPixels(int width, int height, const std::vector<uint32_t>& pixels) {
  Picture picture;
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height)
    return picture;
  uint32_t* bits = nullptr;
  ScopedBitmap bitmap(CreatePixelBitmap(width, height, &bits));
  if (!bitmap) return picture;
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
  picture.bitmap_ = std::move(bitmap);
  picture.bits_ = bits;
  picture.width_ = width;
  picture.height_ = height;
  return picture;
}

Picture Picture::Scaled(int width, int height) const {
  if (IsEmpty() || width <= 0 || height <= 0) return {};
  std::vector<uint32_t> source(bits_, bits_ + static_cast<size_t>(width_) * height_);
  return FromPixels(width, height, ScalePixels(source, width_, height_, width, height));
}

void Picture::Draw(HDC dc, const RECT& target, const RECT& source) const {
  if (IsEmpty()) return;
  ScopedMemoryDc memory(CreateCompatibleDC(dc));
  if (!memory) return;
  SelectScope select(memory.Get(), bitmap_.Get());
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             memory.Get(), source.left, source.top, source.right - source.left,
             source.bottom - source.top, blend);
}

void Picture::Draw(HDC dc, int x, int y) const {
  Draw(dc, RECT{x, y, x + width_, y + height_}, RECT{0, 0, width_, height_});
}

uint32_t Picture::PixelAt(int x, int y) const {
  if (IsEmpty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x];
}

ScopedIcon LoadProgramIcon(int resource, int size) {
  return ScopedIcon(
      static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

}  // namespace hvm::ui
