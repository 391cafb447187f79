#include "engine/scan/class_registrations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/scan/problem_explanations.h"
#include "engine/scan/scan_driver.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_harness.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace hvm::test;

constexpr char kMachineFolders[] =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUserFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class ClassSectionsTest : public RegistrySandboxTest {
 protected:
  // Runs sections `sections` of 1 to 9 and returns every line reported.
  std::vector<std::string> Scan(std::set<int> sections) {
    harness_ = std::make_unique<ScanHarness>(std::move(sections));
    harness_->groups.classRegistrations = [this](ScanDriver& d) {
      ScanClassRegistrations(d, env_);
    };
    if (onPump_) harness_->view.onPump = [this] { onPump_(harness_->driver); };
    harness_->driver.RunScan();
    return harness_->AllLines();
  }
  std::string ExistingFile(const std::string& name) { return folder_.WriteFile(name, "x"); }
  std::string MissingFile(const std::string& name) { return folder_.File(name); }

  TestFolder folder_;
  ClassScanEnvironment env_{"C:\\windows\\", 6};
  std::unique_ptr<ScanHarness> harness_;
  std::function<void(ScanDriver&)> onPump_;
};

TEST_F(ClassSectionsTest, ShellFoldersNamingMissingFoldersAreReported) {
  const std::string missing = MissingFile("Missing\\Cache\\");
  SeedString(kMachineFolders, "Cache", missing);
  SeedString(kMachineFolders, "Here", folder_.Path() + "\\");
  SeedString(kMachineFolders, "Word", "NotAPath");
  SeedExpandString(kMachineFolders, "Expanded", MissingFile("Expanded"));
  SeedString(kUserFolders, "Personal", MissingFile("Docs"));
  EXPECT_THAT(Scan({1}),
              ElementsAre(std::string(kMachineFolders) + "\\\\:Cache = " + missing,
                          "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                          "Folders\\\\:Personal = " +
                              MissingFile("Docs")));
  EXPECT_EQ(50, harness_->driver.ProgressPosition());
}

TEST_F(ClassSectionsTest, ProtectedRootKeysAreSkippedButAdvanceTheProgress) {
  for (const char* name : {"*", ".exe", ".REG", ".Empty", "Wow6432Node\\CLSID"})
    SeedKey(std::string("HKCR\\") + name);
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\.Empty"));
  EXPECT_EQ(5, harness_->driver.ProgressPosition());
}

TEST_F(ClassSectionsTest, ClassContainersAndHandlerVerbsAreNoStaleLinks) {
  SeedKey("HKCR\\Container\\CLSID\\{A}\\Control");
  SeedString("HKCR\\Container", "", "x");
  SeedString("HKCR\\Delegated\\shell\\open", "ExplorerCommandHandler", "{E}");
  SeedString("HKCR\\Delegated", "", "x");
  SeedKey("HKCR\\EmptyVerb\\shell\\open");
  SeedString("HKCR\\EmptyVerb", "", "x");
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\EmptyVerb\\shell"));
}

TEST_F(ClassSectionsTest, SixtyFourBitTypeLibrariesCountAsFiles) {
  SeedString("HKCR\\TypeLib\\{T64}\\1.0\\0\\win64", "", ExistingFile("lib64.tlb"));
  SeedString("HKCR\\TypeLib\\{G64}\\1.0\\0\\win64", "", MissingFile("gone64.tlb"));
  // The missing file empties its whole library; the version found without a
  // file is reported as well.
  EXPECT_THAT(Scan({2}), ElementsAre("HKCR\\TypeLib\\{G64}", "HKCR\\TypeLib\\{G64}\\1.0"));
}

TEST_F(ClassSectionsTest, ExtensionWhoseClassIsMissingIsReportedWholeOrByItsDefault) {
  SeedString("HKCR\\.gone", "", "gonefile");
  SeedString("HKCR\\.abc", "", "abcfile");
  SeedKey("HKCR\\.abc\\ShellNew");
  SeedString("HKCR\\.ok", "", "okfile");
  SeedString("HKCR\\okfile", "", "OK File");
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\.abc\\\\:", "HKCR\\.gone"));
}

