#include "engine/settings/settings_page_model.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/settings/ini_file.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// The start-up entry as the page sees it, every call recorded.
class RecordingStartupEntry : public StartupEntry {
 public:
  bool Exists() override { return word.has_value(); }
  uint32_t Make(const std::string& startWord) override {
    calls.push_back("make " + startWord);
    if (failWith) return failWith;
    word = startWord;
    return 0;
  }
  uint32_t Remove() override {
    calls.push_back("remove");
    if (failWith) return failWith;
    word.reset();
    return 0;
  }
  std::optional<std::string> word;
  std::vector<std::string> calls;
  uint32_t failWith = 0;
};

class RecordingDialogs : public DialogService {
 public:
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override {
    shown.push_back(caption + "|" + text + "|" + std::to_string(flags));
    return dialog::kOk;
  }
  std::vector<std::string> shown;
};

class SettingsPageModelTest : public test::TestFolderTest {
 protected:
  SettingsPageModelTest() : settingsPath_(folder_.File("hvmend.ini")) {}
  ~SettingsPageModelTest() override {
    SetFileAttributesA(settingsPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  SettingsPageModel MakeModel(bool restorePoints = true, int windowsVersion = 6) {
    SettingsPageModel::Services services;
    services.settingsPath = settingsPath_;
    services.dataFolder = folder_.Path();
    services.startup = &entry_;
    services.dialogs = &dialogs_;
    services.restorePointsAvailable = [restorePoints] { return restorePoints; };
    services.windowsVersionCode = windowsVersion;
    return SettingsPageModel(std::move(services));
  }
  void Write(const ProgramSettings& settings) {
    ASSERT_EQ(0u, SaveSettings(settings, settingsPath_));
  }
  ProgramSettings Stored() const {
    ProgramSettings settings;
    LoadSettings(settings, settingsPath_);
    return settings;
  }
  std::string FileText() const { return test::ReadWholeFile(settingsPath_); }

  std::string settingsPath_;
  RecordingStartupEntry entry_;
  RecordingDialogs dialogs_;
};

// ---- Reading the settings into the page --------------------------------------

TEST_F(SettingsPageModelTest, ReadSettingsShowsTheRecord) {
  ProgramSettings settings;
  settings.AutoAction = 2;
  settings.AutoFreq = 3;
  settings.MonitorPrompt = 450;
  settings.CleanSafeAfterScan = true;
  settings.BackupBeforeScan = false;
  settings.SetSection(4, false);
  settings.SetSection(24, true);
  Write(settings);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_EQ(2, model.Action());
  EXPECT_EQ(3, model.Frequency());
  EXPECT_FALSE(model.FrequencyShown());
  EXPECT_EQ(450u, model.MonitorPrompt());
  EXPECT_FALSE(model.RestorePoint().checked);
  EXPECT_FALSE(model.SectionChecked(4));
  EXPECT_TRUE(model.SectionChecked(24));
  EXPECT_TRUE(model.SectionChecked(1));
  EXPECT_FALSE(model.RepairAll());
  EXPECT_TRUE(model.RepairSafe());
  EXPECT_FALSE(model.SectionChecked(0));
  EXPECT_FALSE(model.SectionChecked(25));
}

TEST_F(SettingsPageModelTest, StartingTheWindowKeepsTheNextScanDate) {
  ProgramSettings settings;
  settings.AutoAction = 1;
  settings.AutoFreq = 1;
  settings.autorun = "20991231";
  Write(settings);
  const std::string before = FileText();
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_TRUE(model.FrequencyShown());
  EXPECT_EQ("20991231", Stored().autorun);
  EXPECT_EQ(before, FileText());  // nothing changed, nothing written
  // The entry is made when the user chooses, not at every start.
  EXPECT_TRUE(entry_.calls.empty());
}

TEST_F(SettingsPageModelTest, StartingTheWindowRemovesTheEntryOfADisabledAction) {
  Write(ProgramSettings{});
  entry_.word = "bootup";
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_FALSE(entry_.word.has_value());
  model.ReadSettings();  // with no entry left there is nothing to remove
  EXPECT_EQ(std::vector<std::string>{"remove"}, entry_.calls);
}

TEST_F(SettingsPageModelTest, NumbersTheDropDownsDoNotHoldReadAsTheirFirstItem) {
  std::string text = "[settings]\r\nAutoAction=7\r\nAutoFreq=-2\r\nMonitorPrompt=-5\r\n";
  folder_.WriteFile("hvmend.ini", text);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_EQ(0, model.Action());
  EXPECT_EQ(0, model.Frequency());
  EXPECT_EQ(0u, model.MonitorPrompt());
  EXPECT_EQ(0, Stored().AutoAction);
  EXPECT_EQ(0, Stored().AutoFreq);
}

// ---- The restore-point box -----------------------------------------------------

TEST_F(SettingsPageModelTest, RestorePointBoxFollowsTheSystem) {
  Write(ProgramSettings{});
  struct Case {
    bool available;
    int windowsVersion;
    const char* caption;
    bool enabled;
  };
  const Case cases[] = {
      {true, 6, settings_text::kRestorePointCaption, true},
      {false, 6, settings_text::kFullBackupCaption, false},
      {false, 2, settings_text::kFullBackupCaption, true},  // Windows 98
      {true, 2, settings_text::kFullBackupCaption, true},
  };
  for (const Case& c : cases) {
    SettingsPageModel model = MakeModel(c.available, c.windowsVersion);
    model.ReadSettings();
    SCOPED_TRACE(std::to_string(c.available) + " " + std::to_string(c.windowsVersion));
    EXPECT_EQ(c.caption, model.RestorePoint().caption);
    EXPECT_EQ(c.enabled, model.RestorePoint().enabled);
    EXPECT_EQ(!c.enabled, model.RestorePoint().noteShown);
    EXPECT_TRUE(model.RestorePoint().checked);
  }
}

TEST_F(SettingsPageModelTest, RestorePointBoxIsWrittenAtOnce) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.SetRestorePoint(false);
  EXPECT_FALSE(Stored().BackupBeforeScan);
  model.SetRestorePoint(true);
  EXPECT_TRUE(Stored().BackupBeforeScan);
}

// ---- Automatic start-up ------------------------------------------------------------

TEST_F(SettingsPageModelTest, ScanAndRepairMakesTheEntryAndScansAtTheNextLogOn) {
  ProgramSettings settings;
  settings.autorun = "20991231";
  Write(settings);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.ChooseAction(1);
  EXPECT_TRUE(model.FrequencyShown());
  EXPECT_EQ(1, Stored().AutoAction);
  EXPECT_EQ("", Stored().autorun);
  EXPECT_EQ("bootup", entry_.word.value_or(""));
  model.ChooseFrequency(2);
  EXPECT_EQ(2, Stored().AutoFreq);
  EXPECT_EQ("bootup", entry_.word.value_or(""));
}

TEST_F(SettingsPageModelTest, MonitorHidesTheFrequencyKeepsTheDateAndReplacesTheEntry) {
  ProgramSettings settings;
  settings.AutoAction = 1;
  settings.autorun = "20991231";
  Write(settings);
  entry_.word = "bootup";
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.ChooseAction(2);
  EXPECT_FALSE(model.FrequencyShown());
  EXPECT_EQ(2, Stored().AutoAction);
  EXPECT_EQ("20991231", Stored().autorun);
  EXPECT_EQ("monitor", entry_.word.value_or(""));
}

TEST_F(SettingsPageModelTest, DisabledRemovesTheEntryAndAgainChangesNothing) {
  ProgramSettings settings;
  settings.AutoAction = 2;
  Write(settings);
  entry_.word = "monitor";
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.ChooseAction(0);
  EXPECT_FALSE(entry_.word.has_value());
  EXPECT_EQ(0, Stored().AutoAction);
  model.ChooseAction(0);
  EXPECT_EQ(std::vector<std::string>{"remove"}, entry_.calls);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(SettingsPageModelTest, ChoicesOutsideTheDropDownsAreIgnored) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  const std::string before = FileText();
  model.ChooseAction(3);
  model.ChooseAction(-1);
  model.ChooseFrequency(4);
  EXPECT_EQ(before, FileText());
  EXPECT_TRUE(entry_.calls.empty());
}

TEST_F(SettingsPageModelTest, AnEntryThatCannotBeMadeIsReported) {
  Write(ProgramSettings{});
  entry_.failWith = ERROR_ACCESS_DENIED;
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.ChooseAction(2);
  ASSERT_EQ(1u, dialogs_.shown.size());
  EXPECT_EQ("Settings|The start-up entry could not be created [5]|48", dialogs_.shown[0]);
}

// ---- Leaving the page, closing, the buttons ---------------------------------------

TEST_F(SettingsPageModelTest, LeavingThePageStoresTheScanBoxes) {
  ProgramSettings settings;
  settings.SetSection(24, true);
  Write(settings);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.ShowSettings(true);
  model.SetSection(24, false);
  model.SetSection(7, false);
  model.SetRepairAll(true);
  EXPECT_TRUE(Stored().SectionOn(24));  // not before the page is left
  model.ShowSettings(false);
  const ProgramSettings stored = Stored();
  EXPECT_FALSE(stored.SectionOn(24));
  EXPECT_FALSE(stored.SectionOn(7));
  EXPECT_TRUE(stored.SectionOn(8));
  EXPECT_TRUE(stored.CleanAfterScan);
  EXPECT_EQ("0", IniFile::Parse(FileText()).ReadString("scan", "ConfigurationCache", "?"));
}

TEST_F(SettingsPageModelTest, AnotherPageChangeWhileHiddenWritesNothing) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.SetSection(3, false);
  model.ShowSettings(false);
  EXPECT_TRUE(Stored().SectionOn(3));
}

