#include "engine/core/registry.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sddl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/registry_sandbox.h"

namespace hvm {
namespace {

using test::RegistrySandboxTest;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

// Independent of the class under test: raw platform calls.
bool RawKeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void RawCreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  RegCloseKey(key);
}

void RawSetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size));
  RegCloseKey(key);
}

DWORD RawValueType(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0xFFFF;
  DWORD type = 0xFFFF;
  RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, nullptr);
  RegCloseKey(key);
  return type;
}

std::string ExceptionText(const std::function<void()>& action) {
  try {
    action();
  } catch (const RegistryError& error) {
    return error.what();
  }
  return "(no exception)";
}

class TNTRegistryTest : public RegistrySandboxTest {
 protected:
  // A registry object with HKLM\Software\Test open.
  RegistrySession& Opened() {
    registry_.SetRoot(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(registry_.OpenKey("\\Software\\Test", true));
    return registry_;
  }
  RegistrySession registry_;
};

TEST_F(TNTRegistryTest, StartsAtCurrentUserWithNoKeyOpen) {
  EXPECT_EQ(HKEY_CURRENT_USER, registry_.RootKey());
  EXPECT_EQ(nullptr, registry_.CurrentKey());
  EXPECT_EQ("", registry_.CurrentPath());
}

TEST_F(TNTRegistryTest, SetRootClosesTheKeyOnlyWhenTheRootChanges) {
  Opened();
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_NE(nullptr, registry_.CurrentKey());
  EXPECT_EQ("Software\\Test", registry_.CurrentPath());
  registry_.SetRoot(HKEY_CLASSES_ROOT);
  EXPECT_EQ(nullptr, registry_.CurrentKey());
  EXPECT_EQ("", registry_.CurrentPath());
}

TEST_F(TNTRegistryTest, OpenKeyPathsFollowAbsoluteAndRelativeRules) {
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\X\\Y");
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKey("Software", false));
  EXPECT_EQ("Software", registry_.CurrentPath());
  ASSERT_TRUE(registry_.OpenKey("X", false));
  EXPECT_EQ("Software\\X", registry_.CurrentPath());
  ASSERT_TRUE(registry_.OpenKey("Y", false));
  EXPECT_EQ("Software\\X\\Y", registry_.CurrentPath());
  ASSERT_TRUE(registry_.OpenKey("\\Software\\X", false));
  EXPECT_EQ("Software\\X", registry_.CurrentPath());
}

TEST_F(TNTRegistryTest, FailedOpenLeavesTheObjectAsItWas) {
  Opened();
  const HKEY before = registry_.CurrentKey();
  EXPECT_FALSE(registry_.OpenKey("\\Software\\Missing", false));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry_.LastError());
  EXPECT_EQ(before, registry_.CurrentKey());
  EXPECT_EQ("Software\\Test", registry_.CurrentPath());
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Missing"));
}

TEST_F(TNTRegistryTest, OpenKeyWithCreationCreatesTheWholePath) {
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKey("\\Software\\A\\B\\C", true));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\A\\B\\C"));
  EXPECT_EQ("Software\\A\\B\\C", registry_.CurrentPath());
}

TEST_F(TNTRegistryTest, EmptyPathWithCreationOpensTheBaseAndCreatesNothing) {
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKey("", true));
  EXPECT_NE(nullptr, registry_.CurrentKey());
  EXPECT_EQ("", registry_.CurrentPath());
  EXPECT_TRUE(registry_.ListSubKeys().empty());
}

TEST_F(TNTRegistryTest, NoRootKeyMeansNothingOpens) {
  registry_.SetRoot(nullptr);
  EXPECT_FALSE(registry_.OpenKey("Software\\X", false));
}

TEST_F(TNTRegistryTest, KeyNameOf255CharactersRoundTrips) {
  // The ANSI functions take paths of at most MAX_PATH characters, so the long
  // name is opened relative to its parent.
  const std::string name(255, 'k');
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKey("\\Software", true));
  ASSERT_TRUE(registry_.OpenKey(name, true));
  EXPECT_EQ("Software\\" + name, registry_.CurrentPath());
  ASSERT_TRUE(registry_.OpenKey("\\Software", false));
  EXPECT_THAT(registry_.ListSubKeys(), ElementsAre(name));
  EXPECT_TRUE(registry_.KeyPresent(name));
}

