// The desktop program's one door to its settings file. Every read and write
// the main window and its controller make goes through it, so that a file
// that refuses writes is told once (and not at all while an unattended start
// mode runs), and so that each change is a fresh read of the file followed by
// one write: a page that saved a moment ago is never overwritten with an old
// copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/settings/program_settings.h"
#include "engine/settings/settings_save_notice.h"

namespace hvm {

class DialogService;

class SettingsStore {
 public:
  SettingsStore(std::string path, DialogService& dialogs)
      : path_(std::move(path)), notice_(dialogs) {}

  const std::string& Path() const { return path_; }

  // The file as it is now; defaults for what it lacks or cannot give.
  ProgramSettings Load() const;
  // Writes `settings`; a failure is told (see above). True when written.
  bool Save(const ProgramSettings& settings);
  // Reads the file, lets `change` edit it and writes it back.
  bool Change(const std::function<void(ProgramSettings&)>& change);
  // A write made elsewhere (the scan session, a page's model) ended with
  // `status`; 0 is success and tells nothing.
  void Told(uint32_t status);

  // Unattended start modes: failures are kept quiet.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool Quiet() const { return quiet_; }

 private:
  std::string path_;
  SettingsSaveNotice notice_;
  bool quiet_ = false;
};

}  // namespace hvm
