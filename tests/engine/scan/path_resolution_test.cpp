#include "engine/scan/path_resolution.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/core/environment.h"
#include "engine/scan/drive_types.h"
#include "engine/scan/scan_cache.h"
#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

constexpr char kQuote = '"';

std::string Quoted(const std::string& text) {
  return kQuote + text + kQuote;
}

class PathResolutionTest : public test::TestFolderTest {
 protected:
  void SetUp() override {
    InitEnvironment();
    ResetDriveCache();
  }
  // A file of the test folder, written when `present`.
  std::string Program(const std::string& name, bool present) {
    return present ? folder_.WriteFile(name, "MZ") : folder_.File(name);
  }
};

TEST(GetNonChar, KeepsTheSmallestPositionInTheWholeString) {
  EXPECT_EQ(0, GetNonChar(0, ':', 3, "abc"));
  EXPECT_EQ(6, GetNonChar(0, ':', 3, "abc:e:"));
  EXPECT_EQ(5, GetNonChar(9, '|', 1, "abcd|f"));
  EXPECT_EQ(4, GetNonChar(4, '|', 1, "abcdef|"));
  EXPECT_EQ(3, GetNonChar(3, '|', 1, "abc|"));
  EXPECT_EQ(2, GetNonChar(-1, '"', 2, "\"x"));
}

TEST_F(PathResolutionTest, CandidatesWithoutAFolderCountAsPresent) {
  EXPECT_TRUE(CandidateExists("notepad"));
  EXPECT_TRUE(CandidateExists(""));
  EXPECT_TRUE(CandidateExists("no-such-program.exe"));
}

TEST_F(PathResolutionTest, CandidatesNamingFilesFoldersOrProgramsWithoutExe) {
  const std::string app = Program("app.exe", true);
  EXPECT_TRUE(CandidateExists(app));
  EXPECT_TRUE(CandidateExists(folder_.File("app")));
  EXPECT_TRUE(CandidateExists(folder_.Path()));
  EXPECT_TRUE(CandidateExists(folder_.Path() + "\\"));
  EXPECT_FALSE(CandidateExists(folder_.File("ap")));
  EXPECT_FALSE(CandidateExists(folder_.File("missing\\")));
  EXPECT_FALSE(CandidateExists(folder_.File("app.exe -s")));
}

TEST_F(PathResolutionTest, EnvironmentVariablesExpandAndTheCommaCutFindsTheLibrary) {
  EXPECT_TRUE(FindSpace("%SystemRoot%\\system32\\shell32.dll,-154"));
  EXPECT_TRUE(FindSpace("@%SystemRoot%\\system32\\shell32.dll,-154"));
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_FOLDER", folder_.Path().c_str()));
  Program("res.dll", true);
  EXPECT_TRUE(FindSpace("%HVMTEST_FOLDER%\\res.dll,-154"));
  EXPECT_TRUE(FindSpace("@%HVMTEST_FOLDER%\\res.dll,-154"));
  EXPECT_FALSE(FindSpace("%HVMTEST_FOLDER%\\gone.dll,-154"));
  EXPECT_FALSE(FindSpace("@@%HVMTEST_FOLDER%\\gone.dll,-154"));
}

TEST_F(PathResolutionTest, VariablesThatDoNotExpandAreNotChecked) {
  SetEnvironmentVariableA("HVMTEST_UNDEFINED", nullptr);
  EXPECT_TRUE(FindSpace("%HVMTEST_UNDEFINED%\\gone.dll"));
}

// The expanded text is used however long it is: here a program named through
// a variable, followed by arguments that take it past 260 characters.
TEST_F(PathResolutionTest, AnExpansionOfAnyLengthIsUsed) {
  Program("app.exe", true);
  const size_t slash = folder_.Path().rfind('\\');
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_SUB", folder_.Path().substr(slash + 1).c_str()));
  const std::string parent = folder_.Path().substr(0, slash);
  const std::string arguments = " /log " + std::string(300, 'a');
  EXPECT_TRUE(SoftwareExists(parent + "\\%HVMTEST_SUB%\\app.exe" + arguments));
  EXPECT_FALSE(SoftwareExists(parent + "\\%HVMTEST_SUB%\\gone.exe" + arguments));
  SetEnvironmentVariableA("HVMTEST_SUB", nullptr);
}

