#include "engine/settings/settings_stamps.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/fixed_clock.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

class SettingsStampsTest : public ::testing::Test {
 protected:
  ProgramSettings Settings() const {
    ProgramSettings settings;
    LoadSettings(settings, path_);
    return settings;
  }
  bool FileExists() const { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  test::TestFolder folder_;
  std::string path_ = folder_.File("hvmend.ini");
  test::FixedClock clock_{{2024, 2, 29, 23, 59, 10}};
  SettingsStamps stamps_{path_, clock_};
};

TEST_F(SettingsStampsTest, ScanAndRepairTotalsCarryTheClocksMinute) {
  stamps_.StoreScanTotals(7);
  EXPECT_EQ("202402292359", Settings().last_scan);
  EXPECT_EQ(7, Settings().last_err);
  clock_.local = {2024, 3, 1, 0, 0, 0};
  stamps_.StoreRepairTotals(5);
  EXPECT_EQ("202403010000", Settings().last_scan);
  EXPECT_EQ(5, Settings().last_repair);
  EXPECT_EQ(0u, stamps_.TakeSaveFailure());
}

TEST_F(SettingsStampsTest, OrganizedIsWrittenOncePerMinute) {
  stamps_.StampOrganized();
  EXPECT_EQ("202402292359", Settings().last_organize);
  ASSERT_TRUE(DeleteFileA(path_.c_str()));
  clock_.local.second = 50;  // the same minute: the stamp would not change
  stamps_.StampOrganized();
  EXPECT_FALSE(FileExists());
  clock_.local = {2024, 3, 1, 0, 0, 5};
  stamps_.StampOrganized();
  EXPECT_EQ("202403010000", Settings().last_organize);
}

TEST(StampNow, IsTheClocksLocalTimeToTheMinute) {
  test::FixedClock clock({1999, 12, 31, 23, 59, 59});
  EXPECT_EQ("199912312359", StampNow(clock));
  clock.local = {2100, 2, 28, 7, 5, 0};
  EXPECT_EQ("210002280705", StampNow(clock));
}

}  // namespace
}  // namespace hvm
