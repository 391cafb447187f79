// The update check: a worker (UpdateCheckWorker) fetches the server's response
// and tells the main window what it found by posting command 6 with 0
// (automatic check, nothing newer), 1 (manual check, nothing newer) or 2 (a
// newer version is offered). A failed fetch or an unusable response posts
// nothing, in either mode.
//
// Threading: the worker touches no window. It writes the offer into the
// state it shares with the GUI thread before it posts, and the GUI thread
// reads it after the post arrives; the state outlives whichever of the two
// ends last.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/update/update_response.h"

namespace hvm {

enum class CheckMode { kAutomatic = 0, kManual = 1 };

namespace update_command {
inline constexpr int kRemindLater = 5;  // the value: days until the next check
inline constexpr int kCheckResult = 6;
inline constexpr int kAutomaticNothingNewer = 0;
inline constexpr int kManualNothingNewer = 1;
inline constexpr int kNewerOffered = 2;
}  // namespace update_command

// Fetches an address into text; false when it could not.
using ResponseFetcher = std::function<bool(const std::string& address, std::string& body)>;

// What a check with `response` (nothing: the fetch failed) decides: the value
// of command 6, or nothing to post. An offer whose package address could be
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
  // result is posted to `window`; does nothing (false) while one is running.
  bool Start(HWND window, CheckMode mode, const std::string& requestAddress,
             const std::string& ownVersion);
  bool Running() const;
  // The last offer, stored before command 6 with 2 was posted.
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
