// hvmend-cli repair and undo as a user runs them: a separate process working
// on the prefix's real registry, below a key of this test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <thread>

#include <nlohmann/json.hpp>

#include "engine/backup/restore_point.h"
#include "engine/core/environment.h"
#include "support/folder_lock_holder.h"
#include "support/process.h"
#include "support/recording_dialogs.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using namespace std::literals;
using test::RunProgram;

void SetRaw(const std::string& path, const std::string& name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           DWORD(data.size())));
  RegCloseKey(key);
}

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// Every key and value below `path`: "sub|name" -> "type:bytes".
void Dump(const std::string& path, const std::string& prefix,
          std::map<std::string, std::string>& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out[prefix + "|<key>"] = "";
  std::vector<std::string> subKeys;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof(name), type = 0, size = 0;
    if (RegEnumValueA(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    out[prefix + "|" + name] = std::to_string(type) + ":" + data.substr(0, size);
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subKeys.emplace_back(name);
  }
  RegCloseKey(key);
  for (const std::string& sub : subKeys) Dump(path + "\\" + sub, prefix + "\\" + sub, out);
}

class RepairUndoE2eTest : public ::testing::Test {
 protected:
  RepairUndoE2eTest()
      : base_("Software\\HivemendE2E\\" + std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  ~RepairUndoE2eTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str()); }

  std::string Long(const std::string& sub) const { return "HKEY_CURRENT_USER\\" + base_ + sub; }

  void SeedEveryKind(const std::string& path) {
    std::string big(100 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 13 + (i >> 8));
    SetRaw(path, "", REG_SZ, "\0"s);
    SetRaw(path, "text", REG_SZ, "say \"hi\" C:\\dir\\ \r\nnext \xE9\xFC\0"s);
    SetRaw(path, "expand", REG_EXPAND_SZ, "%TEMP%\\x\0"s);
    SetRaw(path, "multi", REG_MULTI_SZ, "one\0two\0three\0\0"s);
    SetRaw(path, "bin", REG_BINARY, "\x00\x80\xFF"s);
    SetRaw(path, "big", REG_BINARY, big);
    SetRaw(path, "dword", REG_DWORD, "\x01\x02\x03\x84"s);
    SetRaw(path, "qword", REG_QWORD, "\1\2\3\4\5\6\7\x88"s);
    SetRaw(path, "none", REG_NONE, "\x05"s);
    SetRaw(path + "\\Sub", "x", REG_SZ, "y\0"s);
    SetRaw(path + "\\Sub\\Deeper", "", REG_BINARY, ""s);
    HKEY empty = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\Empty").c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr));
    RegCloseKey(empty);
  }

  std::string RegExport(const std::string& name) {
    const std::string file = folder_.File(name);
    const test::ProcessResult result =
        test::RunSystemProgram("reg.exe", {"export", "HKCU\\" + base_, file, "/y"});
    EXPECT_EQ(0u, result.exitCode) << result.err;
    return test::ReadWholeFile(file);
  }

  std::string ProblemsFile(const std::string& lines) {
    return folder_.WriteFile("problems.txt", lines);
  }

  void AddDataDir(std::vector<std::string>& args) const {
    args.push_back("--data-dir");
    args.push_back(folder_.File("data"));
  }

  std::string base_;
  test::TestFolder folder_;
};