TEST_F(SettingsPageModelTest, ShowingThePageOpensTheGeneralTab) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  model.SelectTab(SettingsTab::kIgnoreList);
  EXPECT_EQ(SettingsTab::kIgnoreList, model.Tab());
  model.ShowSettings(false);
  model.ShowSettings(true);
  EXPECT_EQ(SettingsTab::kGeneral, model.Tab());
  EXPECT_TRUE(model.Visible());
}

TEST_F(SettingsPageModelTest, StoreIntoCarriesTheBoxesForClosing) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.SetSection(1, false);
  model.SetMonitorPromptEntry(25);
  ProgramSettings settings;
  settings.BackupBeforeScan = false;
  model.StoreInto(settings);
  EXPECT_FALSE(settings.SectionOn(1));
  EXPECT_EQ(25, settings.MonitorPrompt);
  EXPECT_TRUE(settings.BackupBeforeScan);
  // An empty box leaves the setting as it is.
  model.SetMonitorPromptEntry(std::nullopt);
  settings.MonitorPrompt = 77;
  model.StoreInto(settings);
  EXPECT_EQ(77, settings.MonitorPrompt);
}

TEST_F(SettingsPageModelTest, ResetClearsTheTotalsOnly) {
  ProgramSettings settings;
  settings.total_error_found = 40;
  settings.total_error_repaired = 30;
  settings.last_err = 12;
  settings.last_repair = 9;
  settings.last_scan = "202612091042";
  Write(settings);
  SettingsPageModel model = MakeModel();
  model.ResetCounters();
  const ProgramSettings stored = Stored();
  EXPECT_EQ(0, stored.total_error_found);
  EXPECT_EQ(0, stored.total_error_repaired);
  EXPECT_EQ(12, stored.last_err);
  EXPECT_EQ(9, stored.last_repair);
  EXPECT_EQ("202612091042", stored.last_scan);
}