TEST_F(TNTRegistryTest, KeyPresentTellsExistingFromMissingAndCreatesNothing) {
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Here");
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry_.KeyPresent("\\Software\\Here"));
  EXPECT_FALSE(registry_.KeyPresent("\\Software\\Gone"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Gone"));
  EXPECT_FALSE(registry_.KeyPresent("\\Software\\Gone\\Deeper"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Gone"));
}

TEST_F(TNTRegistryTest, OpenKeyHandleLeavesTheCurrentKeyAlone) {
  Opened();
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\Child");
  const HKEY before = registry_.CurrentKey();
  ScopedKey child = registry_.OpenKeyHandle("Child");
  EXPECT_TRUE(child.IsValid());
  EXPECT_EQ(before, registry_.CurrentKey());
  EXPECT_EQ("Software\\Test", registry_.CurrentPath());
  EXPECT_FALSE(registry_.OpenKeyHandle("NoChild").IsValid());
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Test\\NoChild"));
}

TEST_F(TNTRegistryTest, DeleteKeyTreeRemovesThreeLevelsWithSeveralSubKeysEach) {
  for (const char* a : {"a1", "a2", "a3"})
    for (const char* b : {"b1", "b2"})
      for (const char* c : {"c1", "c2", "c3"}) {
        const std::string path = std::string("Software\\Tree\\") + a + "\\" + b + "\\" + c;
        RawCreateKey(HKEY_LOCAL_MACHINE, path);
        const DWORD one = 1;
        RawSetValue(HKEY_LOCAL_MACHINE, path, "v", REG_DWORD, &one, sizeof(one));
      }
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Sibling");
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry_.DeleteKeyTree("\\Software\\Tree"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Tree"));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Sibling"));
}

TEST_F(TNTRegistryTest, DeleteKeyTreeRelativeToTheOpenKeyKeepsItOpen) {
  Opened();
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\Sub\\Leaf");
  EXPECT_TRUE(registry_.DeleteKeyTree("Sub"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Test\\Sub"));
  EXPECT_EQ("Software\\Test", registry_.CurrentPath());
  registry_.WriteText("still", "open");
  EXPECT_EQ("open", registry_.ReadText("still"));
}

TEST_F(TNTRegistryTest, DeleteKeyTreeOfAMissingKeyIsFalseAndCreatesNothing) {
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(registry_.DeleteKeyTree("\\Software\\Nothing\\Here"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry_.LastError());
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Nothing"));
}

TEST_F(TNTRegistryTest, DeleteKeyTreeRefusesAnEmptyPath) {
  Opened();
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\Keep");
  EXPECT_FALSE(registry_.DeleteKeyTree(""));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Test\\Keep"));
}

// The native name of a key ("\REGISTRY\USER\...") for a link's target.
std::wstring NativeKeyName(HKEY root, const std::string& path) {
  using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto ntQueryKey =
      reinterpret_cast<NtQueryKeyFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey"));
  HKEY key = nullptr;
  if (!ntQueryKey || RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"";
  std::vector<unsigned char> buffer(4096);
  ULONG length = 0;
  const LONG status =
      ntQueryKey(key, 3 /* KeyNameInformation */, buffer.data(), ULONG(buffer.size()), &length);
  RegCloseKey(key);
  if (status != 0) return L"";
  ULONG bytes = 0;
  std::memcpy(&bytes, buffer.data(), sizeof(bytes));
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)),
                      bytes / sizeof(wchar_t));
}

TEST_F(TNTRegistryTest, DeleteKeyTreeOfASymbolicLinkDeletesOnlyTheLink) {
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Target\\Precious");
  const std::wstring target = NativeKeyName(HKEY_LOCAL_MACHINE, "Software\\Target");
  ASSERT_FALSE(target.empty());
  HKEY link = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Link", 0, nullptr,
                            REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                          reinterpret_cast<const BYTE*>(target.data()),
                                          DWORD(target.size() * sizeof(wchar_t))));
  RegCloseKey(link);
  ASSERT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Link\\Precious"));

  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry_.DeleteKeyTree("\\Software\\Link"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Link"));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Target\\Precious"));
}

