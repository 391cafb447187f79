#include "engine/results/repair.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "engine/core/dialog_service.h"
#include "engine/results/suppression.h"
#include "engine/results/text_file.h"
#include "engine/results/undo_restore.h"
#include "engine/scan/file_tests.h"
#include "support/folder_lock_holder.h"
#include "support/recording_dialogs.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/snapshot_text.h"
#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using namespace std::literals;

class FakeTicks : public TickSource {
 public:
  explicit FakeTicks(uint32_t start, uint32_t step = 1) : now(start), step(step) {}
  uint32_t Ticks() override { return now; }
  void SleepOne() override {
    now += step;
    ++sleeps;
  }
  uint32_t now;
  uint32_t step;
  int sleeps = 0;
};

// Raw platform calls, independent of the code under test.
void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           DWORD(data.size())));
  RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Every value and key below `path`: "sub\\key|name" -> "type:bytes".
void Dump(HKEY root, const std::string& path, const std::string& prefix,
          std::map<std::string, std::string>& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out[prefix + "|<key>"] = "";
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    out[prefix + "|" + name] = std::to_string(type) + ":" + data;
  }
  std::vector<std::string> subKeys;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    subKeys.emplace_back(name);
  }
  RegCloseKey(key);
  for (const std::string& sub : subKeys) Dump(root, path + "\\" + sub, prefix + "\\" + sub, out);
}

// The same through the wide calls, byte for byte as stored: "key|name" (as
// UTF-16) -> "type:bytes".
void DumpStored(HKEY root, const std::wstring& path, const std::wstring& prefix,
                std::map<std::wstring, std::string>& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out[prefix + L"|<key>"] = "";
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    out[prefix + L"|" + std::wstring(name, nameLength)] = std::to_string(type) + ":" + data;
  }
  std::vector<std::wstring> subKeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    subKeys.emplace_back(name, nameLength);
  }
  RegCloseKey(key);
  for (const std::wstring& sub : subKeys)
    DumpStored(root, path + L"\\" + sub, prefix + L"\\" + sub, out);
}

void SetStored(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
               const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           DWORD(data.size())));
  RegCloseKey(key);
}

std::string StoredText(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
}

class RepairTest : public test::RegistrySandboxTest {
 protected:
  // A repair into the day's snapshot of the test folder.
  RepairInputs Inputs() const {
    RepairInputs inputs;
    inputs.dataFolder = folder_.Path();
    inputs.snapshotName = "Undo20261209";
    return inputs;
  }
  Repairer MakeRepairer(const RepairInputs& inputs) {
    return Repairer(inputs,
                    {results_, suppression_, dialogs_, restorePoint_, progress_, report_, ticks_});
  }
  Repairer MakeRepairer(ExportDialect dialect = kSnapshotDialect, std::string dataFolder = "") {
    RepairInputs inputs = Inputs();
    if (!dataFolder.empty()) inputs.dataFolder = dataFolder;
    inputs.dialect = dialect;
    return MakeRepairer(inputs);
  }
  std::string Snapshot() { return test::SnapshotFileText(folder_.File("Undo20261209.reg")); }
  void RestoreAll() {
    for (const std::string& entry :
         ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr))
      RestoreEntry(folder_.Path(), "Undo20261209.reg", entry);
  }

  test::TestFolder folder_;
  ResultsStore results_;
  SuppressionLists suppression_{folder_.Path()};
  test::RecordingDialogs dialogs_;
  RestorePointMaker restorePoint_;
  RepairProgress progress_;
  RepairReport report_;
  FakeTicks ticks_{0};
};

TEST_F(RepairTest, ValueRepairExportsThenDeletesOnlyThatValue) {
  SetRaw(HKEY_CLASSES_ROOT, "X", "Name", REG_SZ, "data\0"s);
  SetRaw(HKEY_CLASSES_ROOT, "X", "Keep", REG_SZ, "k\0"s);
  results_.AddProblem(2, "HKCR\\X\\\\:Name = data");
  results_.AddProblem(2, "HKCR\\X\\\\:Gone");
  const RepairSummary summary = MakeRepairer().RunRepair();
  EXPECT_EQ(1, summary.repaired);
  EXPECT_EQ(1, summary.notRemoved);
  // The block is noted with the section whose problem it undoes.
  EXPECT_EQ(
      "Windows Registry Editor Version 5.00\r\n\r\n; Section 2, Type Library\r\n"
      "[HKEY_CLASSES_ROOT\\X]\r\n\"Name\"=\"data\"\r\n",
      Snapshot());
  std::map<std::string, std::string> after;
  Dump(HKEY_CLASSES_ROOT, "X", "", after);
  EXPECT_EQ(0u, after.count("|Name"));
  EXPECT_EQ(1u, after.count("|Keep"));
  // The missing value is known as not removable from now on.
  EXPECT_EQ("\r\nHKEY_CLASSES_ROOT\\X\\\\:Gone\r\n", ReadTextFile(suppression_.CantRemovePath()));
}

// Another program repairing or restoring from the same data folder: this
// repair changes nothing and says why.
TEST_F(RepairTest, RepairWhileAnotherHoldsTheDataFolderChangesNothing) {
  SetRaw(HKEY_CURRENT_USER, "A", "v", REG_DWORD, "\x05\0\0\0"s);
  results_.AddProblem(2, "HKCU\\A\\\\:v");
  test::OtherHolder other(folder_.Path());
  ASSERT_TRUE(other.Held());
  const RepairSummary summary = MakeRepairer().RunRepair();
  EXPECT_TRUE(summary.folderBusy);
  EXPECT_EQ(0, summary.repaired);
  EXPECT_TRUE(test::ValueExists("HKCU\\A", "v"));
  EXPECT_EQ("", Snapshot());
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_NE(std::string::npos, dialogs_.asked[0].text.find("Another repair or restore"));
  other.Release();
  EXPECT_EQ(1, MakeRepairer().RunRepair().repaired);
}

TEST_F(RepairTest, TwoRepairsOfADayShareOneHeader) {
  SetRaw(HKEY_CURRENT_USER, "A", "v", REG_DWORD, "\x05\0\0\0"s);
  SetRaw(HKEY_CURRENT_USER, "B", "v", REG_DWORD, "\x06\0\0\0"s);
  Repairer first = MakeRepairer();
  EXPECT_TRUE(first.ExportValue(HKEY_CURRENT_USER, "\\A", true, true, "v"));
  Repairer second = MakeRepairer();
  EXPECT_TRUE(second.ExportValue(HKEY_CURRENT_USER, "\\B", true, true, "v"));
  EXPECT_EQ(
      "Windows Registry Editor Version "
      "5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:00000005\r\n"
      "[HKEY_CURRENT_USER\\B]\r\n\"v\"=dword:00000006\r\n",
      Snapshot());
}

TEST_F(RepairTest, WholeKeyIsWrittenParentFirstAndDeleted) {
  SetRaw(HKEY_LOCAL_MACHINE, "Software\\T", "a", REG_SZ, "1\0"s);
  SetRaw(HKEY_LOCAL_MACHINE, "Software\\T", "b", REG_SZ, "2\0"s);
  SetRaw(HKEY_LOCAL_MACHINE, "Software\\T\\Sub", "c", REG_SZ, "3\0"s);
  results_.AddProblem(5, "HKLM\\Software\\T");
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  EXPECT_EQ(
      "Windows Registry Editor Version 5.00\r\n\r\n; Section 5, Custom Controls\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\T]\r\n"
      "\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n[HKEY_LOCAL_MACHINE\\Software\\T\\Sub]\r\n"
      "\"c\"=\"3\"\r\n",
      Snapshot());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\T"));
}

