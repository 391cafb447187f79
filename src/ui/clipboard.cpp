#include "ui/clipboard.h"

#include <cstring>

#include "ui/gdi.h"

namespace hvm::ui {

bool CopyTextToClipboard(HWND owner, const std::string& text, ClipboardSetter set) {
  ClipboardScope clipboard(owner);
  if (!clipboard.IsOpen() || !EmptyClipboard()) return false;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!memory) return false;
  if (void* target = GlobalLock(memory)) {
    std::memcpy(target, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
  } else {
    GlobalFree(memory);
    return false;
  }
  // On success the clipboard owns the memory; otherwise it is still ours.
  if (!set(CF_TEXT, memory)) {
    GlobalFree(memory);
    return false;
  }
  return true;
}

}  // namespace hvm::ui
