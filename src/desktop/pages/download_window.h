// The download window "Downloading..." (DownloadWindow): the package's file name,
// the download's status and size, a progress bar with its percentage, and
// "Cancel". The download runs on the GUI thread; each progress notification
// lets pending window messages run, which is how "Cancel" is heard.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/update/url_download.h"
#include "ui/controls.h"
#include "ui/progress_bar.h"
#include "ui/window.h"

namespace hvm {

// The status line for a binding status code: 1 "Locating server", 2
// "Connecting", 5 "Downloading", 6 "Download complete", 11 "Sending
// request"; nothing for the others, which leave the line as it is.
std::optional<std::string> DownloadStatusText(uint32_t statusCode);
// "File size:" once the total is known: the total and " bytes", and from
// 1 KB on the size in the largest fitting unit in brackets ("4718592 bytes
// (4.5 MB)").
std::string FileSizeText(uint64_t total);

class DownloadWindow : public ui::Window, private DownloadProgress {
 public:
  static constexpr char kClassName[] = "TfDownload";
  static constexpr char kTitle[] = "Downloading...";

  // Creates the window, hidden, above `owner`.
  [[nodiscard]] bool Create(HWND owner);

  // DownloadFile: fetches `address` into a new temporary file while the
  // window shows how it goes; the file's path, or empty text after a failure
  // or "Cancel" (the temporary file is then removed). Addresses that are not
  // https (plain http only on the loopback) are refused unfetched. The owner
  // takes no input meanwhile.
  std::string DownloadFile(const std::string& address);

  // "Cancel": the download stops at its next progress notification.
  void Cancel() { cancelled_ = true; }

  // For tests and the tour: called at each progress notification after the
  // window was brought up to date.
  std::function<void(DownloadWindow& window)> onProgress;
  // For the tour: the window as it shows a download partway.
  void ShowProgress(const std::string& fileName, uint64_t progress, uint64_t total,
                    uint32_t statusCode);

  std::string FileName() const { return fileName_.Text(); }
  std::string Status() const { return status_.Text(); }
  std::string FileSize() const { return size_.Text(); }
  ui::ProgressBar& Bar() { return bar_; }
  ui::Button& CancelButton() { return cancel_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool OnProgress(uint64_t progress, uint64_t total, uint32_t statusCode) override;
  void Reset(const std::string& fileName);
  void Apply(uint64_t progress, uint64_t total, uint32_t statusCode);

  HWND owner_ = nullptr;
  bool cancelled_ = false;
  bool sizeShown_ = false;
  ui::Label fileNameCaption_, statusCaption_, sizeCaption_;
  ui::Label fileName_, status_, size_;
  ui::ProgressBar bar_;
  ui::Button cancel_;
};

}  // namespace hvm
