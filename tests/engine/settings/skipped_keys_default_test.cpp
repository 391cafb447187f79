#include "engine/settings/skipped_keys_default.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace hvm {
namespace {

std::vector<std::string> DefaultLines() {
  std::vector<std::string> lines;
  const std::string_view text = DefaultSkippedKeysText();
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    lines.emplace_back(text.substr(start, end - start));
    start = end == std::string_view::npos ? text.size() : end + 2;
  }
  return lines;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// Lines below `folder` (the folder itself excluded), compared without case.
int CountBelow(const std::vector<std::string>& lines, const std::string& folder) {
  const std::string prefix = Lower(folder) + "\\";
  return int(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return Lower(line).starts_with(prefix);
  }));
}

TEST(SkippedKeysDefault, HasOneHundredFiftyEightDistinctKeysWithValueOne) {
  const std::vector<std::string> lines = DefaultLines();
  ASSERT_EQ(158u, lines.size());
  std::set<std::string> names;
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.ends_with("=1")) << line;
    EXPECT_EQ(line.size() - 2, line.find('=')) << line;
    EXPECT_TRUE(line.starts_with("HKEY_LOCAL_MACHINE\\") || line.starts_with("HKEY_CURRENT_USER\\"))
        << line;
    names.insert(Lower(line));
  }
  // Keys compare without case in the settings file, so a duplicate would be
  // lost on the first save.
  EXPECT_EQ(158u, names.size());
}

TEST(SkippedKeysDefault, KeysLieInTheirLocations) {
  const std::vector<std::string> lines = DefaultLines();
  const std::string classes = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
  const std::string microsoft = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft";
  EXPECT_EQ(32, CountBelow(lines, classes + "\\CLSID"));
  EXPECT_EQ(17, CountBelow(lines, classes + "\\TypeLib"));
  EXPECT_EQ(13, CountBelow(lines, classes + "\\Interface"));
  EXPECT_EQ(4, CountBelow(lines, classes + "\\AppID"));
  EXPECT_EQ(12, CountBelow(lines, microsoft + "\\Windows"));
  EXPECT_EQ(6, CountBelow(lines, microsoft + "\\Code Store Database"));
  EXPECT_EQ(4, CountBelow(lines, microsoft + "\\Internet Explorer"));
  EXPECT_EQ(3, CountBelow(lines, "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer"));
  EXPECT_EQ(2, CountBelow(lines, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows"));
}

TEST(SkippedKeysDefault, HoldsTheFourTellingRows) {
  const std::vector<std::string> lines = DefaultLines();
  for (const char* row : {
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\MyWebSearch=1",
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lycos "
           "Sidesearch=1",
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\eZula=1",
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\XTSearch.XTSearchHook=1",
       }) {
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), row)) << row;
  }
}

}  // namespace
}  // namespace hvm
