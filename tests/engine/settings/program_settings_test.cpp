#include "engine/settings/program_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/core/scoped_handle.h"
#include "engine/settings/file_text.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/section_switches.h"
#include "engine/settings/settings_stamps.h"
#include "support/settings_beyond_limit.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::ReadWholeFile;

class ProgramSettingsTest : public test::TestFolderTest {
 protected:
  std::string Path() const { return folder_.File("hvmend.ini"); }
  ProgramSettings Loaded() const {
    ProgramSettings settings;
    LoadSettings(settings, Path());
    return settings;
  }
  void Write(const std::string& text) const { folder_.WriteFile("hvmend.ini", text); }
};

TEST(SectionSwitches, KeysAndDefaultsBySectionNumber) {
  EXPECT_STREQ("RegistryIntegrity", SectionSwitchKey(1));
  EXPECT_STREQ("VirtualDrivers", SectionSwitchKey(11));
  EXPECT_STREQ("AddRemoveCache", SectionSwitchKey(22));
  EXPECT_STREQ("FilePathReferences", SectionSwitchKey(23));
  EXPECT_STREQ("ConfigurationCache", SectionSwitchKey(24));
  EXPECT_EQ(nullptr, SectionSwitchKey(0));
  EXPECT_EQ(nullptr, SectionSwitchKey(25));
  for (int section = 1; section <= 23; ++section) EXPECT_TRUE(SectionSwitchDefault(section));
  EXPECT_FALSE(SectionSwitchDefault(24));
  EXPECT_FALSE(SectionSwitchDefault(-1));
}

TEST(SectionSwitches, TheRecordIgnoresNumbersOutsideTheSections) {
  ProgramSettings settings;
  settings.SetSection(0, true);
  settings.SetSection(25, true);
  EXPECT_FALSE(settings.SectionOn(0));
  EXPECT_FALSE(settings.SectionOn(25));
  settings.SetSection(5, false);
  EXPECT_FALSE(settings.SectionOn(5));
  EXPECT_TRUE(settings.SectionOn(6));
}

TEST_F(ProgramSettingsTest, AMissingFileYieldsEveryDefault) {
  const ProgramSettings s = Loaded();
  EXPECT_FALSE(s.SectionOn(24));
  for (int section = 1; section <= 23; ++section) EXPECT_TRUE(s.SectionOn(section)) << section;
  EXPECT_EQ(300, s.MonitorPrompt);
  EXPECT_EQ(1, s.UpdateFreq);
  EXPECT_TRUE(s.BackupBeforeScan);
  EXPECT_TRUE(s.FirstTimeScan);
  EXPECT_FALSE(s.CleanAfterScan);
  EXPECT_FALSE(s.CleanSafeAfterScan);
  EXPECT_FALSE(s.DeleteAfterWeek);
  EXPECT_EQ(0, s.AutoAction);
  EXPECT_EQ(0, s.AutoFreq);
  EXPECT_EQ(0, s.total_error_found);
  EXPECT_EQ("", s.last_scan);
  EXPECT_EQ("", s.window);
  EXPECT_EQ(158u, s.SkippedKeys.size());
}

TEST_F(ProgramSettingsTest, TheFirstSaveWritesEveryKeyInItsOrder) {
  ASSERT_EQ(0u, SaveSettings(Loaded(), Path()));
  const IniFile file = IniFile::Parse(ReadWholeFile(Path()));
  std::vector<std::string> scan = {"FirstTimeScan", "CleanAfterScan", "CleanSafeAfterScan"};
  for (const SectionSwitch& entry : kSectionSwitches) scan.push_back(entry.key);
  EXPECT_EQ(scan, file.Keys("scan"));
  EXPECT_EQ("ConfigurationCache", file.Keys("scan")[25]);
  EXPECT_EQ("FilePathReferences", file.Keys("scan")[26]);
  EXPECT_EQ((std::vector<std::string>{"AutoAction", "AutoFreq", "UpdateFreq", "MonitorPrompt",
                                      "DeleteAfterWeek", "BackupBeforeScan", "optimize", "window",
                                      "window_l", "autorun", "update", "last_organize",
                                      "last_backup", "total_error_found", "total_error_repaired",
                                      "last_err", "last_repair", "last_scan"}),
            file.Keys("settings"));
  EXPECT_EQ(158u, file.Keys("SkippedKeys").size());
  EXPECT_EQ("0", file.ReadString("scan", "ConfigurationCache", ""));
  EXPECT_EQ("300", file.ReadString("settings", "MonitorPrompt", ""));
  EXPECT_EQ(0u, ReadWholeFile(Path()).find("[scan]\r\nFirstTimeScan=1\r\n"));
}

