#include "cli/data_files.h"

#include <cstdio>
#include <stdexcept>

#include "cli/console_output.h"
#include "engine/results/ignore_list.h"
#include "engine/settings/file_text.h"

namespace hvm {

std::string CannotReadText(const std::string& path, uint32_t status) {
  return "cannot read " + path + " (" + UnreadableReason(status) + ", error " +
         std::to_string(ReadStatusOf(status)) + "); it is left as it is";
}

ProgramSettings LoadReadableSettings(const std::string& path) {
  ProgramSettings settings;
  if (const uint32_t status = LoadSettings(settings, path))
    throw std::runtime_error(CannotReadText(path, status));
  return settings;
}

void WarnAboutUnreadableDataFiles(const std::string& dataFolder) {
  struct DataFile {
    std::string path;
    const char* consequence;
  };
  const DataFile files[] = {
      {dataFolder + "\\hvmend.ini", "the default settings are used and nothing is saved to it"},
      {dataFolder + "\\" + kIgnoreFileName, "nothing is ignored by it and nothing is added to it"},
  };
  for (const DataFile& file : files) {
    std::string text;
    if (const uint32_t status = ReadEditableText(file.path, text))
      PrintTo(stderr, "hvmend-cli: warning: %s; %s\n", CannotReadText(file.path, status).c_str(),
              file.consequence);
  }
}

}  // namespace hvm
