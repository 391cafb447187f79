#include "engine/scan/scan_cache.h"

#include <cstring>
#include <gtest/gtest.h>

#include "engine/core/environment.h"
#include "engine/core/text_encoding.h"
#include "engine/scan/file_tests.h"
#include "engine/scan/find_file.h"
#include "engine/scan/path_resolution.h"
#include "engine/scan/scan_driver.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/scan_harness.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using namespace hvm::test;

// What the system says is at `path`: what a cache's answer must be.
ScanCache::Entry SystemEntry(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ScanCache::Entry::Missing;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? ScanCache::Entry::Folder : ScanCache::Entry::File;
}

class ScanCacheTest : public RegistrySandboxTest {
 protected:
  void SetUp() override { InitEnvironment(); }
  TestFolder folder_;
};

// Each scan starts from nothing: what changed between two scans is seen by
// the second, while within one scan an answer once given stands.
TEST_F(ScanCacheTest, NeverAnswersAcrossScans) {
  const std::string file = folder_.File("later.dll");
  ScanHarness harness({23});
  std::vector<bool> seen;
  harness.groups.filePathReferences = [&](ScanDriver&) {
    seen.push_back(SoftwareExists(file));
    seen.push_back(FileExists(file));
    seen.push_back(FindFile(folder_.Path() + "\\", "later.dll"));
    seen.push_back(ScanCache::Active()->KeyOpens(HKEY_CLASSES_ROOT, "\\CLSID\\{Later}"));
    folder_.WriteFile("later.dll", "x");
    SeedKey("HKCR\\CLSID\\{Later}");
    // Asked again in the same scan: the first answers stand.
    seen.push_back(SoftwareExists(file));
    seen.push_back(FileExists(file));
  };
  harness.driver.RunScan();
  EXPECT_EQ(std::vector<bool>(6, false), seen);
  EXPECT_EQ(nullptr, ScanCache::Active());

  seen.clear();
  harness.groups.filePathReferences = [&](ScanDriver&) {
    seen.push_back(SoftwareExists(file));
    seen.push_back(FileExists(file));
    seen.push_back(FindFile(folder_.Path() + "\\", "later.dll"));
    seen.push_back(ScanCache::Active()->KeyOpens(HKEY_CLASSES_ROOT, "\\CLSID\\{Later}"));
  };
  harness.driver.RunScan();
  EXPECT_EQ(std::vector<bool>(4, true), seen);
}

// A folder found missing stands for every path below it within the scan,
// also for one not asked about before.
TEST_F(ScanCacheTest, AFolderFoundMissingStandsForEveryPathBelowIt) {
  const std::string asked = folder_.File("Later\\Deeper\\first.dll");
  const std::string notAskedYet = folder_.File("Later\\Other\\second.dll");
  {
    ScanCache cache;
    const ScanCache::Scope scope(cache);
    EXPECT_FALSE(FileExists(asked));
    folder_.WriteFile("Later\\Other\\second.dll", "x");
    EXPECT_FALSE(FileExists(notAskedYet));
  }
  ScanCache cache;
  const ScanCache::Scope scope(cache);
  EXPECT_TRUE(FileExists(notAskedYet));
}

TEST_F(ScanCacheTest, AListingTellsWhichKeysAreMissingButNotWhichOpen) {
  SeedKey("HKCR\\Parent\\Here\\Deeper");
  SeedKey("HKCR\\Parent\\Other");
  ScanCache cache;
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\Gone")) << "nothing listed yet";
  const std::vector<std::string>* names = cache.SubKeys(HKEY_CLASSES_ROOT, "\\Parent");
  ASSERT_NE(nullptr, names);
  EXPECT_EQ(2u, names->size());
  EXPECT_TRUE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\Gone"));
  EXPECT_TRUE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "\\PARENT\\gone\\Deeper"));
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\HERE"));
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\Here\\Unknown"));
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\\\Gone")) << "an empty component";
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Parent\\G\xF6ne")) << "beyond ASCII";
  EXPECT_TRUE(cache.KeyOpens(HKEY_CLASSES_ROOT, "Parent\\here\\DEEPER"));
  EXPECT_FALSE(cache.KeyOpens(HKEY_CLASSES_ROOT, "Parent\\Gone"));
  EXPECT_EQ(nullptr, cache.SubKeys(HKEY_CLASSES_ROOT, "Nowhere"));
}

// A name the code page cannot hold enumerates with "?" in it; such a listing
// cannot say what is missing, since the system may fold that name otherwise.
TEST_F(ScanCacheTest, AListingWithNamesOutsideTheCodePageTellsNothingMissing) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Wide\\\x0131con", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  ScanCache cache;
  ASSERT_NE(nullptr, cache.SubKeys(HKEY_CLASSES_ROOT, "Wide"));
  EXPECT_FALSE(cache.KeyKnownMissing(HKEY_CLASSES_ROOT, "Wide\\ICON"));
}