TEST_F(TNTRegistryTest, ReadKeyInfoCountsSubKeysAndValues) {
  EXPECT_FALSE(registry_.ReadKeyInfo().has_value());  // no key open
  Opened();
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\abcdef");
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\ab");
  registry_.WriteText("value", "0123456789");
  registry_.WriteDword("v", 1);
  const std::optional<RegKeyInfo> info = registry_.ReadKeyInfo();
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(2u, info->subKeyCount);
  EXPECT_GE(info->maxSubKeyLen, 6u);
  EXPECT_EQ(2u, info->valueCount);
  EXPECT_GE(info->maxValueLen, 5u);
  EXPECT_GE(info->maxDataLen, 11u);
  EXPECT_TRUE(registry_.HasChildKeys());
  EXPECT_THAT(registry_.ListSubKeys(), UnorderedElementsAre("abcdef", "ab"));
  EXPECT_THAT(registry_.ListValueNames(), UnorderedElementsAre("value", "v"));
}

TEST_F(TNTRegistryTest, ListsAreEmptyWithoutAKeyAndListTheDefaultValueAsEmptyName) {
  EXPECT_TRUE(registry_.ListSubKeys().empty());
  EXPECT_TRUE(registry_.ListValueNames().empty());
  EXPECT_FALSE(registry_.HasChildKeys());
  Opened();
  EXPECT_FALSE(registry_.HasChildKeys());
  registry_.WriteText("", "default");
  EXPECT_THAT(registry_.ListValueNames(), ElementsAre(""));
}

// What the platform answers for this key does not depend on the sandbox: Wine
// refuses its value enumeration at index 0 with ERROR_INVALID_HANDLE.
TEST(TNTRegistryPlatform, ValueListingEndsWhereThePlatformRefusesAnIndex) {
  RegistrySession registry;
  registry.SetRoot(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey("\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", false))
    GTEST_SKIP() << "this system has no Perflib\\009 key";
  const std::vector<std::string> names = registry.ListValueNames();
  EXPECT_LT(names.size(), 1000u);
  // The list was cut short, and the caller can tell.
  if (names.empty()) {
    EXPECT_NE(ERROR_SUCCESS, registry.LastError());
  }
}

TEST_F(TNTRegistryTest, ACompleteListIsToldFromOneCutShort) {
  Opened();
  registry_.WriteText("a", "1");
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\Sub");
  EXPECT_THAT(registry_.ListValueNames(), ElementsAre("a"));
  EXPECT_EQ(ERROR_SUCCESS, registry_.LastError());
  EXPECT_THAT(registry_.ListSubKeys(), ElementsAre("Sub"));
  EXPECT_EQ(ERROR_SUCCESS, registry_.LastError());
  registry_.CloseKey();
  EXPECT_TRUE(registry_.ListSubKeys().empty());
  EXPECT_EQ(ERROR_INVALID_HANDLE, registry_.LastError());
}

// One pass with the key's counts reads what the two lists read, data cut at
// the same capacity; an empty key and no key give nothing.
TEST_F(TNTRegistryTest, ReadContentsReadsWhatTheListsRead) {
  EXPECT_TRUE(registry_.ReadContents(16).subKeys.empty());
  Opened();
  RegistrySession::Contents empty = registry_.ReadContents(16);
  EXPECT_TRUE(empty.subKeys.empty());
  EXPECT_TRUE(empty.values.empty());
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\One");
  RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Test\\Two");
  registry_.WriteText("", "default");
  registry_.WriteText("short", "0123");
  registry_.WriteText(std::string(600, 'n'), std::string(40, 'x'));
  registry_.WriteDword("number", 7);
  const RegistrySession::Contents contents = registry_.ReadContents(16);
  EXPECT_EQ(registry_.ListSubKeys(), contents.subKeys);
  const std::vector<RegListedValue> listed = registry_.ListValues(16);
  ASSERT_EQ(listed.size(), contents.values.size());
  for (size_t i = 0; i < listed.size(); ++i) {
    SCOPED_TRACE(listed[i].name);
    EXPECT_EQ(listed[i].name, contents.values[i].name);
    EXPECT_EQ(listed[i].type, contents.values[i].type);
    EXPECT_EQ(listed[i].size, contents.values[i].size);
    EXPECT_EQ(listed[i].complete, contents.values[i].complete);
    EXPECT_EQ(listed[i].data, contents.values[i].data);
  }
  EXPECT_EQ(4u, contents.values.size());
}