TEST_F(ClassSectionsTest, ClassWithAMissingInprocServerIsReportedAsThatSubKeyOnly) {
  SeedString("HKCR\\CLSID\\{A}\\InprocServer32", "", MissingFile("gone.dll"));
  SeedKey("HKCR\\CLSID\\{A}\\Implemented Categories");
  SeedString("HKCR\\CLSID\\{D}\\InprocServer32", "", MissingFile("descr.dll"));
  SeedString("HKCR\\CLSID\\{D}\\InprocServer32", "InprocServer32", "installer descriptor");
  SeedString("HKCR\\CLSID\\{B}\\InprocServer32", "", "bare.dll");
  SeedString("HKCR\\CLSID\\{E}\\InprocServer32", "", ExistingFile("here.dll"));
  EXPECT_THAT(Scan({4}), ElementsAre("HKCR\\CLSID\\{A}\\InprocServer32"));
}

TEST_F(ClassSectionsTest, ClassWithOnlyAStaleLocalServerIsAlsoReportedWhole) {
  SeedString("HKCR\\CLSID\\{L}\\LocalServer32", "", MissingFile("server.exe"));
  EXPECT_THAT(Scan({4}), ElementsAre("HKCR\\CLSID\\{L}\\LocalServer32", "HKCR\\CLSID\\{L}"));
}

TEST_F(ClassSectionsTest, LinksToClassesFoundStaleEarlierAreStaleToo) {
  SeedKey("HKCR\\Stale.Prog");  // empty: reported in section 3
  SeedString("HKCR\\CLSID\\{C}\\ProgID", "", "Stale.Prog");
  SeedString("HKCR\\CLSID\\{C}\\InprocServer32", "", ExistingFile("c.dll"));
  SeedString("HKCR\\Good.Prog", "", "Good");
  SeedString("HKCR\\CLSID\\{G}\\ProgID", "", "Good.Prog");
  SeedString("HKCR\\CLSID\\{G}\\InprocServer32", "", ExistingFile("g.dll"));
  const std::vector<std::string> lines = Scan({3, 4});
  EXPECT_THAT(lines, Contains("HKCR\\Stale.Prog"));
  EXPECT_THAT(lines, Contains("HKCR\\CLSID\\{C}\\ProgID"));
  EXPECT_THAT(lines, Not(Contains("HKCR\\CLSID\\{G}\\ProgID")));
}

TEST_F(ClassSectionsTest, TheWowBranchIsScannedWithItsOwnPrefix) {
  SeedString("HKCR\\WOW64\\CLSID\\{W}\\InprocServer32", "", MissingFile("w.dll"));
  SeedKey("HKCR\\WOW64\\CLSID\\{W}\\Control");
  SeedKey("HKCR\\CLSID\\{N}\\Control");
  EXPECT_THAT(Scan({4}), ElementsAre("HKCR\\WOW64\\CLSID\\{W}\\InprocServer32"));
}

TEST_F(ClassSectionsTest, DefaultIconsAreCheckedEverywhereBelowAClassKey) {
  SeedString("HKCR\\emptyicon\\DefaultIcon", "", "");
  SeedString("HKCR\\goodicon\\DefaultIcon", "", ExistingFile("icons.dll") + ",3");
  SeedString("HKCR\\deep\\sub\\DefaultIcon", "", MissingFile("deep.ico"));
  SeedString("HKCR\\deep", "", "Deep");
  EXPECT_THAT(Scan({3}),
              ElementsAre("HKCR\\deep\\sub\\DefaultIcon", "HKCR\\emptyicon\\DefaultIcon"));
}