TEST_F(RepairUndoE2eTest, RepairThenRestoreLeavesRegistryByteIdentical) {
  SeedEveryKind(base_ + "\\Tree");
  SetRaw(base_ + "\\Vals", "gone", REG_MULTI_SZ, "a\0b\0c\0\0"s);
  SetRaw(base_ + "\\Vals", "stays", REG_SZ, "s\0"s);
  const std::string before = RegExport("before.reg");
  ASSERT_GT(before.size(), 100u * 1024);

  const std::string problems =
      ProblemsFile("3\t" + Long("\\Tree") + "\n2\tHKCU\\" + base_ + "\\Vals\\\\:gone = a\n");
  std::vector<std::string> args = {"repair", "--quiet",    "--sections",
                                   "none",   "--problems", problems};
  AddDataDir(args);
  const test::ProcessResult repaired = RunProgram("hvmend-cli.exe", args);
  ASSERT_EQ(0u, repaired.exitCode) << repaired.out << repaired.err;
  EXPECT_NE(std::string::npos, repaired.out.find("Repaired: 2\n"));
  EXPECT_FALSE(KeyExists(base_ + "\\Tree"));
  std::map<std::string, std::string> vals;
  Dump(base_ + "\\Vals", "", vals);
  EXPECT_EQ(0u, vals.count("|gone"));
  EXPECT_EQ(1u, vals.count("|stays"));

  std::vector<std::string> list = {"undo", "list", "--json"};
  AddDataDir(list);
  const test::ProcessResult listed = RunProgram("hvmend-cli.exe", list);
  ASSERT_EQ(0u, listed.exitCode) << listed.err;
  const nlohmann::json json = nlohmann::json::parse(listed.out);
  ASSERT_EQ(1u, json["snapshots"].size());
  const std::string snapshot = json["snapshots"][0]["name"];
  const auto& entries = json["snapshots"][0]["entries"];
  EXPECT_NE(entries.end(),
            std::find(entries.begin(), entries.end(), Long("\\Vals") + "\\\\:\"gone\""));
  EXPECT_NE(entries.end(),
            std::find(entries.begin(), entries.end(), Long("\\Tree\\Sub\\Deeper") + "\\\\:@"));
  EXPECT_NE(entries.end(), std::find(entries.begin(), entries.end(), Long("\\Tree\\Empty")));
  ;

  std::vector<std::string> restore = {"undo", "restore", snapshot};
  AddDataDir(restore);
  const test::ProcessResult restored = RunProgram("hvmend-cli.exe", restore);
  ASSERT_EQ(0u, restored.exitCode) << restored.out << restored.err;
  EXPECT_EQ(before, RegExport("after.reg"));
}

TEST_F(RepairUndoE2eTest, RestoreOfOneEntryAndDryRun) {
  SetRaw(base_ + "\\K", "a", REG_SZ, "1\0"s);
  SetRaw(base_ + "\\K", "b", REG_DWORD, "\x02\0\0\0"s);
  const std::string problems = ProblemsFile("2\t" + Long("\\K") + "\n");
  std::vector<std::string> dry = {"repair",    "--quiet",    "--sections", "none",
                                  "--dry-run", "--problems", problems};
  AddDataDir(dry);
  const test::ProcessResult preview = RunProgram("hvmend-cli.exe", dry);
  ASSERT_EQ(0u, preview.exitCode) << preview.err;
  EXPECT_NE(std::string::npos, preview.out.find("[" + Long("\\K") + "]\n\"a\"=\"1\"\n"));
  EXPECT_TRUE(KeyExists(base_ + "\\K"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.File("data").c_str()));

  std::vector<std::string> run = {"repair", "--quiet",    "--sections",
                                  "none",   "--problems", problems};
  AddDataDir(run);
  ASSERT_EQ(0u, RunProgram("hvmend-cli.exe", run).exitCode);
  ASSERT_FALSE(KeyExists(base_ + "\\K"));
  // With the data folder there, a dry run still writes nothing: no statistics
  // (the key is gone now, so it finds one problem and repairs none).
  const std::string settings = folder_.File("data\\hvmend.ini");
  const std::string settingsBefore = test::ReadWholeFile(settings);
  ASSERT_FALSE(settingsBefore.empty());
  const test::ProcessResult again = RunProgram("hvmend-cli.exe", dry);
  ASSERT_NE(std::string::npos, again.out.find("Found: 1")) << again.out << again.err;
  EXPECT_EQ(settingsBefore, test::ReadWholeFile(settings));

  const std::string snapshot =
      RunProgram("hvmend-cli.exe", {"undo", "list", "--data-dir", folder_.File("data")})
          .out.substr(0, 16);
  std::vector<std::string> one = {"undo", "restore", snapshot, Long("\\K") + "\\\\:\"b\""};
  AddDataDir(one);
  const test::ProcessResult restored = RunProgram("hvmend-cli.exe", one);
  ASSERT_EQ(0u, restored.exitCode) << restored.out << restored.err;
  std::map<std::string, std::string> after;
  Dump(base_ + "\\K", "", after);
  EXPECT_EQ(1u, after.count("|b"));
  EXPECT_EQ(0u, after.count("|a"));
}

