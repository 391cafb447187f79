// The walk over the registry's hives: save mode writes every hive into a
// folder (one file per hive and the description "user.ini"); replace mode
// asks the platform to put the hives of such a folder in place of the live
// ones at the next start of Windows. The full backup, the pack and the putting
// back of a backup all use it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/backup/hive_names.h"
#include "engine/backup/machine_control.h"
#include "engine/core/dialog_service.h"

namespace hvm {

inline constexpr char kHiveListKey[] = "\\SYSTEM\\CurrentControlSet\\Control\\hivelist";
inline constexpr char kDescriptionFile[] = "user.ini";

// One value of the platform's hive list: the hive's registry name and its
// file in device form.
struct HiveListEntry {
  std::string valueName;
  std::string file;
};

// The hive list in enumeration order: values of a string kind with data (a
// volatile hive has none, and has no file to save). Nothing when the key does
// not open.
std::optional<std::vector<HiveListEntry>> ReadHiveList();

enum class HiveMode { kSave, kReplace };

struct HiveWalkContext {
  MachineControl& machine;
  DialogService& dialogs;
  int windowsVersionCode = 0;
  // Hives displaced by a replacement go to its "Undo" sub-folder.
  std::string dataFolder;
  // Lets pending window messages run between hives; may be empty.
  std::function<void()> pumpMessages;
  // Hives handled so far of the total; may be empty.
  std::function<void(int done, int total)> progress;
};

struct HiveWalkResult {
  bool ok = false;
  // Hive files written (save) or hives scheduled (replace), in walk order.
  std::vector<std::string> files;
  // The hive that stopped the walk, and the platform's status for it.
  std::string failedFile;
  LONG status = ERROR_SUCCESS;
  bool hiveListFound = false;
  // Replace mode: the user said No to the security-software warning.
  bool declined = false;
  std::string Describe() const;
};

// Every hive, as the walk over the hive list (or, when the platform keeps
// none or one that names no hive file, over the well-known hives) meets it. `folder` may end in a
// backslash or not. A walk that saves or schedules no hive at all is a failure, so that an empty
// folder is never taken for a backup.
[[nodiscard]] HiveWalkResult SaveNTRegistry(HiveWalkContext& context, const std::string& folder,
                                            HiveMode mode);

// One hive. Save: `file` is deleted first, then written. Replace: a missing
// `file` is nothing to do (ERROR_SUCCESS); otherwise its ".log" companion
// goes and the replacement is scheduled with the displaced hive kept in the
// data folder's "Undo" sub-folder. The Win32 status.
[[nodiscard]] LONG SaveHive(HiveWalkContext& context, HiveRoot root, const std::string& key,
                            HiveMode mode, const std::string& file);

}  // namespace hvm
