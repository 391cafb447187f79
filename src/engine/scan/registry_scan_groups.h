// The section groups of a real scan, as the driver runs them.
#pragma once

#include "engine/scan/class_key_checks.h"
#include "engine/scan/file_references.h"
#include "engine/scan/scan_driver.h"

namespace hvm {

class RegistryScanGroups : public ScanGroups {
 public:
  RegistryScanGroups(ClassScanEnvironment classEnv, FileScanEnvironment fileEnv,
                     ValueRemover& remover)
      : classEnv_(std::move(classEnv)), fileEnv_(std::move(fileEnv)), remover_(remover) {}

  void ComputeScanMaximum(ScanDriver& driver) override;
  void ScanClassRegistrations(ScanDriver& driver) override;
  void ScanFileReferences(ScanDriver& driver) override;
  void ScanFilePathReferences(ScanDriver& driver) override;
  void ScanConfigurationCache(ScanDriver& driver) override;

 private:
  ClassScanEnvironment classEnv_;
  FileScanEnvironment fileEnv_;
  ValueRemover& remover_;
};

}  // namespace hvm
