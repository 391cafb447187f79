#include "engine/results/suppression.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/results/protected_keys.h"
#include "engine/results/text_file.h"
#include "engine/settings/file_text.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::TestFolderTest;

class SuppressionTest : public TestFolderTest {
 protected:
  SuppressionLists lists_{folder_.Path()};
};

// The repair passes long root names; a protected key must stay protected
// there too, or a whole-key repair of its parent would delete it.
TEST_F(SuppressionTest, ProtectedKeysMatchWithShortAndLongRootNames) {
  EXPECT_EQ(22u, ProtectedKeys.size());
  EXPECT_TRUE(
      lists_.IsSuppressed("hklm\\software\\symantec\\norton antivirus\\quarantine\\Sub", "", true));
  EXPECT_TRUE(lists_.IsSuppressed(
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Symantec\\Norton AntiVirus\\Quarantine\\Sub", "", true));
  EXPECT_TRUE(lists_.IsSuppressed("HKEY_CLASSES_ROOT\\cil8tsfile\\shell\\open", "", true));
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Other", "v", false));
}

TEST_F(SuppressionTest, IgnoredValueMatchesWithAnyDataAfterReload) {
  lists_.AddToIgnoreFile("HKCR\\X\\\\:Name = data");
  EXPECT_EQ("[HKCR\\X]\r\nName = data=\"\"\r\n", ReadTextFile(lists_.IgnoreFilePath()));
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("hkcr\\x", "Name = other", false));
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\X", "name", false));
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\X", "Other", false));
  // A section of the key's name also covers the whole-key problem.
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\X", "", true));
  EXPECT_EQ(2, lists_.CountIgnoreLines());
}

// Ignored in any script by its true name; and lines an earlier version wrote
// in the system's code page (1252 here) still ignore, beside the UTF-8 lines
// appended to them since.
TEST_F(SuppressionTest, NamesInEveryScriptAreIgnoredAlsoBesideAnOldFilesLines) {
  folder_.WriteFile(kIgnoreFileName, "[HKCR\\Caf\xE9]\r\nR\xE9sum\xE9=\"\"\r\n");
  const std::string hebrew =
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone-"
      "\xD7\x93\xD7\xA7\xD7\xA1\xD7\x98\xD7\xA8.exe";
  const std::string emoji = "\xF0\x9F\x93\x81";
  EXPECT_EQ(0u, lists_.AddToIgnoreFile(hebrew));
  EXPECT_EQ(0u, lists_.AddToIgnoreFile("HKCU\\\xE6\x96\x87\\\\:" + emoji + " = \xD1\x84"));
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\caf\xC3\xA9", "r\xC3\xA9sum\xC3\xA9", false));
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\CAF\xC3\x89", "R\xC3\x89SUM\xC3\x89", false))
      << "accented letters in either case";
  EXPECT_TRUE(lists_.IsSuppressed(hebrew, "", true));
  EXPECT_TRUE(lists_.IsSuppressed("HKEY_CURRENT_USER\\\xE6\x96\x87", emoji, false));
  EXPECT_FALSE(lists_.IsSuppressed("HKCU\\\xE6\x96\x87", "\xF0\x9F\x93\x82", false));
  EXPECT_EQ(5, lists_.CountIgnoreLines());
  // The cannot-remove file of an earlier version, too.
  folder_.WriteFile(kCantRemoveFileName, "\r\nHKEY_CURRENT_USER\\Caf\xE9\\\\:V\r\n");
  EXPECT_TRUE(lists_.IsSuppressed("HKCU\\Caf\xC3\xA9", "V", false));
}

// Lines appended to wide text would be garbage to whoever reads it next, and
// a file held without sharing cannot be seen whole: neither is added to.
TEST_F(SuppressionTest, AnIgnoreFileThatCannotBeReadIsNotAddedTo) {
  const std::string wide("\xFF\xFE[\0H\0]\0", 8);
  folder_.WriteFile(kIgnoreFileName, wide);
  EXPECT_EQ(UnreadableFileStatus(kNotTextStatus), lists_.AddToIgnoreFile("HKCR\\Y"));
  EXPECT_EQ(wide, ReadTextFile(lists_.IgnoreFilePath()));
  lists_.Reload();
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Y", "", true));
  EXPECT_EQ(0, lists_.CountIgnoreLines());

  folder_.WriteFile(kIgnoreFileName, "[HKCR\\X]\r\n");
  {
    const ScopedFile holder(CreateFileA(lists_.IgnoreFilePath().c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(UnreadableFileStatus(ERROR_SHARING_VIOLATION), lists_.AddToIgnoreFile("HKCR\\Y"));
  }
  EXPECT_EQ("[HKCR\\X]\r\n", ReadTextFile(lists_.IgnoreFilePath()));
  EXPECT_EQ(0u, lists_.AddToIgnoreFile("HKCR\\Y"));
  EXPECT_EQ(2, lists_.CountIgnoreLines());
}

TEST_F(SuppressionTest, WholeKeyIgnoreLeavesItsValuesReported) {
  lists_.AddToIgnoreFile("HKCR\\Y");
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\Y", "", true));
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Y", "v", false));
}

TEST_F(SuppressionTest, EverySectionOfAKeyCounts) {
  lists_.AddToIgnoreFile("HKCR\\X\\\\:First = 1");
  lists_.AddToIgnoreFile("HKCR\\X\\\\:Second = 2");
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\X", "First", false));
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\X", "Second", false));
}

TEST_F(SuppressionTest, IgnoreFileIsLoadedOnceUntilReload) {
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Late", "", true));
  lists_.AddToIgnoreFile("HKCR\\Late");
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Late", "", true));
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\Late", "", true));
}

TEST_F(SuppressionTest, CannotRemoveLinesMatchTheirKeyInEitherSpellingAndAreReadEachTime) {
  std::string text = "\r\nHKEY_CLASSES_ROOT\\Z\\\\:V";
  WriteCantRemove(folder_.Path(), text);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ("\r\nHKEY_CLASSES_ROOT\\Z\\\\:V\r\n", ReadTextFile(lists_.CantRemovePath()));
  EXPECT_TRUE(lists_.IsSuppressed("hkey_classes_root\\z", "V", false));
  EXPECT_TRUE(lists_.IsSuppressed("HKEY_CLASSES_ROOT\\Z", "", true));
  // The scan's short root name is the same key.
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\Z", "V", false));
  // A value of another name is not stopped by this one's line.
  EXPECT_FALSE(lists_.IsSuppressed("HKCR\\Z", "V2", false));
  std::string none;
  WriteCantRemove(folder_.Path(), none);
  EXPECT_TRUE(lists_.IsSuppressed("HKEY_CLASSES_ROOT\\Z", "V", false));
  std::string other = "\r\nHKEY_CLASSES_ROOT\\Q";
  WriteCantRemove(folder_.Path(), other);
  EXPECT_FALSE(lists_.IsSuppressed("HKEY_CLASSES_ROOT\\Z", "V", false));
}

TEST(IgnoreListRows, PermanentThenFileThenSkippedKeys) {
  const auto sections = ParseIgnoreFile(
      "junk\r\n[HKCR\\A]\r\n\r\n[HKCR\\B]\r\nv1=\"\"\r\n v2 = x=\"\"\r\n[HKCR\\B]\r\nv3=\"\"");
  const auto rows = IgnoreListRows(sections, {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MyWebSearch=1"});
  ASSERT_EQ(22u + 5u, rows.size());
  EXPECT_EQ("Permanent", rows[0].appliesTo);
  EXPECT_EQ("All", rows[22].appliesTo);
  EXPECT_EQ("HKCR\\A", rows[22].key);
  EXPECT_EQ("HKCR\\B\\\\:v1", rows[23].key);
  EXPECT_EQ("HKCR\\B\\\\:v2", rows[24].key);
  EXPECT_EQ("HKCR\\B\\\\:v3", rows[25].key);
  EXPECT_EQ("Ignore List", rows[26].appliesTo);
  EXPECT_EQ("HKEY_LOCAL_MACHINE\\SOFTWARE\\MyWebSearch", rows[26].key);
}

TEST(IgnoreListRows, RemovalOfEntriesAndSections) {
  auto sections = ParseIgnoreFile("[K]\r\na=\"\"\r\n[k]\r\na=\"\"\r\nb=\"\"\r\n[L]\r\n");
  RemoveIgnoreRow(sections, "K\\\\:a");
  EXPECT_FALSE(IgnoresValue(sections, "K", "a"));
  EXPECT_TRUE(IgnoresValue(sections, "K", "b"));
  // The first section, now without entries, ignores the key as a whole.
  EXPECT_TRUE(IgnoresKey(sections, "K"));
  RemoveIgnoreRow(sections, "K");
  EXPECT_FALSE(IgnoresKey(sections, "K"));
  EXPECT_FALSE(IgnoresValue(sections, "K", "b"));
  EXPECT_EQ("[L]\r\n", FormatIgnoreFile(sections));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

TEST_F(SuppressionTest, AnEntryAfterALastLineWithoutItsLineEndStaysAnEntry) {
  ReplaceTextFile(lists_.IgnoreFilePath(), "[HKCR\\Old]\r\nName=\"\"");
  lists_.AddToIgnoreFile("HKCR\\New");
  lists_.Reload();
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\New", "", true));
  EXPECT_TRUE(lists_.IsSuppressed("HKCR\\Old", "Name", false));
}

}  // namespace
}  // namespace hvm

namespace hvm {
namespace {

// The program writes ignore sections with short root names, the repair asks
// with long ones; a user may have typed either, in any case, with a slash.
TEST(IgnoreList, KeysCompareInOneSpelling) {
  const auto sections = ParseIgnoreFile(
      "[HKCU\\Software\\T\\P\\Child]\r\n[hkey_local_machine\\x\\]\r\nv=\"\"\r\n"
      "[HKCR\\D]\r\n(Default) = C:\\x=\"\"\r\n");
  EXPECT_TRUE(IgnoresKey(sections, "HKEY_CURRENT_USER\\Software\\T\\P\\Child"));
  EXPECT_TRUE(IgnoresKey(sections, "hkcu\\software\\t\\p\\child\\"));
  EXPECT_FALSE(IgnoresKey(sections, "HKEY_CURRENT_USER\\Software\\T\\P"));
  EXPECT_FALSE(IgnoresKey(sections, "HKEY_CURRENT_USERSoftware\\T\\P\\Child"));
  EXPECT_TRUE(IgnoresValue(sections, "HKLM\\X", "v"));
  EXPECT_TRUE(IgnoresValue(sections, "HKEY_LOCAL_MACHINE\\X", "V"));
  EXPECT_FALSE(IgnoresValue(sections, "HKLM\\X\\Y", "v"));
  // A default value ignored from its problem line is the default value.
  EXPECT_TRUE(IgnoresValue(sections, "HKEY_CLASSES_ROOT\\D", ""));
  EXPECT_FALSE(IgnoresValue(sections, "HKEY_CLASSES_ROOT\\D", "other"));
}

TEST(IsKeptWhole, SystemKeysInAnySpellingAndNothingBelowThem) {
  for (const char* key :
       {"HKLM\\SYSTEM\\CurrentControlSet", "HKEY_LOCAL_MACHINE\\system\\currentcontrolset\\",
        "HKLM\\SYSTEM\\ControlSet001", "HKLM\\SYSTEM\\ControlSet012\\Services",
        "HKLM\\SYSTEM\\\\CurrentControlSet\\Control", "HKCR\\CLSID", "HKLM\\Software\\Classes",
        "HKCU\\Software\\Classes\\TypeLib", "HKU\\S-1-5-21-7_Classes\\AppID", "HKCU\\Software",
        "HKU\\S-1-5-21-7\\Software", "HKLM\\Software\\Microsoft", "HKLM\\Software\\Policies",
        "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion"})
    EXPECT_TRUE(IsKeptWhole(key)) << key;
  for (const char* key :
       {"HKLM\\SYSTEM\\ControlSet", "HKLM\\SYSTEM\\ControlSet001x",
        "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Stale", "HKCR\\CLSID\\{0}",
        "HKCU\\Software\\Vendor", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\x",
        "HKCU\\SoftwareX", "HKU\\S-1-5-21-7\\Software\\Vendor", "Software"})
    EXPECT_FALSE(IsKeptWhole(key)) << key;
}

}  // namespace
}  // namespace hvm
