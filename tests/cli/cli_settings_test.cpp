// hvmend-cli settings and autostart as a script runs them: a separate
// process on a data folder and a start-up folder of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/core/scoped_handle.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/startup_shortcut.h"
#include "support/process.h"
#include "support/settings_beyond_limit.h"
#include "support/test_folder.h"

namespace hvm::test {
namespace {

class ConsoleSettingsTest : public TestFolderTest {
 protected:
  ConsoleSettingsTest() : data_(folder_.File("data")), startup_(folder_.File("Startup")) {
    CreateDirectoryA(data_.c_str(), nullptr);
    CreateDirectoryA(startup_.c_str(), nullptr);
  }
  ~ConsoleSettingsTest() override { SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL); }

  ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--data-dir", data_});
    return RunProgram("hvmend-cli.exe", args);
  }
  ProcessResult RunWithStartup(std::vector<std::string> args) {
    args.insert(args.end(), {"--startup-folder", startup_});
    return Run(std::move(args));
  }
  std::string Ini() const { return data_ + "\\hvmend.ini"; }
  std::string Shortcut() const { return startup_ + "\\hvmend.lnk"; }
  ProgramSettings Stored() const {
    ProgramSettings settings;
    LoadSettings(settings, Ini());
    return settings;
  }
  void Write(const ProgramSettings& settings) { ASSERT_EQ(0u, SaveSettings(settings, Ini())); }

  std::string data_, startup_;
};

TEST_F(ConsoleSettingsTest, SetThenGetOneKeyWhateverItsCase) {
  ProcessResult set = Run({"settings", "set", "monitorprompt", "450"});
  EXPECT_EQ(0u, set.exitCode) << set.err;
  EXPECT_EQ("MonitorPrompt=450\n", set.out);
  EXPECT_EQ(450, Stored().MonitorPrompt);
  ProcessResult get = Run({"settings", "get", "MonitorPrompt"});
  EXPECT_EQ(0u, get.exitCode);
  EXPECT_EQ("450\n", get.out);
  EXPECT_EQ(0u, Run({"settings", "set", "ConfigurationCache", "1"}).exitCode);
  EXPECT_TRUE(Stored().SectionOn(24));
  EXPECT_EQ(0u, Run({"settings", "set", "autorun", "2099.12.31"}).exitCode);
  EXPECT_EQ("2099.12.31", Stored().autorun);
  EXPECT_EQ(0u, Run({"settings", "set", "autorun", ""}).exitCode);
  EXPECT_EQ("", Stored().autorun);
  EXPECT_EQ(0u, Run({"settings", "set", "MonitorPrompt", "0"}).exitCode);
  EXPECT_EQ(0, Stored().MonitorPrompt);
}

TEST_F(ConsoleSettingsTest, GetListsEveryKeyInTheFilesOrderAndAsJson) {
  const ProcessResult all = Run({"settings", "get"});
  EXPECT_EQ(0u, all.exitCode);
  EXPECT_EQ(0u, all.out.find("FirstTimeScan=1\nCleanAfterScan=0\n"));
  EXPECT_NE(std::string::npos, all.out.find("\nConfigurationCache=0\nFilePathReferences=1\n"));
  EXPECT_NE(std::string::npos, all.out.find("\nMonitorPrompt=300\n"));
  EXPECT_EQ(all.out.size() - 1, all.out.rfind("last_scan=\n") + 10);
  const auto document = nlohmann::json::parse(Run({"settings", "get", "--json"}).out);
  // 3 + 24 switches in [scan], 18 in [settings], the schema version and the
  // sources, with no file every one the default.
  EXPECT_EQ(47u, document.size());
  ASSERT_EQ(45u, document["sources"].size());
  for (const auto& [key, source] : document["sources"].items()) EXPECT_EQ("default", source) << key;
  EXPECT_EQ(1, document["schemaVersion"]);
  EXPECT_EQ(true, document["FirstTimeScan"]);
  EXPECT_EQ(300, document["MonitorPrompt"]);
  EXPECT_EQ("", document["last_scan"]);
  // Reading created no file.
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Ini().c_str()));
}

