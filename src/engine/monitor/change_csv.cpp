#include "engine/monitor/change_csv.h"

namespace hvm {

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string ChangeRowsCsv(const std::vector<ChangeLineFields>& rows) {
  std::string file = "Time,Key,Action,Registry Location\r\n";
  for (const ChangeLineFields& row : rows) {
    file += CsvField(row.time);
    file += ',';
    file += CsvField(row.name);
    file += ',';
    file += CsvField(row.action);
    file += ',';
    file += CsvField(row.location);
    file += "\r\n";
  }
  return file;
}

}  // namespace hvm