TEST_F(PathResolutionTest, OnlyTheQuotedPartCounts) {
  const std::string app = Program("Program Files\\App\\app.exe", true);
  EXPECT_TRUE(FindSpace(Quoted(app) + " -arg"));
  // An unmatched leading quote is dropped; an empty quoted part is nothing.
  EXPECT_TRUE(FindSpace(kQuote + app));
  EXPECT_FALSE(FindSpace(Quoted("") + app));
  EXPECT_FALSE(FindSpace(Quoted(folder_.File("Program Files\\App\\gone.exe")) + " " + app));
}

TEST_F(PathResolutionTest, EscapedQuotesAndDoubledBackslashesAreNormalised) {
  const std::string app = Program("app.exe", true);
  std::string doubled;
  for (char c : app) doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_TRUE(FindSpace(doubled));
  EXPECT_TRUE(FindSpace("\\\"" + app + "\\\" /run"));
}

TEST_F(PathResolutionTest, TheBlankCutFindsAProgramBeforeItsArguments) {
  const std::string present = Program("Program Files\\App\\app.exe", true);
  EXPECT_TRUE(FindSpace(present + " -s"));
  EXPECT_TRUE(FindSpace(present + " /s"));
  EXPECT_FALSE(FindSpace(folder_.File("Program Files\\App\\gone.exe") + " -s"));
}

TEST_F(PathResolutionTest, AResourceIndexBehindABackslashIsCutOff) {
  Program("foo.dll", true);
  EXPECT_TRUE(FindSpace(folder_.File("foo.dll\\2")));
  EXPECT_TRUE(FindSpace(folder_.File("foo.dll\\12\\3")));
  EXPECT_FALSE(FindSpace(folder_.File("bar.dll\\2")));
}

TEST_F(PathResolutionTest, AProgramNamedWithoutExeIsFound) {
  EXPECT_TRUE(FindSpace("C:\\Windows\\notepad %1"));
  Program("tool.exe", true);
  EXPECT_TRUE(FindSpace(folder_.File("tool") + " %1"));
  EXPECT_FALSE(FindSpace(folder_.File("tool2") + " %1"));
}

TEST_F(PathResolutionTest, APathWithoutItsExtensionIsFoundByPattern) {
  Program("Data\\report.txt", true);
  EXPECT_TRUE(FindSpace(folder_.File("Data\\report")));
  EXPECT_FALSE(FindSpace(folder_.File("Data\\summary")));
}

TEST_F(PathResolutionTest, EveryDelimiterCutsBeforeTheRestOfTheString) {
  Program("app.exe", true);
  for (char delimiter : std::string(",;'{%-_!(@$#")) {
    const std::string tail = std::string(1, delimiter) + "rest";
    EXPECT_TRUE(FindSpace(folder_.File("app.exe") + tail)) << delimiter;
    EXPECT_FALSE(FindSpace(folder_.File("gone.exe") + tail)) << delimiter;
  }
}

TEST_F(PathResolutionTest, CharactersThatCannotBeInAPathEndIt) {
  Program("app.exe", true);
  EXPECT_TRUE(FindSpace(folder_.File("app.exe:stream")));
  EXPECT_TRUE(FindSpace(folder_.File("app.exe|more")));
  EXPECT_TRUE(FindSpace(folder_.File("app.exe>out.txt")));
  EXPECT_TRUE(FindSpace(folder_.File("*.txt")));
  EXPECT_FALSE(FindSpace(folder_.File("gone.exe:stream")));
}

TEST_F(PathResolutionTest, ATrailingBackslashNamesAFolderOrAFile) {
  Program("sub\\file.txt", true);
  EXPECT_TRUE(FindSpace(folder_.File("sub\\")));
  EXPECT_TRUE(FindSpace(folder_.File("sub\\file.txt\\")));
  EXPECT_FALSE(FindSpace(folder_.File("gone\\")));
}

TEST_F(PathResolutionTest, StringsThatNameNoCheckableFileArePresent) {
  EXPECT_TRUE(FindSpace("rundll32.exe shell32.dll,Control_RunDLL"));
  EXPECT_TRUE(FindSpace("\\\\server\\share\\tool.exe"));
  EXPECT_TRUE(FindSpace("\\SystemRoot\\system32\\x.dll"));
}

