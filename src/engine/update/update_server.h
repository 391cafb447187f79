// Where the update check asks: the server a policy names, else the settings
// file's [update] Server, else the maker's own server. An address, never a
// secret; a company, a portable copy or a test points it elsewhere.
#pragma once

#include <string>

namespace hvm {

inline constexpr char kDefaultUpdateServer[] = "https://hivemend.example.org/";

// The server a policy names; else the one named in the settings file at
// `settingsPath`; else the default.
std::string UpdateServerFrom(const std::string& settingsPath);

}  // namespace hvm
