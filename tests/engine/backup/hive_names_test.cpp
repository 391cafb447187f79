#include "engine/backup/hive_names.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TEST(HiveKeyFromValueName, MachineAndUserHivesWithTheirKeys) {
  EXPECT_EQ((HiveKey{HiveRoot::kMachine, "\\SOFTWARE"}),
            HiveKeyFromValueName("\\REGISTRY\\MACHINE\\SOFTWARE"));
  EXPECT_EQ((HiveKey{HiveRoot::kUsers, "\\S-1-5-21-1-2-3-1000_Classes"}),
            HiveKeyFromValueName("\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000_Classes"));
  // The platform writes the names in capitals; any case is the same place.
  EXPECT_EQ((HiveKey{HiveRoot::kUsers, "\\.DEFAULT"}),
            HiveKeyFromValueName("\\Registry\\user\\.DEFAULT"));
}

TEST(HiveKeyFromValueName, NamesThatHoldNoKeyAreRefused) {
  for (const char* name : {"", "\\REGISTRY\\USER", "\\REGISTRY\\USER\\", "\\REGISTRY\\MACHINE",
                           "\\REGISTRY\\MACHINEX\\SOFTWARE", "\\REGISTRY\\USERS\\x", "SOFTWARE",
                           "\\REGISTRY\\OTHER\\SOFTWARE"})
    EXPECT_FALSE(HiveKeyFromValueName(name).has_value()) << name;
}

TEST(UserHives, TheDefaultUserKeepsItsFileName) {
  EXPECT_FALSE(IsUserHive({HiveRoot::kUsers, "\\.default"}));
  EXPECT_FALSE(IsUserHive({HiveRoot::kMachine, "\\SAM"}));
  EXPECT_TRUE(IsUserHive({HiveRoot::kUsers, "\\S-1-5-18"}));
}

TEST(CutDevicePart, VolumeAndPartitionFormsLoseTheirDevice) {
  EXPECT_EQ("\\WINDOWS\\system32\\config\\software",
            CutDevicePart("\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software"));
  EXPECT_EQ("\\WINNT\\system32\\config\\SAM",
            CutDevicePart("\\Device\\Harddisk0\\Partition1\\WINNT\\system32\\config\\SAM"));
  EXPECT_EQ("\\x", CutDevicePart("\\device\\harddisk12\\partition3\\x"));
}

TEST(CutDevicePart, PathsWithoutADiskComponentStayWhole) {
  EXPECT_EQ("C:\\WINDOWS\\system32\\config\\SYSTEM",
            CutDevicePart("C:\\WINDOWS\\system32\\config\\SYSTEM"));
  EXPECT_EQ("\\Device\\HarddiskVolume1", CutDevicePart("\\Device\\HarddiskVolume1"));
  EXPECT_EQ("", CutDevicePart(""));
  // A partition component that does not follow the disk is part of the path.
  EXPECT_EQ("\\Data\\Partition2\\hive",
            CutDevicePart("\\Device\\HarddiskVolume2\\Data\\Partition2\\hive"));
}

TEST(LastPathComponent, TextAfterTheLastBackslash) {
  EXPECT_EQ("NTUSER.DAT", LastPathComponent("\\Device\\HarddiskVolume1\\Users\\a\\NTUSER.DAT"));
  EXPECT_EQ("default", LastPathComponent("default"));
  EXPECT_EQ("", LastPathComponent("C:\\config\\"));
}

TEST(UsableFileName, OnlyPlainNamesInsideTheFolder) {
  EXPECT_TRUE(UsableFileName("software"));
  EXPECT_TRUE(UsableFileName("UsrClass.dat"));
  for (const char* name :
       {"", ".", "..", "a:b", "a/b", "a\\b", "a*", "a?", "a\"", "a<", "a>", "a|", "a\tb"})
    EXPECT_FALSE(UsableFileName(name)) << name;
}

TEST(KnownHives, MachineHivesTheDefaultUserAndTheCurrentUser) {
  const std::vector<KnownHive> hives = KnownHives("S-1-5-21-9-1000");
  ASSERT_EQ(6u, hives.size());
  EXPECT_EQ("software", hives[0].fileName);
  EXPECT_EQ("SECURITY", hives[3].fileName);
  EXPECT_EQ((HiveKey{HiveRoot::kUsers, "\\.DEFAULT"}), hives[4].hive);
  EXPECT_EQ("default", hives[4].fileName);
  EXPECT_EQ((HiveKey{HiveRoot::kUsers, "\\S-1-5-21-9-1000"}), hives[5].hive);
  EXPECT_EQ("user0", hives[5].fileName);
  EXPECT_EQ(5u, KnownHives("").size());
}

}  // namespace
}  // namespace hvm
