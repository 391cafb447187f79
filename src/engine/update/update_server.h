// Where the update check asks: the settings file's [update] Server, or the
// maker's own server. An address, never a secret; a portable copy or a test
// points it elsewhere.
#pragma once

#include <string>

namespace hvm {

inline constexpr char kDefaultUpdateServer[] = "https://hivemend.example.org/";

// The server named in the settings file at `settingsPath`, or the default
// when the file names none.
std::string UpdateServerFrom(const std::string& settingsPath);

}  // namespace hvm