TEST_F(SettingsPageModelTest, SaveWritesTheMonitorThresholdAndAnEmptyBoxNothing) {
  Write(ProgramSettings{});
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  model.SetMonitorPromptEntry(0);  // every batch is reported
  EXPECT_TRUE(model.SaveMonitorPrompt());
  EXPECT_EQ(0, Stored().MonitorPrompt);
  model.SetMonitorPromptEntry(std::nullopt);
  EXPECT_FALSE(model.SaveMonitorPrompt());
  EXPECT_EQ(0, Stored().MonitorPrompt);
  EXPECT_EQ(0u, model.MonitorPrompt());
  model.SetMonitorPromptEntry(4000000000u);
  EXPECT_TRUE(model.SaveMonitorPrompt());
  EXPECT_EQ(static_cast<int32_t>(kMaxMonitorPrompt), Stored().MonitorPrompt);
}

TEST_F(SettingsPageModelTest, ASettingsFileThatCannotBeWrittenIsReported) {
  ProgramSettings settings;
  settings.total_error_found = 5;
  Write(settings);
  ASSERT_TRUE(SetFileAttributesA(settingsPath_.c_str(), FILE_ATTRIBUTE_READONLY));
  SettingsPageModel model = MakeModel();
  model.ResetCounters();
  EXPECT_EQ(5, Stored().total_error_found);
  ASSERT_EQ(1u, dialogs_.shown.size());
  EXPECT_NE(std::string::npos, dialogs_.shown[0].find("could not be saved"));
  model.SetMonitorPromptEntry(10);
  EXPECT_FALSE(model.SaveMonitorPrompt());
  EXPECT_EQ(300u, model.MonitorPrompt());
}

