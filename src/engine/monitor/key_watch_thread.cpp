#include "engine/monitor/key_watch_thread.h"

#include "engine/monitor/monitor_reader.h"
#include "engine/monitor/registry_monitor.h"

namespace hvm {
namespace {

// The stop request is also polled this often, should its event be missed.
constexpr DWORD kWaitStepMs = 2000;
// Read-only opens tried in turn by Arm: reading with notification, reading
// without it (no change is then signalled), querying values only.
constexpr REGSAM kArmAccess[] = {KEY_READ, 0x20009, KEY_QUERY_VALUE};

}  // namespace

KeyWatchThread::KeyWatchThread(HKEY rootKey, std::string keyPath, int slotIndex,
                               RegistryMonitor& monitor, WindowThread& windowThread)
    : rootKey_(rootKey),
      keyPath_(std::move(keyPath)),
      slotIndex_(slotIndex),
      monitor_(monitor),
      windowThread_(windowThread),
      cache_(std::make_unique<KeySnapshot>(keyPath_, rootKey_)),
      stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

KeyWatchThread::~KeyWatchThread() {
  Terminate();
  Join();
}

bool KeyWatchThread::Start() {
  if (!stopEvent_) return false;
  thread_.Reset(CreateThread(nullptr, 0, &ThreadMain, this, CREATE_SUSPENDED, &threadId_));
  if (!thread_) return false;
  SetThreadPriority(thread_.Get(), THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(thread_.Get());
  return true;
}

void KeyWatchThread::Terminate() {
  terminated_ = true;
  if (stopEvent_) SetEvent(stopEvent_.Get());
}

void KeyWatchThread::Join() {
  if (thread_) WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Close();
}

DWORD WINAPI KeyWatchThread::ThreadMain(void* self) {
  static_cast<KeyWatchThread*>(self)->Execute();
  return 0;
}

void KeyWatchThread::Execute() {
  changes_.clear();
  (void)RunOnWindowThread(windowThread_, [this] { Arm(); });
  // Nothing may leave the thread; a failure ends the watching, never the
  // worker's duty to say it has finished.
  try {
    WaitForChanges();
  } catch (...) {
  }
  // Unrun (the window is gone), nobody on the window thread will say so.
  if (!RunOnWindowThread(windowThread_, [this] { Finished(); })) finished_ = true;
  changes_.clear();
  changes_.shrink_to_fit();
  cache_.reset();
  reader_.Close();
  changeEvent_.Close();
}

void KeyWatchThread::WaitForChanges() {
  while (!terminated_) {
    if (!changeEvent_) {
      WaitForSingleObject(stopEvent_.Get(), kWaitStepMs);
      continue;
    }
    const HANDLE events[] = {changeEvent_.Get(), stopEvent_.Get()};
    if (WaitForMultipleObjects(2, events, FALSE, kWaitStepMs) != WAIT_OBJECT_0) continue;
    // Asked again before the key is read: a change made while this batch is
    // read or delivered signals the event anew instead of going unnoticed.
    ResetEvent(changeEvent_.Get());
    (void)RequestChangeNotification(reader_.Get(), changeEvent_.Get());
    cache_->ReportChanges(changes_);
    (void)RunOnWindowThread(windowThread_, [this] { monitor_.DeliverChanges(changes_); });
    changes_.clear();
  }
}

void KeyWatchThread::Arm() {
  monitor_.ReapEnded();
  for (REGSAM access : kArmAccess)
    if (OpenMonitoredKey(rootKey_, keyPath_, access, reader_) == ERROR_SUCCESS) break;
  if (!reader_) return;
  const int number = monitor_.WorkerArmed(counted_);
  const std::string name = "RegMonitorChange" + std::to_string(number);
  changeEvent_.Reset(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  if (changeEvent_ && GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another process (or a worker of an earlier run) holds the name: a
    // shared event would let its resets swallow this worker's signals.
    changeEvent_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    eventName_.clear();
  } else if (changeEvent_) {
    eventName_ = name;
  }
  if (changeEvent_) (void)RequestChangeNotification(reader_.Get(), changeEvent_.Get());
}

void KeyWatchThread::Finished() {
  monitor_.WorkerFinished(*this);
  // Last: from here on the worker may be joined, which must not happen while
  // this step is still on the stack (its thread waits for it to return).
  finished_ = true;
}

}  // namespace hvm