TEST_F(TNTRegistryTest, OpenKeyToReadOpensForReadingOnlyAndAFailureChangesNothing) {
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\R\\S", "v", REG_SZ, "x", 2);
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKeyToRead("\\Software\\R"));
  ASSERT_TRUE(registry_.OpenKeyToRead("S"));
  EXPECT_EQ("Software\\R\\S", registry_.CurrentPath());
  EXPECT_EQ("x", registry_.ReadText("v"));
  EXPECT_EQ("Failed to set data for 'v'", ExceptionText([&] { registry_.WriteText("v", "y"); }));
  const HKEY before = registry_.CurrentKey();
  EXPECT_FALSE(registry_.OpenKeyToRead("\\Software\\Missing"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry_.LastError());
  EXPECT_EQ(before, registry_.CurrentKey());
  EXPECT_EQ("Software\\R\\S", registry_.CurrentPath());
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Missing"));
}

TEST_F(TNTRegistryTest, EachKindIsWrittenWithItsPlatformTypeAndReadBack) {
  struct Case {
    RegDataKind kind;
    DWORD platformType;
    RegDataKind readAs;
  };
  const Case cases[] = {
      {RegDataKind::kUnknown, REG_NONE, RegDataKind::kNone},
      {RegDataKind::kNone, REG_NONE, RegDataKind::kNone},
      {RegDataKind::kString, REG_SZ, RegDataKind::kString},
      {RegDataKind::kExpandString, REG_EXPAND_SZ, RegDataKind::kExpandString},
      {RegDataKind::kBinary, REG_BINARY, RegDataKind::kBinary},
      {RegDataKind::kDword, REG_DWORD, RegDataKind::kDword},
      {RegDataKind::kDwordLittleEndian, REG_DWORD, RegDataKind::kDword},
      {RegDataKind::kDwordBigEndian, REG_DWORD_BIG_ENDIAN, RegDataKind::kDwordBigEndian},
      {RegDataKind::kLink, REG_LINK, RegDataKind::kLink},
      {RegDataKind::kMultiString, REG_MULTI_SZ, RegDataKind::kMultiString},
      {RegDataKind::kResourceList, REG_RESOURCE_LIST, RegDataKind::kResourceList},
      {RegDataKind::kFullResourceDescriptor, REG_FULL_RESOURCE_DESCRIPTOR,
       RegDataKind::kFullResourceDescriptor},
      {RegDataKind::kResourceRequirementsList, REG_RESOURCE_REQUIREMENTS_LIST,
       RegDataKind::kResourceRequirementsList},
  };
  Opened();
  int index = 0;
  for (const Case& c : cases) {
    const std::string name = "kind" + std::to_string(index++);
    const char data[4] = {'a', 'b', 'c', '\0'};
    registry_.StoreValue(name, data, sizeof(data), c.kind);
    EXPECT_EQ(c.platformType, RawValueType(HKEY_LOCAL_MACHINE, "Software\\Test", name)) << name;
    EXPECT_EQ(c.readAs, registry_.ValueKind(name)) << name;
    char back[8] = {};
    const RegValueInfo got = registry_.FetchValue(name, back, sizeof(back));
    EXPECT_EQ(c.readAs, got.kind);
    EXPECT_EQ(4u, got.size) << name;
    EXPECT_EQ(0, std::memcmp(data, back, 4)) << name;
  }
}

TEST_F(TNTRegistryTest, PlatformTypeAboveTenReadsAsUnknown) {
  const unsigned long long qword = 0x0102030405060708ull;
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\Test", "q", REG_QWORD, &qword, sizeof(qword));
  Opened();
  EXPECT_EQ(RegDataKind::kUnknown, registry_.ValueKind("q"));
  EXPECT_EQ(8, registry_.ValueSize("q"));
  EXPECT_EQ(RegDataKind::kUnknown, KindOfPlatformType(11));
  EXPECT_EQ(RegDataKind::kUnknown, KindOfPlatformType(0xFFFFFFFF));
}

TEST_F(TNTRegistryTest, StringKindsHoldExactlyTheThreeTextKinds) {
  int count = 0;
  for (int kind = 0; kind <= int(RegDataKind::kResourceRequirementsList); ++kind)
    count += StringKinds.Contains(RegDataKind(kind));
  EXPECT_EQ(3, count);
  EXPECT_TRUE(StringKinds.Contains(RegDataKind::kString));
  EXPECT_TRUE(StringKinds.Contains(RegDataKind::kExpandString));
  EXPECT_TRUE(StringKinds.Contains(RegDataKind::kMultiString));
}

