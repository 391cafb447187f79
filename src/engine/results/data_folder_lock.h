// One repair or restore at a time per data folder, whichever program runs it
// (the desktop program or any number of console runs): both change the
// registry from the same undo snapshots and append to them.
//
// The lock is a named mutex whose name is derived from the folder's
// canonical path, not a lock file: the system releases a mutex when its owner
// dies, and says so (the next owner sees it abandoned), so a killed repair
// never leaves the folder locked, and a read-only or full data folder can
// still be restored from. Ownership belongs to the thread that acquired it
// and nests there, so a verb that holds it may call an engine step that
// takes it again.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/scoped_handle.h"

namespace hvm {

class DataFolderLock {
 public:
  explicit DataFolderLock(std::string dataFolder);
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  // Waits at most `waitMs` for the folder; true when this thread holds it.
  // A holder that ended without letting go counts as gone: what it left
  // half done is in the snapshot, whose readers and writer expect a torn end.
  [[nodiscard]] bool Acquire(uint32_t waitMs);
  bool Held() const { return held_; }
  // The previous holder ended (was killed) while it held the folder.
  bool WasAbandoned() const { return abandoned_; }
  // The Win32 status when the lock could not be made or waited for;
  // ERROR_SUCCESS when it was merely held by another repair or restore.
  unsigned long Status() const { return status_; }
  // What to tell the user when Acquire gave up.
  std::string BusyText() const;

 private:
  std::string dataFolder_;
  ScopedKernelHandle mutex_;
  bool held_ = false;
  bool abandoned_ = false;
  unsigned long status_ = 0;
};

// The name of the folder's mutex: the same for every spelling of the folder
// (letter case, relative paths, short names, links) that the system can
// resolve.
std::string DataFolderLockName(const std::string& dataFolder);

}  // namespace hvm
