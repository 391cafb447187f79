// Every question and notice to the user. Callers name a dialog by its flags in
// the platform's message-box convention (button set in the low four bits, icon
// above) and get the answer in the platform's button numbering. The GUI, the
// console front end and tests each answer it their own way.
#pragma once

#include <string>

namespace hvm {

namespace dialog {
inline constexpr int kNotice = 0;    // OK
inline constexpr int kOkCancel = 1;  // OK, Cancel
inline constexpr int kYesNo = 4;     // Yes, No
inline constexpr int kRestartCancelIgnore = 9;
inline constexpr int kWarningNotice = 48;  // OK with the warning icon
inline constexpr int kStopOkCancel = 17;   // OK, Cancel with the stop icon
// Added to the flags: the second button is the default and has the focus,
// for a question whose first answer cannot be taken back.
inline constexpr int kSecondButtonDefault = 0x100;

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAbort = 3;
inline constexpr int kRetry = 4;
inline constexpr int kIgnore = 5;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace dialog

class DialogService {
 public:
  virtual ~DialogService() = default;
  virtual int MessageDialog(const std::string& text, const std::string& caption, int flags) = 0;
};

}  // namespace hvm