TEST_F(RepairTest, EveryValueKindComesBackByteForByteInBothDialects) {
  std::string big(100 * 1024, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + (i >> 9));
  // The snapshot dialect, and the wide ones of earlier snapshots.
  for (const ExportDialect& dialect : {kSnapshotDialect, ExportDialect{kHeaderWide, true, true},
                                       ExportDialect{kHeaderWide, true, false}}) {
    SetRaw(HKEY_CURRENT_USER, "R", "", REG_SZ, "\0"s);
    SetRaw(HKEY_CURRENT_USER, "R", "text", REG_SZ, "a \"q\" \\b\\ \r\nline\xE9\xFF\0"s);
    SetRaw(HKEY_CURRENT_USER, "R", "expand", REG_EXPAND_SZ, "%SystemRoot%\\x\0"s);
    SetRaw(HKEY_CURRENT_USER, "R", "multi", REG_MULTI_SZ, "one\0two\0three\0\0"s);
    SetRaw(HKEY_CURRENT_USER, "R", "bin", REG_BINARY, "\x00\x80\xFF\x7F"s);
    SetRaw(HKEY_CURRENT_USER, "R", "big", REG_BINARY, big);
    SetRaw(HKEY_CURRENT_USER, "R", "dword", REG_DWORD, "\xFE\xFF\xFF\xFF"s);
    SetRaw(HKEY_CURRENT_USER, "R", "qword", REG_QWORD, "\1\2\3\4\5\6\7\x88"s);
    SetRaw(HKEY_CURRENT_USER, "R", "none", REG_NONE, "\x01"s);
    SetRaw(HKEY_CURRENT_USER, "R", "bigend", REG_DWORD_BIG_ENDIAN, "\0\0\0\1"s);
    SetRaw(HKEY_CURRENT_USER, "R", "res", REG_RESOURCE_LIST, "\x10\x20"s);
    SetRaw(HKEY_CURRENT_USER, "R", "odd", 0x4242, "zz"s);
    SetRaw(HKEY_CURRENT_USER, "R\\Sub\\Empty", "", REG_BINARY, ""s);
    std::map<std::string, std::string> before;
    Dump(HKEY_CURRENT_USER, "R", "", before);
    ASSERT_EQ(16u, before.size());

    results_.ResetResults();
    results_.AddProblem(3, "HKCU\\R");
    Repairer repairer = MakeRepairer(dialect);
    EXPECT_EQ(1, repairer.RepairChecked());
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, "R"));
    RestoreAll();
    std::map<std::string, std::string> after;
    Dump(HKEY_CURRENT_USER, "R", "", after);
    EXPECT_EQ(before, after) << dialect.header << (dialect.dwordHex ? " dword:" : " decimal");
    DeleteFileA(folder_.File("Undo20261209.reg").c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "R");
  }
}

TEST_F(RepairTest, NothingIsDeletedWhenTheSnapshotCannotBeWritten) {
  SetRaw(HKEY_CURRENT_USER, "S", "v", REG_SZ, "x\0"s);
  SetRaw(HKEY_CURRENT_USER, "W", "v", REG_SZ, "x\0"s);
  results_.AddProblem(2, "HKCU\\S\\\\:v");
  results_.AddProblem(2, "HKCU\\W");
  Repairer repairer = MakeRepairer(kSnapshotDialect, folder_.File("no\\such\\folder"));
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(0, summary.repaired);
  EXPECT_EQ(2, summary.notRemoved);
  EXPECT_EQ(2, summary.snapshotFailures);
  std::map<std::string, std::string> left;
  Dump(HKEY_CURRENT_USER, "S", "S", left);
  Dump(HKEY_CURRENT_USER, "W", "W", left);
  EXPECT_EQ(1u, left.count("S|v"));
  EXPECT_EQ(1u, left.count("W|v"));
  ASSERT_EQ(1u, dialogs_.asked.size());
}

TEST_F(RepairTest, SuppressedItemStopsItsKeyButKeepsWhatWentBefore) {
  SetRaw(HKEY_CURRENT_USER, "P", "a", REG_SZ, "1\0"s);
  SetRaw(HKEY_CURRENT_USER, "P\\S", "b", REG_SZ, "2\0"s);
  SetRaw(HKEY_CURRENT_USER, "P\\T", "c", REG_SZ, "3\0"s);
  std::string cant = "\r\nHKEY_CURRENT_USER\\P\\S\\\\:b";
  WriteCantRemove(folder_.Path(), cant);
  SetRaw(HKEY_CURRENT_USER, "Later", "z", REG_SZ, "9\0"s);
  results_.AddProblem(3, "HKCU\\P");
  results_.AddProblem(3, "HKCU\\Later");
  // P stays, so only Later counts as repaired.
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  std::map<std::string, std::string> left;
  Dump(HKEY_CURRENT_USER, "P", "", left);
  EXPECT_EQ(0u, left.count("|a"));
  EXPECT_EQ(1u, left.count("\\S|b"));
  EXPECT_EQ(1u, left.count("\\T|c"));
  EXPECT_NE(std::string::npos, Snapshot().find("[HKEY_CURRENT_USER\\P]\r\n\"a\"=\"1\""));
  EXPECT_NE(std::string::npos, Snapshot().find("[HKEY_CURRENT_USER\\Later]\r\n\"z\"=\"9\""));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Later"));
}

TEST_F(RepairTest, OfficeClassKeysFollowTheirSpecialRules) {
  const std::string clsid = "CLSID\\{DA1E5A8E-1A89-11D2-95C9-00A0C90DCA5B}";
  SetRaw(HKEY_CLASSES_ROOT, clsid, "Office7", REG_SZ, "o\0"s);
  SetRaw(HKEY_CLASSES_ROOT, clsid, "Other", REG_SZ, "t\0"s);
  SetRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + clsid, "v", REG_SZ, "m\0"s);
  results_.AddProblem(2, "HKCR\\" + clsid);
  results_.AddProblem(2, "HKLM\\SOFTWARE\\Classes\\" + clsid);
  MakeRepairer().RepairChecked();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + clsid));
  // Office7 went with its key, so it must be in the snapshot.
  EXPECT_NE(std::string::npos, Snapshot().find("\"Office7\"=\"o\""));
  EXPECT_NE(std::string::npos, Snapshot().find("\"v\"=\"m\""));
}

// What the restore page tells of each entry: the section whose problem the
// repair removed it for; a created folder is always a shell folder's.
TEST_F(RepairTest, EachBlockIsNotedWithTheSectionWhoseProblemItUndoes) {
  SetRaw(HKEY_CURRENT_USER, "A", "v", REG_SZ, "1\0"s);
  SetRaw(HKEY_CURRENT_USER, "B", "w", REG_SZ, "2\0"s);
  results_.AddProblem(15, "HKCU\\B\\\\:w");
  results_.AddProblem(3, "HKCU\\A");
  results_.AddProblem(1, "HKCU\\Shell Folders\\\\:Personal = " + folder_.File("Docs"));
  EXPECT_EQ(3, MakeRepairer().RepairChecked());
  const std::vector<ListedSnapshotEntry> listed =
      ListSnapshotEntriesNoted(folder_.Path(), "Undo20261209.reg", nullptr);
  ASSERT_EQ(3u, listed.size());
  EXPECT_TRUE(listed[0].folder);
  EXPECT_EQ((SnapshotNote{1, false}), listed[0].note);
  EXPECT_EQ("HKEY_CURRENT_USER\\A\\\\:\"v\"", listed[1].text);
  EXPECT_EQ((SnapshotNote{3, false}), listed[1].note);
  EXPECT_FALSE(listed[1].folder);
  EXPECT_EQ("HKEY_CURRENT_USER\\B\\\\:\"w\"", listed[2].text);
  EXPECT_EQ((SnapshotNote{15, false}), listed[2].note);
  // The notes are comments: the entries restore as before.
  RestoreAll();
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "A"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "B"));
}