// The console tells what the platform's System Restore answered, as the
// same calls made here see it; a dry run changes nothing and makes none.
TEST_F(RepairUndoE2eTest, RestorePointIsMadeFirstAndTold) {
  InitEnvironment();
  SetRaw(base_ + "\\K", "a", REG_SZ, "1\0"s);
  const std::string problems = ProblemsFile("2\t" + Long("\\K") + "\n");
  std::vector<std::string> dry = {"repair", "--quiet",         "--sections", "none",  "--dry-run",
                                  "--json", "--restore-point", "--problems", problems};
  AddDataDir(dry);
  const test::ProcessResult preview = RunProgram("hvmend-cli.exe", dry);
  ASSERT_EQ(0u, preview.exitCode) << preview.err;
  const size_t json = preview.out.find("{\n");
  ASSERT_NE(std::string::npos, json) << preview.out;
  EXPECT_EQ("not made (dry run)",
            nlohmann::json::parse(preview.out.substr(json))["restorePoint"].get<std::string>());

  std::vector<std::string> run = {"repair",     "--quiet", "--sections", "none",
                                  "--problems", problems,  "--json",     "--restore-point"};
  AddDataDir(run);
  const test::ProcessResult repaired = RunProgram("hvmend-cli.exe", run);
  ASSERT_EQ(0u, repaired.exitCode) << repaired.out << repaired.err;
  const nlohmann::json out = nlohmann::json::parse(repaired.out);
  test::RecordingDialogs dialogs;
  PlatformSystemRestore platform(Environment().systemFolder);
  const RestorePointOutcome expected =
      MakeRestorePoint(platform, dialogs, Environment().IsAdministrator);
  EndRestorePoint(platform, expected);
  EXPECT_EQ(expected.Describe(), out["restorePoint"].get<std::string>());
  EXPECT_EQ(1, out["repaired"].get<int>());

  std::vector<std::string> plain = {"repair", "--quiet",    "--sections",
                                    "none",   "--problems", problems};
  AddDataDir(plain);
  const test::ProcessResult unasked = RunProgram("hvmend-cli.exe", plain);
  EXPECT_EQ(std::string::npos, unasked.out.find("Restore point")) << unasked.out;
}

// An item the repair leaves in place keeps the system's status of the call
// that failed, in the console's JSON and in the cannot-remove file.
TEST_F(RepairUndoE2eTest, ItemsLeftInPlaceCarryTheirStatus) {
  SetRaw(base_ + "\\K", "here", REG_SZ, "1\0"s);
  const std::string problems =
      ProblemsFile("2\t" + Long("\\K") + "\\\\:gone = x\n2\t" + Long("\\K") + "\\\\:here = 1\n");
  std::vector<std::string> args = {"repair", "--json",     "--sections",
                                   "none",   "--problems", problems};
  AddDataDir(args);
  const test::ProcessResult result = RunProgram("hvmend-cli.exe", args);
  EXPECT_EQ(1u, result.exitCode) << result.out << result.err;
  const nlohmann::json json = nlohmann::json::parse(result.out);
  EXPECT_EQ(1, json["repaired"]);
  EXPECT_EQ(1, json["notRemoved"]);
  ASSERT_EQ(1u, json["leftInPlace"].size());
  EXPECT_EQ(Long("\\K") + "\\\\:gone", json["leftInPlace"][0]["entry"]);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, json["leftInPlace"][0]["status"]);
  EXPECT_EQ("the value is gone", json["leftInPlace"][0]["reason"]);
  EXPECT_NE(
      std::string::npos,
      test::ReadWholeFile(folder_.File("data\\cantremove.txt")).find(Long("\\K") + "\\\\:gone"));
}

TEST_F(RepairUndoE2eTest, UsageErrorsExitWithTwo) {
  const std::string data = folder_.File("data");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"undo"},
        {"undo", "bogus"},
        {"undo", "restore"},
        {"undo", "restore", "Undo19990101.reg", "--data-dir", data},
        {"repair", "--bogus"},
        {"repair", "--problems", folder_.File("none.txt"), "--quiet"}}) {
    EXPECT_EQ(2u, RunProgram("hvmend-cli.exe", args).exitCode) << args.back();
  }
}

