#include "desktop/pages/full_backups_window.h"

#include <algorithm>

#include "ui/picture.h"
#include "ui/picture_ids.h"
#include "ui/theme.h"

namespace hvm {

bool FullBackupsWindow::Create(HWND owner, Hooks hooks) {
  owner_ = owner;
  hooks_ = std::move(hooks);
  const ui::Dpi dpi = owner ? ui::Dpi::ForWindow(owner) : ui::Dpi::System();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(kWidth), dpi.Scale(kHeight));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = ui::Width(frame), height = ui::Height(frame);
  CreateArgs args;
  icon_ = ui::LoadProgramIcon(pictures::kProgramIcon, GetSystemMetrics(SM_CXSMICON));
  args.className = "HivemendFullBackups";
  args.smallIcon = icon_.Get();
  args.title = "Full Registry Backups";
  args.style = style;
  args.exStyle = WS_EX_DLGMODALFRAME;
  args.parent = owner;
  args.bounds = ui::CentredOnScreen(width, height);
  if (!CreateWindowOf(args)) return false;

  const int m = dpi.Scale(16);
  const int inner = dpi.Scale(kWidth) - 2 * m;
  ui::FontSpec heading;
  heading.points = 12;
  heading.bold = true;
  bool made = title_.Create(
      Hwnd(), {"Full Registry Backups", ui::MakeRect(m, dpi.Scale(12), inner, dpi.Scale(24)),
               heading, ui::kCaptionColour});
  made &= explanation_.Create(
      Hwnd(), {"Each full backup holds every hive of the registry as it was when the backup "
               "was made. Putting one back replaces the whole registry with it when Windows "
               "next starts.",
               ui::MakeRect(m, dpi.Scale(42), inner, dpi.Scale(36)),
               {},
               ui::kTextColour,
               ui::kPageColour,
               true});
  const int buttonHeight = dpi.Scale(ui::SecondaryButton::kHeight);
  const int listTop = dpi.Scale(84), buttonTop = dpi.Scale(kHeight - 12) - buttonHeight;
  const RECT listBounds = ui::MakeRect(m, listTop, inner, buttonTop - dpi.Scale(12) - listTop);
  ui::ListView::CreateArgs list;
  list.columns = {{"Made", 140}, {"Hives", 60}, {"Folder", 300}};
  list.bounds = listBounds;
  list.lastColumnFills = true;
  made &= list_.Create(Hwnd(), list);
  made &= empty_.Create(Hwnd(), {"No full backup has been made yet.",
                                 ui::MakeRect(m + dpi.Scale(12), listTop + dpi.Scale(40),
                                              inner - dpi.Scale(24), dpi.Scale(20)),
                                 {},
                                 RGB(110, 110, 110),
                                 ui::kPageColour,
                                 false,
                                 true});
  made &= backupNow_.Create(Hwnd(), {"&Backup Now"});
  made &= putBack_.Create(Hwnd(), {"&Put Back..."});
  made &= close_.Create(Hwnd(), {"&Close", {}, true, IDCANCEL});
  if (made) {
    const auto width = [&](const ui::SecondaryButton& button, int units) {
      return std::max(dpi.Scale(units), button.FittingWidth(button.Text()));
    };
    const int backupWidth = width(backupNow_, 130), putBackWidth = width(putBack_, 130);
    const int closeWidth = width(close_, 100);
    backupNow_.SetBounds(ui::MakeRect(m, buttonTop, backupWidth, buttonHeight));
    putBack_.SetBounds(
        ui::MakeRect(m + backupWidth + dpi.Scale(10), buttonTop, putBackWidth, buttonHeight));
    close_.SetBounds(
        ui::MakeRect(dpi.Scale(kWidth) - m - closeWidth, buttonTop, closeWidth, buttonHeight));
  }
  if (!made) return false;
  list_.onSelected = [this](int row) { putBack_.Enable(row >= 0); };
  backupNow_.onClick = [this] {
    if (hooks_.backupNow) hooks_.backupNow();
    LoadList();
  };
  putBack_.onClick = [this] { PutBackChosen(); };
  close_.onClick = [this] { Close(); };
  LoadList();
  return true;
}

void FullBackupsWindow::LoadList() {
  backups_ = ListFullBackups(hooks_.backupRoot);
  list_.Clear();
  for (const FullBackupFolder& backup : backups_)
    list_.AddRow({MadeText(backup.made), std::to_string(backup.hiveFiles.size()), backup.folder});
  list_.Show(!backups_.empty());
  empty_.Show(backups_.empty());
  putBack_.Enable(false);
}

void FullBackupsWindow::PutBackChosen() {
  const int row = list_.SelectedRow();
  if (row < 0 || row >= static_cast<int>(backups_.size())) return;
  // The hook asks its own questions; the list stays as it is.
  const FullBackupFolder chosen = backups_[row];
  if (hooks_.putBack) hooks_.putBack(chosen);
}

void FullBackupsWindow::RunModal() {
  const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  ShowWindow(Hwnd(), SW_SHOW);
  MSG message;
  while (!done_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      done_ = true;
      continue;
    }
    if (IsDialogMessageA(Hwnd(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (!done_ && message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  Destroy();
  if (owner_) SetForegroundWindow(owner_);
}

LRESULT FullBackupsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: Close(); return 0;
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
