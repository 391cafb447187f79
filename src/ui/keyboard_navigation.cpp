#include "ui/keyboard_navigation.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <numeric>

namespace hvm::ui {
namespace {

bool TakesKeyboard(HWND window) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  return (style & WS_TABSTOP) && IsWindowVisible(window) && IsWindowEnabled(window);
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), int(text.size()))));
  return text;
}

RECT ScreenBounds(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  // A drop-down list's window may be as tall as its open list: its place in
  // the reading order is that of the closed box the user sees.
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  if (ClassOf(window) == "ComboBox" && GetComboBoxInfo(window, &combo)) {
    RECT shown{};
    UnionRect(&shown, &combo.rcItem, &combo.rcButton);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&shown), 2);
    bounds.bottom = std::max(shown.bottom, bounds.top + 1);
  }
  return bounds;
}

std::vector<HWND> InReadingOrder(std::vector<HWND> windows) {
  std::vector<RECT> bounds;
  bounds.reserve(windows.size());
  for (HWND window : windows) bounds.push_back(ScreenBounds(window));
  std::vector<HWND> ordered;
  ordered.reserve(windows.size());
  for (size_t index : ReadingOrder(bounds)) ordered.push_back(windows[index]);
  return ordered;
}

// The visible windows below `parent`, each followed by those below it, each
// level in reading order: the menu and the page beside it first, then what
// each holds, as a dialog's nested control parents are walked. Nothing inside
// a hidden or disabled window is reached.
void CollectInOrder(HWND parent, bool stopsOnly, std::vector<HWND>& found) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) children.push_back(child);
  for (HWND child : InReadingOrder(std::move(children))) {
    if (!stopsOnly || TakesKeyboard(child)) found.push_back(child);
    if (IsWindowEnabled(child)) CollectInOrder(child, stopsOnly, found);
  }
}

// The focus window, or the stop that holds it (the edit inside a combo box).
int IndexOfFocus(const std::vector<HWND>& stops) {
  for (HWND focus = GetFocus(); focus; focus = GetParent(focus)) {
    const auto found = std::find(stops.begin(), stops.end(), focus);
    if (found != stops.end()) return static_cast<int>(found - stops.begin());
  }
  return -1;
}

