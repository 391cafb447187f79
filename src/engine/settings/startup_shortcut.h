// The start-up entry as a shortcut "hvmend.lnk" in the user's start-up
// folder, made and read with the shell's IShellLinkA.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/settings/automatic_startup.h"

namespace hvm {

inline constexpr char kStartupShortcutName[] = "hvmend.lnk";

// The value "Startup" of the user's Shell Folders key with a trailing
// backslash; the Windows folder + "Startm~1\Programs\StartUp\" when the key
// cannot be opened or the value is empty (a root folder is never guessed).
std::string UserStartupFolder();

struct ShortcutFacts {
  std::string target;
  std::string arguments;
  std::string workingFolder;
  std::string description;
};

// Writes a shell shortcut at `path`, replacing one that is there. 0 on
// success, else the platform's status. COM is started for the call when the
// thread has not started it.
[[nodiscard]] uint32_t WriteShortcut(const std::string& path, const ShortcutFacts& facts);
// What the shortcut at `path` holds; nothing when it cannot be loaded.
std::optional<ShortcutFacts> ReadShortcut(const std::string& path);

// `folder` (with or without a trailing backslash) + "hvmend.lnk" starting
// `program` with the start word, in the program's folder.
class StartupShortcut : public StartupEntry {
 public:
  StartupShortcut(std::string folder, std::string program);
  const std::string& Path() const { return path_; }
  bool Exists() override;
  uint32_t Make(const std::string& startWord) override;
  uint32_t Remove() override;

 private:
  std::string path_;
  std::string program_;
};

}  // namespace hvm