// Questions are folded to one case only where the cache knows the case rules
// (plain ASCII); two roots beyond ASCII are two questions.
TEST_F(ScanCacheTest, DriveTypesAreAskedOncePerRootAndNeverSharedBeyondAscii) {
  ScanCache cache;
  int asked = 0;
  const auto answer = [&asked](unsigned type) {
    return [&asked, type] {
      ++asked;
      return type;
    };
  };
  EXPECT_EQ(3u, cache.DriveType("c:\\", answer(3)));
  EXPECT_EQ(3u, cache.DriveType("C:\\", answer(5)));
  EXPECT_EQ(1, asked);
  EXPECT_EQ(1u, cache.DriveType("\xE9:\\", answer(1)));
  EXPECT_EQ(4u, cache.DriveType("\xFC:\\", answer(4)));
  EXPECT_EQ(4u, cache.DriveType("\xFC:\\", answer(6)));
  EXPECT_EQ(3, asked);
}

// The folder listings answer as the system does for every plain path, and
// leave every other path to the system.
TEST_F(ScanCacheTest, FolderListingsAnswerAsTheSystemDoes) {
  folder_.WriteFile("Sub Folder\\file.txt", "x");
  folder_.WriteFile("tool.exe", "x");
  // The file functions take UTF-8 names; the test folder's helper does not.
  ASSERT_TRUE(CreateDirectoryA(folder_.File("Caf\xC3\xA9 Dir").c_str(), nullptr));
  const HANDLE inner = CreateFileA(folder_.File("Caf\xC3\xA9 Dir\\inner.txt").c_str(),
                                   GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, inner);
  CloseHandle(inner);
  ScanCache cache;
  using Entry = ScanCache::Entry;
  EXPECT_EQ(Entry::File, cache.EntryAt(folder_.File("TOOL.EXE")));
  EXPECT_EQ(Entry::Folder, cache.EntryAt(folder_.File("sub folder")));
  EXPECT_EQ(Entry::File, cache.EntryAt(folder_.File("Sub Folder\\file.txt")));
  EXPECT_EQ(Entry::Missing, cache.EntryAt(folder_.File("gone.exe")));
  EXPECT_EQ(Entry::Missing, cache.EntryAt(folder_.File("gone\\deeper\\x.dll")));
  EXPECT_EQ(Entry::Missing, cache.EntryAt(folder_.File("tool.exe\\x.dll"))) << "below a file";
  EXPECT_EQ(Entry::Missing, cache.EntryAt("C:\\hvm-no-such-folder\\x.dll"));
  // With "gone" known missing: a name that climbs out of it, and folders that
  // are there by another case, script or short name, are what the system says.
  for (const std::string& path :
       {folder_.File("gone\\.."), folder_.File("gone\\deeper\\.."), folder_.File("gone\\..."),
        folder_.File("SUB FOLDER\\FILE.TXT"), folder_.File("CAF\xC3\x89 DIR\\inner.txt"),
        folder_.File("caf\xC3\xA9 dir\\INNER.TXT")})
    EXPECT_EQ(SystemEntry(path), cache.EntryAt(path).value_or(SystemEntry(path))) << path;
  // A short name is a name of the entry too, also in a listed folder.
  char shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameA(folder_.File("Sub Folder").c_str(), shortPath, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    EXPECT_EQ(Entry::Folder, cache.EntryAt(shortPath));
    const std::string shortName = std::strrchr(shortPath, '\\') + 1;
    EXPECT_EQ(Entry::Folder, cache.EntryAt(folder_.File(shortName)));
    EXPECT_EQ(Entry::File, cache.EntryAt(folder_.File(shortName + "\\file.txt")));
  }
  // Paths no listing can answer get the system's own answer or none.
  for (const std::string& other :
       {folder_.File("tool.exe."), folder_.File("tool.exe "), folder_.File("..\\x"),
        folder_.File("tool.exe /s"), folder_.File("gone\\x/../../tool.exe"),
        folder_.File("caf\xE9.exe")}) {
    const std::optional<Entry> entry = cache.EntryAt(other);
    if (entry) {
      EXPECT_EQ(SystemEntry(other), *entry) << other;
    }
  }
  for (const std::string& other :
       {folder_.File("t*.exe"), folder_.File("nul"), folder_.File("COM1.txt"),
        folder_.File("gone\\nul"), folder_.Path() + "\\", std::string("C:\\"),
        std::string("\\\\server\\share\\x"), std::string("relative\\x")})
    EXPECT_FALSE(cache.EntryAt(other).has_value()) << other;
  EXPECT_EQ(true, cache.AnyEntryWithExtension(folder_.File("TOOL")));
  EXPECT_EQ(false, cache.AnyEntryWithExtension(folder_.File("too")));
  EXPECT_EQ(false, cache.AnyEntryWithExtension(folder_.File("gone\\tool")));
}

