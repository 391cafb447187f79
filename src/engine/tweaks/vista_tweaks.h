// The six Windows Vista settings of the Vista tweaks page: each a DWORD value
// of the policy or shell settings, shown as one check box, read whenever the
// page is shown and written when the user applies.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace hvm {

struct VistaSetting {
  const char* box;      // cb1 .. cb6
  const char* caption;  // with its accelerator mark
  HKEY root;
  const char* key;
  const char* value;
  bool inverted;     // checked means 0 (EnableLUA), else checked means 1
  bool machineWide;  // under HKEY_LOCAL_MACHINE: only for administrators
};

// cb1 to cb6, in that order.
const std::array<VistaSetting, 6>& VistaSettings();

inline constexpr char kLogonNotice[] =
    "Some options require you to be logged on as an administrator";

// Index of each box in VistaSettings() and in the arrays below.
enum VistaBox : size_t { cb1, cb2, cb3, cb4, cb5, cb6 };

struct VistaReading {
  std::array<bool, 6> checked{};
  // A value of another kind than DWORD: its box cannot say what it holds, so
  // Apply leaves that value alone.
  std::array<bool, 6> unreadable{};
  std::vector<std::string> errors;  // the registry layer's texts
};

// Reads the six boxes' state. A missing value or key leaves its box
// unchecked; a missing EnableLUA reads as User Account Control on, as Windows
// has it. Opening the Explorer policies key of HKEY_CURRENT_USER creates it.
[[nodiscard]] VistaReading ReadVistaState();

// Writes the six values: an existing value gets 1 or 0 as its box says, a
// missing one is created only when its box is checked. Boxes marked
// unreadable are left alone; keys that do not open for writing are skipped.
// Returns the texts of writes that failed otherwise.
[[nodiscard]] std::vector<std::string> ApplyVistaState(const VistaReading& state);

// Which boxes a user may change and whether the log-on notice shows.
struct VistaAccess {
  std::array<bool, 6> enabled{};
  bool noticeVisible = false;
};
VistaAccess VistaAccessFor(bool administrator);

}  // namespace hvm