// Another program holding the data folder (here this test) keeps a repair and
// a restore from changing anything; with the folder free again both run.
TEST_F(RepairUndoE2eTest, RepairAndRestoreWaitForTheDataFolderOrEndWithTwo) {
  SetRaw(base_ + "\\K", "a", REG_SZ, "1\0"s);
  const std::string problems = ProblemsFile("2\t" + Long("\\K") + "\n");
  const std::string data = folder_.File("data");
  CreateDirectoryA(data.c_str(), nullptr);
  const std::vector<std::string> repair = {"repair",     "--quiet", "--sections", "none",
                                           "--problems", problems,  "--data-dir", data,
                                           "--wait",     "0"};
  {
    test::OtherHolder other(data);
    ASSERT_TRUE(other.Held());
    const test::ProcessResult refused = RunProgram("hvmend-cli.exe", repair);
    EXPECT_EQ(2u, refused.exitCode) << refused.out << refused.err;
    EXPECT_NE(std::string::npos, refused.err.find("Another repair or restore")) << refused.err;
    EXPECT_TRUE(KeyExists(base_ + "\\K"));
  }
  ASSERT_EQ(0u, RunProgram("hvmend-cli.exe", repair).exitCode);
  ASSERT_FALSE(KeyExists(base_ + "\\K"));
  const std::string snapshot = nlohmann::json::parse(
      RunProgram("hvmend-cli.exe", {"undo", "list", "--json", "--data-dir", data})
          .out)["snapshots"][0]["name"];
  const std::vector<std::string> restore = {"undo",       "restore", snapshot, "--data-dir",
                                            data + "\\.", "--wait",  "0"};
  {
    test::OtherHolder other(data);
    const test::ProcessResult refused = RunProgram("hvmend-cli.exe", restore);
    EXPECT_EQ(2u, refused.exitCode) << refused.out << refused.err;
    EXPECT_NE(std::string::npos, refused.err.find("Another repair or restore")) << refused.err;
    EXPECT_FALSE(KeyExists(base_ + "\\K"));
  }
  EXPECT_EQ(0u, RunProgram("hvmend-cli.exe", restore).exitCode);
  EXPECT_TRUE(KeyExists(base_ + "\\K"));
}

// Two repairs of one data folder started at once, one working through the
// list backwards: every key either deleted is in a snapshot, and restoring
// every snapshot brings the registry back whole.
TEST_F(RepairUndoE2eTest, TwoRepairsAtOnceLoseNoUndo) {
  constexpr int kKeys = 150;
  std::string forward, backward;
  for (int k = 0; k < kKeys; ++k) {
    const std::string key = base_ + "\\Both\\K" + std::to_string(k);
    for (int v = 0; v < 6; ++v)
      SetRaw(key, "v" + std::to_string(v), REG_BINARY, std::string(200 + k, char(k + v)));
    forward += "2\t" + Long("\\Both\\K" + std::to_string(k)) + "\n";
    backward = "2\t" + Long("\\Both\\K" + std::to_string(k)) + "\n" + backward;
  }
  std::map<std::string, std::string> before;
  Dump(base_, "", before);
  const std::string data = folder_.File("data");
  const std::string lists[] = {folder_.WriteFile("forward.txt", forward),
                               folder_.WriteFile("backward.txt", backward)};
  test::ProcessResult results[2];
  std::vector<std::thread> runs;
  for (int i = 0; i < 2; ++i)
    runs.emplace_back([&, i] {
      results[i] = RunProgram("hvmend-cli.exe",
                              {"repair", "--quiet", "--sections", "none", "--problems", lists[i],
                               "--data-dir", data, "--wait", "600"},
                              600000);
    });
  for (std::thread& run : runs) run.join();
  for (const test::ProcessResult& result : results)
    EXPECT_GE(1u, result.exitCode) << result.out << result.err;
  EXPECT_FALSE(KeyExists(base_ + "\\Both\\K0"));

  const nlohmann::json listed = nlohmann::json::parse(
      RunProgram("hvmend-cli.exe", {"undo", "list", "--json", "--data-dir", data}).out);
  ASSERT_FALSE(listed["snapshots"].empty());
  for (const auto& snapshot : listed["snapshots"]) {
    const test::ProcessResult restored =
        RunProgram("hvmend-cli.exe", {"undo", "restore", snapshot["name"], "--data-dir", data});
    EXPECT_EQ(0u, restored.exitCode) << restored.out << restored.err;
  }
  std::map<std::string, std::string> after;
  Dump(base_, "", after);
  EXPECT_EQ(before, after);
}