TEST_F(ConsoleSettingsTest, UnknownKeysAndBadValuesAreRefusedAndTheFileUntouched) {
  ProgramSettings settings;
  settings.MonitorPrompt = 123;
  Write(settings);
  const std::string before = ReadWholeFile(Ini());
  const std::vector<std::vector<std::string>> refused = {
      {"settings", "set", "Colour", "blue"},
      {"settings", "set", "SkippedKeys", "x"},
      {"settings", "set", "AutoFreq", "4"},
      {"settings", "set", "AutoAction", "-1"},
      {"settings", "set", "MonitorPrompt", "abc"},
      {"settings", "set", "MonitorPrompt", "1000000000"},
      {"settings", "set", "UpdateFreq", "99999999999"},
      {"settings", "set", "FirstTimeScan", "2"},
      {"settings", "set", "last_err", "-3"},
      {"settings", "set", "last_scan", "202613011200"},
      {"settings", "set", "last_scan", "2026120912"},
      {"settings", "set", "autorun", "2026-12-09"},
      {"settings", "set", "window", "1,2,3"},
      {"settings", "set", "optimize", "1"},
      {"settings", "set", "MonitorPrompt"},
      {"settings", "get", "Colour"},
      {"settings", "frobnicate"},
  };
  for (const std::vector<std::string>& args : refused) {
    SCOPED_TRACE(args.back());
    const ProcessResult result = Run(args);
    EXPECT_EQ(2u, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find("hvmend-cli settings: ")) << result.err;
    EXPECT_EQ("", result.out);
  }
  EXPECT_EQ(before, ReadWholeFile(Ini()));
  EXPECT_NE(std::string::npos, Run({"settings", "set", "AutoFreq", "4"}).err.find("from 0 to 3"));
  EXPECT_NE(std::string::npos,
            Run({"settings", "set", "Colour", "blue"}).err.find("unknown setting 'Colour'"));
}

TEST_F(ConsoleSettingsTest, AReadOnlySettingsFileIsAnErrorAndStaysAsItWas) {
  Write(ProgramSettings{});
  const std::string before = ReadWholeFile(Ini());
  ASSERT_TRUE(SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
  const ProcessResult result = Run({"settings", "set", "MonitorPrompt", "9"});
  EXPECT_EQ(2u, result.exitCode);
  EXPECT_NE(std::string::npos, result.err.find("cannot write")) << result.err;
  EXPECT_EQ(before, ReadWholeFile(Ini()));
}

// A settings file that cannot be read is an error for the verbs that show or
// change it, and stays as it was; a scan or repair warns and writes nothing
// to it.
class UnreadableSettingsFileTest : public ConsoleSettingsTest {
 protected:
  // Writes a settings file too large to read, and returns its text.
  std::string WriteTooLarge() {
    const std::string text = test::SettingsTextBeyondTheSizeLimit();
    folder_.WriteFile("data\\hvmend.ini", text);
    return text;
  }
  void ExpectRefused(const std::vector<std::string>& args, const std::string& reason) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const ProcessResult result = Run(args);
    EXPECT_EQ(2u, result.exitCode);
    EXPECT_EQ("", result.out);
    EXPECT_NE(std::string::npos, result.err.find("cannot read " + Ini() + " (" + reason))
        << result.err;
  }
  void ExpectEveryVerbRefused(const std::string& reason) {
    ExpectRefused({"settings", "get", "AutoFreq"}, reason);
    ExpectRefused({"settings", "get", "--json"}, reason);
    ExpectRefused({"settings", "set", "UpdateFreq", "2"}, reason);
    ExpectRefused({"settings", "set", "AutoAction", "2", "--startup-folder", startup_}, reason);
    ExpectRefused({"autostart", "monitor", "--startup-folder", startup_}, reason);
    ExpectRefused({"optimize", "status"}, reason);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  }
};

TEST_F(UnreadableSettingsFileTest, AFileBeyondTheSizeLimitIsNeitherShownNorReplaced) {
  const std::string text = WriteTooLarge();
  ExpectEveryVerbRefused("it is larger than 64 MiB");
  EXPECT_TRUE(ReadWholeFile(Ini()) == text) << "the settings file was changed";
}

TEST_F(UnreadableSettingsFileTest, AWideTextFileIsNeitherShownNorAddedTo) {
  const std::string wide("\xFF\xFE[\0s\0e\0t\0]\0\r\0\n\0", 16);
  folder_.WriteFile("data\\hvmend.ini", wide);
  ExpectEveryVerbRefused("it is not UTF-8 or ANSI text");
  EXPECT_EQ(wide, ReadWholeFile(Ini()));
}