TEST_F(RepairTest, MissingFolderIsCreatedWithOneRemovalLine) {
  const std::string docs = folder_.File("Docs\\Deep");
  results_.AddProblem(1, "HKCU\\Shell Folders\\\\:Personal = " + docs + "\\");
  results_.AddProblem(1, "HKCU\\Shell Folders\\\\:Again = " + docs);
  EXPECT_EQ(2, MakeRepairer().RepairChecked());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(docs.c_str()));
  EXPECT_EQ("rd \"" + docs + "\"\r\n", ReadTextFile(folder_.File("Undo20261209.bat")));
  const auto entries = ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr);
  ASSERT_EQ(1u, entries.size());
  EXPECT_TRUE(RestoreEntry(folder_.Path(), "Undo20261209.reg", entries[0]));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(docs.c_str()));
  // Gone already: nothing to undo, and no failure.
  EXPECT_TRUE(RestoreEntry(folder_.Path(), "Undo20261209.reg", entries[0]));
  // A folder the user has put a file in since is not taken away.
  folder_.WriteFile("Docs\\Deep\\letter.txt", "mine");
  EXPECT_FALSE(RestoreEntry(folder_.Path(), "Undo20261209.reg", entries[0]));
  EXPECT_EQ("mine", ReadTextFile(docs + "\\letter.txt"));
}

TEST_F(RepairTest, IgnoreMarkGoesToTheIgnoreFileAndIsNotRepaired) {
  SetRaw(HKEY_CURRENT_USER, "I", "v", REG_SZ, "x\0"s);
  results_.AddProblem(24, "HKCU\\I\\\\:v");
  results_.Section(24)[0].SetIgnoreMark(true);
  EXPECT_EQ(0, MakeRepairer().RepairChecked());
  EXPECT_EQ("[HKCU\\I]\r\nv=\"\"\r\n", ReadTextFile(suppression_.IgnoreFilePath()));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "I"));
}

// Whole-key lines that name a root or a system hive: nothing below goes, in a
// dry run or a real one, and each is told as left in place.
TEST_F(RepairTest, AWholeKeyLineNamingARootOrAHiveLeavesEverythingBelow) {
  SetRaw(HKEY_CURRENT_USER, "Kept\\Sub", "v", REG_SZ, "x\0"s);
  SetRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kept", "v", REG_SZ, "x\0"s);
  SetRaw(HKEY_USERS, ".DEFAULT\\Kept", "v", REG_SZ, "x\0"s);
  const std::vector<std::string> lines = {"HKCU",           "HKCU\\",           "HKEY_CURRENT_USER",
                                          "HKLM\\SOFTWARE", "HKLM\\SOFTWARE\\", "HKU\\.DEFAULT"};
  for (const std::string& line : lines) results_.AddProblem(5, line);
  for (const bool dryRun : {true, false}) {
    RepairInputs inputs = Inputs();
    inputs.dryRun = dryRun;
    Repairer repairer = MakeRepairer(inputs);
    EXPECT_EQ(0, repairer.RepairChecked()) << dryRun;
    EXPECT_EQ("", repairer.DryRunText());
    if (!dryRun) {
      EXPECT_EQ(lines.size(), repairer.Failures().size());
    }
  }
  EXPECT_EQ("", Snapshot());
  std::map<std::string, std::string> left;
  Dump(HKEY_CURRENT_USER, "Kept", "HKCU", left);
  Dump(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kept", "HKLM", left);
  Dump(HKEY_USERS, ".DEFAULT\\Kept", "HKU", left);
  EXPECT_EQ(7u, left.size()) << "both keys and values of each stay";
  EXPECT_EQ("1:x"s + '\0', left["HKCU\\Sub|v"]);
}

// A program left running past midnight: the repair after the window learned
// the new day's name writes the new day's snapshot, not the one still open.
TEST_F(RepairTest, EachRepairWritesTheSnapshotOfTheNameOfItsDay) {
  SetRaw(HKEY_CURRENT_USER, "D", "first", REG_SZ, "1\0"s);
  SetRaw(HKEY_CURRENT_USER, "D", "second", REG_SZ, "2\0"s);
  std::string today = "Undo20261209";
  RepairInputs inputs = Inputs();
  inputs.snapshotName = "Undo20261208";
  inputs.snapshotNameNow = [&] { return today; };
  Repairer repairer = MakeRepairer(inputs);
  results_.AddProblem(15, "HKCU\\D\\\\:first");
  EXPECT_EQ(1, repairer.RunRepair().repaired);
  today = "Undo20261210";
  results_.AddProblem(15, "HKCU\\D\\\\:second");
  EXPECT_EQ(1, repairer.RunRepair().repaired);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("Undo20261208.reg").c_str()));
  const std::string first = test::SnapshotFileText(folder_.File("Undo20261209.reg"));
  const std::string second = test::SnapshotFileText(folder_.File("Undo20261210.reg"));
  EXPECT_NE(std::string::npos, first.find("\"first\"="));
  EXPECT_EQ(std::string::npos, first.find("\"second\"="));
  EXPECT_NE(std::string::npos, second.find("\"second\"="));
  EXPECT_EQ(0u, second.find(kHeaderWide)) << "the new file has its own header";
  EXPECT_EQ("Undo20261210.reg", repairer.SnapshotFileName());
}

TEST_F(RepairTest, LineWithoutRootIsLeftAlone) {
  results_.AddProblem(2, "NOPE\\X\\\\:v");
  EXPECT_EQ(0, MakeRepairer().RepairChecked());
  EXPECT_EQ("", Snapshot());
}

TEST_F(RepairTest, DryRunPrintsTheTextAndChangesNothing) {
  SetRaw(HKEY_CURRENT_USER, "D\\Sub", "v", REG_BINARY, "\x01\x02"s);
  results_.AddProblem(3, "HKCU\\D");
  RepairInputs inputs = Inputs();
  inputs.dryRun = true;
  Repairer repairer = MakeRepairer(inputs);
  EXPECT_EQ(1, repairer.RunRepair().repaired);
  EXPECT_EQ(
      "\r\n; Section 3, Windows Associations\r\n[HKEY_CURRENT_USER\\D]\r\n"
      "[HKEY_CURRENT_USER\\D\\Sub]\r\n\"v\"=hex:01,02\r\n",
      repairer.DryRunText());
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "D\\Sub"));
  EXPECT_FALSE(FileExists(folder_.File("Undo20261209.reg")));
}

TEST_F(RepairTest, MalformedSnapshotDataLeavesTheRegistryAlone) {
  EXPECT_THROW(ApplyExportValue("HKEY_CURRENT_USER\\New", "\"v\"", "hex:0", SnapshotTextForm{true}),
               std::exception);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "New"));
  EXPECT_FALSE(ApplyExportValue("HKCU\\Short", "\"v\"", "1", SnapshotTextForm{true}));
  EXPECT_TRUE(ApplyExportValue("HKEY_CURRENT_USER\\Whole", "", "", SnapshotTextForm{true}));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Whole"));
}

TEST(RepairDelay, WaitsAcrossTheTickCounterWrap) {
  RepairProgress progress;
  FakeTicks ticks(0xFFFFFFF0u, 4);
  RepairDelay(40, ticks, progress);
  EXPECT_EQ(10, ticks.sleeps);
  FakeTicks plain(100, 1);
  RepairDelay(7, plain, progress);
  EXPECT_EQ(7, plain.sleeps);
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// A key whose first value cannot be exported loses nothing, so the snapshot gets no
// entry for it: the restore list would otherwise offer a key never removed.
TEST_F(RepairTest, AKeyThatStaysWholeLeavesNoEntryInTheSnapshot) {
  // Its only value has a name no code page holds: a lone surrogate.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Stay", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"\xD800mega", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(L"secret"), 14));
  RegCloseKey(key);
  SetRaw(HKEY_CURRENT_USER, "Goes", "g", REG_SZ, "1\0"s);
  results_.AddProblem(5, "HKCU\\Stay");
  results_.AddProblem(5, "HKCU\\Goes");
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Stay"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Goes"));
  EXPECT_EQ(std::string::npos, Snapshot().find("Stay"));
  EXPECT_EQ((std::vector<std::string>{"HKEY_CURRENT_USER\\Goes\\\\:\"g\""}),
            ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr));
  // Nor does a dry run show it as going.
  RepairInputs inputs = Inputs();
  inputs.dryRun = true;
  Repairer dry = MakeRepairer(inputs);
  EXPECT_FALSE(dry.ExportKeyTree(HKEY_CURRENT_USER, "\\Stay", true));
  EXPECT_EQ("", dry.DryRunText());
}