// A day's file that is no snapshot (here with a byte-order mark twice) is
// left as it is; the repair writes the next file of the day, which is listed
// and restored like any other. A file that is no snapshot is never restored.
TEST_F(RepairUndoE2eTest, AFileOfTheDayThatIsNoSnapshotIsKeptAndNeverRestored) {
  SetRaw(base_ + "\\K", "a", REG_SZ, "1\0"s);
  const std::string problems = ProblemsFile("2\t" + Long("\\K") + "\n");
  const std::string data = folder_.File("data");
  std::vector<std::string> dry = {"repair",     "--sections", "none",       "--dry-run", "--json",
                                  "--problems", problems,     "--data-dir", data};
  const test::ProcessResult preview = RunProgram("hvmend-cli.exe", dry);
  const std::string day =
      nlohmann::json::parse(preview.out.substr(preview.out.find("{\n")))["snapshot"];
  CreateDirectoryA(data.c_str(), nullptr);
  const std::string odd =
      "\xEF\xBB\xBF\xEF\xBB\xBFREGEDIT4\r\n\r\n[" + Long("\\K") + "]\r\n\"a\"=\"planted\"\r\n";
  folder_.WriteFile("data\\" + day, odd);

  const test::ProcessResult repaired =
      RunProgram("hvmend-cli.exe",
                 {"repair", "--sections", "none", "--problems", problems, "--data-dir", data});
  ASSERT_EQ(0u, repaired.exitCode) << repaired.out << repaired.err;
  EXPECT_NE(std::string::npos, repaired.err.find("is not an undo snapshot")) << repaired.err;
  EXPECT_EQ(odd, test::ReadWholeFile(folder_.File("data\\" + day)));
  const std::string second = day.substr(0, day.size() - 4) + "-2.reg";

  const nlohmann::json listed = nlohmann::json::parse(
      RunProgram("hvmend-cli.exe", {"undo", "list", "--json", "--data-dir", data}).out);
  ASSERT_EQ(1u, listed["snapshots"].size());
  EXPECT_EQ(second, listed["snapshots"][0]["name"]);
  EXPECT_EQ(nlohmann::json::array({day}), listed["notSnapshots"]);

  const test::ProcessResult refused =
      RunProgram("hvmend-cli.exe", {"undo", "restore", day, "--data-dir", data});
  EXPECT_EQ(2u, refused.exitCode);
  EXPECT_NE(std::string::npos, refused.err.find("is not an undo snapshot")) << refused.err;
  EXPECT_FALSE(KeyExists(base_ + "\\K"));
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += char((i * 7919) >> 3);
  folder_.WriteFile("data\\Undo19990101.reg", noise);
  EXPECT_EQ(
      2u, RunProgram("hvmend-cli.exe", {"undo", "restore", "Undo19990101.reg", "--data-dir", data})
              .exitCode);

  const test::ProcessResult restored =
      RunProgram("hvmend-cli.exe", {"undo", "restore", second, "--data-dir", data});
  EXPECT_EQ(0u, restored.exitCode) << restored.out << restored.err;
  std::map<std::string, std::string> after;
  Dump(base_ + "\\K", "", after);
  EXPECT_EQ("1:1"s + '\0', after["|a"]);
}

