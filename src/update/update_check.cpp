#include "update/update_check.h"

#include <objbase.h>

#include <condition_variable>
#include <thread>

#include "app/version_compare.h"
#include "update/url_download.h"

namespace hvm {

struct UpdateChecks::Shared {
  mutable std::mutex mutex;
  mutable std::condition_variable idle;
  bool running = false;
  std::optional<UpdateOffer> offer;
};

namespace {

// The worker thread of one check; it owns nothing the GUI thread frees.
class tBackgroundCheck {
 public:
  tBackgroundCheck(std::shared_ptr<UpdateChecks::Shared> shared, ResponseFetcher fetcher,
                   HWND window, CheckMode mode, std::string address, std::string ownVersion)
      : shared_(std::move(shared)),
        fetcher_(std::move(fetcher)),
        window_(window),
        mode_(mode),
        address_(std::move(address)),
        ownVersion_(std::move(ownVersion)) {}

  void Execute() {
    std::optional<std::string> response;
    std::string body;
    if (fetcher_(address_, body)) response = std::move(body);
    std::optional<UpdateOffer> offer;
    const std::optional<int> result = DecideCheck(response, ownVersion_, mode_, offer);
    std::lock_guard lock(shared_->mutex);
    if (offer) shared_->offer = offer;
    if (result) PostMessageA(window_, WM_USER, update_command::kCheckResult, *result);
    shared_->running = false;
    shared_->idle.notify_all();
  }

 private:
  std::shared_ptr<UpdateChecks::Shared> shared_;
  ResponseFetcher fetcher_;
  HWND window_;
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
    return mode == CheckMode::kAutomatic ? update_command::kAutomaticNothingNewer
                                         : update_command::kManualNothingNewer;
  if (!IsTrustedTransport(parsed->address)) return std::nullopt;
  offer = std::move(parsed);
  return update_command::kNewerOffered;
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

bool UpdateChecks::Start(HWND window, CheckMode mode, const std::string& requestAddress,
                         const std::string& ownVersion) {
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->running) return false;
    shared_->running = true;
  }
  auto check = std::make_shared<tBackgroundCheck>(shared_, fetcher_, window, mode, requestAddress,
                                                  ownVersion);
  try {
    // Detached: a check that hangs on the network must not hold up the end
    // of the program, and the state it writes is shared, not owned here.
    std::thread([check] { check->Execute(); }).detach();
  } catch (const std::system_error&) {
    std::lock_guard lock(shared_->mutex);
    shared_->running = false;
    return false;
  }
  return true;
}

bool UpdateChecks::Running() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->running;
}

std::optional<UpdateOffer> UpdateChecks::Offer() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->offer;
}

bool UpdateChecks::WaitUntilIdle(DWORD milliseconds) const {
  std::unique_lock lock(shared_->mutex);
  return shared_->idle.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return !shared_->running; });
}

}  // namespace hvm