TEST_F(PathResolutionTest, EmptyAndEmptyQuotedStringsAreMissing) {
  EXPECT_FALSE(FindSpace(""));
  EXPECT_FALSE(FindSpace("\"\""));
}

TEST_F(PathResolutionTest, PathsOnDrivesThatAreNotFixedAreMissingForFindSpaceOnly) {
  for (char letter :
       {test::kCdromDrive, test::kRemovableDrive, test::kNetworkDrive, test::kRamDiskDrive}) {
    test::TestFolder drive(letter);
    const std::string file = drive.WriteFile("setup.exe", "MZ");
    EXPECT_FALSE(FindSpace(file)) << file;
    EXPECT_TRUE(SoftwareExists(file)) << file;
    EXPECT_TRUE(FilePathExists(file)) << file;
  }
  EXPECT_TRUE(SoftwareExists("Q:\\gone\\setup.exe"));
  EXPECT_TRUE(FilePathExists("Q:\\gone\\setup.exe"));
}

TEST_F(PathResolutionTest, EmptyStringsDiffer) {
  EXPECT_FALSE(FilePathExists(""));
  EXPECT_TRUE(SoftwareExists(""));
}

TEST_F(PathResolutionTest, MultiplePathsAreFoundWhenAnyPieceIs) {
  test::TestFolder second(test::kSecondFixedDrive);
  const std::string a = folder_.File("a.exe");
  const std::string b = second.File("b.exe");
  EXPECT_FALSE(FindMultiSpace(a + " " + b));
  second.WriteFile("b.exe", "MZ");
  EXPECT_TRUE(FindMultiSpace(a + " " + b));
  Program("a.exe", true);
  DeleteFileA(b.c_str());
  EXPECT_TRUE(FindMultiSpace(a + " " + b));
}

TEST_F(PathResolutionTest, ALaterPieceOnADriveThatIsNotFixedIsMissing) {
  test::TestFolder cdrom(test::kCdromDrive);
  const std::string b = cdrom.WriteFile("b.exe", "MZ");
  EXPECT_FALSE(FindMultiSpace(folder_.File("a.exe") + " " + b));
  EXPECT_FALSE(SoftwareExists(folder_.File("a.exe") + " " + b));
  Program("a.exe", true);
  EXPECT_TRUE(FindMultiSpace(folder_.File("a.exe") + " " + b));
}

TEST_F(PathResolutionTest, SoftwareExistsStartsAtTheFirstFixedDrivePath) {
  const std::string app = Program("app.exe", true);
  EXPECT_TRUE(SoftwareExists("run " + app + " now"));
  EXPECT_FALSE(SoftwareExists("run " + folder_.File("gone.exe") + " now"));
  // A removable drive path before it is passed over.
  EXPECT_FALSE(SoftwareExists("F:\\setup.exe " + folder_.File("gone.exe")));
  EXPECT_TRUE(SoftwareExists("F:\\setup.exe " + app));
}

TEST_F(PathResolutionTest, SoftwareExistsNeedsAFixedDrivePathOrAVariable) {
  EXPECT_TRUE(SoftwareExists("\\\\server\\share\\gone.exe"));
  EXPECT_TRUE(SoftwareExists("gone.exe /s"));
  // Fewer than three characters after the colon are not examined.
  EXPECT_TRUE(SoftwareExists("C:\\z"));
  EXPECT_FALSE(SoftwareExists("C:\\zz"));
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_FOLDER", folder_.Path().c_str()));
  EXPECT_FALSE(SoftwareExists("%HVMTEST_FOLDER%\\gone.dll"));
  Program("here.dll", true);
  EXPECT_TRUE(SoftwareExists("%HVMTEST_FOLDER%\\here.dll"));
}

TEST_F(PathResolutionTest, FilePathExistsChecksFixedDrivesAndPlainNames) {
  EXPECT_FALSE(FilePathExists(folder_.File("gone.dll")));
  EXPECT_TRUE(FilePathExists(Program("here.dll", true)));
  EXPECT_TRUE(FilePathExists("gone.dll"));
  EXPECT_TRUE(FilePathExists(":\\x"));
}