// ---- Settings a policy holds ----------------------------------------------------

class LockedSettingsModelTest : public SettingsPageModelTest {
 protected:
  void SeedPolicy(const std::string& name, uint32_t value) {
    test::SeedDword(std::string("HKLM\\") + kPolicyKeyPath, name, value);
  }
  test::RegistrySandbox sandbox_;
};

TEST_F(LockedSettingsModelTest, HeldControlsShowThePolicyAndRefuseTheUsersChoices) {
  ProgramSettings settings;
  settings.AutoAction = kAutoDisabled;
  settings.AutoFreq = 1;
  Write(settings);
  SeedPolicy("AutoAction", 2);
  SeedPolicy("BackupBeforeScan", 0);
  SeedPolicy("DeepScan", 0);
  SeedPolicy("MonitorPrompt", 50);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_EQ(2, model.Action());
  EXPECT_TRUE(model.Locked("AutoAction"));
  EXPECT_FALSE(model.Locked("AutoFreq"));
  EXPECT_TRUE(model.RestorePoint().locked);
  EXPECT_FALSE(model.RestorePoint().enabled);
  EXPECT_FALSE(model.RestorePoint().checked);
  EXPECT_TRUE(model.SectionLocked(4));
  EXPECT_FALSE(model.SectionChecked(4));
  EXPECT_FALSE(model.SectionLocked(5));
  EXPECT_TRUE(model.AnySectionLocked());
  EXPECT_EQ(50u, model.MonitorPrompt());
  // The action a policy holds is carried out at the start of the window.
  EXPECT_EQ(std::vector<std::string>{"make monitor"}, entry_.calls);

  model.ChooseAction(kAutoDisabled);
  model.SetRestorePoint(true);
  model.SetSection(4, true);
  model.SetMonitorPromptEntry(99);
  EXPECT_FALSE(model.SaveMonitorPrompt());
  EXPECT_EQ(2, model.Action());
  EXPECT_FALSE(model.RestorePoint().checked);
  EXPECT_FALSE(model.SectionChecked(4));
  EXPECT_EQ(50u, model.MonitorPrompt());
  EXPECT_EQ(1u, entry_.calls.size());
  // Leaving the page and closing store the boxes, but not what a policy holds.
  model.ShowSettings(true);
  model.ChooseFrequency(3);
  model.ShowSettings(false);
  ProgramSettings closing = Stored();
  model.StoreInto(closing);
  ASSERT_EQ(0u, SaveSettings(closing, settingsPath_));
  const std::string after = FileText();
  EXPECT_NE(std::string::npos, after.find("AutoAction=0\r\n")) << after;
  EXPECT_NE(std::string::npos, after.find("AutoFreq=3\r\n")) << after;
  for (const char* kept : {"DeepScan=1\r\n", "BackupBeforeScan=1\r\n", "MonitorPrompt=300\r\n"})
    EXPECT_NE(std::string::npos, after.find(kept)) << kept << " in " << after;
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(LockedSettingsModelTest, APolicyLiftedWhileRunningGivesTheUserHisOwnValuesBack) {
  ProgramSettings settings;
  settings.MonitorPrompt = 120;
  settings.SetSection(24, true);
  Write(settings);
  SeedPolicy("MonitorPrompt", 7);
  SeedPolicy("ConfigurationCache", 0);
  SettingsPageModel model = MakeModel();
  model.ReadSettings();
  EXPECT_EQ(7u, model.MonitorPrompt());
  EXPECT_FALSE(model.SectionChecked(24));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPolicyKeyPath);
  model.ShowSettings(true);
  EXPECT_FALSE(model.Locked("MonitorPrompt"));
  EXPECT_FALSE(model.AnySectionLocked());
  EXPECT_EQ(120u, model.MonitorPrompt());
  EXPECT_TRUE(model.SectionChecked(24));
  // And one set meanwhile holds its box from the next showing on.
  SeedPolicy("AutoFreq", 2);
  model.ShowSettings(false);
  model.ShowSettings(true);
  EXPECT_TRUE(model.Locked("AutoFreq"));
  EXPECT_EQ(2, model.Frequency());
}

