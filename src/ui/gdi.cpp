#include "ui/gdi.h"

namespace hvm::ui {

BufferedPaint::BufferedPaint(HWND window) : paint_(window) {
  GetClientRect(window, &client_);
  memory_.Reset(CreateCompatibleDC(paint_.Get()));
  canvas_.Reset(CreateCompatibleBitmap(paint_.Get(), client_.right, client_.bottom));
  if (memory_ && canvas_) previous_ = SelectObject(memory_.Get(), canvas_.Get());
}

BufferedPaint::~BufferedPaint() {
  if (!memory_ || !canvas_) return;
  BitBlt(paint_.Get(), 0, 0, client_.right, client_.bottom, memory_.Get(), 0, 0, SRCCOPY);
  SelectObject(memory_.Get(), previous_);
}

}  // namespace hvm::ui
