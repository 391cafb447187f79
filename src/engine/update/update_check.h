// The update check: a worker (UpdateCheckWorker) fetches the server's response
// and tells the window thread what it found, one of the update_result values:
// automatic check, nothing newer; manual check, nothing newer; or a newer
// version is offered. A failed fetch or an unusable response tells nothing,
// in either mode.
//
// Threading: the worker touches no window. It writes the offer into the
// state it shares with the window thread before it posts the answer there
// (engine/core/window_thread.h), and the window thread reads it when the
// answer runs; the state and the window-thread queue outlive whichever of the
// two ends last.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/core/window_thread.h"
#include "engine/update/update_response.h"

namespace hvm {

enum class CheckMode { kAutomatic = 0, kManual = 1 };

// The answers of a check, the value of Command::kUpdateCheckResult.
namespace update_result {
inline constexpr int kAutomaticNothingNewer = 0;
inline constexpr int kManualNothingNewer = 1;
inline constexpr int kNewerOffered = 2;
}  // namespace update_result

// Fetches an address into text; false when it could not.
using ResponseFetcher = std::function<bool(const std::string& address, std::string& body)>;

// What a check with `response` (nothing: the fetch failed) decides: its
// answer, or nothing to tell. An offer whose package address could be
// tampered with on the way (plain http off the loopback), or that names no
// SHA-256 digest to verify the package by, is no offer.
std::optional<int> DecideCheck(const std::optional<std::string>& response,
                               const std::string& ownVersion, CheckMode mode,
                               std::optional<UpdateOffer>& offer);

// The platform's fetch: URLDownloadToFileA into a temporary file, read and
// deleted again. Refuses addresses that are not https (plain http only on
// the loopback).
bool FetchResponse(const std::string& address, std::string& body);

class UpdateChecks {
 public:
  explicit UpdateChecks(ResponseFetcher fetcher = &FetchResponse);

  // Starts a check in `mode` of `requestAddress` against `ownVersion`, whose
  // answer is posted to `windowThread` and given to `told` there; does
  // nothing (false) while one is running.
  bool Start(std::shared_ptr<WindowThread> windowThread, std::function<void(int answer)> told,
             CheckMode mode, const std::string& requestAddress, const std::string& ownVersion);
  bool Running() const;
  // The last offer, stored before update_result::kNewerOffered was posted.
  std::optional<UpdateOffer> Offer() const;
  // For tests: waits at most `milliseconds` until no check runs.
  bool WaitUntilIdle(DWORD milliseconds) const;

  // What the worker and the GUI thread share.
  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  ResponseFetcher fetcher_;
};

}  // namespace hvm
