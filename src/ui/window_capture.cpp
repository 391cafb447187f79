#include "ui/window_capture.h"

#include <wincodec.h>

#include <vector>

#include "engine/core/text_encoding.h"
#include "ui/gdi.h"

namespace hvm::ui {
namespace {

bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Receive()))))
    return false;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  const std::wstring file = WideFromText(path);
  if (FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Receive())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Receive(), nullptr)) ||
      FAILED(frame->Initialize(nullptr)) || FAILED(frame->SetSize(width, height)))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (FAILED(frame->SetPixelFormat(&format))) return false;
  return SUCCEEDED(
             frame->WritePixels(height, width * 4, UINT(pixels.size() * 4),
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(pixels.data())))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::string& path) {
  if (!IsWindow(window)) return false;
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return false;
  // The window's own DC reads what the window drew, frame included, without a
  // round trip through the display server.
  HDC source = GetWindowDC(window);
  if (!source) return false;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedMemoryDc memory(CreateCompatibleDC(source));
  bool copied = false;
  if (bitmap && memory) {
    SelectScope select(memory.Get(), bitmap.Get());
    copied = BitBlt(memory.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY) != FALSE;
  }
  ReleaseDC(window, source);
  if (!copied) return false;
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  return WritePng(path, width, height,
                  std::vector<uint32_t>(pixels, pixels + static_cast<size_t>(width) * height));
}

}  // namespace hvm::ui
