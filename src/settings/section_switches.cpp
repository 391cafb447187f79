#include "settings/section_switches.h"

namespace hvm {

const std::array<SectionSwitch, 24> kSectionSwitches = {{
    {1, "RegistryIntegrity", true},
    {2, "TypeLibrary", true},
    {3, "WindowsAssociations", true},
    {4, "DeepScan", true},
    {5, "CustomControls", true},
    {6, "ApplicationIDs", true},
    {7, "CodePages", true},
    {8, "ContentType", true},
    {9, "Applications", true},
    {10, "KnownDrivers", true},
    {11, "VirtualDrivers", true},
    {12, "OpenGLDrivers", true},
    {13, "SharedDLLs", true},
    {14, "StartMenu", true},
    {15, "Startup", true},
    {16, "HelpAndResources", true},
    {17, "WindowsFonts", true},
    {18, "ApplicationLocations", true},
    {19, "FileExtensions", true},
    {20, "HTMLHelp", true},
    {21, "InstalledFiles", true},
    {22, "AddRemoveCache", true},
    {24, "ConfigurationCache", false},
    {23, "FilePathReferences", true},
}};

namespace {

const SectionSwitch* Find(int section) {
  for (const SectionSwitch& entry : kSectionSwitches) {
    if (entry.section == section) return &entry;
  }
  return nullptr;
}

}  // namespace

const char* SectionSwitchKey(int section) {
  const SectionSwitch* entry = Find(section);
  return entry ? entry->key : nullptr;
}

bool SectionSwitchDefault(int section) {
  const SectionSwitch* entry = Find(section);
  return entry && entry->onByDefault;
}

}  // namespace hvm
