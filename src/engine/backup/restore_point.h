// System Restore before a repair: a restore point named for this program is
// begun, and ended again once the repair is over, so that System Restore is
// not left waiting for the end of a change. The platform is reached through a
// small seam, so that tests answer for it.
#pragma once

#include <cstdint>
#include <string>

namespace hvm {

class DialogService;
class MachineControl;

inline constexpr char kRestorePointDescription[] =
    "Restore Point made for Hivemend before Cleaning";

// The platform's System Restore client. `Begin` and `End` return 0 on
// success, -1 when the library is missing, -2 when its export is,
// kRefusedWithoutStatus when the call failed without a status, or the status
// the platform gave.
inline constexpr int32_t kRefusedWithoutStatus = -3;
class SystemRestore {
 public:
  virtual ~SystemRestore() = default;
  virtual bool Available() = 0;
  virtual int32_t Begin(const std::string& description, uint64_t& sequence) = 0;
  virtual int32_t End(uint64_t sequence) = 0;
};

// SrClient.dll of the system folder, loaded on first use and kept loaded.
class PlatformSystemRestore : public SystemRestore {
 public:
  explicit PlatformSystemRestore(std::string systemFolder)
      : systemFolder_(std::move(systemFolder)) {}
  bool Available() override;
  int32_t Begin(const std::string& description, uint64_t& sequence) override;
  int32_t End(uint64_t sequence) override;

 private:
  std::string systemFolder_;
};

// Why a restore point was or was not made, as the report and the console say it.
struct RestorePointOutcome {
  enum class Result {
    kMade,
    kNotAvailable,
    kNotAdministrator,
    kRefused,
    // Windows 98: the registry checker's full backup instead.
    kCheckerRan,
    kCheckerNotStarted,
  } result = Result::kNotAvailable;
  int32_t status = 0;     // the platform's status when refused
  uint64_t sequence = 0;  // of a restore point made, for its end
  std::string Describe() const;
};

// Begins the restore point when System Restore is there and the user is an
// administrator; a refusal is shown as "A restore point could not be created
// [status]" titled "Restore Point". Never throws; a failure never stops the
// repair that follows.
RestorePointOutcome MakeRestorePoint(SystemRestore& platform, DialogService& dialogs,
                                     bool isAdministrator);
// Windows 98 has no System Restore: its registry checker's full backup is the
// protection there.
struct RegistryChecker {
  int windowsVersionCode = 0;
  MachineControl* machine = nullptr;  // null: no checker to run
  std::string windowsFolder;          // with its final backslash
};
// The protection before a repair, and the results page's backup: on Windows
// 98 the registry checker runs ("Unable to Back up Registry" titled "Backup
// not Successful" when it cannot start); on every other system
// MakeRestorePoint.
RestorePointOutcome ProtectRegistry(SystemRestore& platform, DialogService& dialogs,
                                    bool isAdministrator, const RegistryChecker& checker);
// Ends a restore point that was made; nothing for one that was not.
void EndRestorePoint(SystemRestore& platform, const RestorePointOutcome& outcome);

}  // namespace hvm
