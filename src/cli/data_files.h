// The console verbs' word on a data file that cannot be read (the settings
// file, the ignore file): such a file is never written over, and a verb that
// would change it ends with an error while a scan or repair goes on without it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/settings/program_settings.h"

namespace hvm {

// "cannot read PATH (REASON, error N); it is left as it is".
std::string CannotReadText(const std::string& path, uint32_t status);

// The settings of `path`; throws std::runtime_error(CannotReadText) when the
// file is there but cannot be read, so that no verb shows or saves defaults
// in its place.
ProgramSettings LoadReadableSettings(const std::string& path);

// Prints a warning on stderr for the settings file and the ignore file of
// `dataFolder` when either cannot be read: the scan or repair then goes on
// with defaults in memory and writes nothing to it.
void WarnAboutUnreadableDataFiles(const std::string& dataFolder);

}  // namespace hvm