TEST_F(TNTRegistryTest, ValueQueriesOfAMissingValue) {
  Opened();
  EXPECT_FALSE(registry_.ValueInfo("none").has_value());
  EXPECT_FALSE(registry_.ValuePresent("none"));
  EXPECT_EQ(-1, registry_.ValueSize("none"));
  EXPECT_EQ(RegDataKind::kUnknown, registry_.ValueKind("none"));
  EXPECT_EQ("", registry_.ReadText("none"));
  char buffer[4];
  EXPECT_EQ(0u, registry_.ReadBinary("none", buffer, sizeof(buffer)));
  EXPECT_EQ(0u, registry_.ReadRaw("none", buffer, sizeof(buffer)));
  EXPECT_EQ("Failed to get data for 'none'", ExceptionText([&] { registry_.ReadDword("none"); }));
}

TEST_F(TNTRegistryTest, TextValuesRoundTrip) {
  Opened();
  registry_.WriteText("s", "plain text");
  registry_.WriteExpandText("e", "%SystemRoot%\\x.dll");
  registry_.WriteText("", "the default");
  registry_.WriteText("empty", "");
  EXPECT_EQ("plain text", registry_.ReadText("s"));
  EXPECT_EQ(RegDataKind::kString, registry_.ValueKind("s"));
  EXPECT_EQ("%SystemRoot%\\x.dll", registry_.ReadText("e"));
  EXPECT_EQ(RegDataKind::kExpandString, registry_.ValueKind("e"));
  EXPECT_EQ("the default", registry_.ReadText(""));
  EXPECT_EQ("", registry_.ReadText("empty"));
  EXPECT_EQ(11, registry_.ValueSize("s"));  // the terminating NUL is stored
}

TEST_F(TNTRegistryTest, MultiStringIsStoredWholeAndReadsAsItsFirstString) {
  Opened();
  registry_.WriteMultiText("m", std::string("a\0b\0", 4));
  EXPECT_EQ("a", registry_.ReadText("m"));
  char raw[16] = {};
  const uint32_t size = registry_.ReadRaw("m", raw, sizeof(raw));
  EXPECT_EQ(std::string("a\0b\0\0", 5), std::string(raw, size));
}

TEST_F(TNTRegistryTest, ReadTextOfStringsWithoutTerminatorStaysInsideTheData) {
  Opened();
  registry_.StoreValue("noNul", "abc", 3, RegDataKind::kString);
  EXPECT_EQ("abc", registry_.ReadText("noNul"));
  registry_.StoreValue("odd", "abcde", 5, RegDataKind::kExpandString);
  EXPECT_EQ("abcde", registry_.ReadText("odd"));
}

TEST_F(TNTRegistryTest, ReadTextOfANonTextKindRaisesInvalidType) {
  Opened();
  registry_.WriteDword("d", 5);
  EXPECT_EQ("Invalid data type for 'd'", ExceptionText([&] { registry_.ReadText("d"); }));
}

TEST_F(TNTRegistryTest, DwordRoundTripAndWrongKinds) {
  Opened();
  registry_.WriteDword("d", 0xFFFFFFFF);
  EXPECT_EQ(-1, registry_.ReadDword("d"));
  registry_.WriteDword("d", 1234567);
  EXPECT_EQ(1234567, registry_.ReadDword("d"));
  registry_.WriteText("s", "1");
  EXPECT_EQ("Invalid data type for 's'", ExceptionText([&] { registry_.ReadDword("s"); }));
  const uint32_t big = 7;
  registry_.StoreValue("be", &big, 4, RegDataKind::kDwordBigEndian);
  EXPECT_EQ("Invalid data type for 'be'", ExceptionText([&] { registry_.ReadDword("be"); }));
  const unsigned long long qword = 1;
  registry_.StoreValue("wide", &qword, 8, RegDataKind::kDword);
  EXPECT_EQ("Failed to get data for 'wide'", ExceptionText([&] { registry_.ReadDword("wide"); }));
}

