#include "desktop/pages/registry_editor.h"

#include "engine/core/problem_line.h"
#include "engine/core/scoped_handle.h"
#include "engine/core/text_encoding.h"
#include "ui/window.h"

namespace hvm {
namespace {

// Enough presses of the left arrow to climb from the deepest key a user can
// have open to the tree's top.
constexpr int kClimbPresses = 31;
// Key data of the typed letters: a repeat count of 30, as a held key sends.
constexpr LPARAM kTypedKeyData = 30;

std::string Unquoted(std::string name) {
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  return name;
}

// Characters go as UTF-16 units, as a keyboard types them into a Unicode
// window; the name's UTF-8 bytes one by one would be no characters at all.
void Send(HWND window, const Keystroke& key) {
  SendMessageW(window, key.message, key.key, key.message == WM_CHAR ? kTypedKeyData : 0);
  ui::PumpMessages();
}

std::vector<Keystroke> Typed(const std::string& text) {
  std::vector<Keystroke> keys;
  for (const wchar_t unit : WideFromText(text))
    keys.push_back(unit == L'\\' ? Keystroke{WM_KEYDOWN, VK_RIGHT} : Keystroke{WM_CHAR, unit});
  return keys;
}

}  // namespace

RegEditKeystrokes PlanRegEditKeystrokes(const std::string& entry) {
  const ProblemLineParts parts = SplitProblemLine(entry);
  RegEditKeystrokes keys;
  keys.tree.assign(kClimbPresses, {WM_KEYDOWN, VK_LEFT});
  keys.tree.push_back({WM_KEYDOWN, VK_RIGHT});
  for (const Keystroke& key : Typed(parts.keyText)) keys.tree.push_back(key);
  const std::string value = Unquoted(parts.valuePart);
  if (!value.empty()) {
    keys.values.push_back({WM_KEYDOWN, VK_HOME});
    // A backslash in a value name is a letter of it.
    for (const wchar_t unit : WideFromText(value)) keys.values.push_back({WM_CHAR, unit});
  }
  return keys;
}

bool PlatformRegistryEditor::Open() {
  editor_ = FindWindowA("RegEdit_RegEdit", nullptr);
  if (editor_) return true;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  char command[] = "regedit.exe";
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &started))
    return false;
  ScopedKernelHandle process(started.hProcess);
  ScopedKernelHandle thread(started.hThread);
  WaitForInputIdle(process.Get(), INFINITE);
  editor_ = FindWindowA("RegEdit_RegEdit", nullptr);
  return editor_ != nullptr;
}

void PlatformRegistryEditor::Type(const RegEditKeystrokes& keys) {
  ShowWindow(editor_, SW_SHOW);
  SetForegroundWindow(editor_);
  if (HWND tree = FindWindowExA(editor_, nullptr, "SysTreeView32", nullptr)) {
    BringWindowToTop(tree);
    SetFocus(tree);
    for (const Keystroke& key : keys.tree) Send(tree, key);
  }
  if (!keys.values.empty()) {
    if (HWND list = FindWindowExA(editor_, nullptr, "SysListView32", nullptr)) {
      BringWindowToTop(list);
      SetFocus(list);
      // The value list fills after the tree's selection settles.
      Sleep(1000);
      for (const Keystroke& key : keys.values) Send(list, key);
    }
  }
  SetForegroundWindow(editor_);
  SetFocus(editor_);
}

void OpenRegEdit(RegistryEditor& editor, DialogService& dialogs, const std::string& entry) {
  if (!editor.Open()) {
    dialogs.MessageDialog("Hivemend was unable to open Regedit", "RegEdit Error", dialog::kNotice);
    return;
  }
  editor.Type(PlanRegEditKeystrokes(entry));
}

}  // namespace hvm
