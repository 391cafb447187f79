// The lists a scan removes stale values from at once (startup commands, known
// DLLs, OpenGL drivers, fonts, extensions), scanned as both programs scan them:
// a whole session with its own repairer and undo snapshot, over the sandboxed
// registry, with the system's own system and Windows folders as the lists'
// folders. Each real-world form of a command must be kept while its program
// is there and, where the form can be checked at all, removed once it is gone.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/core/environment.h"
#include "engine/results/scan_session.h"
#include "engine/results/text_file.h"
#include "engine/results/undo_restore.h"
#include "support/recording_dialogs.h"
#include "support/recording_scan_view.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/snapshot_text.h"
#include "support/scan_harness.h"
#include "support/snapshot_text.h"
#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace hvm::test;

constexpr char kMachineRun[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUserRun[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class NoTicks : public TickSource {
 public:
  uint32_t Ticks() override { return 0; }
  void SleepOne() override {}
};

// Sets an environment variable for the test's lifetime.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size > 0) {
      std::string old(size, '\0');
      old.resize(GetEnvironmentVariableA(name, old.data(), size));
      previous_ = old;
    }
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableA(name_, previous_ ? previous_->c_str() : nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

std::string CurrentPath() {
  const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
  std::string path(size, '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), size));
  return path;
}

std::string ShortPathOf(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : "";
}

class ValueFilesScanTest : public RegistrySandboxTest {
 protected:
  ValueFilesScanTest() {
    InitEnvironment();
    environment_ = Environment();
    environment_.SnapshotName = "Undo20261209";
    setup_.dataFolder = data_.Path();
    setup_.keepStatistics = false;
    setup_.sections = std::set<int>{10, 12, 15, 17, 19};
    app_ = folder_.Path() + "\\Acme App";
    gone_ = folder_.Path() + "\\Gone App";
    for (const char* name : {"acme.exe", "acme.dll", "acme.bat", "acme.ttf"})
      folder_.WriteFile(std::string("Acme App\\") + name, "MZ");
  }

  // Runs one whole scan in a session of its own.
  ScanSession& Scan() {
    session_ = std::make_unique<ScanSession>(
        setup_, environment_,
        ScanSessionFrontEnd{view_, dialogs_, monitor_, restorePoint_, progress_, report_, ticks_});
    session_->RunScan();
    return *session_;
  }
  // The lines the scan removed at once, or a read-only scan listed, by section.
  std::set<std::pair<int, std::string>> RemovedLines() const {
    std::set<std::pair<int, std::string>> lines;
    for (const RemovedValue& removed : session_->Results().RemovedAtOnce())
      lines.insert({removed.section, removed.line});
    return lines;
  }
  std::set<std::pair<int, std::string>> ListedLines() const {
    std::set<std::pair<int, std::string>> lines;
    for (int section = 1; section <= kSectionCount; ++section)
      for (const ProblemEntry& entry : session_->Results().Section(section))
        lines.insert({section, entry.line});
    return lines;
  }
  std::string Snapshot() const { return test::SnapshotFileText(data_.File("Undo20261209.reg")); }

  // The real-world forms of a startup command, each as it reads while its
  // program is there and once the program is gone; a form that cannot be
  // checked has no gone reading and must never be removed.
  struct Form {
    const char* what;
    std::string present;
    std::string gone;
  };
  std::vector<Form> StartupForms() {
    const std::string shortApp = ShortPathOf(app_);
    return {
        {"quoted path with arguments", Quote(app_ + "\\acme.exe") + " /tray",
         Quote(gone_ + "\\acme.exe") + " /tray"},
        {"unquoted path with blanks and arguments", app_ + "\\acme.exe /tray",
         gone_ + "\\acme.exe /tray"},
        {"bare full path", app_ + "\\acme.exe", gone_ + "\\acme.exe"},
        {"rundll32 with a DLL and an entry point",
         "rundll32.exe " + Quote(app_ + "\\acme.dll") + ",Start",
         "rundll32.exe " + Quote(gone_ + "\\acme.dll") + ",Start"},
        {"rundll32 named by its path",
         "%SystemRoot%\\system32\\rundll32.exe " + Quote(app_ + "\\acme.dll") + ",Start",
         environment_.systemFolder + "rundll32.exe " + Quote(gone_ + "\\acme.dll") + ",Start"},
        {"cmd /c wrapper", "cmd /c start \"\" " + Quote(app_ + "\\acme.exe") + " /tray",
         "cmd /c start \"\" " + Quote(gone_ + "\\acme.exe") + " /tray"},
        {"cmd named by its path",
         environment_.systemFolder + "cmd.exe /c " + Quote(app_ + "\\acme.bat"),
         Quote(environment_.systemFolder + "cmd.exe") + " /c " + Quote(gone_ + "\\acme.bat")},
        {"program on the search path", "hvmacme.exe /tray", "hvmacmegone.exe /tray"},
        {"program on the search path named without extension", "hvmacme /tray",
         "hvmacmegone /tray"},
        {"variable", Quote("%HVMTEST_ACME%\\acme.exe") + " /tray",
         "%HVMTEST_ACME%\\gone.exe /tray"},
        {"short names", shortApp + "\\acme.exe /tray", shortApp + "\\GONE~1.EXE /tray"},
        {"native path prefix", "\\??\\" + app_ + "\\acme.exe", "\\??\\" + gone_ + "\\acme.exe"},
        {"network drive letter", std::string(1, kNetworkDrive) + ":\\hvm-gone\\acme.exe /tray", ""},
        {"drive letter without a root",
         Quote(std::string(1, kNoRootDrive) + ":\\hvm-gone\\acme.exe") + " /tray", ""},
        {"CD-ROM drive", std::string(1, kCdromDrive) + ":\\hvm-gone\\setup.exe", ""},
        {"removable drive", std::string(1, kRemovableDrive) + ":\\hvm-gone\\acme.exe", ""},
        {"network share", std::string(kNetworkShare) + "\\hvm-gone\\acme.exe /tray", ""},
        {"variable that is not set", "%HVMTEST_UNSET_FOLDER%\\acme.exe /tray", ""},
        {"host given a bare name", "rundll32.exe hvmgone.dll,Start", ""},
    };
  }
  static std::string Quote(const std::string& text) { return '"' + text + '"'; }

  TestFolder data_;
  TestFolder folder_;
  std::string app_, gone_;
  EnvironmentValues environment_;
  ScanSessionSetup setup_;
  RecordingView view_;
  RecordingDialogs dialogs_;
  FakeMonitor monitor_;
  RestorePointMaker restorePoint_;
  RepairProgress progress_;
  RepairReport report_;
  NoTicks ticks_;
  std::unique_ptr<ScanSession> session_;
};

TEST_F(ValueFilesScanTest, EveryStartupFormIsKeptWhilePresentAndRemovedWithUndoOnceGone) {
  TestFolder searchFolder;
  searchFolder.WriteFile("hvmacme.exe", "MZ");
  const ScopedVariable path("PATH", CurrentPath() + ";" + searchFolder.Path());
  const ScopedVariable acme("HVMTEST_ACME", app_);
  const std::vector<Form> forms = StartupForms();
  ASSERT_FALSE(ShortPathOf(app_).empty());
  ASSERT_NE(app_, ShortPathOf(app_)) << "the prefix gives no short names";

  std::set<std::pair<int, std::string>> wanted;
  for (const char* run : {kMachineRun, kUserRun}) {
    for (size_t i = 0; i < forms.size(); ++i) {
      SeedString(run, "Present" + std::to_string(i), forms[i].present);
      if (forms[i].gone.empty()) continue;
      SeedString(run, "Gone" + std::to_string(i), forms[i].gone);
      wanted.insert(
          {15, std::string(run) + "\\\\:Gone" + std::to_string(i) + " = " + forms[i].gone});
    }
  }
  Scan();

  EXPECT_EQ(wanted, RemovedLines());
  EXPECT_THAT(ListedLines(), IsEmpty()) << "removed values are not listed";
  const std::string snapshot = Snapshot();
  for (const char* run : {kMachineRun, kUserRun}) {
    for (size_t i = 0; i < forms.size(); ++i) {
      SCOPED_TRACE(std::string(run) + ": " + forms[i].what);
      EXPECT_TRUE(ValueExists(run, "Present" + std::to_string(i))) << forms[i].present;
      if (forms[i].gone.empty()) continue;
      EXPECT_FALSE(ValueExists(run, "Gone" + std::to_string(i))) << forms[i].gone;
      // Written to the day's snapshot before it was deleted.
      EXPECT_THAT(snapshot, HasSubstr("\"Gone" + std::to_string(i) + "\"="));
    }
  }
  for (const RemovedValue& removed : session_->Results().RemovedAtOnce()) {
    EXPECT_EQ("Undo20261209.reg", removed.snapshot);
    EXPECT_EQ("file missing", removed.reason.rule);
  }
  // The snapshot tells the restore page that the startup section's scan removed them.
  const auto listed = ListSnapshotEntriesNoted(data_.Path(), "Undo20261209.reg", nullptr);
  EXPECT_EQ(wanted.size(), listed.size());
  for (const ListedSnapshotEntry& entry : listed)
    EXPECT_EQ((SnapshotNote{15, true}), entry.note) << entry.text;
}

// The reason names what was looked for: the program itself, not the host that
// runs it or the arguments behind it.
TEST_F(ValueFilesScanTest, ARemovedCommandsReasonNamesTheMissingFile) {
  SeedString(kMachineRun, "Quoted", Quote(gone_ + "\\acme.exe") + " /tray");
  SeedString(kMachineRun, "Host",
             environment_.systemFolder + "rundll32.exe " + Quote(gone_ + "\\acme.dll") + ",Start");
  SeedString(kMachineRun, "Bare", "hvmacmegone.exe /tray");
  Scan();
  std::map<std::string, std::string> targets;
  for (const RemovedValue& removed : session_->Results().RemovedAtOnce())
    targets[removed.line.substr(removed.line.find("\\\\:") + 3, 4)] = removed.reason.target;
  EXPECT_EQ(gone_ + "\\acme.exe", targets["Quot"]);
  EXPECT_EQ(gone_ + "\\acme.dll", targets["Host"]);
  EXPECT_EQ(environment_.systemFolder + "hvmacmegone.exe", targets["Bare"]);
}

// Known DLLs, OpenGL drivers, fonts and extensions: a name relative to the
// list's folder is looked for there, a full path on its own.
TEST_F(ValueFilesScanTest, EveryValueFileListJudgesFullPathsOnTheirOwn) {
  struct List {
    int section;
    std::string key;
    std::string presentName;  // relative to the list's folder
  };
  const List lists[] = {
      {10, "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs", "kernel32.dll"},
      {12, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\OpenGLdrivers", "opengl32.dll"},
      {17, "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "courier.ttf"},
      {19, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions", "notepad.exe ^.txt"},
      {19, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions", "notepad.exe ^.log"},
  };
  const std::map<std::string, std::string> kept{
      {"Full", app_ + "\\acme.ttf"},
      {"Variable", "%SystemRoot%\\system32"},
      {"Network", std::string(1, kNetworkDrive) + ":\\hvm\\x.dll"}};
  const std::map<std::string, std::string> gone{
      {"RelativeGone", "hvmgone.dll"},
      {"FullGone", gone_ + "\\acme.ttf"},
      {"QuotedGone", Quote(gone_ + "\\acme.exe") + " ^.acme"}};
  std::set<std::pair<int, std::string>> wanted;
  for (const List& list : lists) {
    SeedString(list.key, "Relative", list.presentName);
    for (const auto& [name, data] : kept) SeedString(list.key, name, data);
    for (const auto& [name, data] : gone) {
      SeedString(list.key, name, data);
      wanted.insert({list.section, list.key + "\\\\:" + name + " = " + data});
    }
  }
  Scan();
  EXPECT_EQ(wanted, RemovedLines());
  for (const List& list : lists) {
    EXPECT_TRUE(ValueExists(list.key, "Relative")) << list.key;
    for (const auto& [name, data] : kept) EXPECT_TRUE(ValueExists(list.key, name)) << list.key;
  }
}

// --read-only lists exactly what the scan then removes, once: the broad
// section does not list again a value the list's walk stood for removing.
TEST_F(ValueFilesScanTest, AReadOnlyScanListsWhatTheScanRemovesAndEachValueOnce) {
  const ScopedVariable acme("HVMTEST_ACME", app_);
  SeedString(kMachineRun, "Quoted", Quote(gone_ + "\\acme.exe") + " /tray");
  SeedString(kUserRun, "Unquoted", gone_ + "\\acme.exe /tray");
  SeedString(kUserRun, "Bare", "hvmacmegone.exe /tray");
  SeedString(kUserRun, "Kept", Quote(app_ + "\\acme.exe") + " /tray");
  SeedString("HKLM\\Software\\Acme", "InstallDir", gone_ + "\\acme.exe");
  setup_.sections = std::set<int>{15, 23};
  setup_.readOnly = true;
  Scan();
  const std::set<std::pair<int, std::string>> listed = ListedLines();
  EXPECT_TRUE(RemovedLines().empty());
  EXPECT_TRUE(ValueExists(kMachineRun, "Quoted"));
  EXPECT_TRUE(ValueExists(kUserRun, "Unquoted"));

  setup_.readOnly = false;
  Scan();
  std::set<std::pair<int, std::string>> scanned = ListedLines();
  for (const auto& removed : RemovedLines()) scanned.insert(removed);
  EXPECT_EQ(scanned, listed);
  EXPECT_EQ(3u, RemovedLines().size());
  EXPECT_EQ((std::set<std::pair<int, std::string>>{
                {23, "HKLM\\Software\\Acme\\\\:InstallDir = " + gone_ + "\\acme.exe"}}),
            ListedLines());
}

}  // namespace
}  // namespace hvm
