// A real top-level window for control tests; it records the WM_USER commands
// posted to it, as the main window's command channel receives them.
#pragma once

#include <vector>

#include "ui/window.h"

namespace hvm::ui::test {

class TestHost : public Window {
 public:
  explicit TestHost(int width = 400, int height = 300) {
    CreateArgs args;
    args.className = "HivemendTestHost";
    args.title = "host";
    args.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    args.bounds = MakeRect(10, 10, width, height);
    if (!CreateWindowOf(args)) throw std::runtime_error("cannot create the test host");
  }
  std::vector<WPARAM> commands;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER) {
      commands.push_back(wParam);
      return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
  }
};

inline LPARAM Point(int x, int y) {
  return MAKELPARAM(x, y);
}

}  // namespace hvm::ui::test
