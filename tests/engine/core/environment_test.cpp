#include "engine/core/environment.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "support/process.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

UINT WINAPI SucceedingProbe(LPWSTR buffer, UINT size) {
  lstrcpynW(buffer, L"C:\\Windows\\SysWOW64", int(size));
  return 19;
}
UINT WINAPI NotImplementedProbe(LPWSTR, UINT) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}
UINT WINAPI OtherwiseFailingProbe(LPWSTR, UINT) {
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

// Independent of the code under test: the platform's own membership check.
bool PlatformSaysAdministrator() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
    return false;
  BOOL member = FALSE;
  CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  return member != FALSE;
}

std::string TodaysSnapshotName() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SnapshotNameFor(now.wYear, now.wMonth, now.wDay);
}

TEST(WindowsVersionCode, NinetyFivePlatform) {
  EXPECT_EQ(1, WindowsVersionCodeFor(VER_PLATFORM_WIN32_WINDOWS, 4, 0));
  EXPECT_EQ(2, WindowsVersionCodeFor(VER_PLATFORM_WIN32_WINDOWS, 4, 10));
  EXPECT_EQ(3, WindowsVersionCodeFor(VER_PLATFORM_WIN32_WINDOWS, 4, 90));
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32_WINDOWS, 4, 3));
}

TEST(WindowsVersionCode, NtPlatformUpToVista) {
  EXPECT_EQ(4, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 3, 51));
  EXPECT_EQ(4, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 4, 0));
  EXPECT_EQ(5, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 5, 0));
  EXPECT_EQ(6, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 5, 1));
  EXPECT_EQ(7, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 5, 2));
  EXPECT_EQ(8, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 6, 0));
}

TEST(WindowsVersionCode, LaterAndUnknownVersionsAreZero) {
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 6, 1));
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 6, 3));
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 10, 0));
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32_NT, 5, 3));
  EXPECT_EQ(0, WindowsVersionCodeFor(VER_PLATFORM_WIN32s, 3, 10));
}

TEST(Is64BitWindows, DecidedByTheWow64DirectoryProbe) {
  EXPECT_FALSE(Is64BitWindowsWith(nullptr));
  EXPECT_TRUE(Is64BitWindowsWith(SucceedingProbe));
  // 32-bit Windows XP has the function, but it is not implemented there.
  EXPECT_FALSE(Is64BitWindowsWith(NotImplementedProbe));
  EXPECT_TRUE(Is64BitWindowsWith(OtherwiseFailingProbe));
}

TEST(IsAdministrator, AgreesWithThePlatformsMembershipCheck) {
  EXPECT_EQ(PlatformSaysAdministrator(), TokenHoldsAdministrators());
}

TEST(IsAdministrator, ReadsTheThreadTokenWhileImpersonating) {
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  const bool impersonated = TokenHoldsAdministrators();
  RevertToSelf();
  EXPECT_EQ(PlatformSaysAdministrator(), impersonated);
}

TEST(VersionText, TheProgramsReadTheirFileVersionString) {
  const std::string expected = HVM_VERSION;
  EXPECT_EQ(expected, VersionTextOf(test::ProgramFolder() + "\\hvmend-cli.exe"));
  EXPECT_EQ(expected, VersionTextOf(test::ProgramFolder() + "\\hvmend.exe"));
}

TEST(VersionText, WithoutAVersionStringTheFixedVersionIsUsed) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_EQ("2.3.4.5", VersionTextOf(self));
}

TEST(VersionText, NoVersionResourceGivesEmptyText) {
  test::TestFolder folder;
  EXPECT_EQ("", VersionTextOf(folder.WriteFile("plain.txt", "not a program")));
  EXPECT_EQ("", VersionTextOf(folder.File("missing.exe")));
}

TEST(DataFolder, LocalApplicationDataPlusTheMakersFolder) {
  EXPECT_EQ("C:\\Users\\me\\AppData\\Local\\BrightfoldSoftware",
            DataFolderFor("C:\\Users\\me\\AppData\\Local", "C:\\Program Files\\Hivemend"));
  EXPECT_EQ("C:\\Local\\BrightfoldSoftware", DataFolderFor("C:\\Local\\", "C:\\P"));
}

