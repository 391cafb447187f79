#include "desktop/pages/download_window.h"

#include <objbase.h>

#include <cmath>
#include <cstdio>
#include <iterator>

#include "engine/update/update_response.h"

namespace hvm {
namespace {

// 96-dpi layout.
constexpr int kClientWidth = 400, kClientHeight = 168;
constexpr int kMargin = 16, kCaptionWidth = 72, kRowHeight = 22, kFirstRow = 16;
constexpr int kBarTop = 96, kBarHeight = 20;
constexpr int kButtonWidth = 88, kButtonHeight = 26, kButtonTop = 128;

}  // namespace

std::optional<std::string> DownloadStatusText(uint32_t statusCode) {
  switch (statusCode) {
    case 1: return "Locating server";
    case 2: return "Connecting";
    case 5: return "Downloading";
    case 6: return "Download complete";
    case 11: return "Sending request";
    default: return std::nullopt;
  }
}

std::string FileSizeText(uint64_t total) {
  std::string text = std::to_string(total) + " bytes";
  if (total < 1024) return text;
  // The size as a person reads it: three figures at most, in the largest
  // unit under which it is at least 1.
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  double size = double(total) / 1024;
  size_t unit = 0;
  while (size >= 1024 && unit + 1 < std::size(kUnits)) {
    size /= 1024;
    ++unit;
  }
  char human[32];
  if (size < 10 && std::fmod(std::floor(size * 10 + 0.5), 10) != 0)
    std::snprintf(human, sizeof(human), " (%.1f %s)", std::floor(size * 10 + 0.5) / 10,
                  kUnits[unit]);
  else
    std::snprintf(human, sizeof(human), " (%.0f %s)", std::floor(size + 0.5), kUnits[unit]);
  return text + human;
}

bool DownloadWindow::Create(HWND owner) {
  owner_ = owner;
  const ui::Dpi dpi = owner ? ui::Dpi::ForWindow(owner) : ui::Dpi::System();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame = ui::MakeRect(0, 0, dpi.Scale(kClientWidth), dpi.Scale(kClientHeight));
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  CreateArgs args;
  args.className = kClassName;
  args.title = kTitle;
  args.style = style;
  args.exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  args.parent = owner;
  args.bounds = ui::CentredOnScreen(ui::Width(frame), ui::Height(frame));
  if (!CreateWindowOf(args)) return false;
  ui::FontSpec bold;
  bold.bold = true;
  const int valueLeft = kMargin + kCaptionWidth;
  const int valueWidth = kClientWidth - valueLeft - kMargin;
  bool made = true;
  ui::Label* captions[] = {&fileNameCaption_, &statusCaption_, &sizeCaption_};
  ui::Label* values[] = {&fileName_, &status_, &size_};
  const char* texts[] = {"Filename:", "Status:", "File size:"};
  for (int row = 0; row < 3; ++row) {
    const int top = dpi.Scale(kFirstRow + row * kRowHeight);
    made &= captions[row]->Create(
        Hwnd(), {texts[row],
                 ui::MakeRect(dpi.Scale(kMargin), top, dpi.Scale(kCaptionWidth), dpi.Scale(20)),
                 {},
                 ui::kTextColour});
    made &= values[row]->Create(
        Hwnd(), {"", ui::MakeRect(dpi.Scale(valueLeft), top, dpi.Scale(valueWidth), dpi.Scale(20)),
                 bold, ui::kCaptionColour});
  }
  made &= bar_.Create(Hwnd(),
                      {ui::MakeRect(dpi.Scale(kMargin), dpi.Scale(kBarTop),
                                    dpi.Scale(kClientWidth - 2 * kMargin), dpi.Scale(kBarHeight)),
                       100, "Download progress"});
  made &= cancel_.Create(
      Hwnd(), {"Cancel",
               ui::MakeRect(dpi.Scale(kClientWidth - kMargin - kButtonWidth), dpi.Scale(kButtonTop),
                            dpi.Scale(kButtonWidth), dpi.Scale(kButtonHeight)),
               {},
               true,
               IDCANCEL});
  cancel_.onClick = [this] { Cancel(); };
  for (ui::Label* label :
       {&fileNameCaption_, &statusCaption_, &sizeCaption_, &fileName_, &status_, &size_})
    label->ApplyDpi(dpi);
  cancel_.ApplyDpi(dpi);
  return made;
}

void DownloadWindow::Reset(const std::string& fileName) {
  fileName_.SetText(fileName);
  status_.SetText("");
  size_.SetText("");
  bar_.SetMaximum(100);
  bar_.SetPosition(0);
  cancelled_ = false;
  sizeShown_ = false;
}

void DownloadWindow::Apply(uint64_t progress, uint64_t total, uint32_t statusCode) {
  if (const std::optional<std::string> text = DownloadStatusText(statusCode))
    status_.SetText(*text);
  if (!sizeShown_ && total > 0) {
    sizeShown_ = true;
    size_.SetText(FileSizeText(total));
    bar_.SetMaximum(static_cast<long long>(total));
  }
  bar_.SetPosition(static_cast<long long>(progress));
}

void DownloadWindow::ShowProgress(const std::string& fileName, uint64_t progress, uint64_t total,
                                  uint32_t statusCode) {
  Reset(fileName);
  Apply(progress, total, statusCode);
  ShowWindow(Hwnd(), SW_SHOW);
  UpdateWindow(Hwnd());
}

bool DownloadWindow::OnProgress(uint64_t progress, uint64_t total, uint32_t statusCode) {
  Apply(progress, total, statusCode);
  ui::PumpMessages();
  if (onProgress) onProgress(*this);
  return !cancelled_;
}

std::string DownloadWindow::DownloadFile(const std::string& address) {
  if (!IsTrustedTransport(address)) return {};
  const std::string file = MakeTempFile();
  if (file.empty()) return {};
  Reset(FileNameOfAddress(address));
  const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  ShowWindow(Hwnd(), SW_SHOW);
  cancel_.Focus();
  ui::PumpMessages();
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const long status = DownloadUrlToFile(address, file, this);
  if (SUCCEEDED(initialised)) CoUninitialize();
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  ShowWindow(Hwnd(), SW_HIDE);
  if (status != S_OK || cancelled_) {
    DeleteFileA(file.c_str());
    return {};
  }
  return file;
}

LRESULT DownloadWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: Cancel(); return 0;  // the title bar's close is "Cancel"
    default: return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace hvm
