#include "engine/backup/restore_point.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/backup/repair_restore_point.h"
#include "engine/core/dialog_service.h"
#include "fake_machine.h"
#include "support/process.h"

namespace hvm {
namespace {

// Answers for the platform and records every call.
class FakeSystemRestore : public SystemRestore {
 public:
  bool Available() override { return available; }
  int32_t Begin(const std::string& description, uint64_t& sequence) override {
    calls.push_back("begin " + description);
    sequence = 4711;
    return beginStatus;
  }
  int32_t End(uint64_t sequence) override {
    calls.push_back("end " + std::to_string(sequence));
    return 0;
  }
  bool available = true;
  int32_t beginStatus = 0;
  std::vector<std::string> calls;
};

class RecordingDialogs : public DialogService {
 public:
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override {
    shown.push_back(caption + ": " + text);
    return dialog::kOk;
  }
  std::vector<std::string> shown;
};

TEST(RestorePoint, MadeWithItsDescriptionAndEndedWithTheReturnedSequence) {
  FakeSystemRestore platform;
  RecordingDialogs dialogs;
  const RestorePointOutcome outcome = MakeRestorePoint(platform, dialogs, true);
  EXPECT_EQ(RestorePointOutcome::Result::kMade, outcome.result);
  EXPECT_EQ(4711u, outcome.sequence);
  EndRestorePoint(platform, outcome);
  EXPECT_EQ((std::vector<std::string>{"begin Restore Point made for Hivemend before Cleaning",
                                      "end 4711"}),
            platform.calls);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ("made", outcome.Describe());
}

TEST(RestorePoint, RefusalIsShownWithItsStatusAndNotEnded) {
  FakeSystemRestore platform;
  platform.beginStatus = 1058;
  RecordingDialogs dialogs;
  const RestorePointOutcome outcome = MakeRestorePoint(platform, dialogs, true);
  EXPECT_EQ(RestorePointOutcome::Result::kRefused, outcome.result);
  EXPECT_EQ(
      (std::vector<std::string>{"Restore Point: A restore point could not be created [1058]"}),
      dialogs.shown);
  EndRestorePoint(platform, outcome);
  EXPECT_EQ(1u, platform.calls.size());  // no end for a point never begun
  EXPECT_EQ("not made (refused with status 1058)", outcome.Describe());
  // A refusal that carries no status is said in words, not as a number.
  RestorePointOutcome silent = outcome;
  silent.status = kRefusedWithoutStatus;
  EXPECT_EQ("not made (System Restore refused it)", silent.Describe());
}

TEST(RestorePoint, NonAdministratorOrMissingSystemRestoreIsSilent) {
  FakeSystemRestore platform;
  RecordingDialogs dialogs;
  const RestorePointOutcome user = MakeRestorePoint(platform, dialogs, false);
  EXPECT_EQ(RestorePointOutcome::Result::kNotAdministrator, user.result);
  platform.available = false;
  const RestorePointOutcome none = MakeRestorePoint(platform, dialogs, true);
  EXPECT_EQ(RestorePointOutcome::Result::kNotAvailable, none.result);
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ("not made (not an administrator)", user.Describe());
  EXPECT_EQ("not made (System Restore is not available)", none.Describe());
}

TEST(RestorePoint, PlatformWithoutTheLibraryIsNotAvailable) {
  // A folder without SrClient.dll stands for a system without System Restore.
  PlatformSystemRestore platform("C:\\no-such-folder-hvm\\");
  EXPECT_FALSE(platform.Available());
  RecordingDialogs dialogs;
  EXPECT_EQ(RestorePointOutcome::Result::kNotAvailable,
            MakeRestorePoint(platform, dialogs, true).result);
  EXPECT_TRUE(dialogs.shown.empty());
}

// The stand-in client library the build puts beside the tests; what it
// was handed and what it answers.
class FakeClientLibrary {
 public:
  static std::string Folder() { return test::ProgramFolder() + "\\fake-srclient\\"; }
  FakeClientLibrary() : module_(LoadLibraryA((Folder() + "SrClient.dll").c_str())) {}
  ~FakeClientLibrary() {
    if (module_) FreeLibrary(module_);
  }
  bool Loaded() const { return module_ != nullptr; }
  void Answer(BOOL result, DWORD status, INT64 sequence) {
    reinterpret_cast<void (*)(BOOL, DWORD, INT64)>(GetProcAddress(module_, "FakeAnswer"))(
        result, status, sequence);
  }
  // Event type, restore point type, sequence number and description.
  struct Request {
    DWORD eventType;
    DWORD restorePointType;
    INT64 sequence;
    std::string description;
    bool terminated;
  };
  Request LastRequest() {
    unsigned char bytes[80] = {};
    reinterpret_cast<void (*)(unsigned char*)>(GetProcAddress(module_, "FakeLastRequest"))(bytes);
    Request request{};
    std::memcpy(&request.eventType, bytes, 4);
    std::memcpy(&request.restorePointType, bytes + 4, 4);
    std::memcpy(&request.sequence, bytes + 8, 8);
    const char* text = reinterpret_cast<const char*>(bytes + 16);
    request.terminated = std::memchr(text, 0, 64) != nullptr;
    request.description.assign(text, strnlen(text, 64));
    return request;
  }