TEST_F(ClassSectionsTest, ShellKeyWithOneStaleVerbIsReportedOnce) {
  SeedString("HKCR\\onefile", "", "One");
  SeedString("HKCR\\onefile\\shell\\open\\command", "", MissingFile("prog.exe") + " \"%1\"");
  SeedString("HKCR\\twofile", "", "Two");
  SeedString("HKCR\\twofile\\shell\\open\\command", "", ExistingFile("two.exe") + " \"%1\"");
  SeedString("HKCR\\twofile\\shell\\print\\command", "", MissingFile("print.exe"));
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\onefile\\shell", "HKCR\\twofile\\shell\\print"));
}

TEST_F(ClassSectionsTest, AShellKeyWhoseVerbLoopWasStoppedIsNotReported) {
  SeedString("HKCR\\working", "", "Working");
  for (const char* verb : {"edit", "open", "print"})
    SeedString(std::string("HKCR\\working\\shell\\") + verb + "\\command", "",
               ExistingFile("tool.exe"));
  onPump_ = [](ScanDriver& d) {
    if (!d.StopFlag() && d.CurrentKeyText().find("\\shell") != std::string::npos)
      d.ScanComplete(ScanEnd::StopButton);
  };
  EXPECT_THAT(Scan({3}), IsEmpty());
}

TEST_F(ClassSectionsTest, ProtocolWithAMissingServerButAWorkingVerbLosesOnlyItsServer) {
  SeedString("HKCR\\proto", "", "Proto");
  SeedString("HKCR\\proto\\protocol\\StdFileEditing\\server", "", MissingFile("srv.exe"));
  SeedString("HKCR\\proto\\protocol\\StdFileEditing\\verb", "", ExistingFile("verb.exe"));
  SeedString("HKCR\\proto\\protocol\\Other\\server", "", MissingFile("other.exe"));
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\proto\\protocol\\Other",
                                     "HKCR\\proto\\protocol\\StdFileEditing\\server"));
}

TEST_F(ClassSectionsTest, ShellNewTemplatesNeedAPathOfTheirOwnToBeJudgedMissing) {
  SeedString("HKCR\\.t1", "", "t1file");
  SeedString("HKCR\\t1file", "", "T1");
  SeedString("HKCR\\.t1\\ShellNew", "Filename", "notinshellnew.t1");
  SeedString("HKCR\\.t2", "", "t1file");
  SeedString("HKCR\\.t2\\ShellNew", "Filename", MissingFile("template.t2"));
  EXPECT_THAT(Scan({3}),
              ElementsAre("HKCR\\.t2\\ShellNew\\\\:Filename = " + MissingFile("template.t2")));
}

TEST_F(ClassSectionsTest, CharsetWhoseCodePageHasNoKeyIsReportedWithItsNumber) {
  SeedDword("HKCR\\MIME\\Database\\Charset\\bad", "CodePage", 4242);
  SeedDword("HKCR\\MIME\\Database\\Charset\\good", "CodePage", 1252);
  SeedKey("HKCR\\MIME\\Database\\CodePage\\1252");
  SeedString("HKCR\\MIME\\Database\\Charset\\alias", "AliasForCharset", "nowhere");
  SeedString("HKCR\\MIME\\Database\\Charset\\alias2", "AliasForCharset", "good");
  EXPECT_THAT(Scan({7}),
              ElementsAre("HKCR\\MIME\\Database\\Charset\\alias\\\\:AliasForCharset = nowhere",
                          "HKCR\\MIME\\Database\\Charset\\bad\\\\:CodePage = 4242"));
}

TEST_F(ClassSectionsTest, ContentTypeLinksToMissingClassesAndExtensions) {
  SeedString("HKCR\\MIME\\Database\\Content Type\\a/b", "CLSID", "{NONE}");
  SeedString("HKCR\\MIME\\Database\\Content Type\\a/b", "Extension", ".none");
  SeedString("HKCR\\MIME\\Database\\Content Type\\c/d", "Extension", ".txt");
  SeedString("HKCR\\.txt", "", "txtfile");
  EXPECT_THAT(Scan({8}),
              ElementsAre("HKCR\\MIME\\Database\\Content Type\\a/b\\\\:CLSID = {NONE}",
                          "HKCR\\MIME\\Database\\Content Type\\a/b\\\\:Extension = .none"));
}

