#include "engine/results/protected_keys.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "engine/core/registry_paths.h"
#include "engine/core/text_case.h"

namespace hvm {

const std::array<std::string_view, 22> ProtectedKeys = {
    "HKCR\\CLSID\\{3DA165B6-CC41-11d2-BDC6-00C04F79EC6B}\\ProgID",
    "HKCR\\cil8tsfile\\shell",
    "HKCR\\sabxfhfile\\shell",
    "HKCR\\CLSID\\{8402B910-5B27-4c2b-A68A-351E323379D1}\\InprocServer",
    "HKLM\\SOFTWARE\\CLASSES\\JTPFILE",
    "HKLM\\Software\\Adobe\\Repair\\Adobe Acrobat\\7.0\\IOD",
    "HKLM\\Software\\Adobe\\Adobe Acrobat\\7.0\\Installer\\Updates",
    "HKCR\\AppID\\Acrobat.exe",
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths",
    "HKLM\\SOFTWARE\\Symantec\\Norton AntiVirus\\Quarantine",
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\SPBBCDrv\\Parameters",
    "HKLM\\SYSTEM\\ControlSet001\\Services\\SPBBCDrv\\Parameters",
    "HKLM\\SYSTEM\\ControlSet002\\Services\\SPBBCDrv\\Parameters",
    "HKCR\\CLSID\\{92187326-72B4-11d0-A1AC-0000F8026977}\\ProgID",
    "HKLM\\SOFTWARE\\Roxio\\Common SDK\\Project\\Locations\\{B804FC0E-368D-4DD6-B6B4-152B464BE649}",
    "HKLM\\SOFTWARE\\Roxio\\Common SDK\\Project\\Locations\\{F72BAC3D-503E-4ddb-836A-DE99664B71CE}",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet002\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet003\\Control\\Session Manager\\Memory Management",
    "HKLM\\SYSTEM\\ControlSet004\\Control\\Session Manager\\Memory Management",
    "HKLM\\SOFTWARE\\Hewlett-Packard\\DigitalImaging",
};

bool IsProtectedKey(std::string_view keyText) {
  // Asked for every problem a scan reports: the table is upper-cased once.
  static const std::vector<std::string> upperKeys = [] {
    std::vector<std::string> keys;
    for (std::string_view entry : ProtectedKeys) keys.push_back(UpperCase(entry));
    return keys;
  }();
  // The table is written with short root names; repair and restore pass long ones.
  std::string path(keyText);
  HKEY root = SplitLongRoot(path);
  const std::string key = UpperCase(root ? RootToShortRootSt(root) + path : std::string(keyText));
  return std::any_of(upperKeys.begin(), upperKeys.end(), [&](const std::string& entry) {
    return key.find(entry) != std::string::npos;
  });
}

}  // namespace hvm
