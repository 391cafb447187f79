#include "engine/settings/settings_save_notice.h"

#include <gtest/gtest.h>

#include "engine/settings/file_text.h"
#include "support/recording_dialogs.h"

namespace hvm {
namespace {

constexpr uint32_t kAccessDenied = 5;

TEST(SettingsSaveNotice, AFileThatKeepsRefusingIsToldOnce) {
  test::RecordingDialogs dialogs;
  SettingsSaveNotice notice(dialogs);
  EXPECT_TRUE(notice.Saved(0, "C:\\d\\hvmend.ini", false));
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_FALSE(notice.Saved(kAccessDenied, "C:\\d\\hvmend.ini", false));
  EXPECT_FALSE(notice.Saved(kAccessDenied, "C:\\d\\hvmend.ini", false));
  EXPECT_FALSE(notice.Saved(32, "C:\\d\\hvmend.ini", false));
  ASSERT_EQ(1u, dialogs.asked.size());
  EXPECT_EQ("The settings could not be saved to C:\\d\\hvmend.ini [5]", dialogs.asked[0].text);
  EXPECT_EQ("Settings", dialogs.asked[0].title);
  EXPECT_EQ(48, dialogs.asked[0].flags);
  EXPECT_TRUE(notice.Told());
}

// Once a save went through again, a new failure is news.
TEST(SettingsSaveNotice, ASuccessfulSaveMakesTheNextFailureNews) {
  test::RecordingDialogs dialogs;
  SettingsSaveNotice notice(dialogs);
  EXPECT_FALSE(notice.Saved(kAccessDenied, "a.ini", false));
  EXPECT_TRUE(notice.Saved(0, "a.ini", false));
  EXPECT_FALSE(notice.Told());
  EXPECT_FALSE(notice.Saved(kAccessDenied, "a.ini", false));
  EXPECT_EQ(2u, dialogs.asked.size());
}

// An unattended start says nothing, and does not use up the one message
// the user is to see later.
TEST(SettingsSaveNotice, AQuietFailureSaysNothingAndIsToldLater) {
  test::RecordingDialogs dialogs;
  SettingsSaveNotice notice(dialogs);
  EXPECT_FALSE(notice.Saved(kAccessDenied, "a.ini", true));
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_FALSE(notice.Told());
  EXPECT_FALSE(notice.Saved(kAccessDenied, "a.ini", false));
  EXPECT_EQ(1u, dialogs.asked.size());
}

// A save refused because the file could not be read says so, and why, not
// that a write failed.
TEST(SettingsSaveNotice, ARefusedSaveOfAnUnreadableFileSaysItCouldNotBeRead) {
  test::RecordingDialogs dialogs;
  SettingsSaveNotice notice(dialogs);
  EXPECT_FALSE(notice.Saved(UnreadableFileStatus(kNotTextStatus), "C:\\d\\hvmend.ini", false));
  EXPECT_FALSE(notice.Saved(UnreadableFileStatus(kNotTextStatus), "C:\\d\\hvmend.ini", false));
  ASSERT_EQ(1u, dialogs.asked.size());
  EXPECT_EQ(
      "The settings could not be saved: C:\\d\\hvmend.ini could not be read (it is not UTF-8 or "
      "ANSI text). It was left as it is: the program goes on with the default settings, and "
      "changes are not kept [1630]",
      dialogs.asked[0].text);
  EXPECT_EQ("The settings could not be saved to a.ini [5]", SettingsNotSavedText("a.ini", 5));
}

}  // namespace
}  // namespace hvm
