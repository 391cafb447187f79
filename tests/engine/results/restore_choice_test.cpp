#include "engine/results/restore_choice.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/folder_lock_holder.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr char kSnapshot[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Back]\r\n\"name\"=\"value\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Whole]\r\n\r\n";

class RestoreChoiceTest : public test::RegistrySandboxTest {
 protected:
  test::TestFolder folder_;
};

TEST_F(RestoreChoiceTest, EveryCheckedEntryBackSaysSelectedKeysRestored) {
  folder_.WriteFile("Undo20261209.reg", kSnapshot);
  const SnapshotRestorer restorer(folder_.Path(), "Undo20261209.reg");
  const RestoreOutcome outcome =
      RestoreEntries(restorer, ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr));
  EXPECT_EQ(2, outcome.chosen);
  EXPECT_EQ(2, outcome.restored);
  EXPECT_TRUE(test::ValueExists("HKCU\\Software\\Back", "name"));
  EXPECT_TRUE(test::KeyExists("HKCU\\Software\\Whole"));
  EXPECT_EQ("Selected Keys Restored", RestoreMessage(outcome));
}

TEST_F(RestoreChoiceTest, AFailedEntryIsNamedAndTheRestStillComeBack) {
  folder_.WriteFile("Undo20261209.reg", kSnapshot);
  const SnapshotRestorer restorer(folder_.Path(), "Undo20261209.reg");
  const RestoreOutcome outcome =
      RestoreEntries(restorer, {"HKEY_CURRENT_USER\\Software\\Gone\\\\:\"x\"",
                                "HKEY_CURRENT_USER\\Software\\Back\\\\:\"name\""});
  EXPECT_EQ(2, outcome.chosen);
  EXPECT_EQ(1, outcome.restored);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Gone\\\\:\"x\"", outcome.firstFailure);
  EXPECT_TRUE(test::ValueExists("HKCU\\Software\\Back", "name"));
  const std::string message = RestoreMessage(outcome);
  EXPECT_NE(std::string::npos, message.find("Restored 1 of 2"));
  EXPECT_NE(std::string::npos, message.find("Software\\Gone"));
  EXPECT_EQ(std::string::npos, message.find("Selected Keys Restored"));
}

TEST_F(RestoreChoiceTest, NothingComesBackWhileARepairHoldsTheDataFolder) {
  folder_.WriteFile("Undo20261209.reg", kSnapshot);
  const SnapshotRestorer restorer(folder_.Path(), "Undo20261209.reg");
  const std::vector<std::string> entries =
      ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr);
  test::OtherHolder other(folder_.Path());
  const RestoreOutcome outcome = RestoreEntries(restorer, entries);
  EXPECT_EQ(2, outcome.chosen);
  EXPECT_EQ(0, outcome.restored);
  EXPECT_FALSE(test::ValueExists("HKCU\\Software\\Back", "name"));
  EXPECT_NE(std::string::npos, RestoreMessage(outcome).find("Another repair or restore"));
  other.Release();
  EXPECT_EQ(2, RestoreEntries(restorer, entries).restored);
}

// Entries the reader refused are told with their reason, and the rest come back.
TEST_F(RestoreChoiceTest, RefusedEntriesAreNotRestoredAndSayWhy) {
  folder_.WriteFile("Undo20261209.reg",
                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Cut]\r\n\"v\"=\"abc\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Back]\r\n\"name\"=\"value\"\r\n");
  const SnapshotRestorer restorer(folder_.Path(), "Undo20261209.reg");
  const RestoreOutcome outcome =
      RestoreEntries(restorer, ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr));
  EXPECT_EQ(2, outcome.chosen);
  EXPECT_EQ(1, outcome.restored);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Cut\\\\:\"v\"", outcome.firstFailure);
  EXPECT_NE(std::string::npos, outcome.reason.find("cut short"));
  EXPECT_FALSE(test::KeyExists("HKCU\\Software\\Cut"));
  EXPECT_TRUE(test::ValueExists("HKCU\\Software\\Back", "name"));
}

// Another file of a day comes after the first, in number order.
TEST_F(RestoreChoiceTest, NumberedFilesOfADayAreListedAfterTheFirst) {
  for (const char* name : {"Undo20261209-10.reg", "Undo20261209-2.reg", "Undo20261209.reg",
                           "Undo20261208.reg", "Undo20261210.reg"})
    folder_.WriteFile(name, kSnapshot);
  const std::vector<std::string> expected = {"Undo20261208.reg", "Undo20261209.reg",
                                             "Undo20261209-2.reg", "Undo20261209-10.reg",
                                             "Undo20261210.reg"};
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  EXPECT_EQ(expected, PruneAndListSnapshots(folder_.Path(), false, "Undo20261209", ticks));
  EXPECT_EQ(expected, ListSnapshotFiles(folder_.Path()));
}

TEST_F(RestoreChoiceTest, OldAndEmptySnapshotsArePrunedButTodaysStays) {
  folder_.WriteFile("Undo20261101.reg", kSnapshot);
  folder_.WriteFile("Undo20261208.reg", "");  // empty, not today's
  folder_.WriteFile("Undo20261209.reg", "");  // empty, but today's
  folder_.WriteFile("Undo20261101.bat", "rd \"C:\\x\"\r\n");
  folder_.WriteFile("notes.reg", kSnapshot);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  // A week and a day later, every file is old.
  const unsigned long long later = ticks + 8ULL * 24 * 60 * 60 * 10000000ULL;
  EXPECT_EQ((std::vector<std::string>{"Undo20261101.reg", "Undo20261209.reg"}),
            PruneAndListSnapshots(folder_.Path(), false, "Undo20261209", ticks));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("Undo20261208.reg").c_str()));
  EXPECT_TRUE(PruneAndListSnapshots(folder_.Path(), true, "Undo20261209", later).empty());
  // The batch file and other files stay.
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("Undo20261101.bat").c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("notes.reg").c_str()));
}

// Only snapshots last written more than a week ago go, and only when asked.
TEST_F(RestoreChoiceTest, AutoDeleteTakesASnapshotOfEightDaysAndKeepsOneOfSix) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const unsigned long long day = 24ULL * 60 * 60 * 10000000ULL;
  const auto writtenDaysAgo = [&](const std::string& name, int days) {
    const std::string path = folder_.WriteFile(name, kSnapshot);
    const unsigned long long then = ticks - days * day;
    const FILETIME time{DWORD(then & 0xFFFFFFFFu), DWORD(then >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
  };
  writtenDaysAgo("Undo20261201.reg", 8);
  writtenDaysAgo("Undo20261203.reg", 6);
  EXPECT_EQ((std::vector<std::string>{"Undo20261201.reg", "Undo20261203.reg"}),
            PruneAndListSnapshots(folder_.Path(), false, "Undo20261209", ticks));
  EXPECT_EQ((std::vector<std::string>{"Undo20261203.reg"}),
            PruneAndListSnapshots(folder_.Path(), true, "Undo20261209", ticks));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("Undo20261201.reg").c_str()));
}

}  // namespace
}  // namespace hvm