TEST_F(ClassSectionsTest, ExtendedErrorsWithOnlyAMissingClassReportsTheHighestEmptyKey) {
  SeedKey("HKCR\\CLSID\\{X}\\ExtendedErrors\\{MISSING}");
  SeedKey("HKCR\\CLSID\\{X}\\Control");
  SeedKey("HKCR\\CLSID\\{Y}\\ExtendedErrors\\{MISSING}");
  EXPECT_THAT(Scan({4}), ElementsAre("HKCR\\CLSID\\{X}\\ExtendedErrors", "HKCR\\CLSID\\{Y}"));
}

TEST_F(ClassSectionsTest, AppIdsInBracesAreNeverCheckedAndExecutableEntriesMustLink) {
  SeedString("HKCR\\AppID\\app.exe", "AppID", "{GONE}");
  SeedString("HKCR\\AppID\\ok.exe", "AppID", "{HERE}");
  SeedKey("HKCR\\AppID\\{HERE}");
  SeedString("HKCR\\AppID\\{BRACED}", "AppID", "{GONE}");
  SeedDword("HKCR\\AppID\\odd.exe", "AppID", 7);
  EXPECT_THAT(Scan({6}), ElementsAre("HKCR\\AppID\\app.exe"));
}

TEST_F(ClassSectionsTest, TypeLibraryVersionWithoutAnyFileIsReportedWhole) {
  SeedString("HKCR\\TypeLib\\{T}\\1.0\\0\\win32", "", MissingFile("lib.tlb"));
  SeedString("HKCR\\TypeLib\\{T}\\2.0\\0\\win32", "", ExistingFile("lib2.tlb"));
  const std::vector<std::string> lines = Scan({2});
  EXPECT_THAT(lines, Contains("HKCR\\TypeLib\\{T}\\1.0"));
  EXPECT_THAT(lines, Not(Contains("HKCR\\TypeLib\\{T}\\2.0")));
}

TEST_F(ClassSectionsTest, InterfacesNeedTheirProxyClassAndBaseInterface) {
  SeedString("HKCR\\Interface\\{I}\\ProxyStubClsid32", "", "{NOPROXY}");
  SeedString("HKCR\\Interface\\{J}\\ProxyStubClsid32", "", "{PROXY}");
  SeedKey("HKCR\\CLSID\\{PROXY}\\Control");
  EXPECT_THAT(Scan({5}),
              ElementsAre("HKCR\\Interface\\{I}\\ProxyStubClsid32", "HKCR\\Interface\\{I}"));
}

