#include "engine/core/shell_open.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace hvm {
namespace {

constexpr char kErrorTitle[] = "ShellExecute Error";
constexpr unsigned kNoticeFlags = 0;

struct ResultText {
  intptr_t result;
  const char* text;
};

constexpr ResultText kResultTexts[] = {
    {0, "The operating system is out of memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "Windows 95 only: The operating system denied access to the specified file."},
    {8, "Windows 95 only: There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred."},
    {27, "The filename association is incomplete or invalid."},
    {28, "The DDE transaction could not be completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not be completed because other DDE transactions were being "
     "processed."},
    {31, "There is no application associated with the given filename extension."},
    {32, "Windows 95 only: The specified dynamic-link library was not found."},
};

constexpr char kOtherErrorText[] = "A ShellExecute Error occurred.";

}  // namespace

std::string ShellExecuteErrorText(intptr_t result) {
  for (const ResultText& entry : kResultTexts) {
    if (entry.result == result) return entry.text;
  }
  return kOtherErrorText;
}

bool ShellOpen(DialogService& dialog, const std::string& target) {
  // The shell's owner window only parents its own prompts; the engine has none
  // to give, and the dialog service knows the window it reports in.
  const auto result = reinterpret_cast<intptr_t>(
      ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  dialog.MessageDialog(ShellExecuteErrorText(result), kErrorTitle, kNoticeFlags);
  return false;
}

}  // namespace hvm
