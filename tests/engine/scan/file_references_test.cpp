#include "engine/scan/file_references.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/scan/broad_sections.h"
#include "engine/scan/problem_explanations.h"
#include "engine/scan/scan_driver.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_harness.h"
#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;
using namespace hvm::test;

constexpr char kRun[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kSharedDlls[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Records what the walks would remove, and removes it as the repair would.
class RecordingRemover : public ValueRemover {
 public:
  bool ExportValue(HKEY root, const std::string& keyPath, const std::string& name,
                   int section) override {
    removed.push_back(keyPath + "|" + name);
    sections.push_back(section);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.substr(1).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return false;
    const bool deleted = RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
    RegCloseKey(key);
    return deleted;
  }
  void WriteCantRemove() override { ++cantRemoveWrites; }
  std::string SnapshotName() const override { return "Undo20261209.reg"; }
  std::vector<std::string> removed;
  std::vector<int> sections;  // of each removal
  int cantRemoveWrites = 0;
};

class FileSectionsTest : public RegistrySandboxTest {
 protected:
  std::vector<std::string> Scan(std::set<int> sections) {
    harness_ = std::make_unique<ScanHarness>(std::move(sections));
    harness_->groups.fileReferences = [this](ScanDriver& d) {
      FileReferenceSections(d, remover_, env_).ScanFileReferences();
    };
    harness_->groups.filePathReferences = [](ScanDriver& d) { ScanFilePathReferences(d); };
    harness_->groups.configurationCache = [](ScanDriver& d) { ScanConfigurationCache(d); };
    if (onPump_) harness_->view.onPump = [this] { onPump_(harness_->driver); };
    harness_->driver.RunScan();
    return harness_->AllLines();
  }
  std::string Existing(const std::string& name) { return folder_.WriteFile(name, "x"); }
  std::string Missing(const std::string& name) { return folder_.File(name); }

  TestFolder folder_;
  TestFolder systemFolder_;
  FileScanEnvironment env_{systemFolder_.Path() + "\\", "C:\\windows\\", false};
  RecordingRemover remover_;
  std::unique_ptr<ScanHarness> harness_;
  std::function<void(ScanDriver&)> onPump_;
};

TEST_F(FileSectionsTest, RunValuesNamingMissingFullPathsOrBareNamesFoundNowhereAreRemoved) {
  SeedString(kRun, "FullPath", Missing("gone.exe"));
  SeedString(kRun, "FullPathKept", Existing("here.exe") + " /tray");
  SeedString(kRun, "Bare", "hivemend-no-such-program.exe");
  SeedString(kRun, "BareWithArgument", "hivemend-no-such-program.exe -x");
  SeedString(kRun, "InSystem", "present.exe");
  systemFolder_.WriteFile("present.exe", "x");
  SeedString(kRun, "OnSearchPath", "notepad.exe");
  EXPECT_THAT(Scan({15}), IsEmpty()) << "removed values never show in the results";
  EXPECT_THAT(remover_.removed,
              ElementsAre("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|Bare",
                          "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|BareWithArgument",
                          "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|FullPath"));
  // Each is noted in the snapshot as the startup section's.
  EXPECT_THAT(remover_.sections, ElementsAre(15, 15, 15));
  EXPECT_FALSE(ValueExists(kRun, "FullPath"));
  EXPECT_FALSE(ValueExists(kRun, "Bare"));
  EXPECT_TRUE(ValueExists(kRun, "FullPathKept"));
  EXPECT_GE(remover_.cantRemoveWrites, 1);
}

// The system folder the list is kept for exists, and so does every folder a
// full path names on the way to its file: neither may stand for the file.
TEST_F(FileSectionsTest, AFullPathIsNeverFoundThroughTheListsFolderOrTheKeysOwn) {
  SeedString(kRun, "", folder_.Path());
  SeedString(kRun, "Quoted", "\"" + Missing("gone.exe") + "\" /tray");
  SeedString(kRun, "SystemFolderItself", systemFolder_.Path() + "\\gone.exe");
  SeedString(kRun, "OtherDrive", std::string(1, kSecondFixedDrive) + ":\\hvm-gone\\tool.exe -s");
  Scan({15});
  EXPECT_THAT(
      remover_.removed,
      UnorderedElementsAre("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|Quoted",
                           "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|SystemFolderItself",
                           "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|OtherDrive"));
}

// A relative name is looked for in the key's own folder (its default value)
// and in the list's folder, quoted or not, with or without arguments; a name
// with a folder part that neither holds cannot be checked and stays.
TEST_F(FileSectionsTest, RelativeNamesAreLookedForInTheKeysFolderAndTheListsFolder) {
  SeedString(kRun, "", folder_.Path());
  Existing("tray.exe");
  systemFolder_.WriteFile("helper.exe", "x");
  SeedString(kRun, "InKeyFolder", "tray.exe /background");
  SeedString(kRun, "QuotedInKeyFolder", "\"tray.exe\" /background");
  SeedString(kRun, "QuotedInSystem", "\"helper.exe\"");
  SeedString(kRun, "WithoutExtension", "tray -x");
  SeedString(kRun, "FolderPart", "hvm-sub\\gone.exe");
  SeedString(kRun, "QuotedNowhere", "\"hivemend-no-such-program.exe\" /x");
  Scan({15});
  EXPECT_THAT(remover_.removed,
              ElementsAre("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|QuotedNowhere"));
}

TEST_F(FileSectionsTest, AKeyWhoseDefaultFolderIsGoneIsNotExamined) {
  SeedString(kRun, "", Missing("NoFolder"));
  SeedString(kRun, "Bare", "hivemend-no-such-program.exe");
  Scan({15});
  EXPECT_THAT(remover_.removed, IsEmpty());
}

TEST_F(FileSectionsTest, UnattendedRunsLeaveTheCannotRemoveFileAlone) {
  env_.unattended = true;
  SeedString(kRun, "Bare", "hivemend-no-such-program.exe");
  Scan({15});
  EXPECT_EQ(0, remover_.cantRemoveWrites);
}

TEST_F(FileSectionsTest, SharedDllCountersForMissingFilesOnFixedDrivesAreReported) {
  SeedDword(kSharedDlls, Missing("shared.dll"), 3);
  SeedDword(kSharedDlls, Existing("here.dll"), 1);
  SeedDword(kSharedDlls, "\\\\server\\share\\net.dll", 1);
  EXPECT_THAT(Scan({13}),
              ElementsAre(std::string(kSharedDlls) + "\\\\:" + Missing("shared.dll") + " = 3"));
  EXPECT_EQ(150, harness_->driver.ProgressPosition()) << "50 per value";
}

TEST_F(FileSectionsTest, LangIdIsNeverReportedFromTheMuiCache) {
  const std::string cache = "HKCU\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
  SeedString(cache, "LangID", "x");
  SeedString(cache, "langid", "x");
  SeedString(cache, Missing("app.exe"), "App");
  EXPECT_THAT(Scan({22}), ElementsAre(cache + "\\\\:" + Missing("app.exe") + " = App"));
}

TEST_F(FileSectionsTest, VxdEntriesStartingWithAStarAreNeverReported) {
  const std::string vxd = "HKLM\\System\\CurrentControlSet\\Services\\VxD";
  SeedString(vxd + "\\Star", "StaticVxD", "*vmm");
  SeedString(vxd + "\\Gone", "StaticVxD", Missing("gone.vxd"));
  SeedDword(vxd + "\\Number", "StaticVxD", 5);
  EXPECT_THAT(Scan({11}), ElementsAre(vxd + "\\Gone"));
}

TEST_F(FileSectionsTest, AppPathsUseTheDefaultOrTheFirstPathFolder) {
  const std::string appPaths = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  SeedString(appPaths + "\\app.exe", "Path", Missing("Tools") + ";" + folder_.Path());
  Existing("app.exe");
  SeedString(appPaths + "\\gone.exe", "", Missing("gone.exe"));
  SeedDword(appPaths + "\\number.exe", "", 5);
  SeedString(appPaths + "\\ok.exe", "", Existing("ok.exe"));
  EXPECT_THAT(Scan({18}), ElementsAre(appPaths + "\\app.exe", appPaths + "\\gone.exe"));
}

TEST_F(FileSectionsTest, EmptyExtensionKeysAndEmptyOpenWithLists) {
  const std::string exts = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  SeedString(exts + "\\.empty", "", "x");
  SeedKey(exts + "\\.withlist\\OpenWithList");
  SeedString(exts + "\\.full\\OpenWithList", "a", "app.exe");
  EXPECT_THAT(Scan({19}), ElementsAre(exts + "\\.empty", exts + "\\.withlist\\OpenWithList"));
}

TEST_F(FileSectionsTest, HelpFoldersMustHoldTheirFile) {
  const std::string help = "HKLM\\Software\\Microsoft\\Windows\\Help";
  SeedString(help, "here.hlp", folder_.Path());
  Existing("here.hlp");
  SeedString(help, "gone.hlp", folder_.Path());
  EXPECT_THAT(Scan({16}), ElementsAre(help + "\\\\:gone.hlp = " + folder_.Path()));
}

TEST_F(FileSectionsTest, ArpCacheEntriesWithoutAnUninstallKeyAreReported) {
  const std::string arp =
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
  SeedKey(arp + "\\Gone");
  SeedKey(arp + "\\Kept");
  SeedKey("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kept");
  EXPECT_THAT(Scan({22}), ElementsAre(arp + "\\Gone"));
}

TEST_F(FileSectionsTest, MenuOrderFoldersExistingUnderEitherProgramsFolderAreKept) {
  const std::string order =
      "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start "
      "Menu2\\Programs";
  const std::string shellFolders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  TestFolder common, user;
  SeedString("HKLM\\" + shellFolders, "Common Programs", common.Path());
  SeedString("HKCU\\" + shellFolders, "Programs", user.Path());
  common.WriteFile("InCommon\\x", "x");
  user.WriteFile("InUser\\x", "x");
  for (const char* name : {"InCommon", "InUser", "Nowhere"}) SeedKey(order + "\\" + name);
  EXPECT_THAT(Scan({14}), ElementsAre(order + "\\Nowhere"));
}

TEST_F(FileSectionsTest, StopDuringSharedDllsEndsWithinFourValuesAndSkipsTheRest) {
  for (int i = 0; i < 40; ++i) SeedDword(kSharedDlls, Missing("s" + std::to_string(i) + ".dll"), 1);
  SeedKey("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\Gone");
  onPump_ = [](ScanDriver& d) {
    if (!d.StopFlag() && d.CurrentSection() == 13 && d.Results().Section(13).size() >= 2)
      d.ScanComplete(ScanEnd::StopButton);
  };
  const std::vector<std::string> lines = Scan({13, 22});
  EXPECT_GE(lines.size(), 2u);
  EXPECT_LE(lines.size(), 6u);
  EXPECT_TRUE(harness_->Lines(22).empty());
}

TEST_F(FileSectionsTest, FilePathReferencesReportShortTextsNamingMissingFixedDriveFiles) {
  SeedString("HKLM\\Software\\Vendor\\Tool", "Path", Missing("Gone\\tool.exe"));
  SeedString("HKLM\\Software\\Vendor\\Tool", "", Missing("default.exe"));
  SeedString("HKLM\\Software\\Vendor\\Tool", "Long", Missing(std::string(280, 'x') + ".exe"));
  SeedString("HKLM\\Software\\Vendor\\Tool", "Net", "\\\\server\\share\\x.exe");
  SeedString("HKCU\\Software\\Vendor", "Bare", "notepad.exe");
  SeedString("HKCU\\Software\\Vendor\\Deep", "Doc", Missing("doc.txt"));
  SeedDword("HKCU\\Software\\Vendor", "Number", 7);
  EXPECT_THAT(Scan({23}),
              ElementsAre("HKLM\\Software\\Vendor\\Tool\\\\:(Default) = " + Missing("default.exe"),
                          "HKLM\\Software\\Vendor\\Tool\\\\:Path = " + Missing("Gone\\tool.exe"),
                          "HKCU\\Software\\Vendor\\Deep\\\\:Doc = " + Missing("doc.txt")));
  EXPECT_FALSE(harness_->results.Section(23)[0].Checked());
}

TEST_F(FileSectionsTest, FilePathReferencesWalkDeepTreesAndStopWithinOneValue) {
  std::string deep = "HKLM\\Software\\Deep";
  for (int level = 0; level < 40; ++level) deep += "\\L";
  SeedString(deep, "File", Missing("deep.exe"));
  for (int i = 0; i < 10; ++i)
    SeedString("HKLM\\Software\\Many", "v" + std::to_string(i), Missing("m.exe"));
  onPump_ = [](ScanDriver& d) {
    if (!d.StopFlag() && d.CurrentSection() == 23 && d.Results().Section(23).size() >= 3)
      d.ScanComplete(ScanEnd::StopButton);
  };
  const std::vector<std::string> lines = Scan({23, 24});
  EXPECT_GE(lines.size(), 3u);
  EXPECT_LE(lines.size(), 4u);
}

TEST_F(FileSectionsTest, ConfigurationCacheReportsEveryDisabledCopy) {
  SeedString("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-", "App", "C:\\app.exe");
  SeedString("HKLM\\Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\Tool", "command", "x");
  SeedKey("HKLM\\System\\CurrentControlSet\\Services\\VxD\\NoCopy");
  SeedString("HKLM\\System\\CurrentControlSet\\Services\\VxD\\Copy", "StaticVxD-", "x");
  EXPECT_THAT(
      Scan({24}),
      ElementsAre("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-\\\\:App = C:\\app.exe",
                  "HKLM\\Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\Tool",
                  "HKLM\\System\\CurrentControlSet\\Services\\VxD\\Copy"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST_F(FileSectionsTest, ValuesRemovedAtOnceAreRecordedWithLineReasonAndSnapshot) {
  SeedString(kRun, "Bare", "hivemend-no-such-program.exe -x");
  EXPECT_THAT(Scan({15}), IsEmpty());
  const std::vector<RemovedValue>& removed = harness_->results.RemovedAtOnce();
  ASSERT_EQ(1u, removed.size());
  EXPECT_EQ(15, removed[0].section);
  EXPECT_EQ(std::string(kRun) + "\\\\:Bare = hivemend-no-such-program.exe -x", removed[0].line);
  EXPECT_EQ(
      (ProblemReason{"file missing", systemFolder_.Path() + "\\hivemend-no-such-program.exe"}),
      removed[0].reason);
  EXPECT_EQ("Undo20261209.reg", removed[0].snapshot);
}

TEST_F(FileSectionsTest, AReadOnlyScanListsWhatItWouldRemoveAndRemovesNothing) {
  SeedString(kRun, "Bare", "hivemend-no-such-program.exe -x");
  SeedString(kRun, "Kept", "notepad.exe");
  env_.readOnly = true;
  EXPECT_THAT(Scan({15}),
              ElementsAre(std::string(kRun) + "\\\\:Bare = hivemend-no-such-program.exe -x"));
  EXPECT_EQ("file missing", harness_->results.Section(15)[0].reason.rule);
  EXPECT_TRUE(remover_.removed.empty());
  EXPECT_EQ(0, remover_.cantRemoveWrites);
  EXPECT_TRUE(harness_->results.RemovedAtOnce().empty());
  EXPECT_TRUE(ValueExists(kRun, "Bare"));
}

TEST_F(FileSectionsTest, EveryReportedLineCarriesARule) {
  SeedString(kSharedDlls, Missing("shared.dll"), "1");
  SeedString("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe", "",
             Missing("gone.exe"));
  SeedKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.x");
  Scan({13, 18, 19});
  for (int section : {13, 18, 19}) {
    ASSERT_EQ(1u, harness_->results.Section(section).size()) << section;
    EXPECT_FALSE(harness_->results.Section(section)[0].reason.rule.empty()) << section;
    // ... and one the user is told in words.
    EXPECT_NE(nullptr, ExplanationOf(harness_->results.Section(section)[0].reason.rule)) << section;
  }
  EXPECT_EQ((ProblemReason{"file missing", Missing("shared.dll")}),
            harness_->results.Section(13)[0].reason);
  EXPECT_EQ((ProblemReason{"file missing", Missing("gone.exe")}),
            harness_->results.Section(18)[0].reason);
  EXPECT_EQ("empty key", harness_->results.Section(19)[0].reason.rule);
}

}  // namespace
}  // namespace hvm