TEST_F(ClassSectionsTest, InterfacesWhoseTypeLibraryIsGoneAreStale) {
  // As registering a type library writes them: marshaled by the automation
  // marshaler, from the library the interface names.
  const std::string marshaler = "{00020424-0000-0000-C000-000000000046}";
  SeedKey("HKCR\\CLSID\\" + marshaler + "\\Control");
  SeedKey("HKCR\\CLSID\\{OWNPROXY}\\Control");
  SeedString("HKCR\\TypeLib\\{L1}\\1.0\\0\\win64", "", MissingFile("gone.tlb"));
  SeedString("HKCR\\TypeLib\\{L3}\\1.0\\0\\win64", "", ExistingFile("kept.tlb"));
  const auto interface = [&](const std::string& name, const std::string& library,
                             const std::string& version, const std::string& proxy) {
    SeedString("HKCR\\Interface\\" + name + "\\TypeLib", "", library);
    if (!version.empty()) SeedString("HKCR\\Interface\\" + name + "\\TypeLib", "Version", version);
    SeedString("HKCR\\Interface\\" + name + "\\ProxyStubClsid32", "", proxy);
  };
  interface("{GONE}", "{L1}", "1.0", marshaler);
  interface("{UNREGISTERED}", "{L2}", "1.0", marshaler);
  interface("{OLDVERSION}", "{L3}", "0.9", marshaler);
  interface("{OWNPROXY}", "{L2}", "1.0", "{OWNPROXY}");
  interface("{KEPT}", "{L3}", "1.0", marshaler);
  interface("{ANYVERSION}", "{L3}", "", marshaler);
  Scan({2, 5});
  std::vector<std::string> lines;
  for (const ProblemEntry& entry : harness_->results.Section(5)) lines.push_back(entry.line);
  EXPECT_THAT(
      lines,
      ElementsAre("HKCR\\Interface\\{GONE}\\TypeLib", "HKCR\\Interface\\{GONE}",
                  "HKCR\\Interface\\{OLDVERSION}\\TypeLib", "HKCR\\Interface\\{OLDVERSION}",
                  "HKCR\\Interface\\{OWNPROXY}\\TypeLib",
                  "HKCR\\Interface\\{UNREGISTERED}\\TypeLib", "HKCR\\Interface\\{UNREGISTERED}"));
  // Section 2 found the whole library {L1} stale.
  EXPECT_EQ((ProblemReason{"type library not registered", "HKCR\\TypeLib\\{L1}"}),
            harness_->results.Section(5)[0].reason);
  EXPECT_EQ((ProblemReason{"type library not registered", "HKCR\\TypeLib\\{L3}\\0.9"}),
            harness_->results.Section(5)[2].reason);
  EXPECT_EQ((ProblemReason{"type library not registered", "HKCR\\TypeLib\\{L2}"}),
            harness_->results.Section(5)[5].reason);
}

TEST_F(ClassSectionsTest, EmptyApplicationKeysAreReported) {
  SeedKey("HKCR\\Applications\\gone.exe");
  SeedString("HKCR\\Applications\\kept.exe\\shell\\open\\command", "", ExistingFile("kept.exe"));
  EXPECT_THAT(Scan({9}), ElementsAre("HKCR\\Applications\\gone.exe"));
}

TEST_F(ClassSectionsTest, VirtualStoreIsNotWalkedOnVistaOnly) {
  SeedString("HKCR\\VirtualStore", "", "x");
  SeedString("HKCR\\VirtualStore\\DefaultIcon", "", MissingFile("v.ico"));
  env_.windowsVersionCode = 8;
  EXPECT_THAT(Scan({3}), IsEmpty());
  env_.windowsVersionCode = 6;
  EXPECT_THAT(Scan({3}), ElementsAre("HKCR\\VirtualStore\\DefaultIcon"));
}

TEST_F(ClassSectionsTest, StopDuringDeepScanEndsWithinFourClassesAndSkipsTheRest) {
  for (int i = 0; i < 40; ++i)
    SeedString("HKCR\\CLSID\\{C" + std::to_string(100 + i) + "}\\InprocServer32", "",
               MissingFile("c.dll"));
  SeedString("HKCR\\WOW64\\CLSID\\{W}\\InprocServer32", "", MissingFile("w.dll"));
  SeedKey("HKCR\\Applications\\gone.exe");
  onPump_ = [](ScanDriver& d) {
    if (!d.StopFlag() && d.CurrentSection() == 4 && d.Results().Section(4).size() >= 5)
      d.ScanComplete(ScanEnd::StopButton);
  };
  const std::vector<std::string> lines = Scan({4, 5, 9});
  EXPECT_GE(lines.size(), 5u);
  EXPECT_LE(lines.size(), 9u);
  EXPECT_THAT(lines, Not(Contains("HKCR\\WOW64\\CLSID\\{W}\\InprocServer32")));
  EXPECT_THAT(lines, Not(Contains("HKCR\\Applications\\gone.exe")));
}