TEST(DataFolder, WithoutLocalApplicationDataTheProgramFolder) {
  EXPECT_EQ("C:\\Program Files\\Hivemend", DataFolderFor("", "C:\\Program Files\\Hivemend"));
}

TEST(SnapshotName, UndoAndTheDateWithTwoDigitMonthAndDay) {
  EXPECT_EQ("Undo20070301", SnapshotNameFor(2007, 3, 1));
  EXPECT_EQ("Undo19991231", SnapshotNameFor(1999, 12, 31));
}

// Wine's own copy of Tahoma (package fonts-wine), reached through drive Z:.
constexpr char kWineTahoma[] = "Z:\\usr\\share\\wine\\fonts\\tahoma.ttf";

TEST(InterfaceFont, UnknownOrMalformedNamesAreNotInstalled) {
  EXPECT_FALSE(FontInstalled("Hivemend No Such Font"));
  EXPECT_FALSE(FontInstalled(""));
  EXPECT_FALSE(FontInstalled(std::string(40, 'T')));
}

TEST(InterfaceFont, AFontAddedToTheSystemIsFoundAndChosenAsFallback) {
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kWineTahoma)) << "fonts-wine is missing";
  ASSERT_GT(AddFontResourceExA(kWineTahoma, FR_PRIVATE, nullptr), 0);
  EXPECT_TRUE(FontInstalled("Tahoma"));
  EXPECT_TRUE(FontInstalled("tahoma"));
  const InterfaceFont font = ChooseInterfaceFont();
  RemoveFontResourceExA(kWineTahoma, FR_PRIVATE, nullptr);
  // Wine ships no Segoe UI, so Tahoma at its designed size is the choice.
  ASSERT_FALSE(FontInstalled("Segoe UI"));
  EXPECT_EQ("Tahoma", font.name);
  EXPECT_EQ(0, font.sizeIncrease);
}

class InitEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override { InitEnvironment(); }
  const EnvironmentValues& env_ = Environment();
};

TEST_F(InitEnvironmentTest, FoldersHaveTheirDocumentedShape) {
  EXPECT_EQ(test::ProgramFolder(), env_.programFolder);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(std::string(windows) + "\\", env_.windowsFolder);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(std::string(system) + "\\", env_.systemFolder);
}

TEST_F(InitEnvironmentTest, TheDataFolderIsCreatedUnderLocalApplicationData) {
  char local[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local));
  const std::string expected = std::string(local) + "\\BrightfoldSoftware";
  EXPECT_EQ(expected, env_.dataFolder);
  // Removed when empty, so that the next start has to create it again.
  RemoveDirectoryA(expected.c_str());
  InitEnvironment();
  const DWORD attributes = GetFileAttributesA(expected.c_str());
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(InitEnvironmentTest, VersionAndRightsOfThisSystem) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  const bool sevenOrLater =
      version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 1);
  ASSERT_TRUE(sevenOrLater) << "Wine reports Windows 7 or later";
  EXPECT_EQ(0, env_.WindowsVersionCode);
  char wow64[MAX_PATH];
  EXPECT_EQ(GetSystemWow64DirectoryA(wow64, MAX_PATH) != 0, env_.Is64BitWindows);
  EXPECT_EQ(PlatformSaysAdministrator(), env_.IsAdministrator);
}

TEST_F(InitEnvironmentTest, VersionTextAndTodaysSnapshotName) {
  EXPECT_EQ("2.3.4.5", env_.VersionText);
  const std::string before = TodaysSnapshotName();
  RefreshSnapshotName();
  const std::string after = TodaysSnapshotName();
  // Either side of a midnight that may fall between the two readings.
  EXPECT_TRUE(env_.SnapshotName == before || env_.SnapshotName == after) << env_.SnapshotName;
}

}  // namespace
}  // namespace hvm
