#include "engine/scan/registry_scan_groups.h"

#include "engine/scan/broad_sections.h"
#include "engine/scan/class_registrations.h"

namespace hvm {

void RegistryScanGroups::ComputeScanMaximum(ScanDriver& driver) {
  ::hvm::ComputeScanMaximum(driver);
}

void RegistryScanGroups::ScanClassRegistrations(ScanDriver& driver) {
  ::hvm::ScanClassRegistrations(driver, classEnv_);
}

void RegistryScanGroups::ScanFileReferences(ScanDriver& driver) {
  FileReferenceSections(driver, remover_, fileEnv_).ScanFileReferences();
}

void RegistryScanGroups::ScanFilePathReferences(ScanDriver& driver) {
  ::hvm::ScanFilePathReferences(driver);
}

void RegistryScanGroups::ScanConfigurationCache(ScanDriver& driver) {
  ::hvm::ScanConfigurationCache(driver);
}

}  // namespace hvm