// Everything gone from the registry must be in the snapshot: whatever the
// repair could not export stays in place, and so does every key above it.
TEST_F(RepairTest, AKeyWithAnUnexportableDescendantKeepsItAndEveryKeyAboveIt) {
  SetRaw(HKEY_CURRENT_USER, "X", "v0", REG_SZ, "0\0"s);
  SetRaw(HKEY_CURRENT_USER, "X\\Y", "a", REG_SZ, "1\0"s);
  SetRaw(HKEY_CURRENT_USER, "X\\Y\\W", "w", REG_SZ, "keepme\0"s);
  SetRaw(HKEY_CURRENT_USER, "X\\Y\\W\\Deeper", "d", REG_SZ, "2\0"s);
  // A value the last repair could not remove is never exported again.
  ReplaceTextFile(suppression_.CantRemovePath(), "\r\nHKEY_CURRENT_USER\\X\\Y\\W\\\\:w\r\n");
  suppression_.Reload();
  results_.AddProblem(5, "HKCU\\X");
  MakeRepairer().RepairChecked();
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "X", "", after);
  EXPECT_EQ(1u, after.count("\\Y\\W|w"));
  EXPECT_EQ(1u, after.count("\\Y\\W\\Deeper|d"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "X\\Y"));
  for (const auto& [name, data] : after)
    if (name.find("\\W") == std::string::npos && name.find("<key>") == std::string::npos)
      ADD_FAILURE() << name << " left although the repair went past it";
  // What went is restorable.
  RestoreAll();
  std::map<std::string, std::string> restored;
  Dump(HKEY_CURRENT_USER, "X", "", restored);
  EXPECT_EQ(1u, restored.count("|v0"));
  EXPECT_EQ(1u, restored.count("\\Y|a"));
}

TEST_F(RepairTest, ValuesWhoseNamesCannotBeWrittenBackAreNeverDeleted) {
  SetRaw(HKEY_CURRENT_USER, "N", "plain", REG_SZ, "p\0"s);
  SetRaw(HKEY_CURRENT_USER, "N", "line\r\n[HKEY_CURRENT_USER\\Victim]\r\n\"target", REG_SZ, "x\0"s);
  SetRaw(HKEY_CURRENT_USER, "Q", "a\"=\"q", REG_SZ, "r\0"s);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"U", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  // A name no code page holds (a lone surrogate) enumerates with a stand-in.
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"\xD800mega", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(L"secret"), 14));
  RegCloseKey(key);
  results_.AddProblem(5, "HKCU\\N");
  results_.AddProblem(5, "HKCU\\Q\\\\:a\"=\"q");
  results_.AddProblem(5, "HKCU\\U");
  MakeRepairer().RepairChecked();
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "N"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "U"));
  std::map<std::string, std::string> n, q;
  Dump(HKEY_CURRENT_USER, "N", "", n);
  Dump(HKEY_CURRENT_USER, "Q", "", q);
  EXPECT_EQ(1u, n.count("|line\r\n[HKEY_CURRENT_USER\\Victim]\r\n\"target"));
  EXPECT_EQ(1u, q.count("|a\"=\"q"));
  EXPECT_EQ(std::string::npos, Snapshot().find("Victim"));
}