TEST_F(ClassSectionsTest, WithSectionsOneToNineOffNothingIsReported) {
  SeedKey("HKCR\\Applications\\gone.exe");
  SeedString(kMachineFolders, "Cache", MissingFile("x"));
  EXPECT_THAT(Scan({10}), IsEmpty());
}

TEST_F(ClassSectionsTest, ScanMaximumCountsTheEnumeratedKeys) {
  SeedKey("HKCR\\TypeLib\\{1}");
  SeedKey("HKCR\\TypeLib\\{2}");
  SeedKey("HKCR\\CLSID\\{1}");
  SeedDword("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "C:\\a.dll", 1);
  ScanHarness harness({1, 2, 3, 4, 6, 13, 23});
  // 50 x (s1 + 2 s6) + 3 x 2 type libraries + 2 root keys + 1 class + 50 x 1 value
  EXPECT_EQ(150 + 6 + 2 + 1 + 50, ComputeScanMaximum(harness.driver));
  ScanHarness none({24});
  EXPECT_EQ(0, ComputeScanMaximum(none.driver));
}

TEST(ReportedKeys, AnswersAsASubstringSearchOverQuotedUpperCaseTexts) {
  const std::vector<std::string> marks = {"CLSID\\{a}", "TypeLib\\{B}\\1.0", "x\"y", ""};
  ReportedKeys keys;
  std::string quoted;
  for (const std::string& mark : marks) {
    keys.Mark(mark);
    std::string upper = mark;
    for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
    quoted += "\"" + upper + "\"";
  }
  for (const std::string probe :
       {"clsid\\{A}", "CLSID\\{A", "TYPELIB\\{B}\\1.0", "TypeLib", "X\"Y", "x", "", "\"\"", "y\"\"",
        "{A}\"\"TYPELIB\\{B}\\1.0", "nothing"}) {
    std::string upper = probe;
    for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(quoted.find("\"" + upper + "\"") != std::string::npos, keys.Seen(probe)) << probe;
  }
}

TEST(ReportedKeys, EmptyAfterClear) {
  ReportedKeys keys;
  keys.Mark("A");
  keys.Clear();
  EXPECT_FALSE(keys.Seen("a"));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST_F(ClassSectionsTest, ReasonsNameTheRuleAndWhatWasTested) {
  SeedString("HKCR\\CLSID\\{A}\\InprocServer32", "", "%SystemRoot%\\hvm-gone.dll,1");
  SeedString("HKCR\\Interface\\{I}\\ProxyStubClsid32", "", "{NoSuchClass}");
  SeedString(kMachineFolders, "Cache", MissingFile("Cache\\"));
  Scan({1, 4, 5});
  const auto reasonOf = [&](int section, const std::string& line) {
    for (const ProblemEntry& entry : harness_->results.Section(section))
      if (entry.line == line) return entry.reason;
    return ProblemReason{"(not reported)", line};
  };
  EXPECT_EQ((ProblemReason{"file missing", "C:\\windows\\hvm-gone.dll"}),
            reasonOf(4, "HKCR\\CLSID\\{A}\\InprocServer32"));
  EXPECT_EQ((ProblemReason{"class not registered", "HKCR\\CLSID\\{NoSuchClass}"}),
            reasonOf(5, "HKCR\\Interface\\{I}\\ProxyStubClsid32"));
  EXPECT_EQ((ProblemReason{"folder missing", MissingFile("Cache")}),
            reasonOf(1, std::string(kMachineFolders) + "\\\\:Cache = " + MissingFile("Cache\\")));
  // Every rule a section reports is one the user is told in words.
  for (int section : {1, 4, 5})
    for (const ProblemEntry& entry : harness_->results.Section(section)) {
      EXPECT_FALSE(entry.reason.rule.empty() || entry.reason.target.empty()) << entry.line;
      EXPECT_NE(nullptr, ExplanationOf(entry.reason.rule)) << entry.reason.rule;
    }
}

}  // namespace
}  // namespace hvm