// This test process holds the file open without sharing while the console
// program, another process, tries to read it.
TEST_F(UnreadableSettingsFileTest, AFileAnotherProcessHoldsLockedIsNotShownAsDefaults) {
  ProgramSettings settings;
  settings.AutoFreq = 2;
  Write(settings);
  const std::string before = ReadWholeFile(Ini());
  {
    const ScopedFile holder(
        CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    ExpectEveryVerbRefused("another program holds it open");
  }
  EXPECT_EQ(before, ReadWholeFile(Ini()));
  const ProcessResult get = Run({"settings", "get", "AutoFreq"});
  EXPECT_EQ(0u, get.exitCode) << get.err;
  EXPECT_EQ("2\n", get.out);
}

TEST_F(UnreadableSettingsFileTest, ScanAndRepairWarnAndLeaveTheFiles) {
  const std::string text = WriteTooLarge();
  const std::string wideIgnore("\xFF\xFE[\0H\0]\0", 8);
  const std::string ignore = folder_.WriteFile("data\\ignore.txt", wideIgnore);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"scan", "--quiet", "--sections", "none"},
                                             {"repair", "--quiet", "--sections", "none"}}) {
    SCOPED_TRACE(args[0]);
    const ProcessResult result = Run(args);
    EXPECT_EQ(0u, result.exitCode) << result.err;
    EXPECT_NE(std::string::npos,
              result.err.find("hvmend-cli: warning: cannot read " + Ini() +
                              " (it is larger than 64 MiB, error 223); it is left as it is; "
                              "the default settings are used and nothing is saved to it\n"))
        << result.err;
    EXPECT_NE(std::string::npos,
              result.err.find("warning: cannot read " + ignore + " (it is not UTF-8 or ANSI text"))
        << result.err;
  }
  EXPECT_TRUE(ReadWholeFile(Ini()) == text) << "the settings file was changed";
  EXPECT_EQ(wideIgnore, ReadWholeFile(ignore));
}

// The same scan on a readable file stores its statistics: what the test
// above shows left undone would otherwise have happened.
TEST_F(UnreadableSettingsFileTest, AScanOfAReadableFileStoresItsStatistics) {
  const ProcessResult result = Run({"scan", "--quiet", "--sections", "none"});
  EXPECT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ("", result.err);
  EXPECT_NE("", Stored().last_scan);
}

TEST_F(ConsoleSettingsTest, AutostartMakesReplacesAndRemovesTheOneShortcut) {
  ProgramSettings settings;
  settings.autorun = "20991231";
  Write(settings);
  ProcessResult scan = RunWithStartup({"autostart", "scan"});
  ASSERT_EQ(0u, scan.exitCode) << scan.err;
  EXPECT_EQ(1, Stored().AutoAction);
  EXPECT_EQ("", Stored().autorun);  // the next log-on scans
  std::optional<ShortcutFacts> facts = ReadShortcut(Shortcut());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(ProgramFolder() + "\\hvmend.exe", facts->target);
  EXPECT_EQ("bootup", facts->arguments);

  settings = Stored();
  settings.autorun = "20991231";
  Write(settings);
  ASSERT_EQ(0u, RunWithStartup({"autostart", "scan"}).exitCode);
  EXPECT_EQ("20991231", Stored().autorun);  // already on: the schedule stands

  ASSERT_EQ(0u, RunWithStartup({"autostart", "monitor"}).exitCode);
  EXPECT_EQ(2, Stored().AutoAction);
  EXPECT_EQ("monitor", ReadShortcut(Shortcut()).value_or(ShortcutFacts{}).arguments);

  ASSERT_EQ(0u, RunWithStartup({"autostart", "off"}).exitCode);
  EXPECT_EQ(0, Stored().AutoAction);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  EXPECT_EQ(0u, RunWithStartup({"autostart", "off"}).exitCode);
}

TEST_F(ConsoleSettingsTest, SettingAutoActionCarriesItOutToo) {
  ASSERT_EQ(0u, RunWithStartup({"settings", "set", "AutoAction", "2"}).exitCode);
  EXPECT_EQ("monitor", ReadShortcut(Shortcut()).value_or(ShortcutFacts{}).arguments);
  ASSERT_EQ(0u, RunWithStartup({"settings", "set", "AutoAction", "0"}).exitCode);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
}

TEST_F(ConsoleSettingsTest, AutostartThatCannotMakeTheEntryLeavesTheSettings) {
  Write(ProgramSettings{});
  const std::string before = ReadWholeFile(Ini());
  std::vector<std::string> args = {"autostart", "monitor", "--startup-folder",
                                   folder_.File("missing\\folder")};
  const ProcessResult result = Run(args);
  EXPECT_EQ(2u, result.exitCode);
  EXPECT_NE(std::string::npos, result.err.find("cannot write")) << result.err;
  EXPECT_EQ(before, ReadWholeFile(Ini()));
}

TEST_F(ConsoleSettingsTest, AutostartTakesOneOfThreeWords) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"autostart"},
                                             {"autostart", "sometimes"},
                                             {"autostart", "scan", "monitor"},
                                             {"autostart", "scan", "--quiet"}}) {
    const ProcessResult result = RunWithStartup(args);
    EXPECT_EQ(2u, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find("hvmend-cli autostart: "));
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Shortcut().c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Ini().c_str()));
}

}  // namespace
}  // namespace hvm::test
