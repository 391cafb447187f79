#include "engine/settings/window_placement.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

constexpr PlacementNumbers kMaximised{44, 2, 3, -1, -1, -8, -8, 10, 20, 810, 620};

TEST(WindowPlacement, ElevenSignedIntegersJoinedByCommas) {
  EXPECT_EQ("44,2,3,-1,-1,-8,-8,10,20,810,620", FormatPlacement(kMaximised));
  EXPECT_EQ(kMaximised, ParsePlacement(FormatPlacement(kMaximised)));
}

TEST(WindowPlacement, BlanksAroundNumbersAreAllowed) {
  EXPECT_EQ(kMaximised, ParsePlacement(" 44, 2,3 ,-1,-1,-8,-8,10,20,810, 620 "));
}

TEST(WindowPlacement, AnythingButElevenIntegersIsRefused) {
  for (const char* text :
       {"", "44,2,3,-1,-1,-8,-8,10,20,810", "44,2,3,-1,-1,-8,-8,10,20,810,620,1",
        "44,2,3,-1,-1,-8,-8,10,20,810,", ",44,2,3,-1,-1,-8,-8,10,20,810",
        "44,2,3,-1,-1,-8,-8,10,20,810,x", "44;2;3;-1;-1;-8;-8;10;20;810;620",
        "0x2C,2,3,-1,-1,-8,-8,10,20,810,620", "44,2,3,-1,-1,-8,-8,10,20,810,99999999999"}) {
    EXPECT_FALSE(ParsePlacement(text).has_value()) << text;
  }
}

TEST(WindowPlacement, ScreensAbove96DotsPerInchKeepTheirOwn) {
  ProgramSettings settings;
  PlacementSetting(settings, 96) = "normal";
  PlacementSetting(settings, 97) = "large";
  EXPECT_EQ("normal", settings.window);
  EXPECT_EQ("large", settings.window_l);
  EXPECT_EQ(&settings.window, &PlacementSetting(settings, 72));
  EXPECT_EQ(&settings.window_l, &PlacementSetting(settings, 144));
}

}  // namespace
}  // namespace hvm
