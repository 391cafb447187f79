#include "engine/update/update_check.h"

#include <objbase.h>

#include "engine/core/scoped_handle.h"
#include "engine/core/version_compare.h"
#include "engine/update/url_download.h"

namespace hvm {

// Written by the worker under the lock, read by the GUI thread under it; the
// idle event is set whenever no check runs.
struct UpdateChecks::Shared {
  Shared() : idle(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}
  SRWLOCK lock = SRWLOCK_INIT;
  ScopedKernelHandle idle;
  bool running = false;
  std::optional<UpdateOffer> offer;
};

namespace {

class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
};

// The worker thread of one check: created suspended, it owns itself and is
// freed when its check is done.
class UpdateCheckWorker {
 public:
  UpdateCheckWorker(std::shared_ptr<UpdateChecks::Shared> shared, ResponseFetcher fetcher,
                    std::shared_ptr<WindowThread> windowThread, std::function<void(int)> told,
                    CheckMode mode, std::string address, std::string ownVersion)
      : shared_(std::move(shared)),
        fetcher_(std::move(fetcher)),
        windowThread_(std::move(windowThread)),
        told_(std::move(told)),
        mode_(mode),
        address_(std::move(address)),
        ownVersion_(std::move(ownVersion)) {}

  static DWORD WINAPI Run(void* self) {
    std::unique_ptr<UpdateCheckWorker> check(static_cast<UpdateCheckWorker*>(self));
    check->Execute();
    return 0;
  }

 private:
  void Execute() {
    std::optional<std::string> response;
    std::string body;
    try {
      if (fetcher_(address_, body)) response = std::move(body);
    } catch (...) {
      // A check that fails says nothing; it only must not take the program down.
    }
    std::optional<UpdateOffer> offer;
    const std::optional<int> result = DecideCheck(response, ownVersion_, mode_, offer);
    Locked lock(shared_->lock);
    if (offer) shared_->offer = offer;
    if (result && windowThread_)
      windowThread_->Post([told = told_, answer = *result] { told(answer); });
    shared_->running = false;
    SetEvent(shared_->idle.Get());
  }

  std::shared_ptr<UpdateChecks::Shared> shared_;
  ResponseFetcher fetcher_;
  std::shared_ptr<WindowThread> windowThread_;
  std::function<void(int)> told_;
  CheckMode mode_;
  std::string address_;
  std::string ownVersion_;
};

}  // namespace

std::optional<int> DecideCheck(const std::optional<std::string>& response,
                               const std::string& ownVersion, CheckMode mode,
                               std::optional<UpdateOffer>& offer) {
  offer.reset();
  if (!response) return std::nullopt;
  std::optional<UpdateOffer> parsed = ParseUpdateResponse(*response);
  if (!parsed) return std::nullopt;
  if (CompareVersions(parsed->version, ownVersion) <= 0)
    return mode == CheckMode::kAutomatic ? update_result::kAutomaticNothingNewer
                                         : update_result::kManualNothingNewer;
  // An offer that would be refused after the download (no digest to verify
  // the package by, or an address open to tampering) is not put to the user.
  if (!IsTrustedTransport(parsed->address) || !IsSha256Text(parsed->digest)) return std::nullopt;
  offer = std::move(parsed);
  return update_result::kNewerOffered;
}

bool FetchResponse(const std::string& address, std::string& body) {
  if (!IsTrustedTransport(address)) return false;
  const std::string file = MakeTempFile();
  if (file.empty()) return false;
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const long status = DownloadUrlToFile(address, file);
  if (SUCCEEDED(initialised)) CoUninitialize();
  // A response is a line or two: anything large is not one.
  const bool read = status == S_OK && ReadWholeFile(file, body, 64 * 1024);
  DeleteFileA(file.c_str());
  return read;
}

UpdateChecks::UpdateChecks(ResponseFetcher fetcher)
    : shared_(std::make_shared<Shared>()), fetcher_(std::move(fetcher)) {}

bool UpdateChecks::Start(std::shared_ptr<WindowThread> windowThread, std::function<void(int)> told,
                         CheckMode mode, const std::string& requestAddress,
                         const std::string& ownVersion) {
  {
    Locked lock(shared_->lock);
    if (shared_->running) return false;
    shared_->running = true;
    ResetEvent(shared_->idle.Get());
  }
  auto check =
      std::make_unique<UpdateCheckWorker>(shared_, fetcher_, std::move(windowThread),
                                          std::move(told), mode, requestAddress, ownVersion);
  // Not waited for: a check that hangs on the network must not hold up the
  // end of the program, and what it writes is shared, not owned here.
  ScopedKernelHandle thread(
      CreateThread(nullptr, 0, &UpdateCheckWorker::Run, check.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) {
    Locked lock(shared_->lock);
    shared_->running = false;
    SetEvent(shared_->idle.Get());
    return false;
  }
  check.release();  // the thread owns it now
  ResumeThread(thread.Get());
  return true;
}

bool UpdateChecks::Running() const {
  Locked lock(shared_->lock);
  return shared_->running;
}

std::optional<UpdateOffer> UpdateChecks::Offer() const {
  Locked lock(shared_->lock);
  return shared_->offer;
}

bool UpdateChecks::WaitUntilIdle(DWORD milliseconds) const {
  return WaitForSingleObject(shared_->idle.Get(), milliseconds) == WAIT_OBJECT_0;
}

}  // namespace hvm