TEST_F(RepairTest, ALinkBelowARepairedKeyLeavesItsTargetAlone) {
  SetRaw(HKEY_CURRENT_USER, "T\\S", "s", REG_SZ, "target data\0"s);
  SetRaw(HKEY_CURRENT_USER, "P", "p", REG_SZ, "1\0"s);
  // The link's target is named natively: "\REGISTRY\USER\<sid>\...\T".
  HKEY target = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "T", 0, KEY_READ, &target));
  using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto ntQueryKey =
      reinterpret_cast<NtQueryKeyFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey"));
  std::vector<unsigned char> buffer(4096);
  ULONG length = 0;
  ASSERT_EQ(0, ntQueryKey(target, 3, buffer.data(), ULONG(buffer.size()), &length));
  RegCloseKey(target);
  ULONG bytes = 0;
  memcpy(&bytes, buffer.data(), sizeof(bytes));
  HKEY link = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "P\\L", 0, nullptr, REG_OPTION_CREATE_LINK,
                            KEY_ALL_ACCESS, nullptr, &link, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                          buffer.data() + sizeof(ULONG), bytes));
  RegCloseKey(link);
  results_.AddProblem(5, "HKCU\\P");
  MakeRepairer().RepairChecked();
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "T", "", after);
  EXPECT_EQ(1u, after.count("\\S|s"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "P"));
  // The sandbox's clean-up does not delete links; the link itself goes here.
  RegistrySession registry;
  registry.SetRoot(HKEY_CURRENT_USER);
  EXPECT_TRUE(registry.DeleteKeyTree("\\P\\L"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST_F(RepairTest, ALastLineCutOffByACrashIsNeitherListedNorRestored) {
  ReplaceTextFile(folder_.File("Undo20261209.reg"),
                  "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Cut]\r\n"
                  "\"Whole\"=\"complete\"\r\n\"Path\"=\"C:\\\\Prog");
  const std::vector<std::string> entries =
      ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr);
  EXPECT_EQ(std::vector<std::string>{"HKEY_CURRENT_USER\\Cut\\\\:\"Whole\""}, entries);
  RestoreAll();
  std::map<std::string, std::string> restored;
  Dump(HKEY_CURRENT_USER, "Cut", "", restored);
  EXPECT_EQ(1u, restored.count("|Whole"));
  EXPECT_EQ(0u, restored.count("|Path"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// Text no code page holds (a lone surrogate) reads through the ANSI calls
// with a stand-in: the single-byte form of earlier versions could only bring
// it back changed, so there it stays in place. The snapshot's own form
// carries the stored bytes: it goes, and comes back exactly.
TEST_F(RepairTest, TextNoCodePageHoldsStaysForTheOldFormAndTravelsInTheNewOne) {
  const std::string text = StoredText(L"C:\\\xD800\x03B8\x03AE\x03BD\x03B1\\app.exe");
  for (const ExportDialect& dialect : {kRegedit4Dialect, kSnapshotDialect}) {
    SetStored(HKEY_CURRENT_USER, L"Greek", L"Path", REG_SZ, text);
    SetRaw(HKEY_CURRENT_USER, "Greek", "Plain", REG_SZ, "C:\\plain.exe\0"s);
    std::map<std::wstring, std::string> before;
    DumpStored(HKEY_CURRENT_USER, L"Greek", L"", before);
    results_.ResetResults();
    results_.AddProblem(15, "HKCU\\Greek\\\\:Path");
    results_.AddProblem(15, "HKCU\\Greek\\\\:Plain");
    MakeRepairer(dialect).RepairChecked();
    std::map<std::wstring, std::string> after;
    DumpStored(HKEY_CURRENT_USER, L"Greek", L"", after);
    EXPECT_EQ(0u, after.count(L"|Plain"));
    if (dialect.utf16) {
      EXPECT_EQ(0u, after.count(L"|Path"));
      RestoreAll();
      after.clear();
      DumpStored(HKEY_CURRENT_USER, L"Greek", L"", after);
      EXPECT_EQ(before, after);
    } else {
      EXPECT_EQ(1u, after.count(L"|Path"));
    }
    DeleteFileA(folder_.File("Undo20261209.reg").c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Greek");
  }
}

// A snapshot an earlier version wrote in the system's code page (here 1252)
// is listed with its true names and restored as it always was; so are lines
// a person saved in UTF-8, and a batch file of either.
TEST_F(RepairTest, AnEarlierVersionsSingleByteSnapshotIsListedAndRestoredAsBefore) {
  folder_.WriteFile("Undo20261209.reg",
                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Caf\xE9]\r\n\"Na\xEFve\"=\"\xE9t\xE9\"\r\n"
                    "\"exp\"=hex(2):25,54,45,4D,50,25,5C,E9,00\r\n"
                    "\"dw\"=dword:0000002a\r\n"
                    "[HKEY_CURRENT_USER\\\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87]\r\n\r\n");
  folder_.WriteFile("Undo20261209.bat", "rd \"C:\\Caf\xE9\"\r\n");
  EXPECT_EQ(
      (std::vector<std::string>{
          "\"C:\\Caf\xC3\xA9\"", "HKEY_CURRENT_USER\\Caf\xC3\xA9\\\\:\"Na\xC3\xAFve\"",
          "HKEY_CURRENT_USER\\Caf\xC3\xA9\\\\:\"exp\"", "HKEY_CURRENT_USER\\Caf\xC3\xA9\\\\:\"dw\"",
          "HKEY_CURRENT_USER\\\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87"}),
      ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr));
  RestoreAll();
  std::map<std::wstring, std::string> after;
  DumpStored(HKEY_CURRENT_USER, L"Caf\x00E9", L"", after);
  DumpStored(HKEY_CURRENT_USER, L"\x043A\x043B\x044E\x0447", L"K", after);
  const std::map<std::wstring, std::string> expected = {
      {L"|<key>", ""},
      {L"|Na\x00EFve", "1:" + StoredText(L"\x00E9t\x00E9")},
      {L"|exp", "2:" + StoredText(L"%TEMP%\\\x00E9")},
      {L"|dw", "4:\x2A\0\0\0"s},
      {L"K|<key>", ""}};
  EXPECT_EQ(expected, after);
}

// Keys, values and data in Hebrew, Chinese, Cyrillic, accented Latin and an
// emoji beyond the basic plane: repaired, listed with their true names, and
// put back byte for byte.
TEST_F(RepairTest, NamesAndDataInEveryScriptGoAndComeBackByteForByte) {
  const std::vector<std::wstring> scripts = {L"\x05D3\x05E7\x05E1\x05D8\x05E8", L"\x6587\x4EF6",
                                             L"\x0444\x0430\x0439\x043B", L"Caf\x00E9",
                                             L"\xD83D\xDCC1"};
  for (const std::wstring& script : scripts) {
    const std::wstring key = L"Apps\\gone-" + script + L".exe";
    SetStored(HKEY_CURRENT_USER, key, L"", REG_SZ, StoredText(L"C:\\" + script + L"\\app.exe"));
    SetStored(HKEY_CURRENT_USER, key, script, REG_EXPAND_SZ, StoredText(L"%TEMP%\\" + script));
    SetStored(HKEY_CURRENT_USER, key + L"\\" + script, script, REG_MULTI_SZ,
              StoredText(script) + StoredText(L"x"));
    SetStored(HKEY_CURRENT_USER, L"Values", script, REG_SZ, StoredText(script + L" \"q\""));
  }
  std::map<std::wstring, std::string> before;
  DumpStored(HKEY_CURRENT_USER, L"Apps", L"", before);
  DumpStored(HKEY_CURRENT_USER, L"Values", L"V", before);
  results_.AddProblem(18, "HKCU\\Apps");
  const std::string hebrew = "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8";
  const std::string emoji = "\xF0\x9F\x93\x81";
  for (const std::string& name : {hebrew, emoji, "\xE6\x96\x87\xE4\xBB\xB6"s})
    results_.AddProblem(15, "HKCU\\Values\\\\:" + name + " = " + name + " \"q\"");
  EXPECT_EQ(4, MakeRepairer().RepairChecked());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Apps"));
  const std::string text = Snapshot();
  EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Apps\\gone-" + hebrew + ".exe]\r\n"));
  EXPECT_NE(std::string::npos, text.find("\"" + emoji + "\"=\"" + emoji + " \\\"q\\\"\""));
  const std::vector<std::string> entries =
      ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr);
  EXPECT_NE(entries.end(), std::find(entries.begin(), entries.end(),
                                     "HKEY_CURRENT_USER\\Values\\\\:\"" + hebrew + "\""));
  RestoreAll();
  std::map<std::wstring, std::string> after;
  DumpStored(HKEY_CURRENT_USER, L"Apps", L"", after);
  DumpStored(HKEY_CURRENT_USER, L"Values", L"V", after);
  EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// The real snapshot file behind a recorder: each call is logged with the
// registry as it stood at that moment, and chosen flushes fail.
class RecordingSnapshot : public SnapshotSink {
 public:
  RecordingSnapshot(const std::string& path, std::function<std::string()> registryState)
      : writer_(path, kSnapshotDialect), registryState_(std::move(registryState)) {}

  bool Append(std::string_view block) override {
    const size_t quote = block.find("\"");
    const std::string name(block.substr(quote + 1, block.find('"', quote + 1) - quote - 1));
    events.push_back("append " + name + " | " + registryState_());
    return writer_.Append(block);
  }
  bool Flush() override {
    events.push_back("flush | " + registryState_());
    if (onFlush) onFlush();
    if (failingFlushes.count(flushes++)) return false;
    return writer_.Flush();
  }

  std::vector<std::string> events;
  std::set<int> failingFlushes;
  std::function<void()> onFlush;

 private:
  SnapshotWriter writer_;
  std::function<std::string()> registryState_;
  int flushes = 0;
};

class WriteAheadTest : public RepairTest {
 protected:
  Repairer MakeRecordedRepairer(int itemsPerFlush = 256) {
    RepairInputs inputs = Inputs();
    inputs.itemsPerFlush = itemsPerFlush;
    return Repairer(inputs, {results_, suppression_, dialogs_, restorePoint_, progress_, report_,
                             ticks_, &snapshot_});
  }
  // Which of the values a, b, c of HKCU\O are still there.
  static std::string ValuesLeft() {
    std::map<std::string, std::string> values;
    Dump(HKEY_CURRENT_USER, "O", "", values);
    std::string left;
    for (const char* name : {"a", "b", "c"})
      if (values.count(std::string("|") + name)) left += name;
    return left;
  }
  // The values a, b, c of HKCU\O, each a checked problem unless told.
  void SeedThreeValues(bool asProblems = true) {
    for (const char* name : {"a", "b", "c"}) {
      SetRaw(HKEY_CURRENT_USER, "O", name, REG_SZ, std::string(name) + '\0');
      if (asProblems) results_.AddProblem(15, std::string("HKCU\\O\\\\:") + name);
    }
  }

  RecordingSnapshot snapshot_{folder_.File("Undo20261209.reg"), &ValuesLeft};
};

TEST_F(WriteAheadTest, EachExportIsAppendedThenFlushedThenDeleted) {
  SeedThreeValues();
  EXPECT_EQ(3, MakeRecordedRepairer(1).RepairChecked());
  const std::vector<std::string> expected = {"append a | abc", "flush | abc",  "append b | bc",
                                             "flush | bc",     "append c | c", "flush | c"};
  EXPECT_EQ(expected, snapshot_.events);
  EXPECT_EQ("", ValuesLeft());
}

TEST_F(WriteAheadTest, ABatchIsFlushedOnceBeforeAnyOfItsItemsIsDeleted) {
  SeedThreeValues();
  EXPECT_EQ(3, MakeRecordedRepairer(2).RepairChecked());
  const std::vector<std::string> expected = {"append a | abc", "append b | abc", "flush | abc",
                                             "append c | c", "flush | c"};
  EXPECT_EQ(expected, snapshot_.events);
  EXPECT_EQ("", ValuesLeft());
  // The file holds each export once, in the order of the items.
  const std::string text = test::SnapshotFileText(folder_.File("Undo20261209.reg"));
  EXPECT_LT(text.find("\"a\"="), text.find("\"b\"="));
  EXPECT_LT(text.find("\"b\"="), text.find("\"c\"="));
  EXPECT_EQ(text.rfind("\"a\"="), text.find("\"a\"="));
}

TEST_F(WriteAheadTest, AFailedFlushLeavesItsItemInPlaceAsASnapshotFailure) {
  SeedThreeValues();
  snapshot_.failingFlushes = {1};
  const RepairSummary summary = MakeRecordedRepairer(1).RunRepair();
  EXPECT_EQ(2, summary.repaired);
  EXPECT_EQ(1, summary.snapshotFailures);
  EXPECT_EQ(1, summary.notRemoved);
  EXPECT_EQ("b", ValuesLeft());
}

// One repairer serves every repair of a session: a failure of an earlier one
// is not told again by the next.
TEST_F(WriteAheadTest, EachRepairReportsOnlyItsOwnSnapshotFailures) {
  SeedThreeValues();
  snapshot_.failingFlushes = {1};
  Repairer repairer = MakeRecordedRepairer(1);
  EXPECT_EQ(1, repairer.RunRepair().snapshotFailures);
  ASSERT_EQ(1u, dialogs_.asked.size());
  results_.AddProblem(15, "HKCU\\O\\\\:b");
  const RepairSummary second = repairer.RunRepair();
  EXPECT_EQ(1, second.repaired);
  EXPECT_EQ(0, second.snapshotFailures);
  EXPECT_EQ(1u, dialogs_.asked.size()) << "no warning for the earlier failure";
  EXPECT_EQ("", ValuesLeft());
}

TEST_F(WriteAheadTest, AFailedFlushLeavesItsWholeBatchInPlace) {
  SeedThreeValues();
  snapshot_.failingFlushes = {0};
  const RepairSummary summary = MakeRecordedRepairer(2).RunRepair();
  EXPECT_EQ(1, summary.repaired);
  EXPECT_EQ(2, summary.snapshotFailures);
  EXPECT_EQ(2, summary.notRemoved);
  EXPECT_EQ("ab", ValuesLeft());
}

// An item inside a key that waits in the batch is looked at only after that
// key is gone, as when items are repaired one by one: it is then simply not
// there, rather than exported twice and reported as a failed deletion.
TEST_F(WriteAheadTest, AValueOfAKeyWaitingInTheBatchWaitsForTheKeysDeletion) {
  SeedThreeValues(false);
  results_.AddProblem(3, "HKCU\\O");
  results_.AddProblem(15, "HKCU\\O\\\\:b");
  Repairer repairer = MakeRecordedRepairer();
  EXPECT_EQ(1, repairer.RepairChecked());
  const std::vector<std::string> expected = {"append a | abc", "flush | abc"};
  EXPECT_EQ(expected, snapshot_.events);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "O"));
  // The value is told as not removed because its key is gone, not as a failed deletion.
  ASSERT_EQ(1u, repairer.Failures().size());
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, repairer.Failures()[0].status);
  EXPECT_EQ("its key is gone", repairer.Failures()[0].reason);
}

