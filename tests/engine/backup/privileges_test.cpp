#include "engine/backup/privileges.h"

#include <gtest/gtest.h>

#include "fake_machine.h"

namespace hvm {
namespace {

using test::FakeMachine;
using test::ScriptedDialogs;

bool Enabled(FakeMachine& machine, const std::string& name) {
  const std::unique_ptr<ProcessToken> token = machine.OpenProcessToken();
  return PrivilegeEnabled(*token, name);
}

TEST(PrivilegeEnabled, TheEnabledBitCountsWhateverElseIsSet) {
  FakeMachine machine;
  machine.token.attributes = {
      {kBackupPrivilege, SE_PRIVILEGE_ENABLED},
      {kRestorePrivilege, SE_PRIVILEGE_ENABLED_BY_DEFAULT | SE_PRIVILEGE_ENABLED},
      {kShutdownPrivilege, 0}};
  EXPECT_TRUE(Enabled(machine, kBackupPrivilege));
  EXPECT_TRUE(Enabled(machine, kRestorePrivilege));  // attributes 3
  EXPECT_FALSE(Enabled(machine, kShutdownPrivilege));
  EXPECT_FALSE(Enabled(machine, "SeDebugPrivilege"));  // not held at all
  EXPECT_EQ("adjust SeBackupPrivilege 2", machine.calls.front());
}

TEST(PrivilegeEnabled, AnyFailingStepIsNotEnabled) {
  for (int failing = 0; failing < 3; ++failing) {
    FakeMachine machine;
    machine.token.attributes = {{kBackupPrivilege, SE_PRIVILEGE_ENABLED}};
    machine.token.lookupWorks = failing != 0;
    machine.token.adjustWorks = failing != 1;
    machine.token.queryWorks = failing != 2;
    EXPECT_FALSE(Enabled(machine, kBackupPrivilege)) << failing;
  }
}

TEST(EnablePrivilege, RefusalsSayWhichPrivilegeIsMissing) {
  FakeMachine machine;
  ScriptedDialogs dialogs;
  EXPECT_FALSE(EnablePrivilege(machine, dialogs, kBackupPrivilege, PrivilegeUse::kBackup));
  EXPECT_FALSE(EnablePrivilege(machine, dialogs, kRestorePrivilege, PrivilegeUse::kRestore));
  EXPECT_EQ((std::vector<std::string>{
                "No Backup Privileges: You do not have Backup Privileges.  Backup is not "
                "possible for this user.",
                "No Restore Privileges: You do not have Restore Privileges.  Restore is not "
                "possible for this user."}),
            dialogs.shown);
  EXPECT_EQ((std::vector<int>{0, 0}), dialogs.flagsSeen);
}

TEST(EnablePrivilege, ATokenThatDoesNotOpenIsARefusal) {
  FakeMachine machine;
  machine.token.opens = false;
  machine.token.attributes = {{kBackupPrivilege, SE_PRIVILEGE_ENABLED}};
  ScriptedDialogs dialogs;
  EXPECT_FALSE(EnablePrivilege(machine, dialogs, kBackupPrivilege, PrivilegeUse::kBackup));
  EXPECT_EQ(1u, dialogs.shown.size());
  machine.token.opens = true;
  EXPECT_TRUE(EnablePrivilege(machine, dialogs, kBackupPrivilege, PrivilegeUse::kBackup));
  EXPECT_EQ(1u, dialogs.shown.size());
}

TEST(RestartWinNT, WithoutTheShutdownPrivilegeNothingRestarts) {
  FakeMachine machine;
  ScriptedDialogs dialogs;
  EXPECT_EQ(RestartOutcome::kNoShutdownPrivilege, RestartWinNT(machine, dialogs));
  EXPECT_EQ((std::vector<std::string>{"Brightfold Hivemend: Windows cannot be restarted because "
                                      "you do not have Shutdown Privileges.  Please restart "
                                      "Windows."}),
            dialogs.shown);
  EXPECT_EQ(std::count(machine.calls.begin(), machine.calls.end(), "restart"), 0);
}

TEST(RestartWinNT, RestartsWithThePrivilegeOrWhenTheTokenCannotBeOpened) {
  FakeMachine machine;
  ScriptedDialogs dialogs;
  machine.token.attributes = {{kShutdownPrivilege, SE_PRIVILEGE_ENABLED}};
  EXPECT_EQ(RestartOutcome::kRestarting, RestartWinNT(machine, dialogs));
  EXPECT_EQ("restart", machine.calls.back());
  machine.token.opens = false;
  machine.calls.clear();
  EXPECT_EQ(RestartOutcome::kRestarting, RestartWinNT(machine, dialogs));
  EXPECT_EQ((std::vector<std::string>{"restart"}), machine.calls);
  EXPECT_TRUE(dialogs.shown.empty());
}

// The real token: Wine grants the backup privilege to the user, and the
// seam reads it back enabled.
TEST(PlatformMachineControl, TheRealTokenEnablesTheBackupPrivilege) {
  PlatformMachineControl machine;
  const std::unique_ptr<ProcessToken> token = machine.OpenProcessToken();
  ASSERT_NE(nullptr, token);
  EXPECT_TRUE(PrivilegeEnabled(*token, kBackupPrivilege));
  EXPECT_FALSE(PrivilegeEnabled(*token, "SeNoSuchPrivilege"));
  EXPECT_EQ(0u, token->UserSid().rfind("S-1-5-", 0));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST(RunAndWait, WaitsForTheProgramToEnd) {
  // The exit code equal to STILL_ACTIVE would keep a loop that polls the exit
  // code waiting for ever; the wait on the process ends all the same.
  EXPECT_TRUE(RunAndWait("cmd.exe /c exit 259", 0));
  EXPECT_TRUE(RunAndWait("cmd.exe /c exit 0", 0));
}

TEST(RunAndWait, AProgramThatCannotStartIsFalse) {
  EXPECT_FALSE(RunAndWait("C:\\no\\such\\scanregw.exe /backup", 5));
  EXPECT_FALSE(RunAndWait("", 5));
}

}  // namespace
}  // namespace hvm
