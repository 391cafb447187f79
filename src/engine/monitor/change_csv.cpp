#include "engine/monitor/change_csv.h"

namespace hvm {

namespace {

// Spreadsheets run a cell that starts with one of these as a formula, so a
// value named "=HYPERLINK(...)" would act when the list is opened; an
// apostrophe in front makes them show it as text and is not shown itself.
constexpr std::string_view kFormulaStarts("=+-@\t\r", 6);

}  // namespace

std::string CsvField(std::string_view text) {
  std::string field;
  if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos) field = "'";
  field.append(text);
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
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