TEST_F(TNTRegistryTest, BinaryReadsRefuseWrongKindsAndValuesLargerThanTheBuffer) {
  Opened();
  const unsigned char bytes[6] = {1, 2, 3, 4, 5, 6};
  registry_.WriteBinary("b", bytes, sizeof(bytes));
  unsigned char buffer[16] = {};
  EXPECT_EQ(6u, registry_.ReadBinary("b", buffer, sizeof(buffer)));
  EXPECT_EQ(0, std::memcmp(bytes, buffer, 6));

  unsigned char small[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ("Invalid data type for 'b'",
            ExceptionText([&] { registry_.ReadBinary("b", small, 4); }));
  EXPECT_EQ(0xEE, small[4]) << "nothing written past the buffer";
  EXPECT_EQ("Failed to get data for 'b'", ExceptionText([&] { registry_.ReadRaw("b", small, 4); }));
  EXPECT_EQ(0xEE, small[4]) << "nothing written past the buffer";

  registry_.WriteText("s", "text");
  EXPECT_EQ("Invalid data type for 's'",
            ExceptionText([&] { registry_.ReadBinary("s", buffer, sizeof(buffer)); }));
  EXPECT_EQ(5u, registry_.ReadRaw("s", buffer, sizeof(buffer)));
}

TEST_F(TNTRegistryTest, OneMebibyteValueRoundTrips) {
  Opened();
  std::vector<unsigned char> data(1 << 20);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
  registry_.WriteBinary("big", data.data(), uint32_t(data.size()));
  EXPECT_EQ(int(data.size()), registry_.ValueSize("big"));
  std::vector<unsigned char> back(data.size());
  EXPECT_EQ(data.size(), registry_.ReadBinary("big", back.data(), uint32_t(back.size())));
  EXPECT_EQ(data, back);
}

// Short values are read in one call and longer ones in a second: the sizes
// around the first read's buffer must all come back whole.
TEST_F(TNTRegistryTest, TypedValuesOfEverySizeAroundTheFirstReadComeBackWhole) {
  Opened();
  for (size_t size : {0u, 1u, 510u, 511u, 512u, 513u, 514u, 4096u, 70000u}) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = char(i * 7 + size);
    RawSetValue(HKEY_LOCAL_MACHINE, "Software\\Test", "v", REG_BINARY, data.data(), DWORD(size));
    const std::optional<RegRawValue> value = registry_.ReadTypedValue("v");
    ASSERT_TRUE(value) << size;
    EXPECT_EQ(DWORD(REG_BINARY), value->type) << size;
    EXPECT_EQ(data, value->data) << size;
  }
}

TEST_F(TNTRegistryTest, LongTextIsReadWholeAndRefusedWhenNoCodePageCanHoldIt) {
  Opened();
  const std::string text = std::string(700, 'x') + "\\end";
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\Test", "t", REG_SZ, text.c_str(),
              DWORD(text.size() + 1));
  const std::optional<RegRawValue> value = registry_.ReadTypedValue("t");
  ASSERT_TRUE(value);
  EXPECT_EQ(text + '\0', value->data);
  // Far past the first read, a lone surrogate: no code page holds it, UTF-8
  // neither, so the ANSI call reads a stand-in.
  std::wstring wide(700, L'y');
  wide += L'\xD800';
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_SET_VALUE, &key));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key, L"w", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                           DWORD((wide.size() + 1) * sizeof(wchar_t))));
  RegCloseKey(key);
  try {
    registry_.ReadTypedValue("w");
    ADD_FAILURE() << "text the code page cannot hold was read";
  } catch (const RegistryError& error) {
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, error.status());
  }
  EXPECT_FALSE(registry_.ReadTypedValue("missing"));
}

// Names and text in every script pass through the session as UTF-8, also at
// the longest the platform allows, where a character takes three bytes.
TEST_F(TNTRegistryTest, NamesAndTextInEveryScriptPassThroughWhole) {
  const std::vector<std::string> names = {
      "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8",  // Hebrew
      "\xE6\x96\x87\xE4\xBB\xB6",                  // Chinese
      "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB",          // Cyrillic
      "Caf\xC3\xA9",                               // accented Latin
      "\xF0\x9F\x93\x81 box",                      // beyond the basic plane
  };
  Opened();
  for (const std::string& name : names) {
    ASSERT_TRUE(registry_.OpenKey("\\Software\\Test\\" + name, true)) << name;
    registry_.WriteText(name, "C:\\" + name + "\\app.exe");
    EXPECT_EQ("C:\\" + name + "\\app.exe", registry_.ReadText(name));
    EXPECT_THAT(registry_.ListValueNames(), ElementsAre(name));
  }
  // What the platform stores is the true name, not the bytes read as another code page.
  HKEY raw = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Test\\\x05D3\x05E7\x05E1\x05D8\x05E8", 0,
                          KEY_READ, &raw));
  RegCloseKey(raw);
  std::string longest;
  for (int i = 0; i < 255; ++i) longest += "\xE6\x96\x87";
  std::string longValue;
  for (int i = 0; i < 5000; ++i) longValue += "\xE4\xBB\xB6";
  // Opened below the open key: Wine's ANSI calls take paths of at most 260
  // characters, whatever their code page.
  Opened();
  ASSERT_TRUE(registry_.OpenKey(longest, true));
  registry_.WriteText(longValue, longValue);
  EXPECT_EQ(longValue, registry_.ReadText(longValue));
  EXPECT_THAT(registry_.ListValueNames(), ElementsAre(longValue));
  ASSERT_EQ(1u, registry_.ListValues(64).size());
  EXPECT_EQ(longValue, registry_.ListValues(64)[0].name);
  Opened();
  std::vector<std::string> expected = names;
  expected.push_back(longest);
  EXPECT_THAT(registry_.ListSubKeys(), UnorderedElementsAreArray(expected));
  EXPECT_EQ(ERROR_SUCCESS, registry_.LastError()) << "the list is whole";
  EXPECT_TRUE(registry_.DeleteKeyTree(longest));
}

