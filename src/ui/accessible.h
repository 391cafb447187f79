// What screen readers and test tools learn of a window that draws its own
// parts. They ask the window for its accessible object (WM_GETOBJECT with
// OBJID_CLIENT, answered through oleacc's LresultFromObject) and read a name,
// a role, a state and a default action for the window and for each part it
// draws (a menu row, a tree row, a section row of the scan page). A window
// describes itself through AccessibleModel; AccessibleHost turns that into an
// IAccessible. What the window shares with every other window (its parent,
// its child windows, its place) comes from the system's standard object.
//
// Threading: objects are made and used on the window's thread (oleacc calls
// them there); once the window or its model is gone they answer
// "disconnected" to clients still holding them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace hvm::ui {

// The window itself, as a part number.
inline constexpr long kSelf = 0;

// One element: the window itself or one of its parts.
struct AccessibleInfo {
  std::string name;
  long role = 0;   // ROLE_SYSTEM_*; 0 for the window: the standard object's
  long state = 0;  // STATE_SYSTEM_*; for the window, added to the standard object's
  std::string value;
  std::string description;
  std::string defaultAction;  // empty: none
  std::string shortcut;       // "Alt+R"; empty for the window: from its text
  RECT bounds{};              // screen pixels; empty for the window: its own
};

// A window's parts as the model behind its drawing knows them. Part numbers
// are positive and stay with their part while it exists.
class AccessibleModel {
 public:
  virtual ~AccessibleModel() = default;
  // The parts, in reading order.
  virtual std::vector<long> Parts() const { return {}; }
  // Whether `part` names a part now.
  virtual bool HasPart(long part) const;
  // The window (kSelf) or one of its parts.
  virtual AccessibleInfo Describe(long part) const = 0;
  // Does what `part`'s default action says; false when it has none.
  virtual bool DoDefaultAction(long part) { return false; }
  // Moves the keyboard's place (the focus row) to `part`; false when it cannot.
  virtual bool Select(long part) { return false; }
  // The part that has the keyboard while the window has the focus; kSelf when none.
  virtual long FocusedPart() const { return kSelf; }
  // The chosen part (a highlighted row), or kSelf when none.
  virtual long SelectedPart() const { return kSelf; }
  // The part under a point of the screen, or kSelf.
  virtual long PartAt(POINT screen) const { return kSelf; }
};

// Answers WM_GETOBJECT for one window over its model. Objects handed out
// before the host goes answer "disconnected" afterwards.
class AccessibleHost {
 public:
  AccessibleHost(HWND window, AccessibleModel& model);
  ~AccessibleHost();
  AccessibleHost(const AccessibleHost&) = delete;
  AccessibleHost& operator=(const AccessibleHost&) = delete;

  // The reply to WM_GETOBJECT when it asks for the client object; false for
  // other objects (the window frame, the caret...), which the platform answers.
  bool Answer(WPARAM wParam, LPARAM lParam, LRESULT& result);

  struct Link;

 private:
  std::shared_ptr<Link> link_;
};

// Tells listening tools that `part` of `window`'s client object changed
// (EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_SELECTION,
// EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_NAMECHANGE).
void RaiseAccessibleEvent(DWORD event, HWND window, long part);

// A caption's text as read aloud ("&Print List": "Print List") and its
// shortcut ("Alt+P"; empty when it underlines no letter).
std::string SpokenCaption(const std::string& caption);
std::string ShortcutOf(const std::string& caption);

// The rectangle of a window's client area on the screen.
RECT ClientOnScreen(HWND window, RECT client);

}  // namespace hvm::ui
