// Every question and notice of the program goes through one service, so that
// engine code never opens a window itself: the GUI answers with a real dialog,
// the console front end prints, and tests script the answers.
#pragma once

#include <string>

namespace hvm {

class DialogService {
 public:
  virtual ~DialogService() = default;
  // `flags` follow the platform's message-box convention (button set in the
  // low four bits, icon above); the result is the platform's button number.
  virtual int MessageDialog(const std::string& text, const std::string& title, unsigned flags) = 0;
};

}  // namespace hvm
