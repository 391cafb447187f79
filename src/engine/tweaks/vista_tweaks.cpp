#include "engine/tweaks/vista_tweaks.h"

#include "engine/core/registry.h"

namespace hvm {
namespace {

constexpr char kExplorerPolicies[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char kSystemPolicies[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr char kAppCompat[] = "\\SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat";

// Each box's value is read on a key opened for it alone, so that an
// unreadable value costs only its own box.
void ReadBox(RegistrySession& registry, VistaBox box, bool createKey, VistaReading& reading) {
  const VistaSetting& s = VistaSettings()[box];
  registry.SetRoot(s.root);
  if (!registry.OpenKey(s.key, createKey)) return;
  try {
    if (registry.ValuePresent(s.value)) {
      const int32_t value = registry.ReadDword(s.value);
      reading.checked[box] = s.inverted ? value == 0 : value == 1;
    }
  } catch (const RegistryError& error) {
    reading.unreadable[box] = true;
    reading.errors.push_back(error.what());
  }
  registry.CloseKey();
}

void ApplyBox(RegistrySession& registry, VistaBox box, const VistaReading& state,
              std::vector<std::string>& failures) {
  if (state.unreadable[box]) return;
  const VistaSetting& s = VistaSettings()[box];
  registry.SetRoot(s.root);
  if (!registry.OpenKey(s.key, true)) return;
  const bool checked = state.checked[box];
  const uint32_t on = s.inverted ? 0 : 1;
  try {
    // An unchecked box never creates a missing value.
    if (registry.ValuePresent(s.value))
      registry.WriteDword(s.value, checked ? on : 1 - on);
    else if (checked)
      registry.WriteDword(s.value, on);
  } catch (const RegistryError& error) {
    // A machine-wide key the user may only read is skipped, as its box is
    // disabled for such a user anyway.
    if (!(s.machineWide && error.status() == ERROR_ACCESS_DENIED)) failures.push_back(error.what());
  }
  registry.CloseKey();
}

}  // namespace

const std::array<VistaSetting, 6>& VistaSettings() {
  static const std::array<VistaSetting, 6> settings = {{
      {"cb1", "Enable &Classic Menu Items", HKEY_CURRENT_USER, kExplorerPolicies,
       "AlwaysShowClassicMenu", false, false},
      {"cb2", "Disable &Program Compatibility Assistant", HKEY_CURRENT_USER, kAppCompat,
       "DisablePCA", false, false},
      {"cb3", "Enable &Run on Start Menu", HKEY_CURRENT_USER, kExplorerPolicies,
       "ForceRunOnStartMenu", false, false},
      {"cb4", "Enable &Quick Launch on Taskbar", HKEY_CURRENT_USER, kExplorerPolicies,
       "QuickLaunchEnabled", false, false},
      {"cb5", "Disable &User Account Control", HKEY_LOCAL_MACHINE, kSystemPolicies, "EnableLUA",
       true, true},
      {"cb6", "Disable Ctrl-Alt-Delete at &Login", HKEY_LOCAL_MACHINE, kSystemPolicies,
       "DisableCAD", false, true},
  }};
  return settings;
}

VistaReading ReadVistaState() {
  // Every box starts unchecked: an EnableLUA that is not there means User
  // Account Control is on, so its "Disable" box must not start checked.
  VistaReading reading;
  RegistrySession registry;
  ReadBox(registry, cb2, false, reading);
  // Reading the page creates the Explorer policies key when it is missing.
  ReadBox(registry, cb3, true, reading);
  ReadBox(registry, cb4, true, reading);
  ReadBox(registry, cb1, true, reading);
  ReadBox(registry, cb5, false, reading);
  ReadBox(registry, cb6, false, reading);
  return reading;
}

std::vector<std::string> ApplyVistaState(const VistaReading& state) {
  std::vector<std::string> failures;
  RegistrySession registry;
  for (VistaBox box : {cb5, cb2, cb3, cb4, cb1, cb6}) ApplyBox(registry, box, state, failures);
  return failures;
}

VistaAccess VistaAccessFor(bool administrator) {
  VistaAccess access;
  for (size_t box = 0; box < access.enabled.size(); ++box)
    access.enabled[box] = administrator || !VistaSettings()[box].machineWide;
  access.noticeVisible = !administrator;
  return access;
}

}  // namespace hvm
