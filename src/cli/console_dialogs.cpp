#include "cli/console_dialogs.h"

#include "cli/console_output.h"

namespace hvm {

int ConsoleDialogService::MessageDialog(const std::string& text, const std::string& caption,
                                        int flags) {
  int answer = dialog::kOk;
  const char* name = "OK";
  switch (flags & 0x0F) {
    case dialog::kOkCancel:
    case dialog::kRestartCancelIgnore:
      answer = dialog::kCancel;
      name = "Cancel";
      break;
    case dialog::kYesNo:
      answer = dialog::kNo;
      name = "No";
      break;
    default: break;
  }
  if (out_) PrintTo(out_, "%s: %s [%s]\n", caption.c_str(), text.c_str(), name);
  return answer;
}

}  // namespace hvm