TEST_F(ProgramSettingsTest, EveryFieldSurvivesASaveAndALoad) {
  ProgramSettings s;
  s.SkippedKeys = {"HKEY_CURRENT_USER\\Software\\A=1", "HKEY_CURRENT_USER\\Software\\B=2"};
  s.FirstTimeScan = false;
  s.CleanAfterScan = true;
  s.CleanSafeAfterScan = true;
  s.SetSection(3, false);
  s.SetSection(24, true);
  s.optimize = "1,0,1";
  s.window = "44,0,1,-1,-1,-1,-1,10,20,800,600";
  s.window_l = "44,2,3,-1,-1,-1,-1,0,0,1000,900";
  s.autorun = "20070308";
  s.update = "20070302";
  s.BackupBeforeScan = false;
  s.AutoAction = 1;
  s.AutoFreq = 3;
  s.UpdateFreq = 0;
  s.MonitorPrompt = 12;
  s.DeleteAfterWeek = true;
  s.last_organize = "200703011200";
  s.last_backup = "200702281159";
  s.last_err = 5;
  s.total_error_found = 105;
  s.last_repair = 4;
  s.total_error_repaired = 99;
  s.last_scan = "200703011201";
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  const ProgramSettings back = Loaded();
  EXPECT_EQ(s.SkippedKeys, back.SkippedKeys);
  EXPECT_FALSE(back.FirstTimeScan);
  EXPECT_TRUE(back.CleanAfterScan);
  EXPECT_TRUE(back.CleanSafeAfterScan);
  for (int section = 1; section <= 24; ++section)
    EXPECT_EQ(s.SectionOn(section), back.SectionOn(section)) << section;
  EXPECT_EQ(s.optimize, back.optimize);
  EXPECT_EQ(s.window, back.window);
  EXPECT_EQ(s.window_l, back.window_l);
  EXPECT_EQ(s.autorun, back.autorun);
  EXPECT_EQ(s.update, back.update);
  EXPECT_FALSE(back.BackupBeforeScan);
  EXPECT_EQ(1, back.AutoAction);
  EXPECT_EQ(3, back.AutoFreq);
  EXPECT_EQ(0, back.UpdateFreq);
  EXPECT_EQ(12, back.MonitorPrompt);
  EXPECT_TRUE(back.DeleteAfterWeek);
  EXPECT_EQ(s.last_organize, back.last_organize);
  EXPECT_EQ(s.last_backup, back.last_backup);
  EXPECT_EQ(5, back.last_err);
  EXPECT_EQ(105, back.total_error_found);
  EXPECT_EQ(4, back.last_repair);
  EXPECT_EQ(99, back.total_error_repaired);
  EXPECT_EQ(s.last_scan, back.last_scan);
}

TEST_F(ProgramSettingsTest, TimesAreCutToTwelveCharacters) {
  Write(
      "[settings]\r\nlast_scan=2007030112001\r\nlast_backup=20070301120099\r\n"
      "last_organize=2007\r\n");
  const ProgramSettings s = Loaded();
  EXPECT_EQ("200703011200", s.last_scan);
  EXPECT_EQ("200703011200", s.last_backup);
  EXPECT_EQ("2007", s.last_organize);
}

TEST_F(ProgramSettingsTest, UnreadableNumbersReadAsTheirDefaults) {
  Write(
      "[settings]\r\nMonitorPrompt=abc\r\nUpdateFreq=\r\nAutoAction=0x2\r\n"
      "BackupBeforeScan=off\r\n[scan]\r\nDeepScan=0\r\nconfigurationcache=7\r\n");
  const ProgramSettings s = Loaded();
  EXPECT_EQ(300, s.MonitorPrompt);
  EXPECT_EQ(1, s.UpdateFreq);
  EXPECT_EQ(2, s.AutoAction);
  EXPECT_TRUE(s.BackupBeforeScan);
  EXPECT_FALSE(s.SectionOn(4));
  EXPECT_TRUE(s.SectionOn(24));
}

TEST_F(ProgramSettingsTest, SkippedKeysWithoutAValueAreDropped) {
  Write(
      "[SkippedKeys]\r\nHKEY_CURRENT_USER\\A=1\r\nHKEY_CURRENT_USER\\B=\r\n"
      "HKEY_CURRENT_USER\\C=yes\r\n");
  EXPECT_EQ((std::vector<std::string>{"HKEY_CURRENT_USER\\A=1", "HKEY_CURRENT_USER\\C=yes"}),
            Loaded().SkippedKeys);
}