// ---- The ignore list -------------------------------------------------------------

class IgnoreListModelTest : public SettingsPageModelTest {
 protected:
  int CountRows(const SettingsPageModel& model, const std::string& appliesTo) const {
    int count = 0;
    for (const IgnoreRow& row : model.IgnoreRows()) count += row.appliesTo == appliesTo;
    return count;
  }
  int RowOf(const SettingsPageModel& model, const std::string& key) const {
    const auto& rows = model.IgnoreRows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].key == key) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(IgnoreListModelTest, RowsComeFromTheThreeSources) {
  folder_.WriteFile("ignore.txt", "[HKCR\\X]\r\nName = data=\"\"\r\n[HKCR\\Y]\r\n");
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  EXPECT_EQ(22, CountRows(model, "Permanent"));
  EXPECT_EQ(2, CountRows(model, "All"));
  EXPECT_EQ(158, CountRows(model, "Ignore List"));
  EXPECT_EQ("Permanent", model.IgnoreRows().front().appliesTo);
  EXPECT_GE(RowOf(model, "HKCR\\X\\\\:Name"), 22);
  EXPECT_GE(RowOf(model, "HKCR\\Y"), 22);
  // The key column is measured against the first two kinds only.
  EXPECT_EQ(24u, model.KeyColumnTexts().size());
}

TEST_F(IgnoreListModelTest, APermanentRowIsRefused) {
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  const auto before = model.IgnoreRows().size();
  model.RemoveIgnoreRow(0);
  EXPECT_EQ(before, model.IgnoreRows().size());
  ASSERT_EQ(1u, dialogs_.shown.size());
  EXPECT_EQ("Cannot be Removed|The Selected Item is a Permanent Entry and cannot be Removed|0",
            dialogs_.shown[0]);
}

TEST_F(IgnoreListModelTest, RemovingIgnoredValuesAndKeysRewritesTheIgnoreFile) {
  folder_.WriteFile("ignore.txt",
                    "[HKCR\\X]\r\nName = data=\"\"\r\nOther=\"\"\r\n[HKCR\\Y]\r\n[HKCR\\Z]\r\n");
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  model.RemoveIgnoreRow(RowOf(model, "HKCR\\X\\\\:Name"));
  EXPECT_EQ("[HKCR\\X]\r\nOther=\"\"\r\n[HKCR\\Y]\r\n[HKCR\\Z]\r\n",
            test::ReadWholeFile(folder_.File("ignore.txt")));
  model.RemoveIgnoreRow(RowOf(model, "HKCR\\Y"));
  EXPECT_EQ("[HKCR\\X]\r\nOther=\"\"\r\n[HKCR\\Z]\r\n",
            test::ReadWholeFile(folder_.File("ignore.txt")));
  EXPECT_EQ(-1, RowOf(model, "HKCR\\Y"));
  EXPECT_EQ(2, CountRows(model, "All"));
}