// The other way round: the value goes first, so the key's export no longer
// holds it and the key can go whole.
TEST_F(WriteAheadTest, AKeyHoldingAValueWaitingInTheBatchWaitsForTheValuesDeletion) {
  SeedThreeValues(false);
  results_.AddProblem(15, "HKCU\\O\\\\:b");
  results_.AddProblem(15, "HKCU\\O");
  Repairer repairer = MakeRecordedRepairer();
  EXPECT_EQ(2, repairer.RepairChecked());
  const std::vector<std::string> expected = {"append b | abc", "flush | abc", "append a | ac",
                                             "flush | ac"};
  EXPECT_EQ(expected, snapshot_.events);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "O"));
  EXPECT_TRUE(repairer.Failures().empty());
}

TEST_F(WriteAheadTest, ItemsInKeysApartShareOneBatch) {
  SeedThreeValues();
  SetRaw(HKEY_CURRENT_USER, "Ob", "z", REG_SZ, "z\0"s);
  results_.AddProblem(15, "HKCU\\Ob");
  Repairer repairer = MakeRecordedRepairer();
  EXPECT_EQ(4, repairer.RepairChecked());
  const std::vector<std::string> expected = {"append a | abc", "append b | abc", "append c | abc",
                                             "append z | abc", "flush | abc"};
  EXPECT_EQ(expected, snapshot_.events);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Ob"));
}

// Set after the export is on the disk: the key then cannot be opened to see
// whether anything was added to it since, but could still be deleted.
TEST_F(WriteAheadTest, AKeyWhoseEmptinessCannotBeCheckedIsNotDeleted) {
  SetRaw(HKEY_CURRENT_USER, "E", "v", REG_SZ, "1\0"s);
  results_.AddProblem(3, "HKCU\\E");
  const auto setAccess = [](const char* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "E", 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    RegCloseKey(key);
  };
  // Everyone may delete the key and change its access list, nothing else.
  snapshot_.onFlush = [&] { setAccess("D:P(A;;0x50000;;;WD)"); };
  Repairer repairer = MakeRecordedRepairer();
  repairer.RepairChecked();
  const bool readable = KeyExists(HKEY_CURRENT_USER, "E");
  setAccess("D:P(A;;KA;;;WD)");
  if (readable) GTEST_SKIP() << "this platform does not enforce key security";
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "E"));
  ASSERT_EQ(1u, repairer.Failures().size());
  EXPECT_EQ("HKEY_CURRENT_USER\\E", repairer.Failures()[0].entry);
  EXPECT_EQ(ERROR_ACCESS_DENIED, repairer.Failures()[0].status);
}

TEST_F(RepairTest, AFolderThatCannotBeCreatedIsNotCountedAsRepaired) {
  const std::string nowhere = std::string(1, test::kNoRootDrive) + ":\\Docs";
  results_.AddProblem(1, "HKCU\\Shell Folders\\\\:Personal = " + nowhere);
  Repairer repairer = MakeRepairer();
  EXPECT_EQ(0, repairer.RepairChecked());
  EXPECT_FALSE(FileExists(folder_.File("Undo20261209.bat")));
  ASSERT_EQ(1u, repairer.Failures().size());
  EXPECT_EQ(nowhere, repairer.Failures()[0].entry);
  EXPECT_NE(0, repairer.Failures()[0].status);
}

TEST_F(RepairTest, AFolderThatAppearedMeanwhileIsRepairedButNotRemovedByItsUndo) {
  const std::string docs = folder_.File("There");
  CreateDirectoryA(docs.c_str(), nullptr);
  results_.AddProblem(1, "HKCU\\Shell Folders\\\\:Personal = " + docs);
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  EXPECT_FALSE(FileExists(folder_.File("Undo20261209.bat")));
}

TEST_F(RepairTest, TextWithANulBeforeItsEndLeavesNoNulByteInTheSnapshotAndComesBack) {
  SetRaw(HKEY_CURRENT_USER, "Z", "nul", REG_SZ, "before\0after\0"s);
  SetRaw(HKEY_CURRENT_USER, "Z", "plain", REG_SZ, "plain\0"s);
  std::map<std::string, std::string> before;
  Dump(HKEY_CURRENT_USER, "Z", "", before);
  results_.AddProblem(3, "HKCU\\Z");
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  const std::string snapshot = Snapshot();
  EXPECT_EQ(std::string::npos, snapshot.find('\0'));
  EXPECT_NE(std::string::npos, snapshot.find("\"nul\"=hex(1):"));
  RestoreAll();
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "Z", "", after);
  EXPECT_EQ(before, after);
}

TEST_F(RepairTest, OneRestorerPutsBackEveryEntryOfItsSnapshot) {
  for (int i = 0; i < 50; ++i)
    SetRaw(HKEY_CURRENT_USER, "Many", "v" + std::to_string(i), REG_DWORD,
           std::string(1, char(i)) + "\0\0\0"s);
  std::map<std::string, std::string> before;
  Dump(HKEY_CURRENT_USER, "Many", "", before);
  results_.AddProblem(3, "HKCU\\Many");
  MakeRepairer().RepairChecked();
  const SnapshotRestorer restorer(folder_.Path(), "Undo20261209.reg");
  for (const std::string& entry : ListSnapshotContents(folder_.Path(), "Undo20261209.reg", nullptr))
    EXPECT_TRUE(restorer.Restore(entry)) << entry;
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "Many", "", after);
  EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// Records the restore-point steps in the order the repair takes them.
class RecordingRestorePoint : public RestorePointMaker {
 public:
  void MakeRestorePoint() override { steps.push_back("begin"); }
  void EndRestorePoint() override { steps.push_back("end"); }
  std::vector<std::string> steps;
};