TEST_F(ProgramSettingsTest, OnlyASectionWithoutEntriesGetsTheBuiltInList) {
  Write("[SkippedKeys]\r\nHKEY_CURRENT_USER\\A=\r\nHKEY_CURRENT_USER\\B=\r\n");
  EXPECT_TRUE(Loaded().SkippedKeys.empty());
  Write("[SkippedKeys]\r\n; nothing here\r\n");
  EXPECT_EQ(158u, Loaded().SkippedKeys.size());
}

// The user removed every skipped key: the list stays empty through saves and
// loads, and one key added later is the only one.
TEST_F(ProgramSettingsTest, AnEmptiedSkippedKeyListStaysEmpty) {
  ProgramSettings s = Loaded();
  ASSERT_EQ(158u, s.SkippedKeys.size());
  s.SkippedKeys.clear();
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  ProgramSettings back = Loaded();
  EXPECT_TRUE(back.SkippedKeys.empty());
  ASSERT_EQ(0u, SaveSettings(back, Path()));
  back = Loaded();
  EXPECT_TRUE(back.SkippedKeys.empty());
  back.SkippedKeys = {"HKEY_CURRENT_USER\\Software\\A=1"};
  ASSERT_EQ(0u, SaveSettings(back, Path()));
  EXPECT_EQ(back.SkippedKeys, Loaded().SkippedKeys);
  EXPECT_EQ(1u, IniFile::Parse(ReadWholeFile(Path())).Keys("SkippedKeys").size());
}

TEST_F(ProgramSettingsTest, ASkippedKeyHoldingEqualsComesBackSplitDifferently) {
  ProgramSettings s;
  s.SkippedKeys = {"HKEY_CURRENT_USER\\a=b=1", "HKEY_CURRENT_USER\\plain"};
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  // Written split at the last "=", read split at the first; the item without
  // "=" was written with an empty value and is gone.
  EXPECT_EQ((std::vector<std::string>{"HKEY_CURRENT_USER\\a=b=1"}), Loaded().SkippedKeys);
  const IniFile file = IniFile::Parse(ReadWholeFile(Path()));
  EXPECT_EQ("b=1", file.ReadString("SkippedKeys", "HKEY_CURRENT_USER\\a", ""));
}

TEST_F(ProgramSettingsTest, ABuiltInListSurvivesASaveWhole) {
  ASSERT_EQ(0u, SaveSettings(Loaded(), Path()));
  const ProgramSettings once = Loaded();
  ASSERT_EQ(0u, SaveSettings(once, Path()));
  EXPECT_EQ(once.SkippedKeys, Loaded().SkippedKeys);
  EXPECT_EQ(158u, once.SkippedKeys.size());
}

TEST_F(ProgramSettingsTest, SavingKeepsOtherSectionsAndKeys) {
  Write("[Monitor]\r\nwatch=1\r\n[settings]\r\nfuture_key=kept\r\nMonitorPrompt=5\r\n");
  ProgramSettings s = Loaded();
  s.MonitorPrompt = 6;
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  const IniFile file = IniFile::Parse(ReadWholeFile(Path()));
  EXPECT_EQ("1", file.ReadString("Monitor", "watch", ""));
  EXPECT_EQ("kept", file.ReadString("settings", "future_key", ""));
  EXPECT_EQ("6", file.ReadString("settings", "MonitorPrompt", ""));
  EXPECT_EQ(0u, ReadWholeFile(Path()).find("[Monitor]"));
}

TEST_F(ProgramSettingsTest, AReadOnlyFileStillLoadsAndIsNotChanged) {
  Write("[settings]\r\nMonitorPrompt=42\r\n");
  ASSERT_TRUE(SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_READONLY));
  ProgramSettings s = Loaded();
  EXPECT_EQ(42, s.MonitorPrompt);
  s.MonitorPrompt = 43;
  EXPECT_EQ(uint32_t(ERROR_ACCESS_DENIED), SaveSettings(s, Path()));
  EXPECT_EQ("[settings]\r\nMonitorPrompt=42\r\n", ReadWholeFile(Path()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Path() + ".new").c_str()));
  SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProgramSettingsTest, TheFileIsReplacedWholeAndNoTemporaryStays) {
  // As a crash during an earlier save would have left it.
  folder_.WriteFile("hvmend.ini.new", "[settings]\r\nMonitorPr");
  Write("[settings]\r\nMonitorPrompt=42\r\n");
  ProgramSettings s = Loaded();
  s.MonitorPrompt = 7;
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  EXPECT_EQ(7, Loaded().MonitorPrompt);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Path() + ".new").c_str()));
}

