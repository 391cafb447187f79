// KeyWatchThread: one worker per watched key. It asks the platform to
// signal its event on any change below the key, waits for the event (or its
// stop request), lets its key snapshot turn the change into change lines and
// hands the batch to the GUI thread, where it waits until the batch is taken.
//
// Threading: the worker's own thread owns the snapshot and the batch between
// deliveries. Arm, the delivery and Finished run on the window thread
// (RunOnWindowThread) while the worker blocks; only there does it touch the
// monitor. Once the window thread's queue is closed they no longer run, and
// the worker marks itself finished on its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/scoped_handle.h"
#include "engine/core/window_thread.h"
#include "engine/monitor/key_snapshot.h"

namespace hvm {

class RegistryMonitor;

class KeyWatchThread {
 public:
  // Takes the key's first snapshot now, on the calling (GUI) thread.
  KeyWatchThread(HKEY rootKey, std::string keyPath, int slotIndex, RegistryMonitor& monitor,
                 WindowThread& windowThread);
  // The thread must have ended (Join) before.
  ~KeyWatchThread();
  KeyWatchThread(const KeyWatchThread&) = delete;
  KeyWatchThread& operator=(const KeyWatchThread&) = delete;

  // Creates the thread at priority below normal and lets it run. False when
  // the platform refuses a thread.
  [[nodiscard]] bool Start();
  // Asks the worker to end; it does after its current wait or batch.
  void Terminate();
  // Waits for the thread to return. Only after its Finished step has run:
  // before that it may be waiting for the GUI thread.
  void Join();

  int SlotIndex() const { return slotIndex_; }
  HKEY RootKey() const { return rootKey_; }
  const std::string& KeyPath() const { return keyPath_; }
  // GUI thread: whether Arm counted it, the name its event got ("" without
  // one), and whether its Finished step has run.
  bool Counted() const { return counted_; }
  const std::string& EventName() const { return eventName_; }
  bool HasFinished() const { return finished_; }
  // The system's id of the worker's thread once started (0 before), so that
  // a caller can tell whether exactly this thread is still alive.
  DWORD ThreadId() const { return threadId_; }

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Execute();
  void WaitForChanges();
  void Arm();       // GUI thread
  void Finished();  // GUI thread

  HKEY rootKey_;
  std::string keyPath_;
  int slotIndex_;
  RegistryMonitor& monitor_;
  WindowThread& windowThread_;
  std::unique_ptr<KeySnapshot> cache_;
  ScopedKey reader_;
  ScopedKernelHandle changeEvent_;
  ScopedKernelHandle stopEvent_;
  ScopedKernelHandle thread_;
  DWORD threadId_ = 0;
  std::atomic<bool> terminated_{false};
  std::vector<std::string> changes_;
  std::string eventName_;
  bool counted_ = false;
  std::atomic<bool> finished_{false};
};

}  // namespace hvm