void ShowKeyboardCues(HWND root) {
  SendMessageA(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void MoveFocusTo(HWND stop) {
  SetFocus(stop);
  // As in a dialog, an edit reached by Tab has its text selected.
  if (SendMessageA(stop, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageA(stop, EM_SETSEL, 0, -1);
}

bool IsPushOrCheckButton(HWND window) {
  if (ClassOf(window) != "Button") return false;
  const LONG_PTR type = GetWindowLongPtrA(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_CHECKBOX ||
         type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
         type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Controls of ours that press like buttons (image buttons, links) say so.
bool PressesLikeAButton(HWND window) {
  return IsPushOrCheckButton(window) ||
         (SendMessageA(window, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

// Enter: the focused button presses itself, anything else that does not
// take Enter itself presses the page's default button.
bool PressForEnter(HWND root, const MSG& message) {
  if (message.lParam & (1 << 30)) return false;  // held down: only the first press counts
  if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
  MSG asked = message;
  const LRESULT code =
      SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&asked));
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  HWND target =
      (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) ? message.hwnd : DefaultButton(root);
  if (!target || !IsWindowEnabled(target)) return false;
  SendMessageA(target, BM_CLICK, 0, 0);
  return true;
}

// Shift+F10 and the menu key ask the focused control for its context menu as
// the platform does on Windows (Wine does not), at the control's own place:
// WM_CONTEXTMENU with (-1, -1). Their releases are held back, so that no
// second menu is asked for.
bool AskForContextMenu(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN &&
      message.message != WM_KEYUP && message.message != WM_SYSKEYUP)
    return false;
  const bool shiftF10 = message.wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0;
  const bool menuKey = message.wParam == VK_APPS;
  if (!shiftF10 && !menuKey) return false;
  if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
    SendMessageA(message.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(message.hwnd),
                 MAKELPARAM(-1, -1));
    return true;
  }
  return message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
}

// Alt+letter: the control whose caption underlines `letter`, searched from
// the one after the focus so that a letter used twice reaches each in turn.
bool ReachMnemonic(HWND root, char letter) {
  std::vector<HWND> ordered;
  CollectInOrder(root, false, ordered);
  const std::vector<HWND> stops = TabStops(root);
  const int count = static_cast<int>(ordered.size());
  int start = -1;
  if (HWND focus = GetFocus()) {
    const auto found = std::find(ordered.begin(), ordered.end(), focus);
    if (found != ordered.end()) start = static_cast<int>(found - ordered.begin());
  }
  for (int step = 1; step <= count; ++step) {
    HWND candidate = ordered[static_cast<size_t>((start + step + count) % count)];
    if (!IsWindowEnabled(candidate) || MnemonicOf(TextOf(candidate)) != letter) continue;
    ShowKeyboardCues(root);
    if (PressesLikeAButton(candidate)) {
      SetFocus(candidate);
      SendMessageA(candidate, BM_CLICK, 0, 0);
      return true;
    }
    if (TakesKeyboard(candidate)) {
      MoveFocusTo(candidate);
      return true;
    }
    // A label: the control it names is the next stop after it in reading order.
    const RECT label = ScreenBounds(candidate);
    std::vector<RECT> bounds;
    for (HWND stop : stops) bounds.push_back(ScreenBounds(stop));
    bounds.push_back(label);
    const std::vector<size_t> order = ReadingOrder(bounds);
    const auto at = std::find(order.begin(), order.end(), stops.size());
    if (at + 1 != order.end()) {
      MoveFocusTo(stops[*(at + 1)]);
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<size_t> ReadingOrder(const std::vector<RECT>& bounds) {
  std::vector<size_t> byTop(bounds.size());
  std::iota(byTop.begin(), byTop.end(), size_t{0});
  std::stable_sort(byTop.begin(), byTop.end(), [&](size_t a, size_t b) {
    return bounds[a].top != bounds[b].top ? bounds[a].top < bounds[b].top
                                          : bounds[a].left < bounds[b].left;
  });
  // Rows: each begins with the highest rectangle left and takes those whose
  // top lies above its vertical middle.
  std::vector<size_t> order;
  order.reserve(bounds.size());
  for (size_t begin = 0; begin < byTop.size();) {
    const RECT& first = bounds[byTop[begin]];
    const LONG middle = (first.top + first.bottom) / 2;
    size_t end = begin + 1;
    while (end < byTop.size() && bounds[byTop[end]].top < middle) ++end;
    std::stable_sort(byTop.begin() + static_cast<std::ptrdiff_t>(begin),
                     byTop.begin() + static_cast<std::ptrdiff_t>(end),
                     [&](size_t a, size_t b) { return bounds[a].left < bounds[b].left; });
    order.insert(order.end(), byTop.begin() + static_cast<std::ptrdiff_t>(begin),
                 byTop.begin() + static_cast<std::ptrdiff_t>(end));
    begin = end;
  }
  return order;
}

int NextStop(int count, int current, bool backward) {
  if (count <= 0) return -1;
  if (current < 0 || current >= count) return backward ? count - 1 : 0;
  return backward ? (current + count - 1) % count : (current + 1) % count;
}

char MnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

std::vector<HWND> TabStops(HWND root) {
  std::vector<HWND> stops;
  CollectInOrder(root, true, stops);
  return stops;
}

bool FocusFirstStop(HWND container) {
  const std::vector<HWND> stops = TabStops(container);
  if (stops.empty()) return false;
  MoveFocusTo(stops.front());
  return true;
}

HWND DefaultButton(HWND root) {
  for (HWND stop : TabStops(root))
    if (SendMessageA(stop, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) return stop;
  return nullptr;
}

bool NavigateByKeyboard(HWND root, const MSG& message) {
  if (!root || (message.hwnd != root && !IsChild(root, message.hwnd))) return false;
  if (AskForContextMenu(message)) return true;
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN)
    return PressForEnter(root, message);
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    if (SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam,
                     reinterpret_cast<LPARAM>(&message)) &
        (DLGC_WANTTAB | DLGC_WANTALLKEYS))
      return false;
    const std::vector<HWND> stops = TabStops(root);
    const int next =
        NextStop(static_cast<int>(stops.size()), IndexOfFocus(stops), GetKeyState(VK_SHIFT) < 0);
    if (next < 0) return false;
    ShowKeyboardCues(root);
    MoveFocusTo(stops[static_cast<size_t>(next)]);
    return true;
  }
  if (message.message == WM_SYSKEYDOWN && message.wParam == VK_MENU) {
    ShowKeyboardCues(root);
    return false;
  }
  if (message.message == WM_SYSCHAR) {
    const char letter =
        static_cast<char>(std::tolower(static_cast<unsigned char>(message.wParam & 0xFF)));
    if (!std::isalnum(static_cast<unsigned char>(letter))) return false;
    return ReachMnemonic(root, letter);
  }
  return false;
}

void RouteWheelToPointer(MSG& message) {
  if (message.message != WM_MOUSEWHEEL && message.message != WM_MOUSEHWHEEL) return;
  const POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
  HWND under = WindowFromPoint(at);
  if (!under || under == message.hwnd) return;
  if (GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId()) return;
  message.hwnd = under;
}

}  // namespace hvm::ui
