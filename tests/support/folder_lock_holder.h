// Holds a data folder's repair lock on a thread of its own, as another
// program would, until told to let go.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "engine/core/scoped_handle.h"
#include "engine/results/data_folder_lock.h"

namespace hvm::test {

class OtherHolder {
 public:
  explicit OtherHolder(const std::string& folder)
      : acquired_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        thread_([this, folder] {
          DataFolderLock lock(folder);
          held_ = lock.Acquire(INFINITE);
          SetEvent(acquired_.Get());
          WaitForSingleObject(release_.Get(), INFINITE);
        }) {
    WaitForSingleObject(acquired_.Get(), INFINITE);
  }
  ~OtherHolder() { Release(); }
  void Release() {
    SetEvent(release_.Get());
    if (thread_.joinable()) thread_.join();
  }
  bool Held() const { return held_; }

 private:
  ScopedKernelHandle acquired_;
  ScopedKernelHandle release_;
  bool held_ = false;
  std::thread thread_;
};

}  // namespace hvm::test
