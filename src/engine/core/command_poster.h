// How code that knows no window asks the desktop program for one of its
// commands. The desktop's poster hands the command to the window thread as a
// closure (engine/core/window_thread.h), so it runs there in the order
// posted. Safe to call from any thread; it never waits.
#pragma once

#include <cstdint>

#include "engine/core/commands.h"

namespace hvm {

class CommandPoster {
 public:
  virtual ~CommandPoster() = default;
  virtual void PostCommand(Command command, intptr_t value) = 0;
};

}  // namespace hvm
