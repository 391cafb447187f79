#include "engine/scan/sections.h"

#include <stdexcept>
#include <string>

namespace hvm {

const std::array<SectionInfo, kSectionCount>& SectionTable() {
  using B = ProgressBasis;
  static const std::array<SectionInfo, kSectionCount> table{{
      {1, "Registry Integrity", "RegistryIntegrity", true, B::Fixed, 50, ""},
      {2, "Type Library", "TypeLibrary", true, B::PerSubKey, 3, "HKCR\\TypeLib"},
      {3, "Windows Associations", "WindowsAssociations", true, B::PerSubKey, 1, "HKCR"},
      {4, "Deep Scan", "DeepScan", true, B::PerSubKey, 1, "HKCR\\CLSID"},
      {5, "Custom Controls", "CustomControls", true, B::PerSubKey, 1, "HKCR\\Interface"},
      {6, "Application IDs", "ApplicationIDs", true, B::Fixed, 100, ""},
      {7, "Code Pages", "CodePages", true, B::Fixed, 50, ""},
      {8, "Content Type", "ContentType", true, B::Fixed, 50, ""},
      {9, "Applications", "Applications", true, B::Fixed, 50, ""},
      {10, "Known Drivers", "KnownDrivers", true, B::Fixed, 50, ""},
      {11, "Virtual Devices", "VirtualDrivers", true, B::Fixed, 50, ""},
      {12, "Open GL Drivers", "OpenGLDrivers", true, B::Fixed, 50, ""},
      {13, "Shared DLLs", "SharedDLLs", true, B::PerValue, 50,
       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"},
      {14, "Start Menu", "StartMenu", true, B::Fixed, 50, ""},
      {15, "Startup", "Startup", true, B::Fixed, 50, ""},
      {16, "Help and Resources", "HelpAndResources", true, B::Fixed, 50, ""},
      {17, "Windows Fonts", "WindowsFonts", true, B::Fixed, 50, ""},
      {18, "Application Locations", "ApplicationLocations", true, B::Fixed, 50, ""},
      {19, "File Extensions", "FileExtensions", true, B::Fixed, 50, ""},
      {20, "HTML Help", "HTMLHelp", true, B::Fixed, 50, ""},
      {21, "Installed Files", "InstalledFiles", true, B::Fixed, 50, ""},
      {22, "Add/Remove Cache", "AddRemoveCache", true, B::Fixed, 50, ""},
      {23, "File/Path References", "FilePathReferences", true, B::Fixed, 0, ""},
      {24, "Configuration Cache", "ConfigurationCache", false, B::Fixed, 0, ""},
  }};
  return table;
}

const SectionInfo& Section(int number) {
  if (number < 1 || number > kSectionCount)
    throw std::out_of_range("no section " + std::to_string(number));
  return SectionTable()[size_t(number - 1)];
}

}  // namespace hvm