TEST_F(ProgramSettingsTest, AFailedWriteReportsItsStatusAndKeepsTheOldFile) {
  Write("[settings]\r\nMonitorPrompt=42\r\n");
  // A folder where the temporary file would go makes the write fail.
  ASSERT_TRUE(CreateDirectoryA((Path() + ".new").c_str(), nullptr));
  ProgramSettings s = Loaded();
  s.MonitorPrompt = 7;
  EXPECT_NE(0u, SaveSettings(s, Path()));
  EXPECT_EQ("[settings]\r\nMonitorPrompt=42\r\n", ReadWholeFile(Path()));
  EXPECT_EQ(uint32_t(ERROR_PATH_NOT_FOUND), SaveSettings(s, folder_.File("gone\\hvmend.ini")));
}

// A file the program cannot read holds settings it would lose by writing
// its own over it: loads give the defaults and say why, saves leave it alone.
class UnreadableSettingsTest : public ProgramSettingsTest {
 protected:
  // Writes a settings file too large to read, and returns its text.
  std::string WriteTooLarge() {
    const std::string text = test::SettingsTextBeyondTheSizeLimit();
    Write(text);
    return text;
  }
};

TEST_F(UnreadableSettingsTest, AFileBeyondTheLimitLoadsAsDefaultsAndIsNotSavedOver) {
  const std::string text = WriteTooLarge();
  ProgramSettings s;
  s.AutoFreq = 3;
  EXPECT_EQ(uint32_t(ERROR_FILE_TOO_LARGE), LoadSettings(s, Path()));
  EXPECT_EQ(0, s.AutoFreq) << "the defaults, not what was there before";
  s.UpdateFreq = 2;
  EXPECT_EQ(UnreadableFileStatus(ERROR_FILE_TOO_LARGE), SaveSettings(s, Path()));
  EXPECT_TRUE(ReadWholeFile(Path()) == text) << "the file was changed";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Path() + ".new").c_str()));
}

TEST_F(UnreadableSettingsTest, AWideTextFileIsNeitherReadNorAddedTo) {
  const std::string wide("\xFF\xFE[\0s\0c\0a\0n\0]\0", 14);
  Write(wide);
  ProgramSettings s;
  EXPECT_EQ(kNotTextStatus, LoadSettings(s, Path()));
  EXPECT_EQ(UnreadableFileStatus(kNotTextStatus), SaveSettings(s, Path()));
  EXPECT_EQ(wide, ReadWholeFile(Path()));
}

TEST_F(UnreadableSettingsTest, AFileHeldWithoutSharingIsNotSavedOver) {
  Write("[settings]\r\nAutoFreq=2\r\n");
  {
    const ScopedFile holder(
        CreateFileA(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    ProgramSettings s;
    EXPECT_EQ(uint32_t(ERROR_SHARING_VIOLATION), LoadSettings(s, Path()));
    EXPECT_EQ(UnreadableFileStatus(ERROR_SHARING_VIOLATION), SaveSettings(s, Path()));
  }
  EXPECT_EQ(2, Loaded().AutoFreq);
}

// A scan stamps its statistics through load, change and save: none of them
// may turn the file into one of defaults, and the refusal waits to be told.
TEST_F(UnreadableSettingsTest, ScanStampsLeaveTheFileAndKeepTheRefusal) {
  const std::string text = WriteTooLarge();
  SettingsStamps stamps(Path());
  stamps.StoreScanTotals(5);
  stamps.StampOrganized();
  stamps.StoreRepairTotals(2);
  EXPECT_EQ(UnreadableFileStatus(ERROR_FILE_TOO_LARGE), stamps.TakeSaveFailure());
  EXPECT_EQ(0u, stamps.TakeSaveFailure());
  EXPECT_TRUE(ReadWholeFile(Path()) == text) << "the file was changed";
}

TEST_F(UnreadableSettingsTest, AMissingFileIsStillCreated) {
  ProgramSettings s;
  EXPECT_EQ(0u, LoadSettings(s, Path()));
  s.AutoFreq = 2;
  ASSERT_EQ(0u, SaveSettings(s, Path()));
  EXPECT_EQ(2, Loaded().AutoFreq);
}

}  // namespace
}  // namespace hvm
