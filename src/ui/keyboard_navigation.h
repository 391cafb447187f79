// Keyboard and wheel for windows that are not dialogs. The main window and
// its pages run in the program's own message loop, not a dialog's, so the
// loop asks here first: Tab and Shift+Tab move through the controls that take
// input in reading order (top to bottom, left to right) and wrap, Alt+letter
// reaches the control whose caption underlines that letter, Enter presses the
// focused button or else the page's default one, Shift+F10 and the menu key
// ask the focused control for its context menu, and the wheel scrolls the
// window under the pointer rather than the one with the focus.
// A top-level window takes part when it has WS_EX_CONTROLPARENT.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hvm::ui {

// Reading order of rectangles (screen coordinates): indexes into `bounds`.
// A row begins with the highest rectangle not yet placed and takes every one
// whose top lies above that rectangle's vertical middle; within a row the
// left one comes first.
std::vector<size_t> ReadingOrder(const std::vector<RECT>& bounds);

// The stop after `current` (-1: none has the focus) of `count`, forward or
// backward, wrapping at either end; -1 when there is none.
int NextStop(int count, int current, bool backward);

// The letter a caption underlines ("&Print List": 'p'), lower case; 0 when it
// underlines none. "&&" is a literal ampersand.
char MnemonicOf(const std::string& caption);

// The windows below `root` that take the keyboard (visible, enabled, with
// WS_TABSTOP, inside visible and enabled parents), in reading order: the
// windows beside each other at one level first, then what each holds.
std::vector<HWND> TabStops(HWND root);

// Gives the focus to the first stop below `container` in reading order;
// false when it has none.
bool FocusFirstStop(HWND container);

// The enabled, visible default button below `root` (a stop answering
// WM_GETDLGCODE with DLGC_DEFPUSHBUTTON), or null.
HWND DefaultButton(HWND root);

// Handles `message` when it is a navigation key for a window below `root`;
// true when it was taken.
bool NavigateByKeyboard(HWND root, const MSG& message);

// A wheel message goes to the window of this thread under the pointer.
void RouteWheelToPointer(MSG& message);

}  // namespace hvm::ui
