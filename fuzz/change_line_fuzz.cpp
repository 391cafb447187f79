// fuzz-sources: src/engine/monitor/change_line.cpp src/engine/monitor/change_csv.cpp
//
// libFuzzer target for the monitor's change line and its CSV rows. Reads
// arbitrary bytes as a change line (its fields must be pieces of the line),
// and cuts the input into a time, a name and a location to check that a line
// made of them reads back as they were, and that each field survives CSV
// quoting (a formula's first character made text). Seeds: fuzz/corpus/change_line/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/monitor/change_csv.h"
#include "engine/monitor/change_line.h"

namespace {

using namespace hvm;

void Check(bool condition) {
  if (!condition) abort();
}

// The one RFC 4180 field at the start of `text`, unquoted; `used` is how many
// bytes it took.
std::string ReadCsvField(std::string_view text, size_t& used) {
  if (text.empty() || text[0] != '"') {
    used = text.find_first_of(",\r\n");
    if (used == std::string_view::npos) used = text.size();
    return std::string(text.substr(0, used));
  }
  std::string field;
  size_t at = 1;
  while (at < text.size()) {
    if (text[at] == '"') {
      if (at + 1 < text.size() && text[at + 1] == '"') {
        field += '"';
        at += 2;
        continue;
      }
      used = at + 1;
      return field;
    }
    field += text[at++];
  }
  abort();  // an opened quote must be closed
}

// A field a spreadsheet would take for a formula reads back with an
// apostrophe in front, which the spreadsheet does not show.
void CheckCsvRoundTrip(std::string_view text) {
  const std::string field = CsvField(text);
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  size_t used = 0;
  Check(ReadCsvField(field, used) == (formula ? "'" : "") + std::string(text));
  Check(used == field.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const ChangeLineFields read = ReadChangeLine(input);
  Check(read.time.size() + read.action.size() + read.name.size() + read.location.size() <= size);
  Check(input.substr(0, read.time.size()) == read.time);
  Check(input.find(read.action) != std::string_view::npos);
  Check(input.find(read.name) != std::string_view::npos);
  Check(input.size() >= read.location.size() &&
        input.substr(input.size() - read.location.size()) == read.location);

  // Three pieces split at the first two zero bytes: time, name, location.
  const size_t first = input.find('\0');
  const size_t second = first == std::string_view::npos ? first : input.find('\0', first + 1);
  if (second == std::string_view::npos) return 0;
  const std::string_view time = input.substr(0, first);
  const std::string_view name = input.substr(first + 1, second - first - 1);
  std::string location(input.substr(second + 1));
  // Locations are the monitor's fixed key paths, which hold no ';'.
  for (char& c : location)
    if (c == ';') c = '_';
  for (ChangeAction action : {ChangeAction::kKeyAdded, ChangeAction::kValueAdded,
                              ChangeAction::kKeyRemoved, ChangeAction::kValueRemoved}) {
    const ChangeLineFields back = ReadChangeLine(MakeChangeLine(time, action, name, location));
    Check(back.action == ActionText(action));
    Check(back.name == name);
    Check(back.location == location);
    Check(back.time.size() == time.size());
    Check(back.time.find(';') == std::string::npos);
  }
  CheckCsvRoundTrip(time);
  CheckCsvRoundTrip(name);
  CheckCsvRoundTrip(location);
  const std::string file =
      ChangeRowsCsv({{std::string(time), "Value Added To", std::string(name), location}});
  Check(file.rfind("Time,Key,Action,Registry Location\r\n", 0) == 0);
  return 0;
}
