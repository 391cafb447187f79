// Sections 10 to 22: registry places that name files or folders outside the
// class registrations (drivers, DLL lists, shared DLL counters, the Start Menu
// order, startup commands, help folders, fonts, application paths, file
// extension keys, installed-file lists and the add/remove cache). One walk,
// FindBadFileKeys, examines one key in one of eight modes.
#pragma once

#include <windows.h>

#include <string>

#include "engine/core/results_store.h"

namespace hvm {

class ScanDriver;

// How a walk removes a stale value at once: the value goes to today's undo
// snapshot before it is deleted, protected and ignored values are left alone,
// and failed deletions are remembered for the cannot-remove file.
class ValueRemover {
 public:
  virtual ~ValueRemover() = default;
  // `rootKey` is a predefined key, `keyPath` begins with a backslash;
  // `section` is the one whose walk found the value. True when the value was
  // deleted.
  virtual bool ExportValue(HKEY rootKey, const std::string& keyPath, const std::string& valueName,
                           int section) = 0;
  // Writes the failed deletions gathered so far to the cannot-remove file.
  virtual void WriteCantRemove() = 0;
  // The name of the undo snapshot the removed values go to.
  virtual std::string SnapshotName() const = 0;
};

enum class WalkMode : int {
  fkValueFiles = 1,
  fkValueNamePaths = 2,
  fkSubkeyValueFile = 3,
  fkAppPaths = 4,
  fkFolderValues = 5,
  fkEmptyExtensionKeys = 6,
  fkUninstallCache = 7,
  fkStartMenuFolders = 9,
};

struct FileScanEnvironment {
  std::string systemFolder;   // with a trailing backslash
  std::string windowsFolder;  // with a trailing backslash
  bool unattended = false;    // started by the schedule or at log-on
  bool readOnly = false;      // remove nothing: list stale values as problems
};

class FileReferenceSections {
 public:
  FileReferenceSections(ScanDriver& driver, ValueRemover& remover, FileScanEnvironment env);

  // Runs sections 10 to 22, each when its switch is on.
  void ScanFileReferences();

  // Walks `keyPath` (short root name) in `mode`; `base` is a folder, a value
  // name, the progress marker "p", or empty, as the mode needs.
  void FindBadFileKeys(const std::string& keyPath, const std::string& base, WalkMode mode);

 private:
  struct Walk;

  void ValueFiles(Walk& walk);
  void ValueNamePaths(Walk& walk);
  void SubkeyValueFile(Walk& walk);
  void AppPaths(Walk& walk);
  void FolderValues(Walk& walk);
  void EmptyExtensionKeys(Walk& walk);
  void UninstallCache(Walk& walk);
  void StartMenuFolders(Walk& walk);
  void ReportKey(const Walk& walk, const std::string& name, const ProblemReason& reason);
  void ReportValue(const Walk& walk, const std::string& name, const ProblemReason& reason);
  // Removes a stale value of a value-file walk at once and records it, or in
  // a read-only scan lists it as a problem of its section.
  void RemoveStaleValue(const Walk& walk, const std::string& name, const std::string& data,
                        const ProblemReason& reason);

  ScanDriver& driver_;
  ValueRemover& remover_;
  FileScanEnvironment env_;
};

}  // namespace hvm