// Names in any script are ignored and un-ignored by their true names; a
// line an earlier version wrote in the system's code page (1252 here) is
// shown with its characters, and the file is written back in UTF-8.
TEST_F(IgnoreListModelTest, NamesInEveryScriptAreShownAndRemovedByTheirTrueNames) {
  const std::string hebrew = "HKCU\\Software\\gone-\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8.exe";
  const std::string chinese = "HKCU\\\xE6\x96\x87\xE4\xBB\xB6";
  const std::string emoji = "\xF0\x9F\x93\x81";
  folder_.WriteFile("ignore.txt", "[HKCR\\Caf\xE9]\r\n[" + hebrew + "]\r\n[" + chinese + "]\r\n" +
                                      emoji + "=\"\"\r\n");
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  EXPECT_GE(RowOf(model, "HKCR\\Caf\xC3\xA9"), 22);
  EXPECT_GE(RowOf(model, hebrew), 22);
  model.RemoveIgnoreRow(RowOf(model, chinese + "\\\\:" + emoji));
  model.RemoveIgnoreRow(RowOf(model, hebrew));
  EXPECT_EQ("[HKCR\\Caf\xC3\xA9]\r\n[" + chinese + "]\r\n",
            test::ReadWholeFile(folder_.File("ignore.txt")));
  EXPECT_EQ(-1, RowOf(model, hebrew));
}

TEST_F(IgnoreListModelTest, RemovingASkippedKeyLeavesOneFewerInTheSettings) {
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MyWebSearch";
  model.RemoveIgnoreRow(RowOf(model, key));
  EXPECT_EQ(157, CountRows(model, "Ignore List"));
  EXPECT_EQ(-1, RowOf(model, key));
  EXPECT_EQ(157u, IniFile::Parse(FileText()).Keys("SkippedKeys").size());
  SettingsPageModel reopened = MakeModel();
  reopened.ShowSettings(true);
  EXPECT_EQ(157, CountRows(reopened, "Ignore List"));
}

TEST_F(IgnoreListModelTest, RemovingEverySkippedKeyLeavesNoneAfterReopening) {
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  ASSERT_EQ(158, CountRows(model, "Ignore List"));
  for (int left = 158; left > 0; --left) {
    int row = -1;
    for (size_t i = 0; i < model.IgnoreRows().size() && row < 0; ++i)
      if (model.IgnoreRows()[i].appliesTo == "Ignore List") row = static_cast<int>(i);
    ASSERT_GE(row, 0) << left;
    model.RemoveIgnoreRow(row);
  }
  EXPECT_EQ(0, CountRows(model, "Ignore List"));
  SettingsPageModel reopened = MakeModel();
  reopened.ShowSettings(true);
  EXPECT_EQ(0, CountRows(reopened, "Ignore List"));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(IgnoreListModelTest, RowsOutsideTheListAreIgnored) {
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  const auto before = model.IgnoreRows().size();
  model.RemoveIgnoreRow(-1);
  model.RemoveIgnoreRow(static_cast<int>(before));
  EXPECT_EQ(before, model.IgnoreRows().size());
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(IgnoreListModelTest, AnIgnoreFileThatCannotBeWrittenIsReported) {
  const std::string path = folder_.WriteFile("ignore.txt", "[HKCR\\Y]\r\n");
  SettingsPageModel model = MakeModel();
  model.ShowSettings(true);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  model.RemoveIgnoreRow(RowOf(model, "HKCR\\Y"));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("[HKCR\\Y]\r\n", test::ReadWholeFile(path));
  ASSERT_EQ(1u, dialogs_.shown.size());
  EXPECT_NE(std::string::npos, dialogs_.shown[0].find("The Ignore List could not be saved"));
  EXPECT_EQ(1, CountRows(model, "All"));
}

}  // namespace
}  // namespace hvm