// The stored form carries what the ANSI form cannot: text no code page
// holds, and text of an odd length, byte for byte.
TEST_F(TNTRegistryTest, StoredValuesComeBackByteForByte) {
  Opened();
  const std::string name = "\xF0\x9F\x93\x81";
  const std::string lone("a\0\x00\xD8\0\0", 6);
  const std::string odd("a\0b", 3);
  const std::string big(70001, '\x41');
  for (const auto& [type, data] : {std::pair<DWORD, std::string>{REG_SZ, lone},
                                   {REG_EXPAND_SZ, odd},
                                   {REG_MULTI_SZ, std::string("x\0\0\0y\0\0\0\0\0", 10)},
                                   {REG_BINARY, big},
                                   {REG_DWORD, std::string("\1\2\3\4", 4)}}) {
    registry_.WriteStoredValue(name, type, data);
    const std::optional<RegRawValue> back = registry_.ReadStoredValue(name);
    ASSERT_TRUE(back) << type;
    EXPECT_EQ(type, back->type);
    EXPECT_EQ(data, back->data) << type;
  }
  // The stored form is what the wide calls see: the name is the true name.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_READ, &key));
  DWORD size = 0;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExW(key, L"\xD83D\xDCC1", nullptr, nullptr, nullptr, &size));
  RegCloseKey(key);
  EXPECT_EQ(4u, size);
  EXPECT_FALSE(registry_.ReadStoredValue("missing"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry_.LastError());
}

TEST_F(TNTRegistryTest, RemoveValueDeletesOneValueIncludingTheDefault) {
  Opened();
  registry_.WriteText("a", "1");
  registry_.WriteText("", "d");
  EXPECT_TRUE(registry_.RemoveValue("a"));
  EXPECT_FALSE(registry_.ValuePresent("a"));
  EXPECT_TRUE(registry_.RemoveValue(""));
  EXPECT_FALSE(registry_.ValuePresent(""));
  EXPECT_FALSE(registry_.RemoveValue("a"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry_.LastError());
}

TEST_F(TNTRegistryTest, ValueOperationsWithoutAnOpenKeyFailCleanly) {
  EXPECT_EQ("Failed to set data for 'x'", ExceptionText([&] { registry_.WriteText("x", "1"); }));
  EXPECT_EQ("Failed to get data for 'x'", ExceptionText([&] { registry_.ReadDword("x"); }));
  EXPECT_FALSE(registry_.RemoveValue("x"));
}

// A key that only grants reading: opens fall back to read-only access.
class ReadOnlyKeyTest : public TNTRegistryTest {
 protected:
  void SetUp() override {
    RawSetValue(HKEY_LOCAL_MACHINE, "Software\\Locked", "v", REG_SZ, "x", 2);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Locked", 0,
                                           KEY_ALL_ACCESS | WRITE_DAC, &key));
    // Everyone may read; nobody may write or delete.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
    RegCloseKey(key);
    HKEY probe = nullptr;
    lockable_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Locked", 0, KEY_SET_VALUE, &probe) !=
                ERROR_SUCCESS;
    if (probe) RegCloseKey(probe);
  }
  void TearDown() override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Locked", 0, WRITE_DAC, &key) ==
        ERROR_SUCCESS) {
      PSECURITY_DESCRIPTOR descriptor = nullptr;
      ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1,
                                                           &descriptor, nullptr);
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      LocalFree(descriptor);
      RegCloseKey(key);
    }
  }
  bool lockable_ = false;
};

