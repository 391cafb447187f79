// What a screen reader learns of a window, asked the way one asks: the
// window's accessible object through oleacc's AccessibleObjectFromWindow, and
// the events the program raises through a WinEvent hook of this process.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "engine/core/com_ptr.h"

namespace hvm::test {

// The client object of `window` (null when the platform gives none).
inline ComPtr<IAccessible> AccessibleOf(HWND window) {
  ComPtr<IAccessible> object;
  AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                             reinterpret_cast<void**>(object.Receive()));
  return object;
}

inline VARIANT Part(long part) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = part;
  return child;
}

inline std::string FromBstr(BSTR text) {
  if (!text) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(SysStringLen(text)),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(SysStringLen(text)), result.data(), length,
                      nullptr, nullptr);
  SysFreeString(text);
  return result;
}

// One text property; "<failed>" when the object refuses.
template <class Read>
std::string TextOf(IAccessible* object, long part, Read read) {
  BSTR text = nullptr;
  if (FAILED((object->*read)(Part(part), &text))) return "<failed>";
  return FromBstr(text);
}
inline std::string NameOf(IAccessible* object, long part) {
  return TextOf(object, part, &IAccessible::get_accName);
}
inline std::string ValueOf(IAccessible* object, long part) {
  return TextOf(object, part, &IAccessible::get_accValue);
}
inline std::string DescriptionOf(IAccessible* object, long part) {
  return TextOf(object, part, &IAccessible::get_accDescription);
}
inline std::string DefaultActionOf(IAccessible* object, long part) {
  return TextOf(object, part, &IAccessible::get_accDefaultAction);
}
inline std::string ShortcutOf(IAccessible* object, long part) {
  return TextOf(object, part, &IAccessible::get_accKeyboardShortcut);
}

// ROLE_SYSTEM_* / STATE_SYSTEM_* bits; -1 when the object refuses.
inline long RoleOf(IAccessible* object, long part) {
  VARIANT role;
  VariantInit(&role);
  if (FAILED(object->get_accRole(Part(part), &role)) || role.vt != VT_I4) return -1;
  return role.lVal;
}
inline long StateOf(IAccessible* object, long part) {
  VARIANT state;
  VariantInit(&state);
  if (FAILED(object->get_accState(Part(part), &state)) || state.vt != VT_I4) return -1;
  return state.lVal;
}
inline long ChildCountOf(IAccessible* object) {
  long count = -1;
  if (FAILED(object->get_accChildCount(&count))) return -1;
  return count;
}
// The part the object says has the focus (CHILDID_SELF included), or -1.
inline long FocusOf(IAccessible* object) {
  VARIANT focus;
  VariantInit(&focus);
  if (FAILED(object->get_accFocus(&focus)) || focus.vt != VT_I4) {
    VariantClear(&focus);
    return -1;
  }
  return focus.lVal;
}

// Events of this process's windows, kept in the order raised. Out of
// context: they come as messages, so the test pumps before reading them.
class AccessibleEvents {
 public:
  struct Event {
    DWORD event;
    HWND window;
    long object;
    long part;
  };
  AccessibleEvents()
      : hook_(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_END, nullptr, &Record,
                              GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
    Current() = this;
  }
  ~AccessibleEvents() {
    if (hook_) UnhookWinEvent(hook_);
    Current() = nullptr;
  }
  AccessibleEvents(const AccessibleEvents&) = delete;
  AccessibleEvents& operator=(const AccessibleEvents&) = delete;

  bool Hooked() const { return hook_ != nullptr; }
  // Forgets what was raised so far, once those still on their way are in.
  void Clear() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    events_.clear();
  }
  // The parts of `window`'s client object that had `event`, in order.
  std::vector<long> PartsWith(DWORD event, HWND window) const {
    std::vector<long> parts;
    for (const Event& e : events_)
      if (e.event == event && e.window == window && e.object == OBJID_CLIENT)
        parts.push_back(e.part);
    return parts;
  }

 private:
  static AccessibleEvents*& Current() {
    static AccessibleEvents* current = nullptr;
    return current;
  }
  static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG part,
                              DWORD, DWORD) {
    if (Current()) Current()->events_.push_back({event, window, object, part});
  }
  HWINEVENTHOOK hook_;
  std::vector<Event> events_;
};

}  // namespace hvm::test
