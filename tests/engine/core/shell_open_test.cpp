#include "engine/core/shell_open.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_folder.h"

namespace hvm {
namespace {

struct Shown {
  std::string text;
  std::string title;
  int flags;
};

class RecordingDialog : public DialogService {
 public:
  int MessageDialog(const std::string& text, const std::string& title, int flags) override {
    shown.push_back({text, title, flags});
    return IDOK;
  }
  std::vector<Shown> shown;
};

TEST(ShellExecuteErrorText, EveryListedResultHasItsOwnText) {
  EXPECT_EQ("The operating system is out of memory or resources.", ShellExecuteErrorText(0));
  EXPECT_EQ("The specified file was not found.", ShellExecuteErrorText(2));
  EXPECT_EQ("The specified path was not found.", ShellExecuteErrorText(3));
  EXPECT_EQ("Windows 95 only: The operating system denied access to the specified file.",
            ShellExecuteErrorText(5));
  EXPECT_EQ("Windows 95 only: There was not enough memory to complete the operation.",
            ShellExecuteErrorText(8));
  EXPECT_EQ("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).",
            ShellExecuteErrorText(11));
  EXPECT_EQ("A sharing violation occurred.", ShellExecuteErrorText(26));
  EXPECT_EQ("The filename association is incomplete or invalid.", ShellExecuteErrorText(27));
  EXPECT_EQ("The DDE transaction could not be completed because the request timed out.",
            ShellExecuteErrorText(28));
  EXPECT_EQ("The DDE transaction failed.", ShellExecuteErrorText(29));
  EXPECT_EQ(
      "The DDE transaction could not be completed because other DDE transactions were being "
      "processed.",
      ShellExecuteErrorText(30));
  EXPECT_EQ("There is no application associated with the given filename extension.",
            ShellExecuteErrorText(31));
  EXPECT_EQ("Windows 95 only: The specified dynamic-link library was not found.",
            ShellExecuteErrorText(32));
}

TEST(ShellExecuteErrorText, AnyOtherResultGetsTheGeneralText) {
  for (intptr_t result : {1, 4, 6, 10, 12, 25}) {
    EXPECT_EQ("A ShellExecute Error occurred.", ShellExecuteErrorText(result)) << result;
  }
}

class ShellOpenTest : public test::TestFolderTest {
 protected:
  RecordingDialog dialog_;
};

TEST_F(ShellOpenTest, AMissingFileIsReportedAsANotice) {
  EXPECT_FALSE(ShellOpen(dialog_, folder_.File("missing.txt")));
  ASSERT_EQ(1u, dialog_.shown.size());
  EXPECT_EQ("The specified file was not found.", dialog_.shown[0].text);
  EXPECT_EQ("ShellExecute Error", dialog_.shown[0].title);
  EXPECT_EQ(0u, dialog_.shown[0].flags);
}

TEST_F(ShellOpenTest, AFileOfAnUnknownTypeIsReportedAsUnassociated) {
  const std::string file = folder_.WriteFile("notes.hvmunknowntype", "text");
  EXPECT_FALSE(ShellOpen(dialog_, file));
  ASSERT_EQ(1u, dialog_.shown.size());
  EXPECT_EQ("There is no application associated with the given filename extension.",
            dialog_.shown[0].text);
}

}  // namespace
}  // namespace hvm
