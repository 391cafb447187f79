// "Show Key": the system's registry editor opened at a listed key. The editor
// offers no way to be told a path, so its tree is walked with the keys a user
// would press: all the way up, then the path typed letter by letter into the
// tree's incremental search, then the value name into the value list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/dialog_service.h"

namespace hvm {

struct Keystroke {
  UINT message = WM_KEYDOWN;  // WM_KEYDOWN with a virtual key, or WM_CHAR
  WPARAM key = 0;
  bool operator==(const Keystroke&) const = default;
};

struct RegEditKeystrokes {
  std::vector<Keystroke> tree;    // sent to the key tree
  std::vector<Keystroke> values;  // sent to the value list; empty for a whole key
};

// The keys that lead the editor from anywhere to `entry` (a key, or a key,
// "\\:" and a value name in double quotes).
RegEditKeystrokes PlanRegEditKeystrokes(const std::string& entry);

// The registry editor as seen from outside.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;
  // Finds the running editor, starting one when there is none.
  virtual bool Open() = 0;
  virtual void Type(const RegEditKeystrokes& keys) = 0;
};

// The system's regedit.exe, found by its window class.
class PlatformRegistryEditor : public RegistryEditor {
 public:
  bool Open() override;
  void Type(const RegEditKeystrokes& keys) override;

 private:
  HWND editor_ = nullptr;
};

inline constexpr char kRegEditCaution[] =
    "CAUTION\r\r"
    "You are about to directly enter the System Registry. This area is meant for use by experts "
    "only. Changes made here could render your system inoperable. If you proceed we recommend "
    "making a backup first. Do you wish to proceed?";

// Opens the editor at `entry`; says so when the editor cannot be started.
void OpenRegEdit(RegistryEditor& editor, DialogService& dialogs, const std::string& entry);

}  // namespace hvm