TEST_F(RepairTest, ARestorePointBegunBeforeTheRepairIsEndedAfterIt) {
  SetRaw(HKEY_CLASSES_ROOT, "X", "Name", REG_SZ, "data\0"s);
  results_.AddProblem(2, "HKCR\\X\\\\:Name = data");
  RecordingRestorePoint restorePoint;
  RepairInputs inputs = Inputs();
  inputs.makeRestorePoint = true;
  Repairer repairer(inputs,
                    {results_, suppression_, dialogs_, restorePoint, progress_, report_, ticks_});
  EXPECT_EQ(1, repairer.RunRepair().repaired);
  EXPECT_EQ((std::vector<std::string>{"begin", "end"}), restorePoint.steps);
  // Without the setting no restore point is begun, so none is ended.
  inputs.makeRestorePoint = false;
  RecordingRestorePoint none;
  Repairer plain(inputs, {results_, suppression_, dialogs_, none, progress_, report_, ticks_});
  plain.RunRepair();
  EXPECT_TRUE(none.steps.empty());
}

// Fails at the first step forward, as a repair that meets an error halfway.
class FailingProgress : public RepairProgress {
 public:
  int Start(int) override {
    shown = true;
    return 0;
  }
  void Advance() override { throw std::runtime_error("disk full"); }
  void Finish() override { shown = false; }
  bool shown = false;
};

class RecordingReport : public RepairReport {
 public:
  void Fill(const RepairSummary& summary) override { filled.push_back(summary); }
  std::vector<RepairSummary> filled;
};

TEST_F(RepairTest, ARepairThatFailsHalfwayStillEndsReportsAndClearsBeforeTheErrorIsTold) {
  SetRaw(HKEY_CLASSES_ROOT, "X", "One", REG_SZ, "1\0"s);
  SetRaw(HKEY_CLASSES_ROOT, "X", "Two", REG_SZ, "2\0"s);
  results_.AddProblem(2, "HKCR\\X\\\\:One = 1");
  results_.AddProblem(2, "HKCR\\X\\\\:Two = 2");
  RecordingRestorePoint restorePoint;
  FailingProgress progress;
  RecordingReport report;
  RepairInputs inputs = Inputs();
  inputs.makeRestorePoint = true;
  Repairer repairer(inputs,
                    {results_, suppression_, dialogs_, restorePoint, progress, report, ticks_});
  EXPECT_THROW(repairer.RunRepair(), std::runtime_error);
  EXPECT_FALSE(progress.shown) << "the progress window is not left open";
  EXPECT_EQ((std::vector<std::string>{"begin", "end"}), restorePoint.steps);
  ASSERT_EQ(1u, report.filled.size());
  EXPECT_EQ(2, report.filled[0].found);
  EXPECT_EQ(1, report.filled[0].repaired);
  EXPECT_EQ(1, report.filled[0].notRemoved);
  EXPECT_EQ(0, results_.TotalCount());
  // The item repaired before the error has its undo on disk.
  EXPECT_NE(std::string::npos, Snapshot().find("\"One\"=\"1\""));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "X"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

using NtCreateKeyFn = LONG(WINAPI*)(HANDLE*, ACCESS_MASK, void*, ULONG, void*, ULONG, ULONG*);
using NtSetValueKeyFn = LONG(WINAPI*)(HANDLE, void*, ULONG, ULONG, const void*, ULONG);

struct CountedName {
  USHORT length;
  USHORT maximumLength;
  const wchar_t* buffer;
};

struct ObjectAttributes {
  ULONG length;
  HANDLE rootDirectory;
  CountedName* objectName;
  ULONG attributes;
  void* securityDescriptor;
  void* securityQualityOfService;
};

// Names the Win32 calls cannot make: the native ones take counted names, so a
// NUL may sit inside. Relative to a key opened through the sandbox's roots.
void CreateNativeSubKey(HKEY parent, const std::wstring& name) {
  auto create =
      reinterpret_cast<NtCreateKeyFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateKey"));
  CountedName counted{USHORT(name.size() * 2), USHORT(name.size() * 2), name.data()};
  ObjectAttributes attributes{sizeof(ObjectAttributes), parent, &counted, 0x40, nullptr, nullptr};
  HANDLE key = nullptr;
  ASSERT_EQ(0, create(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr));
  CloseHandle(key);
}

void SetNativeValue(HKEY key, const std::wstring& name, const std::wstring& text) {
  auto set = reinterpret_cast<NtSetValueKeyFn>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey"));
  CountedName counted{USHORT(name.size() * 2), USHORT(name.size() * 2), name.data()};
  ASSERT_EQ(0, set(key, &counted, 0, REG_SZ, text.c_str(), ULONG((text.size() + 1) * 2)));
}

HKEY CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  return key;
}

bool LeftInPlace(const Repairer& repairer, const std::string& entry) {
  for (const RemovalFailure& failure : repairer.Failures())
    if (failure.entry == entry && !failure.reason.empty()) return true;
  return false;
}

// A sub-key whose name the snapshot cannot carry back keeps itself and its
// parent; the repair names the parent as left in place and counts it so.
// The injected name would otherwise restore a value into another key.
TEST_F(RepairTest, KeyNamesTheSnapshotCannotCarryStayWithTheirParents) {
  const std::string injected =
      "x\n[HKEY_CURRENT_USER\\Environment]\n\"InjectedVar\"=\"pwned\"\n[HKEY_CURRENT_"
      "USER\\SoftwareZ";
  const std::vector<std::string> names = {"Bad\nName]", "Bad\rName", injected};
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string parent = "P" + std::to_string(i);
    SetRaw(HKEY_CURRENT_USER, parent, "own", REG_SZ, "o\0"s);
    SetRaw(HKEY_CURRENT_USER, parent + "\\" + names[i], "inner", REG_SZ, "i\0"s);
    results_.AddProblem(3, "HKCU\\" + parent);
  }
  SetRaw(HKEY_CURRENT_USER, "Environment", "Path", REG_SZ, "C:\\\0"s);
  // A NUL inside a key name: the Win32 calls see a name cut short.
  HKEY nulParent = CreateKey(HKEY_CURRENT_USER, "PNul");
  CreateNativeSubKey(nulParent, std::wstring(L"a\0b", 3));
  RegCloseKey(nulParent);
  results_.AddProblem(3, "HKCU\\PNul");
  std::map<std::string, std::string> before;
  Dump(HKEY_CURRENT_USER, "", "", before);

  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(0, summary.repaired);
  EXPECT_EQ(4, summary.notRemoved);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string parent = "P" + std::to_string(i);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, parent + "\\" + names[i])) << i;
    EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\" + parent)) << i;
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "PNul"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\PNul"));
  // The cannot-remove file holds one line per entry: no name breaks it up.
  const std::string cant = ReadTextFile(suppression_.CantRemovePath());
  EXPECT_EQ(std::string::npos, cant.find("\n[HKEY_CURRENT_USER\\Environment]"));
  EXPECT_EQ(std::string::npos, Snapshot().find("InjectedVar"));
  RestoreAll();
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "", "", after);
  EXPECT_EQ(before, after);
}

// "[" and "]" are plain characters of a key line and of a quoted value name:
// such keys and values go, and come back exactly.
TEST_F(RepairTest, BracketsInKeyAndValueNamesGoAndComeBackExactly) {
  SetRaw(HKEY_CURRENT_USER, "B\\x]y[z]", "v]1[", REG_SZ, "a\0"s);
  SetRaw(HKEY_CURRENT_USER, "B\\[lead", "]", REG_SZ, "b\0"s);
  SetRaw(HKEY_CURRENT_USER, "B", "[HKEY_CURRENT_USER\\Other]", REG_SZ, "c\0"s);
  std::map<std::string, std::string> before;
  Dump(HKEY_CURRENT_USER, "B", "", before);
  results_.AddProblem(3, "HKCU\\B");
  Repairer repairer = MakeRepairer();
  EXPECT_EQ(1, repairer.RunRepair().repaired);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "B"));
  RestoreAll();
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "B", "", after);
  EXPECT_EQ(before, after);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Other"));
}

