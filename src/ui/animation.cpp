#include "ui/animation.h"

#include <oleacc.h>

namespace hvm::ui {
namespace {
constexpr UINT_PTR kTimer = 1;
}

bool Animation::Create(HWND parent, const CreateArgs& args) {
  strip_ = args.strip;
  name_ = args.name;
  const Dpi dpi = Dpi::ForWindow(parent);
  Window::CreateArgs window;
  window.className = "HivemendAnimation";
  window.style = WS_CHILD | WS_VISIBLE;
  window.parent = parent;
  window.bounds = MakeRect(args.origin.x, args.origin.y, dpi.Scale(kSize), dpi.Scale(kSize));
  return CreateWindowOf(window);
}

int Animation::FrameCount() const {
  return strip_ && strip_->Height() > 0 ? strip_->Width() / strip_->Height() : 0;
}

void Animation::OnDpiChanged(Dpi dpi) {
  const int side = dpi.Scale(kSize);
  scaled_ = strip_ ? strip_->Scaled(side * FrameCount(), side) : Picture();
  if (Hwnd())
    SetWindowPos(Hwnd(), nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Animation::Start() {
  if (running_ || FrameCount() == 0) return;
  running_ = SetTimer(Hwnd(), kTimer, kFrameMilliseconds, nullptr) != 0;
  if (running_) RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
}

void Animation::Stop() {
  if (!running_) return;
  KillTimer(Hwnd(), kTimer);
  running_ = false;
  RaiseAccessibleEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), kSelf);
}

AccessibleInfo Animation::Describe(long) const {
  AccessibleInfo info;
  info.name = name_;
  info.role = ROLE_SYSTEM_ANIMATION;
  info.state = STATE_SYSTEM_READONLY | (running_ ? STATE_SYSTEM_ANIMATED : 0);
  return info;
}

void Animation::Advance() {
  const int count = FrameCount();
  if (count == 0) return;
  frame_ = (frame_ + 1) % count;
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

LRESULT Animation::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimer) Advance();
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PaintScope paint(Hwnd());
      const RECT client = ClientRect();
      FillRect(paint.Get(), &client, PageBrush());
      const int side = scaled_.Height();
      if (side > 0)
        scaled_.Draw(paint.Get(), MakeRect(0, 0, side, side),
                     MakeRect(frame_ * side, 0, side, side));
      return 0;
    }
    case WM_DESTROY: Stop(); return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm::ui