// Killing a repair at any moment leaves everything it deleted in the
// snapshot, and restoring the snapshot brings the registry back whole.
TEST_F(RepairUndoE2eTest, KilledRepairIsAlwaysRestorable) {
  constexpr int kKeys = 30;
  std::string lines;
  for (int k = 0; k < kKeys; ++k) {
    const std::string key = "\\Crash\\K" + std::to_string(k);
    lines += k % 3 == 0 ? "2\t" + Long(key) + "\\\\:v1\n" : "2\t" + Long(key) + "\n";
  }
  const std::string problems = ProblemsFile(lines);
  std::mt19937 random(20261209);
  int interrupted = 0;
  for (int run = 0; run < 20; ++run) {
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = base_ + "\\Crash\\K" + std::to_string(k);
      SetRaw(key, "v1", REG_SZ, "value " + std::to_string(k) + '\0');
      SetRaw(key, "v2", REG_BINARY, std::string(4000 + k, char(k)));
      SetRaw(key + "\\Sub", "m", REG_MULTI_SZ, "x\0y\0\0"s);
    }
    std::map<std::string, std::string> before;
    Dump(base_, "", before);
    const std::string data = folder_.File("crash" + std::to_string(run));
    const DWORD delay = std::uniform_int_distribution<DWORD>(0, 250)(random);
    interrupted += test::RunProgramKilledAfter(
        "hvmend-cli.exe",
        {"repair", "--quiet", "--sections", "none", "--problems", problems, "--data-dir", data},
        delay);

    const test::ProcessResult listed =
        RunProgram("hvmend-cli.exe", {"undo", "list", "--json", "--data-dir", data});
    ASSERT_EQ(0u, listed.exitCode);
    const auto snapshots = nlohmann::json::parse(listed.out)["snapshots"];
    std::map<std::string, std::string> now;
    Dump(base_, "", now);
    if (snapshots.empty()) {
      EXPECT_EQ(before, now) << "run " << run << ": deleted without a snapshot";
      continue;
    }
    const test::ProcessResult restored = RunProgram(
        "hvmend-cli.exe",
        {"undo", "restore", snapshots[0]["name"].get<std::string>(), "--data-dir", data});
    EXPECT_EQ(0u, restored.exitCode) << "run " << run << restored.err;
    std::map<std::string, std::string> after;
    Dump(base_, "", after);
    EXPECT_EQ(before, after) << "run " << run << " killed after " << delay << " ms";
  }
  std::printf("%d of 20 repairs were killed before they ended\n", interrupted);
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// A listed value part may be cut at any of its " = "; when more than one cut
// names a value of the key, the line could mean either and is refused.
TEST_F(RepairUndoE2eTest, AListedLineThatCouldNameTwoValuesIsRefused) {
  SetRaw(base_ + "\\M", "LangID", REG_BINARY, "\x09\x04"s);
  SetRaw(base_ + "\\M", "LangID = C:\\gone\\x.exe", REG_SZ, "C:\\gone\\x.exe\0"s);
  const std::string line = Long("\\M") + "\\\\:LangID = C:\\gone\\x.exe = C:\\gone\\x.exe";
  std::vector<std::string> args = {"repair", "--sections", "none", "--problems",
                                   ProblemsFile("22\t" + line + "\n")};
  AddDataDir(args);
  const test::ProcessResult refused = RunProgram("hvmend-cli.exe", args);
  EXPECT_EQ(2u, refused.exitCode) << refused.out << refused.err;
  EXPECT_NE(std::string::npos, refused.err.find("ambiguous problem line")) << refused.err;
  std::map<std::string, std::string> values;
  Dump(base_ + "\\M", "", values);
  EXPECT_EQ(3u, values.size()) << "the key and both values stay";

  // With only the long name there, the line names it alone.
  RegDeleteKeyValueA(HKEY_CURRENT_USER, (base_ + "\\M").c_str(), "LangID");
  SetRaw(base_ + "\\M", "Lang", REG_SZ, "keep\0"s);
  const test::ProcessResult repaired = RunProgram("hvmend-cli.exe", args);
  EXPECT_EQ(0u, repaired.exitCode) << repaired.out << repaired.err;
  values.clear();
  Dump(base_ + "\\M", "", values);
  EXPECT_EQ(0u, values.count("|LangID = C:\\gone\\x.exe"));
  EXPECT_EQ(1u, values.count("|Lang"));
}

// The text before a NUL names another, shorter key: such a line is refused
// before anything is repaired.
TEST_F(RepairUndoE2eTest, AListedLineWithANulIsRefused) {
  SetRaw(base_ + "\\Short", "v", REG_SZ, "1\0"s);
  SetRaw(base_ + "\\Other", "v", REG_SZ, "1\0"s);
  std::vector<std::string> args = {
      "repair", "--sections", "none", "--problems",
      ProblemsFile("3\t" + Long("\\Other") + "\n3\t" + Long("\\Short") + "\0tail\n"s)};
  AddDataDir(args);
  const test::ProcessResult result = RunProgram("hvmend-cli.exe", args);
  EXPECT_EQ(2u, result.exitCode) << result.out << result.err;
  EXPECT_NE(std::string::npos, result.err.find("NUL")) << result.err;
  EXPECT_TRUE(KeyExists(base_ + "\\Short"));
  EXPECT_TRUE(KeyExists(base_ + "\\Other"));
}

}  // namespace
}  // namespace hvm
