#include "engine/update/update_response.h"

#include <gtest/gtest.h>

#include "engine/update/update_check.h"

namespace hvm {
namespace {

const std::string kDigest(64, 'a');

TEST(UpdateResponse, AStarAtTheStartOffersNothing) {
  EXPECT_FALSE(ParseUpdateResponse("*"));
  EXPECT_FALSE(ParseUpdateResponse("*\r\n"));
  EXPECT_FALSE(ParseUpdateResponse("*https://x/a.zip#9.0.0.0\r\nhttps://x/notes"));
}

TEST(UpdateResponse, OnlyOneOrTwoLinesCount) {
  EXPECT_FALSE(ParseUpdateResponse(""));
  EXPECT_FALSE(ParseUpdateResponse("https://x/a.zip#2.0\r\nhttps://x/n\r\nthird"));
  // A line break at the very end starts no third line.
  EXPECT_TRUE(ParseUpdateResponse("https://x/a.zip#2.0\nhttps://x/n\n"));
  EXPECT_TRUE(ParseUpdateResponse("https://x/a.zip#2.0\rhttps://x/n"));
  // An empty line in between is a line all the same.
  EXPECT_FALSE(ParseUpdateResponse("https://x/a.zip#2.0\n\nhttps://x/n"));
}

TEST(UpdateResponse, AFirstLineWithoutHashOffersNothing) {
  EXPECT_FALSE(ParseUpdateResponse("https://x/a.zip 2.0.0.0"));
}

TEST(UpdateResponse, AddressVersionDigestAndNotes) {
  const auto offer =
      ParseUpdateResponse("https://x/hv.zip#1.2.1.0#" + kDigest + "\r\nhttps://x/notes.html");
  ASSERT_TRUE(offer);
  EXPECT_EQ("https://x/hv.zip", offer->address);
  EXPECT_EQ("1.2.1.0", offer->version);
  EXPECT_EQ(kDigest, offer->digest);
  EXPECT_EQ("https://x/notes.html", offer->notes);
}

TEST(UpdateResponse, WithoutADigestTheOfferStillParses) {
  const auto offer = ParseUpdateResponse("https://x/hv.zip#1.2.1");
  ASSERT_TRUE(offer);
  EXPECT_EQ("1.2.1", offer->version);
  EXPECT_EQ("", offer->digest);
  EXPECT_EQ("", offer->notes);
}

TEST(UpdateResponse, AtMostElevenCharactersOfTheVersionAreRead) {
  EXPECT_EQ("1.222.333.4", ParseUpdateResponse("https://x/a#1.222.333.4444")->version);
  EXPECT_EQ("2.0 beta", ParseUpdateResponse("https://x/a#2.0 beta   7")->version)
      << "no blank left at the cut";
  EXPECT_EQ("1.2.3.4", ParseUpdateResponse("https://x/a#1.2.3.4#" + kDigest)->version);
}

TEST(UpdateResponse, NotesThatAreNoWebAddressAreDropped) {
  EXPECT_EQ("", ParseUpdateResponse("https://x/a#2\r\nC:\\Windows\\system32\\cmd.exe")->notes);
  EXPECT_EQ("", ParseUpdateResponse("https://x/a#2\r\nfile:///c:/x.exe")->notes);
  EXPECT_EQ("http://x/n", ParseUpdateResponse("https://x/a#2\r\nhttp://x/n")->notes);
}

TEST(UpdateRequest, PathProductAndDaySerial) {
  EXPECT_EQ("https://h.example/update/?prod=3319&i=46365",
            UpdateRequestAddress("https://h.example/", 46365));
  EXPECT_EQ("http://127.0.0.1:8000/update/?prod=3319&i=1",
            UpdateRequestAddress("http://127.0.0.1:8000", 1));
}

TEST(UpdateRequest, DaysCountFromTheThirtiethOfDecember1899) {
  EXPECT_EQ(0, DaySerial(1899, 12, 30));
  EXPECT_EQ(61, DaySerial(1900, 3, 1));
  EXPECT_EQ(25569, DaySerial(1970, 1, 1));
  EXPECT_EQ(46365, DaySerial(2026, 12, 9));
  EXPECT_EQ(DaySerial(2028, 2, 29) + 1, DaySerial(2028, 3, 1));
}

TEST(TrustedTransport, HttpsAnywhereHttpOnlyOnTheLoopback) {
  EXPECT_TRUE(IsTrustedTransport("https://hivemend.example.org/a.zip"));
  EXPECT_TRUE(IsTrustedTransport("HTTPS://Hivemend.example.org"));
  EXPECT_TRUE(IsTrustedTransport("http://127.0.0.1:8080/a.zip"));
  EXPECT_TRUE(IsTrustedTransport("http://127.5.6.7/a.zip"));
  EXPECT_TRUE(IsTrustedTransport("http://localhost/a.zip"));
  EXPECT_TRUE(IsTrustedTransport("http://[::1]:99/a.zip"));
  EXPECT_FALSE(IsTrustedTransport("http://hivemend.example.org/a.zip"));
  EXPECT_FALSE(IsTrustedTransport("http://10.0.0.1/a.zip"));
  // Hosts that only look like the loopback.
  EXPECT_FALSE(IsTrustedTransport("http://127.0.0.1.evil.example/a.zip"));
  EXPECT_FALSE(IsTrustedTransport("http://127.0.0.1@evil.example/a.zip"));
  EXPECT_FALSE(IsTrustedTransport("http://localhost.evil.example/"));
  EXPECT_FALSE(IsTrustedTransport("ftp://127.0.0.1/a.zip"));
  EXPECT_FALSE(IsTrustedTransport("C:\\update.zip"));
  EXPECT_FALSE(IsTrustedTransport("https://"));
  EXPECT_FALSE(IsTrustedTransport(""));
}

TEST(DigestText, SixtyFourHexadecimalDigits) {
  EXPECT_TRUE(IsSha256Text(kDigest));
  EXPECT_TRUE(IsSha256Text(std::string(64, 'F')));
  EXPECT_FALSE(IsSha256Text(std::string(63, 'a')));
  EXPECT_FALSE(IsSha256Text(std::string(65, 'a')));
  EXPECT_FALSE(IsSha256Text(std::string(63, 'a') + "g"));
}

TEST(FileNameOfAddress, ThePartAfterTheLastSlash) {
  EXPECT_EQ("hvmend-1.2.zip", FileNameOfAddress("https://x/dl/hvmend-1.2.zip"));
  EXPECT_EQ("plain", FileNameOfAddress("plain"));
  EXPECT_EQ("", FileNameOfAddress("https://x/"));
}

// ---- what a check decides -----------------------------------------------

std::optional<int> Decide(const std::string& response, const std::string& own,
                          CheckMode mode = CheckMode::kAutomatic) {
  std::optional<UpdateOffer> offer;
  return DecideCheck(response, own, mode, offer);
}

TEST(DecideCheck, TheSameVersionIsNothingNewerInEitherMode) {
  EXPECT_EQ(0, Decide("https://x/a.zip#1.2.0.185", "1.2.0.185", CheckMode::kAutomatic));
  EXPECT_EQ(1, Decide("https://x/a.zip#1.2.0.185", "1.2.0.185", CheckMode::kManual));
  EXPECT_EQ(1, Decide("https://x/a.zip#1.2.0.1", "1.2.0.185", CheckMode::kManual));
}

TEST(DecideCheck, TheThirdFieldDecides) {
  std::optional<UpdateOffer> offer;
  EXPECT_EQ(
      2, DecideCheck("https://x/a.zip#1.2.1#" + kDigest, "1.2.0.185", CheckMode::kManual, offer));
  ASSERT_TRUE(offer);
  EXPECT_EQ("https://x/a.zip", offer->address);
  EXPECT_EQ(kDigest, offer->digest);
}

TEST(DecideCheck, FieldsCompareAsNumbers) {
  EXPECT_EQ(2, Decide("https://x/a.zip#1.10.0.0#" + kDigest, "1.9.9.9"));
}

// A package nothing could verify would be refused after its download: the
// newer version is no offer, in either mode, and no older offer is kept.
TEST(DecideCheck, ANewerPackageWithoutAValidDigestIsNoOffer) {
  for (const std::string& digest :
       {std::string(), std::string(63, 'a'), kDigest + "0", std::string(64, 'z')}) {
    for (CheckMode mode : {CheckMode::kAutomatic, CheckMode::kManual}) {
      std::optional<UpdateOffer> offer = UpdateOffer{"https://old/", "8.0", kDigest, ""};
      const std::string response =
          "https://x/a.zip#9.0" + (digest.empty() ? "" : "#" + digest) + "\r\nhttps://x/n";
      EXPECT_FALSE(DecideCheck(response, "1.0.0.0", mode, offer)) << digest;
      EXPECT_FALSE(offer) << digest;
    }
  }
  // The same version without a digest is still "nothing newer".
  EXPECT_EQ(1, Decide("https://x/a.zip#1.0.0.0", "1.0.0.0", CheckMode::kManual));
}

TEST(DecideCheck, NothingIsPostedForAFailedFetchOrABadResponse) {
  std::optional<UpdateOffer> offer;
  EXPECT_FALSE(DecideCheck(std::nullopt, "1.0.0.0", CheckMode::kManual, offer));
  EXPECT_FALSE(Decide("*", "1.0.0.0", CheckMode::kManual));
  EXPECT_FALSE(Decide("a#9\r\nb\r\nc", "1.0.0.0", CheckMode::kManual));
  EXPECT_FALSE(Decide("", "1.0.0.0", CheckMode::kManual));
}

TEST(DecideCheck, ANewerPackageOverPlainHttpOffTheLoopbackIsNoOffer) {
  std::optional<UpdateOffer> offer;
  EXPECT_FALSE(
      DecideCheck("http://x.example/a.zip#9.0#" + kDigest, "1.0.0.0", CheckMode::kManual, offer));
  EXPECT_FALSE(offer);
  EXPECT_EQ(2, Decide("http://127.0.0.1:5000/a.zip#9.0#" + kDigest, "1.0.0.0"));
}

}  // namespace
}  // namespace hvm