TEST_F(PathResolutionTest, LongAndBinaryInputEndsWithoutHarm) {
  EXPECT_TRUE(FindSpace(std::string(1 << 16, 'a')));
  EXPECT_TRUE(FindSpace("%" + std::string(1 << 16, 'a')));
  EXPECT_FALSE(FindSpace("C:\\hvmgone\\" + std::string(40000, 'a') + "%PATH%"));
  std::string manyPieces;
  for (int i = 0; i < 300; ++i) manyPieces += "C:\\gone" + std::to_string(i) + ".exe ";
  EXPECT_FALSE(FindMultiSpace(manyPieces));
  EXPECT_FALSE(FindSpace("C:\\" + std::string(4000, '\\') + "gone .x ,y"));
  const char raw[] = "C:\\\x01\x02\xff\x7f gone\0tail";
  const std::string binary(raw, sizeof(raw) - 1);
  EXPECT_FALSE(FindSpace(binary));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// A 32-bit program registers "system32" paths that the system shows it from
// "SysWOW64"; this 64-bit program must look there before judging them missing.
TEST_F(PathResolutionTest, ThirtyTwoBitSystemFolderPathsAreLookedUpInSysWow64) {
  if (!Environment().Is64BitWindows) GTEST_SKIP() << "needs 64-bit Windows";
  const std::string wow64 = Environment().windowsFolder + "SysWOW64\\hvm_only32.dll";
  { std::ofstream(wow64) << "x"; }
  const std::string native = Environment().windowsFolder + "system32\\hvm_only32.dll";
  EXPECT_TRUE(FilePathExists(native));
  EXPECT_TRUE(SoftwareExists(native + ",-101"));
  EXPECT_TRUE(SoftwareExists("%SystemRoot%\\System32\\hvm_only32.dll"));
  EXPECT_FALSE(FilePathExists(Environment().windowsFolder + "system32\\hvm_missing32.dll"));
  // Only a whole "system32" folder name is mapped.
  EXPECT_FALSE(FilePathExists(Environment().windowsFolder + "system32x\\hvm_only32.dll"));
  DeleteFileA(wow64.c_str());
}

TEST_F(PathResolutionTest, ArgumentsHoldingBackslashesDoNotHideAProgramThatExists) {
  folder_.WriteFile("App Dir\\app.exe", "x");
  const std::string app = folder_.File("App Dir\\app.exe");
  for (const std::string& line :
       {app + " -log data\\x.log", app + " -d data\\", app + " \\\\server\\share",
        folder_.File("App Dir\\app -x y\\z")}) {
    EXPECT_TRUE(FindSpace(line)) << line;
    EXPECT_TRUE(SoftwareExists(line)) << line;
  }
  const std::string gone = folder_.File("App Dir\\gone.exe") + " -log data\\x.log";
  EXPECT_FALSE(FindSpace(gone));
  EXPECT_FALSE(SoftwareExists(gone));
}

TEST_F(PathResolutionTest, AProgramNamedThroughAVariableIsJudgedBeforeAnArgumentPath) {
  folder_.WriteFile("tool.exe", "x");
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_TOOLS", folder_.Path().c_str()));
  const std::string log = folder_.File("Logs\\new.log");
  EXPECT_TRUE(SoftwareExists("%HVMTEST_TOOLS%\\tool.exe /log=" + log));
  EXPECT_FALSE(SoftwareExists("%HVMTEST_TOOLS%\\gone.exe /log=" + log));
  // Without a variable ahead of it, the first fixed-drive path decides.
  EXPECT_FALSE(SoftwareExists("rundll32.exe " + folder_.File("gone.dll") + ",Entry"));
  SetEnvironmentVariableA("HVMTEST_TOOLS", nullptr);
}

TEST_F(PathResolutionTest, NativePathPrefixesNameTheFileBehindThem) {
  const std::string file = folder_.WriteFile("native.dll", "x");
  EXPECT_TRUE(FilePathExists("\\??\\" + file));
  EXPECT_TRUE(FilePathExists("\\\\?\\" + file));
  EXPECT_FALSE(FilePathExists("\\??\\" + folder_.File("gone.dll")));
  // The sections that read any registry string judge them alike: the long
  // form of a drive path is no network path (Windows Installer writes type
  // libraries' paths so), the long form of a share is.
  const std::string gone = folder_.File("gone.tlb");
  EXPECT_TRUE(SoftwareExists("\\\\?\\" + file));
  EXPECT_FALSE(SoftwareExists("\\\\?\\" + gone));
  EXPECT_FALSE(SoftwareExists("\\\\.\\" + gone));
  EXPECT_FALSE(SoftwareExists("\\??\\" + gone));
  EXPECT_EQ(ResolvedPath("\\\\?\\" + gone), gone);
  EXPECT_TRUE(SoftwareExists("\\\\?\\UNC\\server\\share\\gone.tlb"));
  EXPECT_TRUE(SoftwareExists("\\\\?\\"));
}

TEST_F(PathResolutionTest, AVariableThatExpandsToANetworkPathIsNotChecked) {
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_SHARE", "\\\\nosuchserver\\share"));
  EXPECT_TRUE(FindSpace("%HVMTEST_SHARE%\\app.exe"));
  EXPECT_TRUE(SoftwareExists("%HVMTEST_SHARE%\\app.exe"));
  SetEnvironmentVariableA("HVMTEST_SHARE", nullptr);
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// Drives that are not checkable, as the test prefix has them.
constexpr char kUncheckableDrives[] = {test::kCdromDrive, test::kNetworkDrive,
                                       test::kRemovableDrive, test::kRamDiskDrive,
                                       test::kNoRootDrive};

TEST_F(PathResolutionTest, APathOnADriveThatIsNotCheckableShowingOnlyAfterExpansionIsNotJudged) {
  for (char letter : kUncheckableDrives) {
    const std::string root = std::string(1, letter) + ":\\hvmtest-gone";
    ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_DRIVE", root.c_str()));
    EXPECT_TRUE(FindSpace("%HVMTEST_DRIVE%\\setup.exe")) << root;
    EXPECT_TRUE(SoftwareExists("%HVMTEST_DRIVE%\\setup.exe /s")) << root;
    EXPECT_TRUE(FilePathExists("%HVMTEST_DRIVE%\\lib.dll,1")) << root;
  }
  // On a fixed drive the expanded path is judged as ever.
  ASSERT_TRUE(SetEnvironmentVariableA("HVMTEST_DRIVE", folder_.Path().c_str()));
  EXPECT_FALSE(SoftwareExists("%HVMTEST_DRIVE%\\setup.exe /s"));
  EXPECT_FALSE(FilePathExists("%HVMTEST_DRIVE%\\lib.dll,1"));
  SetEnvironmentVariableA("HVMTEST_DRIVE", nullptr);
}

// A program the system finds by name, with an argument that names a file it
// will write: the line is judged by the program.
TEST_F(PathResolutionTest, ABareProgramBeforeAFixedDriveArgumentIsJudgedByTheProgram) {
  const std::string log = folder_.File("Logs\\new.log");
  EXPECT_TRUE(SoftwareExists("notepad.exe " + log));
  EXPECT_TRUE(SoftwareExists("notepad " + log));
  EXPECT_TRUE(SoftwareExists("notepad.exe\t" + log));
  // Found through PATH, with any of the PATHEXT extensions.
  test::TestFolder tools;
  tools.WriteFile("hvmtool.cmd", "@echo off");
  const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
  std::string path(size, '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), size));
  EXPECT_FALSE(SoftwareExists("hvmtool " + log));
  ASSERT_TRUE(SetEnvironmentVariableA("PATH", (path + ";" + tools.Path()).c_str()));
  EXPECT_TRUE(SoftwareExists("hvmtool " + log));
  EXPECT_TRUE(SoftwareExists("hvmtool.cmd %HVMTEST_UNSET_LOG%\\x.log"));
  SetEnvironmentVariableA("PATH", path.c_str());
  // A program found nowhere leaves the line to its argument.
  EXPECT_FALSE(SoftwareExists("hvmnosuchtool.exe " + log));
  EXPECT_TRUE(SoftwareExists("hvmnosuchtool.exe " + folder_.Path()));
  // A host program runs what its argument names, so the argument decides.
  EXPECT_FALSE(SoftwareExists("rundll32.exe " + folder_.File("gone.dll") + ",Entry"));
  EXPECT_FALSE(SoftwareExists("regsvr32 /s " + folder_.File("gone.dll")));
}

TEST_F(PathResolutionTest, AProgramNamedWithoutExtensionMayBeAComBatOrCmdFile) {
  for (const char* extension : {".com", ".bat", ".cmd"}) {
    const std::string name = std::string("tool") + (extension + 1);
    folder_.WriteFile(name + extension, "x");
    EXPECT_TRUE(FindSpace(folder_.File(name) + " -x data\\y")) << extension;
    EXPECT_TRUE(SoftwareExists(folder_.File(name) + " /s")) << extension;
    EXPECT_TRUE(CandidateExists(folder_.File(name))) << extension;
  }
  folder_.WriteFile("tool.txt", "x");
  EXPECT_FALSE(CandidateExists(folder_.File("tool")));
  EXPECT_FALSE(SoftwareExists(folder_.File("toolz") + " /s"));
}

TEST_F(PathResolutionTest, ATabSeparatesAProgramFromItsArgumentsAsABlankDoes) {
  const std::string app = Program("app.exe", true);
  for (const std::string& line :
       {app + "\t/s", app + "\t-log data\\x.log", app + "\t" + folder_.File("Logs\\new.log"),
        folder_.File("app") + "\t-x"}) {
    EXPECT_TRUE(FindSpace(line)) << line;
    EXPECT_TRUE(SoftwareExists(line)) << line;
    EXPECT_TRUE(FilePathExists(line)) << line;
  }
  EXPECT_FALSE(SoftwareExists(folder_.File("gone.exe") + "\t/s"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST(CommandLines, TheLeadingProgramIsTheQuotedPartOrTheTextBeforeABlank) {
  EXPECT_EQ("C:\\Acme App\\acme.exe", LeadingProgram("\"C:\\Acme App\\acme.exe\" /tray"));
  EXPECT_EQ("acme.exe", LeadingProgram("acme.exe /tray"));
  EXPECT_EQ("acme.exe", LeadingProgram("acme.exe\t/tray"));
  EXPECT_EQ("C:\\Acme", LeadingProgram("C:\\Acme App\\acme.exe"));
  EXPECT_EQ("unclosed /x", LeadingProgram("\"unclosed /x"));
  EXPECT_EQ("", LeadingProgram("\"\" /x"));
  EXPECT_EQ("", LeadingProgram(" acme.exe"));
  EXPECT_EQ("", LeadingProgram(""));
}

TEST(CommandLines, OnlyANameWithoutDriveVariableOrRootIsRelative) {
  for (const char* relative :
       {"acme.exe", "acme.exe /tray", "\"acme.exe\" /tray", "acme", "drivers\\acme.sys",
        "rundll32.exe C:\\x.dll,Start", "cmd /c start \"\" \"C:\\Acme\\acme.exe\""})
    EXPECT_TRUE(NamesRelativeProgram(relative)) << relative;
  for (const char* full :
       {"C:\\Acme\\acme.exe", "\"C:\\Acme App\\acme.exe\" /tray", "%ProgramFiles%\\acme.exe",
        "\"%ProgramFiles%\\Acme\\acme.exe\" /tray", "\\??\\C:\\Acme\\acme.exe",
        "\\\\server\\share\\acme.exe", "\\SystemRoot\\system32\\acme.dll", "/usr/bin/acme",
        "N:acme.exe", "http://example.org/acme.exe", "", "\"\"", " acme.exe"})
    EXPECT_FALSE(NamesRelativeProgram(full)) << full;
}

// A host program runs what its arguments name, however it is named: by its
// bare name, its path, quoted, or through a variable.
TEST_F(PathResolutionTest, AHostProgramNamedByItsPathIsJudgedByWhatItRuns) {
  const std::string system = Environment().systemFolder;
  const std::string dll = Program("acme.dll", true);
  const std::string gone = folder_.File("gone.dll");
  EXPECT_TRUE(SoftwareExists(system + "rundll32.exe " + dll + ",Start"));
  EXPECT_FALSE(SoftwareExists(system + "rundll32.exe " + gone + ",Start"));
  EXPECT_FALSE(SoftwareExists(Quoted(system + "rundll32.exe") + " " + Quoted(gone) + ",Start"));
  EXPECT_FALSE(SoftwareExists("%SystemRoot%\\system32\\RUNDLL32.EXE " + gone + ",Start"));
  EXPECT_FALSE(SoftwareExists(system + "cmd.exe /c " + Quoted(folder_.File("gone.bat"))));
  // Arguments that name nothing checkable leave the host to decide.
  EXPECT_TRUE(SoftwareExists(system + "rundll32.exe shell32.dll,Control_RunDLL"));
  EXPECT_TRUE(SoftwareExists(system + "cmd.exe"));
  EXPECT_FALSE(SoftwareExists(folder_.File("rundll32.exe") + " " + dll + ",Start"));
  // A host in a folder whose name has blanks.
  folder_.WriteFile("Java App\\javaw.exe", "MZ");
  const std::string javaw = folder_.File("Java App\\javaw.exe");
  EXPECT_TRUE(SoftwareExists(javaw + " -jar " + Program("acme.jar", true)));
  EXPECT_FALSE(SoftwareExists(javaw + " -jar " + folder_.File("gone.jar")));
  // A folder named like a host is no host, not even before a blank.
  Program("cmd\\tool.exe", true);
  EXPECT_TRUE(SoftwareExists(folder_.File("cmd\\tool.exe") + " " + gone));
  Program("Java Tools\\tool.exe", true);
  EXPECT_TRUE(SoftwareExists(folder_.File("Java Tools\\tool.exe") + " /s"));
  // The reason names what is missing: what the host runs, or the host.
  EXPECT_EQ(gone, ResolvedPath(system + "rundll32.exe " + Quoted(gone) + ",Start"));
  EXPECT_EQ(folder_.File("rundll32.exe"),
            ResolvedPath(folder_.File("rundll32.exe") + " " + dll + ",Start"));
  // A host given a host given a host...: however many, the judging ends.
  ScanCache cache;
  ScanCache::Scope scope(cache);
  std::string chain;
  for (int i = 0; i < 3000; ++i) chain += system + "cmd.exe /c ";
  EXPECT_FALSE(SoftwareExists(chain + Quoted(gone)));
  EXPECT_TRUE(SoftwareExists(chain + Quoted(dll)));
  EXPECT_EQ(gone, ResolvedPath(chain + Quoted(gone)));
}

TEST_F(PathResolutionTest, AValueFileNamedRelativelyIsLookedForInItsFoldersInTurn) {
  test::TestFolder first, second;
  second.WriteFile("acme.exe", "MZ");
  const std::vector<std::string> folders{first.Path(), "", second.Path() + "\\"};
  EXPECT_TRUE(ValueFileExists("acme.exe /tray", folders));
  EXPECT_TRUE(ValueFileExists("\"acme.exe\" /tray", folders));
  EXPECT_TRUE(ValueFileExists("acme -x", folders));
  EXPECT_FALSE(ValueFileExists("hvmgone.exe /tray", folders));
  EXPECT_FALSE(ValueFileExists("\"hvmgone.exe\"", folders));
  // A full path is never joined to a folder: the folder would be found instead.
  EXPECT_FALSE(ValueFileExists(first.File("gone.exe"), folders));
  EXPECT_TRUE(ValueFileExists(second.File("acme.exe") + " /tray", folders));
  // A host program in one of the folders does not keep what it runs.
  const std::vector<std::string> system{Environment().systemFolder};
  EXPECT_FALSE(ValueFileExists("cmd /c start \"\" " + Quoted(first.File("gone.exe")), system));
  EXPECT_TRUE(ValueFileExists("cmd /c start \"\" " + Quoted(second.File("acme.exe")), system));
  EXPECT_TRUE(ValueFileExists("rundll32.exe hvmgone.dll,Start", system));
  // Folder parts no folder holds, and empty or unreadable texts, are not judged.
  EXPECT_TRUE(ValueFileExists("sub\\hvmgone.exe", folders));
  EXPECT_TRUE(ValueFileExists("", folders));
  EXPECT_TRUE(ValueFileExists("\"", folders));
  EXPECT_TRUE(ValueFileExists("\"\" /x", folders));
  EXPECT_FALSE(ValueFileExists("hvmgone.exe", {}));
  std::string manyWords;
  for (int i = 0; i < 100; ++i) manyWords += "hvmgone ";
  EXPECT_FALSE(ValueFileExists(manyWords, folders));

  EXPECT_EQ(second.File("hvmgone.exe"), ValueFileResolvedPath("\"hvmgone.exe\" /x", folders));
  EXPECT_EQ(first.File("gone.exe"), ValueFileResolvedPath(first.File("gone.exe") + " /x", folders));
  EXPECT_EQ(first.File("gone.dll"),
            ValueFileResolvedPath("rundll32.exe " + first.File("gone.dll") + ",Start", folders));
}

}  // namespace
}  // namespace hvm
