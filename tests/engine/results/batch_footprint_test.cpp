#include "engine/results/batch_footprint.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

using Fit = BatchFootprint::Fit;

std::string Canonical(const std::string& keyText) {
  return BatchFootprint::CanonicalKey(keyText).value_or("<none>");
}

TEST(BatchFootprintCanonicalKey, EveryNameOfAClassFoldsToOne) {
  const std::string clsid = Canonical("HKEY_CLASSES_ROOT\\CLSID\\{A1}");
  EXPECT_EQ(clsid, Canonical("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{a1}"));
  EXPECT_EQ(clsid, Canonical("HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{A1}"));
  EXPECT_EQ(clsid, Canonical("HKEY_USERS\\S-1-5-21-7_Classes\\CLSID\\{A1}"));
  EXPECT_EQ(clsid, Canonical("HKEY_USERS\\S-1-5-21-7\\Software\\Classes\\CLSID\\{A1}"));
  EXPECT_EQ(clsid, Canonical("HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{A1}"));
  EXPECT_EQ(clsid, Canonical("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\CLSID\\{A1}"));
  EXPECT_EQ(clsid, Canonical("HKCR\\CLSID\\{A1}\\"));
  EXPECT_NE(clsid, Canonical("HKEY_CLASSES_ROOT\\CLSID\\{A2}"));
}

TEST(BatchFootprintCanonicalKey, TheCurrentUserAndControlSetFoldToTheirTargets) {
  EXPECT_EQ(Canonical("HKEY_CURRENT_USER\\Software\\App"),
            Canonical("HKEY_USERS\\S-1-5-21-7\\Software\\App"));
  EXPECT_EQ(Canonical("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Drv"),
            Canonical("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\Drv"));
  EXPECT_EQ(Canonical("HKEY_CURRENT_CONFIG\\Software\\Fonts"),
            Canonical("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Hardware Profiles\\0001"
                      "\\Software\\Fonts"));
  // Keys that only begin alike stay apart.
  EXPECT_NE(Canonical("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet01\\X"),
            Canonical("HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\X"));
  EXPECT_NE(Canonical("HKEY_CURRENT_USER\\Software\\ClassesX\\A"),
            Canonical("HKEY_CLASSES_ROOT\\A"));
}

TEST(BatchFootprintCanonicalKey, KeysAboveAMergedViewOrOfUnknownRootsHaveNoName) {
  for (const char* key : {"HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE\\SOFTWARE",
                          "HKEY_LOCAL_MACHINE\\Software\\Classes", "HKEY_CURRENT_USER\\Software",
                          "HKEY_CURRENT_USER\\Software\\Classes\\", "HKEY_USERS\\S-1-5-18",
                          "HKEY_PERFORMANCE_DATA\\X", "NOPE\\X", ""})
    EXPECT_EQ("<none>", Canonical(key)) << key;
}

TEST(BatchFootprint, AKeyCoversEverythingBelowIt) {
  BatchFootprint footprint;
  footprint.Add("HKEY_CURRENT_USER\\A\\B", nullptr);
  const std::string name = "v";
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A\\B", nullptr));
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\a\\b\\C", nullptr));
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A\\B\\C\\D", &name));
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A\\B", &name));
  // The key above it holds it.
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A", nullptr));
  // Siblings, also those whose names begin alike, are free.
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\Bc", nullptr));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\B c", nullptr));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A", &name));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_LOCAL_MACHINE\\A\\B", nullptr));
}

TEST(BatchFootprint, AValueOverlapsItselfAndTheKeysAboveIt) {
  BatchFootprint footprint;
  const std::string value = "Run Me";
  footprint.Add("HKEY_CURRENT_USER\\A\\B", &value);
  const std::string sameValue = "run me";
  const std::string otherValue = "Run";
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A\\B", &sameValue));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\B", &otherValue));
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A\\B", nullptr));
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_CURRENT_USER\\A", nullptr));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\B\\C", nullptr));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\Bb", nullptr));
}

TEST(BatchFootprint, AKeyReachedUnderAnotherNameOverlaps) {
  BatchFootprint footprint;
  footprint.Add("HKEY_CLASSES_ROOT\\CLSID\\{A1}", nullptr);
  const std::string name = "";
  EXPECT_EQ(
      Fit::kOverlaps,
      footprint.FitOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{A1}\\InprocServer32", &name));
  EXPECT_EQ(Fit::kOverlaps,
            footprint.FitOf("HKEY_CURRENT_USER\\Software\\Classes\\CLSID", nullptr));
}

TEST(BatchFootprint, AnItemWithoutANameStandsAlone) {
  BatchFootprint footprint;
  EXPECT_EQ(Fit::kExclusive, footprint.FitOf("HKEY_CURRENT_USER\\Software", nullptr));
  footprint.Add("HKEY_CURRENT_USER\\Software", nullptr);
  EXPECT_EQ(Fit::kOverlaps, footprint.FitOf("HKEY_LOCAL_MACHINE\\Unrelated", nullptr));
  footprint.Clear();
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_LOCAL_MACHINE\\Unrelated", nullptr));
}

TEST(BatchFootprint, ClearForgetsEverything) {
  BatchFootprint footprint;
  const std::string name = "v";
  footprint.Add("HKEY_CURRENT_USER\\A", nullptr);
  footprint.Add("HKEY_CURRENT_USER\\B", &name);
  footprint.Clear();
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\A\\X", nullptr));
  EXPECT_EQ(Fit::kFree, footprint.FitOf("HKEY_CURRENT_USER\\B", &name));
}

}  // namespace
}  // namespace hvm
