#include "engine/backup/restore_point.h"

#include <windows.h>

#include <cstring>

#include "engine/backup/machine_control.h"
#include "engine/core/dialog_service.h"

namespace hvm {
namespace {

// The platform's records, declared here as SrRestorePtApi.h has them.
#pragma pack(push, 1)
struct RestorePointInfo {
  DWORD eventType;
  DWORD restorePointType;
  INT64 sequenceNumber;
  CHAR description[64];
};
struct StateManagerStatus {
  DWORD status;
  INT64 sequenceNumber;
};
#pragma pack(pop)
static_assert(sizeof(RestorePointInfo) == 4 + 4 + 8 + 64);
static_assert(sizeof(StateManagerStatus) == 4 + 8);

constexpr DWORD kBeginSystemChange = 100;
constexpr DWORD kEndSystemChange = 101;
constexpr DWORD kApplicationInstall = 0;

using SetRestorePointFunction = BOOL(WINAPI*)(RestorePointInfo*, StateManagerStatus*);

SetRestorePointFunction LoadSetRestorePoint(const std::string& systemFolder, int32_t& status) {
  static HMODULE library = nullptr;
  if (!library) library = LoadLibraryA((systemFolder + "SrClient.dll").c_str());
  if (!library) {
    status = -1;
    return nullptr;
  }
  auto function =
      reinterpret_cast<SetRestorePointFunction>(GetProcAddress(library, "SRSetRestorePointA"));
  status = function ? 0 : -2;
  return function;
}

int32_t Call(const std::string& systemFolder, DWORD eventType, const std::string& description,
             uint64_t& sequence) {
  int32_t status = 0;
  SetRestorePointFunction set = LoadSetRestorePoint(systemFolder, status);
  if (!set) return status;
  RestorePointInfo request{};
  request.eventType = eventType;
  request.restorePointType = kApplicationInstall;
  request.sequenceNumber = static_cast<INT64>(sequence);
  strncpy(request.description, description.c_str(), sizeof(request.description) - 1);
  StateManagerStatus answer{};
  if (!set(&request, &answer))
    return answer.status ? static_cast<int32_t>(answer.status) : kRefusedWithoutStatus;
  sequence = static_cast<uint64_t>(answer.sequenceNumber);
  return 0;
}

}  // namespace

bool PlatformSystemRestore::Available() {
  HMODULE library = LoadLibraryA((systemFolder_ + "SrClient.dll").c_str());
  if (!library) return false;
  FreeLibrary(library);
  return true;
}

int32_t PlatformSystemRestore::Begin(const std::string& description, uint64_t& sequence) {
  sequence = 0;
  return Call(systemFolder_, kBeginSystemChange, description, sequence);
}

int32_t PlatformSystemRestore::End(uint64_t sequence) {
  return Call(systemFolder_, kEndSystemChange, "", sequence);
}

std::string RestorePointOutcome::Describe() const {
  switch (result) {
    case Result::kMade: return "made";
    case Result::kNotAvailable: return "not made (System Restore is not available)";
    case Result::kNotAdministrator: return "not made (not an administrator)";
    case Result::kRefused:
      if (status == kRefusedWithoutStatus) return "not made (System Restore refused it)";
      return "not made (refused with status " + std::to_string(status) + ")";
    case Result::kCheckerRan: return "registry backed up by the registry checker";
    case Result::kCheckerNotStarted: return "not made (the registry checker could not start)";
  }
  return "not made";
}

RestorePointOutcome MakeRestorePoint(SystemRestore& platform, DialogService& dialogs,
                                     bool isAdministrator) {
  RestorePointOutcome outcome;
  if (!platform.Available()) return outcome;
  if (!isAdministrator) {
    outcome.result = RestorePointOutcome::Result::kNotAdministrator;
    return outcome;
  }
  outcome.status = platform.Begin(kRestorePointDescription, outcome.sequence);
  if (outcome.status != 0) {
    outcome.result = RestorePointOutcome::Result::kRefused;
    dialogs.MessageDialog(
        "A restore point could not be created [" + std::to_string(outcome.status) + "]",
        "Restore Point", dialog::kNotice);
    return outcome;
  }
  outcome.result = RestorePointOutcome::Result::kMade;
  return outcome;
}

RestorePointOutcome ProtectRegistry(SystemRestore& platform, DialogService& dialogs,
                                    bool isAdministrator, const RegistryChecker& checker) {
  if (checker.windowsVersionCode != 2 || !checker.machine)
    return MakeRestorePoint(platform, dialogs, isAdministrator);
  RestorePointOutcome outcome;
  if (checker.machine->RunAndWait(checker.windowsFolder + "scanregw /backup", SW_SHOW)) {
    outcome.result = RestorePointOutcome::Result::kCheckerRan;
  } else {
    outcome.result = RestorePointOutcome::Result::kCheckerNotStarted;
    dialogs.MessageDialog("Unable to Back up Registry", "Backup not Successful", dialog::kNotice);
  }
  return outcome;
}

void EndRestorePoint(SystemRestore& platform, const RestorePointOutcome& outcome) {
  if (outcome.result == RestorePointOutcome::Result::kMade) platform.End(outcome.sequence);
}

}  // namespace hvm