// A folder asked about now and then is looked at path by path, one asked
// about often is listed: the answers are the same, and the system's, for
// names of every script and case, long and short, and below a folder that
// is not there.
TEST_F(ScanCacheTest, LooksAndListingsAnswerAsTheSystemForEveryName) {
  const std::vector<std::wstring> made = {L"Caf\x00e9 Menu.txt",
                                          L"\x03a3\x039f\x03a6\x0399\x0391.dll",
                                          L"\x03c2"
                                          L"x.dat",
                                          L"\xff41"
                                          L"b.txt",
                                          L"stra\x00df"
                                          L"e.txt",
                                          L"\x0131"
                                          L"con.ico",
                                          L"\xd801\xdc28"
                                          L"z.txt",
                                          L"setup.exe",
                                          L"\x0430\x0431\x0432 Folder"};
  for (const std::wstring& name : made) {
    const std::wstring path = WideFromText(folder_.Path()) + L"\\" + name;
    if (name.ends_with(L"Folder")) {
      ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
      continue;
    }
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
  }
  std::vector<std::string> paths;
  for (const wchar_t* asked : {L"CAF\x00c9 MENU.TXT",
                               L"caf\x00e9 menu.txt",
                               L"CAFE MENU.TXT",
                               L"\x03c3\x03bf\x03c6\x03b9\x03b1.DLL",
                               L"\x03a3"
                               L"X.DAT",
                               L"\x03c3"
                               L"x.dat",
                               L"\xff21"
                               L"B.TXT",
                               L"STRASSE.TXT",
                               L"STRA\x00df"
                               L"E.TXT",
                               L"ICON.ICO",
                               L"icon.ico",
                               L"\x0130"
                               L"CON.ICO",
                               L"\xd801\xdc00"
                               L"Z.TXT",
                               L"\xd801\xdc28"
                               L"Z.TXT",
                               L"\x017f"
                               L"etup.exe",
                               L"SETUP.EXE",
                               L"\x0410\x0411\x0412 FOLDER",
                               L"\x0410\x0411\x0412 FOLDER\\x",
                               L"gone.dll",
                               L"gone\\deeper\\x.dll",
                               L"setup.exe\\x"})
    paths.push_back(folder_.Path() + "\\" + TextFromWide(asked));
  paths.push_back("Q:\\hvm-no-such-drive\\x.dll");
  const auto answers = [](const std::string& path) {
    return std::to_string(FileExists(path)) + std::to_string(FolderExists(path)) +
           std::to_string(AnyEntryMatches(path + ".*"));
  };
  const auto ask = [&] {
    std::vector<std::string> all;
    for (const std::string& path : paths) all.push_back(answers(path));
    return all;
  };
  const std::vector<std::string> outside = ask();
  std::vector<std::string> looked;
  for (const std::string& path : paths) {
    // The first question about its folder in a scan of its own.
    ScanCache cache;
    const ScanCache::Scope scope(cache);
    looked.push_back(answers(path));
  }
  EXPECT_EQ(outside, looked) << "looked at";
  ScanCache cache;
  const ScanCache::Scope scope(cache);
  for (int i = 0; i <= FolderListings::kLooksBeforeListing; ++i)
    FileExists(folder_.File("other" + std::to_string(i)));
  EXPECT_EQ(outside, ask()) << "listed";
}

// In a scan the file questions go through the listings; their answers match
// the system's outside a scan.
TEST_F(ScanCacheTest, FileQuestionsInAScanMatchTheSystem) {
  folder_.WriteFile("App\\app.exe", "x");
  folder_.WriteFile("data.txt", "x");
  const std::vector<std::string> paths = {
      folder_.File("App\\app.exe"), folder_.File("App"),
      folder_.File("App\\"),        folder_.File("app\\APP.EXE"),
      folder_.File("gone.dll"),     folder_.File("data"),
      folder_.File("data.txt."),    folder_.File("App\\app.exe\\x"),
      "C:\\hvm-gone\\a.dll"};
  const auto ask = [&] {
    std::vector<bool> answers;
    for (const std::string& path : paths) {
      answers.push_back(FileExists(path));
      answers.push_back(FolderExists(path));
      answers.push_back(AnyEntryMatches(path + ".*"));
      const size_t slash = path.rfind('\\');
      answers.push_back(FolderHoldsEntry(path.substr(0, slash), path.substr(slash + 1)));
    }
    return answers;
  };
  const std::vector<bool> outside = ask();
  ScanCache cache;
  const ScanCache::Scope scope(cache);
  EXPECT_EQ(outside, ask());
}

}  // namespace
}  // namespace hvm
