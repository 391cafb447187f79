#include "engine/settings/next_due.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/core/environment.h"
#include "engine/settings/ini_file.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// The program's own settings file in the prefix's data folder, put back as it
// was when the test ends.
class ProgramSettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEnvironment();
    path_ = SettingsFilePath();
    existed_ = GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    saved_ = test::ReadWholeFile(path_);
    DeleteFileA(path_.c_str());
  }
  void TearDown() override {
    DeleteFileA(path_.c_str());
    if (existed_) std::ofstream(path_, std::ios::binary) << saved_;
  }
  std::string Stored(const char* key) const {
    return IniFile::Parse(test::ReadWholeFile(path_)).ReadString("settings", key, "?");
  }

  std::string path_;
  bool existed_ = false;
  std::string saved_;
};

TEST_F(ProgramSettingsFileTest, TheFileLivesInTheDataFolder) {
  EXPECT_EQ(Environment().dataFolder + "\\hvmend.ini", path_);
}

TEST_F(ProgramSettingsFileTest, SetNextDueStoresTheDateAndIsDueReadsItBack) {
  const CivilDate today = LocalToday();
  ASSERT_EQ(0u, SetNextDue(DueKind::scan, 7));
  const std::string stored = Stored("autorun");
  // Either side of a midnight between the two readings of the date.
  EXPECT_TRUE(stored == DateText(AddDays(today, 7)) || stored == DateText(AddDays(today, 8)))
      << stored;
  EXPECT_FALSE(IsDue(DueKind::scan));
  ASSERT_EQ(0u, SetNextDue(DueKind::scan, 0));
  EXPECT_EQ("", Stored("autorun"));
  EXPECT_TRUE(IsDue(DueKind::scan));
}

TEST_F(ProgramSettingsFileTest, TheUpdateCheckWithIntervalZeroIsNotDue) {
  ASSERT_EQ(0u, SetNextDue(DueKind::update, 0));
  EXPECT_EQ("0", Stored("UpdateFreq"));
  EXPECT_FALSE(IsDue(DueKind::update));
  ASSERT_EQ(0u, SetNextDue(DueKind::update, 1));
  EXPECT_FALSE(IsDue(DueKind::update));
}

TEST_F(ProgramSettingsFileTest, TheGlobalRecordIsReloadedFromTheFile) {
  LoadSettings();
  CurrentSettings().MonitorPrompt = 77;
  CurrentSettings().SetSection(4, false);
  ASSERT_EQ(0u, SaveSettings());
  CurrentSettings() = ProgramSettings();
  LoadSettings();
  EXPECT_EQ(77, CurrentSettings().MonitorPrompt);
  EXPECT_FALSE(CurrentSettings().SectionOn(4));
}

}  // namespace
}  // namespace hvm
