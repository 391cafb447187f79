// Sections 1 to 9: the shell folders of machine and user, and the class
// registrations under HKEY_CLASSES_ROOT (type libraries, file associations,
// COM classes in the normal and the WOW64 branch, interfaces, application IDs,
// code pages, content types and application keys).
#pragma once

#include "engine/scan/class_key_checks.h"

namespace hvm {

class ScanDriver;

// Runs sections 1 to 9, each when its switch is on.
void ScanClassRegistrations(ScanDriver& driver, const ClassScanEnvironment& env);

// The progress bar's maximum for the sections switched on: fixed shares and
// the counted keys of the long sections.
int ComputeScanMaximum(ScanDriver& driver);

}  // namespace hvm
