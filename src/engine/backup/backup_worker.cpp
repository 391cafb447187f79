#include "engine/backup/backup_worker.h"

namespace hvm {

BackupWorker::BackupWorker(std::function<int()> job, CommandPoster& poster)
    : worker_([job = std::move(job), &poster] {
        int type = 0;
        try {
          type = job();
        } catch (...) {
          type = 0;
        }
        poster.PostCommand(Command::kBackupFinished, type);
      }) {}

BackupWorker::~BackupWorker() {
  Wait();
}

void BackupWorker::Wait() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace hvm
