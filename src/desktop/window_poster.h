// Commands for a window, posted as WM_USER(number, value) so that they run on
// the window's own thread in the order posted. Safe from any thread.
#pragma once

#include <windows.h>

#include "engine/core/command_poster.h"

namespace hvm {

class WindowCommandPoster : public CommandPoster {
 public:
  void SetWindow(HWND window) { window_ = window; }
  void PostCommand(int number, intptr_t value) override {
    if (window_) PostMessageA(window_, WM_USER, static_cast<WPARAM>(number), value);
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace hvm
