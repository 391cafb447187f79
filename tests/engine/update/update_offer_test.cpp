#include "engine/update/update_offer.h"

#include <gtest/gtest.h>

#include "engine/settings/next_due.h"
#include "engine/settings/program_settings.h"
#include "support/recording_dialogs.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

const std::string kDigest(64, 'c');

class UpdateOfferTest : public ::testing::Test {
 protected:
  UpdateOfferTest() : settingsPath_(folder_.File("hvmend.ini")) {
    hooks_.settingsPath = settingsPath_;
    hooks_.prompt = [this](int updateFreq, const std::string& notes) {
      promptedWith_ = updateFreq;
      notes_ = notes;
      return answer_;
    };
    hooks_.post = [this](Command command, long value) {
      posted_.emplace_back(NumberOf(command), value);
    };
    hooks_.download = [this](const std::string& address) {
      downloaded_.push_back(address);
      return downloadResult_;
    };
    hooks_.install = [this](const std::string& file, const std::string& digest) {
      installed_.emplace_back(file, digest);
      return installOutcome_;
    };
  }
  void WriteSettings(int updateFreq, const std::string& due) {
    ProgramSettings settings;
    settings.UpdateFreq = updateFreq;
    settings.update = due;
    ASSERT_EQ(0u, SaveSettings(settings, settingsPath_));
  }
  ProgramSettings Settings() const {
    ProgramSettings settings;
    LoadSettings(settings, settingsPath_);
    return settings;
  }
  bool Offer(const std::string& digest = kDigest) {
    UpdateOffer offer{"https://x/hvmend.zip", "9.0.0.0", digest, "https://x/notes"};
    return HandleCheckResult(2, offer, dialogs_, hooks_);
  }

  test::TestFolder folder_;
  std::string settingsPath_;
  test::RecordingDialogs dialogs_;
  UpdateOfferHooks hooks_;
  PromptAnswer answer_;
  int promptedWith_ = -1;
  std::string notes_;
  std::vector<std::pair<int, long>> posted_;
  std::vector<std::string> downloaded_;
  std::string downloadResult_ = "C:\\temp\\reg1.tmp";
  std::vector<std::pair<std::string, std::string>> installed_;
  InstallOutcome installOutcome_{InstallOutcome::Result::kStarted, 0, {}};
};

TEST_F(UpdateOfferTest, AnAutomaticCheckWithoutNewsMovesTheDueDateByTheInterval) {
  WriteSettings(7, "");
  EXPECT_FALSE(HandleCheckResult(0, std::nullopt, dialogs_, hooks_));
  EXPECT_EQ(NextDueText(LocalToday(), 7), Settings().update);
  EXPECT_EQ(7, Settings().UpdateFreq);
  EXPECT_TRUE(dialogs_.asked.empty());
}

TEST_F(UpdateOfferTest, AManualCheckWithoutNewsSaysSoAndKeepsTheDueDate) {
  WriteSettings(7, "20261201");
  EXPECT_FALSE(HandleCheckResult(1, std::nullopt, dialogs_, hooks_));
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_EQ("There are no new updates.  You have the latest version", dialogs_.asked[0].text);
  EXPECT_EQ("Updates", dialogs_.asked[0].title);
  EXPECT_EQ(0, dialogs_.asked[0].flags);
  EXPECT_EQ("20261201", Settings().update);
}

TEST_F(UpdateOfferTest, NoWithAReminderPostsCommandFiveAndDownloadsNothing) {
  WriteSettings(14, "");
  answer_ = {dialog::kNo, 30};
  EXPECT_FALSE(Offer());
  EXPECT_EQ(14, promptedWith_);
  EXPECT_EQ("https://x/notes", notes_);
  EXPECT_EQ((std::vector<std::pair<int, long>>{{5, 30}}), posted_);
  EXPECT_TRUE(downloaded_.empty());
}

TEST_F(UpdateOfferTest, ClosingThePromptDoesNothing) {
  answer_ = {dialog::kCancel, 7};
  EXPECT_FALSE(Offer());
  EXPECT_TRUE(posted_.empty());
  EXPECT_TRUE(downloaded_.empty());
}

