#include "engine/update/package_digest.h"

#include <gtest/gtest.h>

#include <cctype>

namespace hvm {
namespace {

TEST(PackageDigest, KnownSha256Values) {
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Sha256Text("abc"));
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Sha256Text(""));
}

TEST(PackageDigest, MatchesInEitherCaseAndOnlyTheRightBytes) {
  EXPECT_TRUE(
      MatchesDigest("abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
  EXPECT_FALSE(
      MatchesDigest("abd", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

// The whole digest is compared: a package whose digest differs from the
// published one in a single digit, the last one included, is refused.
TEST(PackageDigest, OneWrongDigitAnywhereRefusesThePackage) {
  const std::string right = Sha256Text("abc");
  ASSERT_EQ(64u, right.size());
  for (size_t i = 0; i < right.size(); ++i) {
    std::string wrong = right;
    wrong[i] = wrong[i] == '0' ? '1' : '0';
    EXPECT_FALSE(MatchesDigest("abc", wrong)) << "digit " << i;
  }
  // Nor does the case of the digits hide a wrong last one.
  std::string upper = right;
  for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
  upper.back() = upper.back() == '0' ? '1' : '0';
  EXPECT_FALSE(MatchesDigest("abc", upper));
  EXPECT_FALSE(MatchesDigest("abc", right + "0"));
  EXPECT_TRUE(MatchesDigest("abc", right));
}

TEST(PackageDigest, AnythingButADigestNeverMatches) {
  EXPECT_FALSE(MatchesDigest("abc", ""));
  EXPECT_FALSE(MatchesDigest("abc", "ba7816bf"));
  EXPECT_FALSE(MatchesDigest("", std::string(64, 'z')));
}

}  // namespace
}  // namespace hvm
