#include "engine/update/update_server.h"

#include "engine/settings/file_text.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/setting_policies.h"

namespace hvm {

std::string UpdateServerFrom(const std::string& settingsPath) {
  if (std::optional<std::string> server = PolicyUpdateServer(Policies::Read())) return *server;
  std::string text;
  ReadFileText(settingsPath, text);
  const std::string server = IniFile::Parse(text).ReadString("update", "Server", "");
  return server.empty() ? kDefaultUpdateServer : server;
}

}  // namespace hvm
