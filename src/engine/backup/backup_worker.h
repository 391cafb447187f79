// The backup worker. Threading model: the GUI thread creates it and it starts
// at once; the job (the hive walk) runs on the worker, which touches no
// window and no shared data; its end reaches the window thread only as the
// command kBackupFinished with the job's result type, posted. The GUI thread then waits for the
// worker, which by then is only returning.
#pragma once

#include <functional>
#include <thread>

#include "engine/core/command_poster.h"

namespace hvm {

class BackupWorker {
 public:
  // The result type the job returns goes out with kBackupFinished. A job that
  // throws counts as type 0, a backup that did not finish.
  BackupWorker(std::function<int()> job, CommandPoster& poster);
  // Waits for the worker: a hive being written is finished, not cut off.
  ~BackupWorker();
  BackupWorker(const BackupWorker&) = delete;
  BackupWorker& operator=(const BackupWorker&) = delete;

  void Wait();

 private:
  std::thread worker_;
};

}  // namespace hvm
