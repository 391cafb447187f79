#include "backup/backup_thread.h"

namespace hvm {

TBackupThread::TBackupThread(std::function<int()> job, CommandPoster& poster)
    : worker_([job = std::move(job), &poster] {
        int type = 0;
        try {
          type = job();
        } catch (...) {
          type = 0;
        }
        poster.PostCommand(kBackupFinishedCommand, type);
      }) {}

TBackupThread::~TBackupThread() {
  Wait();
}

void TBackupThread::Wait() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace hvm
