#include "engine/backup/backup_folders.h"

#include <gtest/gtest.h>

#include "support/test_folder.h"

namespace hvm {
namespace {

TEST(BackupFolders, NamedByTheMinuteUnderTheSystemFolder) {
  EXPECT_EQ("C:\\windows\\system32\\Hivemend\\", BackupRootFor("C:\\windows\\system32\\"));
  EXPECT_EQ("C:\\windows\\system32\\Hivemend\\", BackupRootFor("C:\\windows\\system32"));
  EXPECT_EQ("C:\\H\\20260305-0907\\", BackupFolderFor("C:\\H\\", LocalTime{2026, 3, 5, 9, 7}));
  EXPECT_EQ("C:\\H\\Pack\\", PackFolderFor("C:\\H"));
}

TEST(BackupFolders, OnlyRealTimesAreBackupNames) {
  SYSTEMTIME time{};
  ASSERT_TRUE(ParseBackupFolderName("20261209-2359", time));
  EXPECT_EQ(2026, time.wYear);
  EXPECT_EQ(23, time.wHour);
  EXPECT_EQ(59, time.wMinute);
  for (const char* name :
       {"", "Pack", "20261209", "20261209_1630", "20261309-1630", "20261200-1630", "20261209-2460",
        "2026120x-1630", "20261209-16300", "-20261209-163"})
    EXPECT_FALSE(ParseBackupFolderName(name, time)) << name;
}

TEST(BackupFolders, ListsDescribedBackupsNewestFirst) {
  test::TestFolder folder;
  folder.WriteFile("Hivemend\\20261101-0800\\software", "regf");
  folder.WriteFile("Hivemend\\20261101-0800\\user.ini", "");
  folder.WriteFile("Hivemend\\20261209-1630\\system", "regf");
  folder.WriteFile("Hivemend\\20261209-1630\\software", "regf");
  folder.WriteFile("Hivemend\\20261209-1630\\user.ini", "");
  // The pack's folder, an interrupted backup and a stray folder are not backups.
  folder.WriteFile("Hivemend\\Pack\\software", "regf");
  folder.WriteFile("Hivemend\\Pack\\user.ini", "");
  folder.WriteFile("Hivemend\\20261208-1000\\user.ini", "");
  folder.WriteFile("Hivemend\\20261207-1000\\software", "regf");
  folder.WriteFile("Hivemend\\notes.txt", "x");
  const std::vector<FullBackupFolder> backups = ListFullBackups(folder.File("Hivemend"));
  ASSERT_EQ(2u, backups.size());
  EXPECT_EQ("20261209-1630", backups[0].name);
  EXPECT_EQ(folder.File("Hivemend\\20261209-1630"), backups[0].folder);
  EXPECT_EQ((std::vector<std::string>{"software", "system"}), backups[0].hiveFiles);
  EXPECT_EQ(16, backups[0].made.wHour);
  EXPECT_EQ("20261101-0800", backups[1].name);
  EXPECT_TRUE(ListFullBackups(folder.File("none")).empty());
}

}  // namespace
}  // namespace hvm