// A key closed to everyone but its deletion and its access list.
class DeniedKeyTest : public TNTRegistryTest {
 protected:
  void SetUp() override {
    RawCreateKey(HKEY_LOCAL_MACHINE, "Software\\Denied");
    SetAccess("D:P(A;;0x50000;;;WD)");
    HKEY probe = nullptr;
    lockable_ =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Denied", 0, KEY_READ, &probe) != ERROR_SUCCESS;
    if (probe) RegCloseKey(probe);
  }
  void TearDown() override { SetAccess("D:P(A;;KA;;;WD)"); }
  static void SetAccess(const char* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Denied", 0, WRITE_DAC, &key) != ERROR_SUCCESS)
      return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    RegCloseKey(key);
  }
  bool lockable_ = false;
};

TEST_F(DeniedKeyTest, AKeyClosedToTheUserIsPresentAndNothingIsCreatedAtAnyDepth) {
  if (!lockable_) GTEST_SKIP() << "this platform does not enforce key security";
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry_.KeyPresent("\\Software\\Denied"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry_.LastError());
  EXPECT_FALSE(registry_.KeyPresent("\\Software\\Denied\\Missing\\Deeper"));
  EXPECT_FALSE(registry_.OpenKeyHandle("\\Software\\Denied\\Missing\\Deeper").IsValid());
  EXPECT_FALSE(registry_.OpenKeyHandle("\\Software\\Gone\\Deeper").IsValid());
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Gone"));
  SetAccess("D:P(A;;KA;;;WD)");
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\Denied\\Missing"));
}

TEST_F(ReadOnlyKeyTest, OpensReadOnlyAfterTheFallbacksAndRefusesWrites) {
  if (!lockable_) GTEST_SKIP() << "this platform does not enforce key security";
  registry_.SetRoot(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry_.OpenKeyToRead("\\Software\\Locked"));
  EXPECT_EQ("x", registry_.ReadText("v"));
  ASSERT_TRUE(registry_.OpenKey("\\Software\\Locked", false));
  EXPECT_EQ("x", registry_.ReadText("v"));
  EXPECT_EQ("Failed to set data for 'v'", ExceptionText([&] { registry_.WriteText("v", "y"); }));
  EXPECT_FALSE(registry_.RemoveValue("v"));
  EXPECT_EQ("x", registry_.ReadText("v"));
}

TEST_F(TNTRegistryTest, GetRegValueRendersKindsAsText) {
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\G", "s", REG_SZ, "hello", 6);
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\G", "e", REG_EXPAND_SZ, "%x%", 4);
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\G", "m", REG_MULTI_SZ, "a\0b\0", 5);
  const DWORD minusOne = 0xFFFFFFFF;
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\G", "d", REG_DWORD, &minusOne, 4);
  RawSetValue(HKEY_LOCAL_MACHINE, "Software\\G", "b", REG_BINARY, "\1\2", 2);
  const std::string notText = "**-the-value-is-not-a-string-**";
  EXPECT_EQ("hello", GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "s"));
  EXPECT_EQ("hello", GetRegValue("hkey_local_machine\\Software\\G", "s"));
  EXPECT_EQ("%x%", GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "e"));
  EXPECT_EQ("a", GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "m"));
  EXPECT_EQ("-1", GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "d"));
  EXPECT_EQ(notText, GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "b"));
  EXPECT_EQ(notText, GetRegValue("HKEY_LOCAL_MACHINE\\Software\\G", "missing"));
  EXPECT_EQ(notText, GetRegValue("HKEY_LOCAL_MACHINE\\Software\\NoKey", "s"));
  EXPECT_EQ(notText, GetRegValue("Software\\G", "s"));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, "Software\\NoKey"));
}

TEST_F(TNTRegistryTest, ExceptionKeepsReasonAndStatus) {
  Opened();
  try {
    registry_.ReadDword("none");
    FAIL() << "no exception";
  } catch (const RegistryError& error) {
    EXPECT_EQ(RegistryError::Reason::GetFailed, error.reason());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error.status());
  }
}

TEST(ScopedKey, MovesOwnershipAndClosesOnce) {
  HKEY raw = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &raw));
  ScopedKey first(raw);
  ScopedKey second(std::move(first));
  EXPECT_FALSE(first.IsValid());
  EXPECT_EQ(raw, second.Get());
  ScopedKey third;
  third = std::move(second);
  EXPECT_EQ(raw, third.Get());
  EXPECT_EQ(raw, third.Release());
  EXPECT_FALSE(third.IsValid());
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(raw));
}

}  // namespace
}  // namespace hvm