 private:
  HMODULE module_;
};

// The program keeps the client library loaded for the rest of the process
// once it loaded, so the missing library is tried first, in the same test.
TEST(RestorePoint, ThePlatformCallCarriesTheRecordAndGivesBackTheStatus) {
  uint64_t sequence = 0;
  PlatformSystemRestore missing("C:\\no-such-folder-hvm\\");
  EXPECT_EQ(-1, missing.Begin(kRestorePointDescription, sequence));

  FakeClientLibrary client;
  ASSERT_TRUE(client.Loaded()) << FakeClientLibrary::Folder();
  PlatformSystemRestore platform(FakeClientLibrary::Folder());
  EXPECT_TRUE(platform.Available());
  client.Answer(TRUE, 0, 4242);
  EXPECT_EQ(0, platform.Begin(kRestorePointDescription, sequence));
  EXPECT_EQ(4242u, sequence);
  FakeClientLibrary::Request request = client.LastRequest();
  EXPECT_EQ(100u, request.eventType);
  EXPECT_EQ(0u, request.restorePointType);
  EXPECT_EQ(0, request.sequence);
  EXPECT_EQ(kRestorePointDescription, request.description);
  EXPECT_TRUE(request.terminated);

  EXPECT_EQ(0, platform.End(4242));
  request = client.LastRequest();
  EXPECT_EQ(101u, request.eventType);
  EXPECT_EQ(4242, request.sequence);
  EXPECT_EQ("", request.description);

  // A description longer than the record's 64 characters is cut, and still ends.
  const std::string longText(70, 'd');
  EXPECT_EQ(0, platform.Begin(longText, sequence));
  request = client.LastRequest();
  EXPECT_EQ(std::string(63, 'd'), request.description);
  EXPECT_TRUE(request.terminated);

  client.Answer(FALSE, 1058, 0);
  EXPECT_EQ(1058, platform.Begin(kRestorePointDescription, sequence));
  RecordingDialogs dialogs;
  const RestorePointOutcome refused = MakeRestorePoint(platform, dialogs, true);
  EXPECT_EQ(RestorePointOutcome::Result::kRefused, refused.result);
  EXPECT_EQ(
      (std::vector<std::string>{"Restore Point: A restore point could not be created [1058]"}),
      dialogs.shown);
  client.Answer(FALSE, 0, 0);
  EXPECT_EQ(kRefusedWithoutStatus, platform.Begin(kRestorePointDescription, sequence));
}

// Windows 98 has no System Restore: its registry checker makes the backup,
// and a checker that cannot start is told.
TEST(RestorePoint, Windows98RunsTheRegistryCheckerInstead) {
  FakeSystemRestore platform;
  RecordingDialogs dialogs;
  test::FakeMachine machine;
  int stamps = 0;
  RepairRestorePoint::Hooks hooks;
  hooks.wanted = [] { return true; };
  hooks.administrator = [] { return true; };
  hooks.made = [&stamps] { ++stamps; };
  hooks.registryChecker = {2, &machine, "C:\\WINDOWS\\"};
  RepairRestorePoint protection(platform, dialogs, hooks);
  protection.MakeRestorePoint();
  protection.EndRestorePoint();
  EXPECT_EQ((std::vector<std::string>{"run C:\\WINDOWS\\scanregw /backup 5"}), machine.calls);
  ASSERT_TRUE(protection.Last());
  EXPECT_EQ(RestorePointOutcome::Result::kCheckerRan, protection.Last()->result);
  EXPECT_EQ("registry backed up by the registry checker", protection.Last()->Describe());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_EQ(0, stamps);

  machine.programRuns = false;
  protection.MakeRestorePoint();
  EXPECT_EQ(RestorePointOutcome::Result::kCheckerNotStarted, protection.Last()->result);
  EXPECT_EQ((std::vector<std::string>{"Backup not Successful: Unable to Back up Registry"}),
            dialogs.shown);
  EXPECT_TRUE(platform.calls.empty());
}

TEST(RestorePoint, WindowsMeAndLaterTakeTheRestorePointPath) {
  FakeSystemRestore platform;
  RecordingDialogs dialogs;
  test::FakeMachine machine;
  for (int code : {3, 6}) {
    platform.calls.clear();
    const RestorePointOutcome outcome =
        ProtectRegistry(platform, dialogs, true, {code, &machine, "C:\\WINDOWS\\"});
    EXPECT_EQ(RestorePointOutcome::Result::kMade, outcome.result) << code;
    EXPECT_EQ(1u, platform.calls.size()) << code;
  }
  EXPECT_TRUE(machine.calls.empty());
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace hvm