// Value names with a line break, a NUL or a quote stay, and so does their
// key; each is named in the report without its line break or NUL.
TEST_F(RepairTest, ValueNamesTheSnapshotCannotCarryStayWithTheirKey) {
  HKEY key = CreateKey(HKEY_CURRENT_USER, "V");
  SetNativeValue(key, std::wstring(L"nul\0inside", 10), L"n");
  RegCloseKey(key);
  SetRaw(HKEY_CURRENT_USER, "V", "lf\nname", REG_SZ, "l\0"s);
  SetRaw(HKEY_CURRENT_USER, "V", "cr\rname", REG_SZ, "c\0"s);
  SetRaw(HKEY_CURRENT_USER, "W", "cr\rname", REG_SZ, "c\0"s);
  std::map<std::string, std::string> before;
  Dump(HKEY_CURRENT_USER, "V", "", before);
  results_.AddProblem(3, "HKCU\\V");
  ProblemTarget value{"HKCU\\W", "cr\rname", false};
  results_.AddProblem(15, value, "HKCU\\W\\\\:cr\rname");
  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(0, summary.repaired);
  EXPECT_EQ(2, summary.notRemoved);
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\V"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\W\\\\:cr\\rname"));
  for (const RemovalFailure& failure : repairer.Failures())
    EXPECT_EQ(std::string::npos, failure.entry.find_first_of("\r\n"s + '\0')) << failure.entry;
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, "V", "", after);
  EXPECT_EQ(before, after);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "W"));
}

// The store keeps the value's name beside its line: a name holding " = " is
// never cut at it, so the value beside it of the shorter name stays.
TEST_F(RepairTest, AValueNameHoldingTheDataSeparatorIsRepairedByItsOwnName) {
  const std::string key =
      "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\"
      "MuiCache";
  SetRaw(HKEY_CURRENT_USER, key, "LangID", REG_BINARY, "\x09\x04"s);
  SetRaw(HKEY_CURRENT_USER, key, "LangID = C:\\gone\\x.exe", REG_SZ, "C:\\gone\\x.exe\0"s);
  const std::string keyText = "HKCU\\" + key;
  results_.AddProblem(22, {keyText, "LangID = C:\\gone\\x.exe", false},
                      keyText + "\\\\:LangID = C:\\gone\\x.exe = C:\\gone\\x.exe");
  EXPECT_EQ(keyText + "\\\\:LangID = C:\\gone\\x.exe = C:\\gone\\x.exe",
            results_.Section(22)[0].line);
  EXPECT_EQ(1, MakeRepairer().RepairChecked());
  std::map<std::string, std::string> after;
  Dump(HKEY_CURRENT_USER, key, "", after);
  EXPECT_EQ(1u, after.count("|LangID"));
  EXPECT_EQ(0u, after.count("|LangID = C:\\gone\\x.exe"));
}

// The ignore file names keys with short root names, the repair with long
// ones; an ignored key or value inside a repaired key stays all the same.
TEST_F(RepairTest, IgnoredItemsInsideARepairedKeyStayWhateverTheRootSpelling) {
  SetRaw(HKEY_CURRENT_USER, "Software\\T\\P", "own", REG_SZ, "o\0"s);
  SetRaw(HKEY_CURRENT_USER, "Software\\T\\P\\Child", "c", REG_SZ, "c\0"s);
  SetRaw(HKEY_CURRENT_USER, "Software\\T\\Q\\Sub", "kept", REG_SZ, "k\0"s);
  suppression_.AddToIgnoreFile("HKCU\\Software\\T\\P\\Child");
  suppression_.AddToIgnoreFile("hkcu\\software\\t\\q\\sub\\\\:kept = k");
  suppression_.Reload();
  results_.AddProblem(3, "HKCU\\Software\\T\\P");
  results_.AddProblem(3, "HKCU\\Software\\T\\Q");
  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\T\\P\\Child"));
  std::map<std::string, std::string> q;
  Dump(HKEY_CURRENT_USER, "Software\\T\\Q", "", q);
  EXPECT_EQ(1u, q.count("\\Sub|kept"));
  EXPECT_EQ(0, summary.repaired);
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\Software\\T\\P"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\Software\\T\\Q"));
}

// A key that stays, because something below it could not be opened, is no
// repair, even when some of its values went before the stop.
TEST_F(RepairTest, AKeyLeftInPlaceIsNotRemovedWithItsReasonEverywhere) {
  SetRaw(HKEY_CURRENT_USER, "L", "a", REG_SZ, "1\0"s);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"L\\\xD800mega", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  SetRaw(HKEY_CURRENT_USER, "Gone", "g", REG_SZ, "1\0"s);
  results_.AddProblem(3, "HKCU\\L");
  results_.AddProblem(3, "HKCU\\Gone");
  results_.AddProblem(3, "HKCU\\NeverThere");
  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(1, summary.repaired);
  EXPECT_EQ(2, summary.notRemoved);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "L"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\L"));
  ASSERT_TRUE(LeftInPlace(repairer, "HKEY_CURRENT_USER\\NeverThere"));
  const std::string cant = ReadTextFile(suppression_.CantRemovePath());
  EXPECT_NE(std::string::npos, cant.find("\r\nHKEY_CURRENT_USER\\L\r\n"));
  EXPECT_NE(std::string::npos, cant.find("\r\nHKEY_CURRENT_USER\\NeverThere\r\n"));
}

// An entry whose key or value name holds a NUL would reach every registry
// call as the text before the NUL: another, shorter item.
TEST_F(RepairTest, AnEntryWithANulInItsNamesIsRefused) {
  SetRaw(HKEY_CURRENT_USER, "Short", "v", REG_SZ, "1\0"s);
  SetRaw(HKEY_CURRENT_USER, "K", "v", REG_SZ, "1\0"s);
  results_.AddProblem(3, "HKCU\\Short\0tail"s);
  results_.AddProblem(15, {"HKCU\\K", "v\0x"s, false}, "HKCU\\K\\\\:v\0x"s);
  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(0, summary.repaired);
  EXPECT_EQ(2, summary.notRemoved);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Short"));
  std::map<std::string, std::string> k;
  Dump(HKEY_CURRENT_USER, "K", "", k);
  EXPECT_EQ(1u, k.count("|v"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKCU\\Short\\0tail"));
}

// Whole system keys stay, however the line spells them; their values can
// still be repaired one by one.
TEST_F(RepairTest, SystemKeysAreNeverRemovedWholeButTheirValuesAre) {
  const std::vector<std::pair<HKEY, std::string>> keys = {
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet"},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002\\Services"},
      {HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID"},
      {HKEY_CURRENT_USER, "Software"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion"},
      {HKEY_USERS, "S-1-5-21-1\\Software\\Policies"}};
  const std::vector<std::string> lines = {"HKLM\\SYSTEM\\CurrentControlSet",
                                          "HKEY_LOCAL_MACHINE\\system\\controlset002\\Services\\",
                                          "HKLM\\Software\\Classes\\CLSID",
                                          "HKCU\\Software",
                                          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion",
                                          "HKU\\S-1-5-21-1\\Software\\Policies"};
  for (const auto& [root, path] : keys) {
    SetRaw(root, path, "keep", REG_SZ, "k\0"s);
    SetRaw(root, path, "stale", REG_SZ, "s\0"s);
  }
  for (const std::string& line : lines) results_.AddProblem(3, line);
  results_.AddProblem(15, "HKLM\\SYSTEM\\CurrentControlSet\\\\:stale");
  Repairer repairer = MakeRepairer();
  const RepairSummary summary = repairer.RunRepair();
  EXPECT_EQ(1, summary.repaired);
  EXPECT_EQ(int(lines.size()), summary.notRemoved);
  for (const auto& [root, path] : keys) {
    std::map<std::string, std::string> left;
    Dump(root, path, "", left);
    EXPECT_EQ(1u, left.count("|keep")) << path;
  }
  std::map<std::string, std::string> controlSet;
  Dump(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet", "", controlSet);
  EXPECT_EQ(0u, controlSet.count("|stale"));
  EXPECT_TRUE(LeftInPlace(repairer, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet"));
}

}  // namespace
}  // namespace hvm
