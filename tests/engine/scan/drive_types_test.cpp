#include "engine/scan/drive_types.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_drives.h"

namespace hvm {
namespace {

using namespace test;

class DriveTypesTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetDriveCache(); }
};

// The harness itself: without these drives every other drive test is void.
TEST_F(DriveTypesTest, ThePrefixHasADriveOfEveryType) {
  EXPECT_EQ(unsigned(DRIVE_FIXED), DriveTypeOf("C:\\"));
  EXPECT_EQ(unsigned(DRIVE_FIXED), DriveTypeOf("E:\\"));
  EXPECT_EQ(unsigned(DRIVE_CDROM), DriveTypeOf("R:\\")) << "run scripts/test to define the drives";
  EXPECT_EQ(unsigned(DRIVE_REMOTE), DriveTypeOf("N:\\"));
  EXPECT_EQ(unsigned(DRIVE_REMOVABLE), DriveTypeOf("F:\\"));
  EXPECT_EQ(unsigned(DRIVE_RAMDISK), DriveTypeOf("M:\\"));
  EXPECT_EQ(unsigned(DRIVE_NO_ROOT_DIR), DriveTypeOf("Q:\\"));
}

TEST_F(DriveTypesTest, DriveTypeOfReadsOnlyTheRootOfALongerPath) {
  EXPECT_EQ(unsigned(DRIVE_CDROM), DriveTypeOf("R:\\setup\\install.exe /q"));
  EXPECT_EQ(unsigned(DRIVE_FIXED), DriveTypeOf("C:\\Windows"));
}

TEST_F(DriveTypesTest, FixedNetworkAndRamDrivesAreCheckable) {
  EXPECT_TRUE(DriveIsCheckable(kFixedDrive));
  EXPECT_TRUE(DriveIsCheckable(kSecondFixedDrive));
  EXPECT_TRUE(DriveIsCheckable(kNetworkDrive));
  EXPECT_TRUE(DriveIsCheckable(kRamDiskDrive));
}

TEST_F(DriveTypesTest, CdromRemovableAndAbsentDrivesAreNot) {
  EXPECT_FALSE(DriveIsCheckable(kCdromDrive));
  EXPECT_FALSE(DriveIsCheckable(kRemovableDrive));
  EXPECT_FALSE(DriveIsCheckable(kNoRootDrive));
}

TEST_F(DriveTypesTest, LettersInEitherCaseAndNothingElse) {
  EXPECT_TRUE(DriveIsCheckable('c'));
  EXPECT_FALSE(DriveIsCheckable('r'));
  // Asked twice: the cached answer is the same as the first.
  EXPECT_TRUE(DriveIsCheckable('e'));
  EXPECT_TRUE(DriveIsCheckable('E'));
  EXPECT_FALSE(DriveIsCheckable('1'));
  EXPECT_FALSE(DriveIsCheckable('\\'));
  EXPECT_FALSE(DriveIsCheckable('\0'));
  EXPECT_FALSE(DriveIsCheckable(char(0xC4)));
}

}  // namespace
}  // namespace hvm
