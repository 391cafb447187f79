#include "engine/backup/backup_stamps.h"

#include "engine/settings/program_settings.h"
#include "engine/settings/settings_stamps.h"

namespace hvm {
namespace {

template <class Change>
void Stamp(const std::string& settingsPath, CommandPoster& poster, Change change) {
  ProgramSettings settings;
  LoadSettings(settings, settingsPath);
  change(settings);
  // A settings file that cannot be written loses the date, not the backup.
  static_cast<void>(SaveSettings(settings, settingsPath));
  poster.PostCommand(Command::kRefreshFrontPage, 0);
}

}  // namespace

void UpdateLastBackupTime(const std::string& settingsPath, CommandPoster& poster) {
  Stamp(settingsPath, poster, [](ProgramSettings& s) { s.last_backup = StampNow(); });
}

void RecordOrganizeTime(const std::string& settingsPath, CommandPoster& poster) {
  Stamp(settingsPath, poster, [](ProgramSettings& s) { s.last_organize = StampNow(); });
}

}  // namespace hvm