TEST_F(UpdateOfferTest, YesDownloadsAndInstallsWithTheOffersDigest) {
  answer_ = {dialog::kYes, 1};
  EXPECT_TRUE(Offer());
  EXPECT_EQ(std::vector<std::string>{"https://x/hvmend.zip"}, downloaded_);
  ASSERT_EQ(1u, installed_.size());
  EXPECT_EQ(kDigest, installed_[0].second);
  EXPECT_TRUE(dialogs_.asked.empty());
}

// The user is not asked about an update that would be refused after its
// download.
TEST_F(UpdateOfferTest, AnOfferWithoutAValidDigestIsNeitherPutToTheUserNorDownloaded) {
  answer_ = {dialog::kYes, 1};
  for (const std::string& digest : {std::string(), std::string(63, 'c'), std::string(64, 'g')}) {
    EXPECT_FALSE(Offer(digest)) << digest;
    EXPECT_EQ(-1, promptedWith_) << digest;
  }
  EXPECT_TRUE(downloaded_.empty());
  EXPECT_TRUE(installed_.empty());
  EXPECT_TRUE(dialogs_.asked.empty());
}

TEST_F(UpdateOfferTest, AFailedOrCancelledDownloadSaysNothingAndGoesOn) {
  answer_ = {dialog::kYes, 1};
  downloadResult_.clear();
  EXPECT_FALSE(Offer());
  EXPECT_TRUE(installed_.empty());
  EXPECT_TRUE(dialogs_.asked.empty());
}

TEST_F(UpdateOfferTest, ARefusedInstallIsToldAndTheProgramGoesOn) {
  answer_ = {dialog::kYes, 1};
  installOutcome_ = {InstallOutcome::Result::kNotVerified, 13, "mismatch"};
  EXPECT_FALSE(Offer());
  ASSERT_EQ(1u, dialogs_.asked.size());
  EXPECT_EQ("Hivemend Update", dialogs_.asked[0].title);
  EXPECT_NE(std::string::npos, dialogs_.asked[0].text.find("could not be verified"));
  installOutcome_ = {InstallOutcome::Result::kNotStarted, 2, {}};
  EXPECT_FALSE(Offer());
  EXPECT_EQ("The update could not be started (error 2).", dialogs_.asked[1].text);
}

TEST_F(UpdateOfferTest, AnUnknownResultOrAMissingOfferDoesNothing) {
  WriteSettings(7, "20261201");
  EXPECT_FALSE(HandleCheckResult(3, std::nullopt, dialogs_, hooks_));
  EXPECT_FALSE(HandleCheckResult(2, std::nullopt, dialogs_, hooks_));
  EXPECT_EQ(-1, promptedWith_);
  EXPECT_EQ("20261201", Settings().update);
}

TEST_F(UpdateOfferTest, RemindLaterStoresTheDaysAsIntervalAndDueDate) {
  WriteSettings(1, "");
  EXPECT_EQ(0u, RemindLater(settingsPath_, 14));
  EXPECT_EQ(14, Settings().UpdateFreq);
  EXPECT_EQ(NextDueText(LocalToday(), 14), Settings().update);
  EXPECT_FALSE(IsDue(Settings(), DueKind::update, LocalToday()));
}

TEST_F(UpdateOfferTest, RemindNeverTurnsTheAutomaticCheckOff) {
  WriteSettings(1, "");
  EXPECT_EQ(0u, RemindLater(settingsPath_, 0));
  EXPECT_EQ(0, Settings().UpdateFreq);
  EXPECT_FALSE(IsDue(Settings(), DueKind::update, AddDays(LocalToday(), 365)));
}

// A settings file that cannot be written: the due date stays, and whoever
// tells the user hears of it.
TEST_F(UpdateOfferTest, ADueDateThatCannotBeSavedIsReported) {
  WriteSettings(7, "20261201");
  ASSERT_TRUE(SetFileAttributesA(settingsPath_.c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<uint32_t> failures;
  hooks_.settingsNotSaved = [&](uint32_t status) { failures.push_back(status); };
  EXPECT_FALSE(HandleCheckResult(0, std::nullopt, dialogs_, hooks_));
  const uint32_t reminded = RemindLater(settingsPath_, 30);
  SetFileAttributesA(settingsPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(1u, failures.size());
  EXPECT_NE(0u, failures[0]);
  EXPECT_NE(0u, reminded);
  EXPECT_EQ("20261201", Settings().update);
  EXPECT_EQ(7, Settings().UpdateFreq);
  EXPECT_TRUE(dialogs_.asked.empty());
}

}  // namespace
}  // namespace hvm
