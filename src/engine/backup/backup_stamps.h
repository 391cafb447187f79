// The settings dates a backup and a pack leave behind, and the front page's
// refresh that shows them.
#pragma once

#include <string>

#include "engine/core/command_poster.h"

namespace hvm {

// last_backup := the local time "yyyymmddhhnn"; then kRefreshFrontPage.
void UpdateLastBackupTime(const std::string& settingsPath, CommandPoster& poster);
// last_organize := the local time "yyyymmddhhnn"; then kRefreshFrontPage.
void RecordOrganizeTime(const std::string& settingsPath, CommandPoster& poster);

}  // namespace hvm
