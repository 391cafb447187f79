// How code that knows no window asks the main window for work: a command
// number and a value, queued for the GUI thread (WM_USER in the desktop
// program). Safe to call from any thread; it never waits.
#pragma once

#include <cstdint>

namespace hvm {

class CommandPoster {
 public:
  virtual ~CommandPoster() = default;
  virtual void PostCommand(int number, intptr_t value) = 0;
};

}  // namespace hvm
