#include "engine/update/package_digest.h"

#include <gtest/gtest.h>

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

TEST(PackageDigest, AnythingButADigestNeverMatches) {
  EXPECT_FALSE(MatchesDigest("abc", ""));
  EXPECT_FALSE(MatchesDigest("abc", "ba7816bf"));
  EXPECT_FALSE(MatchesDigest("", std::string(64, 'z')));
}

}  // namespace
}  // namespace hvm
