// The one modal dialog for every question and notice: the text, an icon and
// up to three buttons chosen by the flags (message-box convention), with a
// hook that may add controls between the text and the buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/message_dialog_model.h"
#include "engine/core/dialog_service.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace hvm {

class MessageDialogWindow;

// Called once after the text and icon are placed and before the buttons are
// made; `y` is the first free line below the text plus a gap, in pixels. It
// may add controls at y, make room with SetExtraHeight and set a click hook.
using DialogPrepareHook = std::function<void(MessageDialogWindow& dialog, int y)>;
// Called when button `slot` (1 to 3) is pressed; returns the result to close
// with, or kDialogStaysOpen to keep the dialog open.
inline constexpr int kDialogStaysOpen = 0;
using DialogClickHook = std::function<int(int slot, int result)>;

struct DialogOptions {
  HWND owner = nullptr;        // disabled while the dialog runs; null: none
  std::optional<ui::Dpi> dpi;  // the owner's (or the system's) DPI unless given
};

class MessageDialogWindow : public ui::Window {
 public:
  static constexpr char kClassName[] = "TfrmMsg";

  MessageDialogWindow(std::string text, std::string caption, int flags, DialogPrepareHook prepare,
                      DialogOptions options);
  ~MessageDialogWindow() override;

  // Shows the dialog modally; the result of the button pressed, or 2 when it
  // was closed from its title bar.
  int Run();

  void SetExtraHeight(int pixels) { extraHeight_ = pixels; }
  int ExtraHeight() const { return extraHeight_; }
  void SetClickHook(DialogClickHook hook) { clickHook_ = std::move(hook); }

  DialogIcon Icon() const { return icon_; }
  bool IconShown() const;
  const std::vector<DialogButton>& Buttons() const { return buttons_; }
  // The button of slot 1 to 3, or null.
  ui::Button* ButtonAt(int slot);
  HWND TextWindow() const { return text_.Hwnd(); }
  HWND IconWindow() const { return iconWindow_; }
  const DialogLayout& Layout() const { return layout_; }
  // Presses button `slot` as a click would (the click hook decides when set).
  void Press(int slot);
  // Ctrl+C: the dialog as text on the clipboard; false when that failed.
  bool CopyToClipboard();
  std::string ClipboardText() const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool Build();
  void MakeButtons();
  void Finish(int result);
  bool HandleKey(const MSG& message);
  void CentreOnScreen();
  void PaintBackground(HDC dc);

  std::string message_;
  std::string caption_;
  int flags_;
  std::vector<DialogButton> buttons_;
  DialogIcon icon_;
  DialogPrepareHook prepare_;
  DialogClickHook clickHook_;
  DialogOptions options_;
  ui::Dpi dpi_;
  int extraHeight_ = 0;
  DialogLayout layout_;
  ui::Label text_;
  HWND iconWindow_ = nullptr;
  ui::ScopedIcon iconImage_;
  std::vector<std::unique_ptr<ui::Button>> buttonControls_;
  std::optional<int> result_;
};

// Shows a message dialog and returns the result of the button pressed.
int ShowMessageDialog(const std::string& text, const std::string& caption, int flags,
                      DialogPrepareHook prepare = {}, DialogOptions options = {});

// For tests and the page tour: called once each dialog is laid out and shown,
// from inside its modal loop. Empty: nothing is called.
void SetDialogShownHook(std::function<void(MessageDialogWindow& dialog)> hook);

// The engine's questions answered with the message dialog, owned by `owner`.
class GuiDialogs : public DialogService {
 public:
  explicit GuiDialogs(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override;

 private:
  HWND owner_;
};

}  // namespace hvm
