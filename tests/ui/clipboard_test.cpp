#include "ui/clipboard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace hvm::ui {
namespace {

// Another thread's window holds the clipboard open until released, as another
// program would.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    thread_ = std::thread([this] {
      HWND window = CreateWindowExA(0, "STATIC", "holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
      opened_ = OpenClipboard(window) != FALSE;
      SetEvent(ready_);
      WaitForSingleObject(release_, INFINITE);
      if (opened_) CloseClipboard();
      DestroyWindow(window);
    });
    WaitForSingleObject(ready_, INFINITE);
  }
  ~ClipboardHolder() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(ready_);
    CloseHandle(release_);
  }
  bool Opened() const { return opened_; }

 private:
  HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool opened_ = false;
  std::thread thread_;
};

// Whether a window of another thread can open the clipboard now: it cannot
// while anybody left it open.
bool ClipboardFreeForOthers() {
  bool opened = false;
  std::thread([&] {
    HWND window = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    opened = OpenClipboard(window) != FALSE;
    if (opened) CloseClipboard();
    DestroyWindow(window);
  }).join();
  return opened;
}

std::string ClipboardTextNow() {
  if (!OpenClipboard(nullptr)) return "<not open>";
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT))
    if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  CloseClipboard();
  return text;
}

HANDLE WINAPI RefuseData(UINT, HANDLE) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

TEST(Clipboard, CopiesTextAndClosesTheClipboard) {
  ASSERT_TRUE(CopyTextToClipboard(nullptr, "one\r\ntwo"));
  EXPECT_EQ("one\r\ntwo", ClipboardTextNow());
  EXPECT_TRUE(ClipboardFreeForOthers());
}

TEST(Clipboard, HeldOpenByAnotherWindowFailsWithoutTouchingIt) {
  ASSERT_TRUE(CopyTextToClipboard(nullptr, "before"));
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    EXPECT_FALSE(CopyTextToClipboard(nullptr, "during"));
  }
  EXPECT_EQ("before", ClipboardTextNow());
  EXPECT_TRUE(ClipboardFreeForOthers());
}

TEST(Clipboard, RefusedTextStillClosesTheClipboard) {
  EXPECT_FALSE(CopyTextToClipboard(nullptr, "refused", &RefuseData));
  EXPECT_TRUE(ClipboardFreeForOthers());
}

}  // namespace
}  // namespace hvm::ui
