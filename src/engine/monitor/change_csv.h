// The monitor's captured rows as a CSV file (RFC 4180): a header line, then
// one line per row with the time, key, action and location, fields quoted
// where they hold a comma, a double quote or a line break, and CR LF line
// ends. Pure text: no Windows header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/monitor/change_line.h"

namespace hvm {

// One field as CSV needs it: an apostrophe put before a first character a
// spreadsheet would start a formula with ("=", "+", "-", "@", tab, CR); then
// quoted, with inner quotes doubled, when it holds a comma, a double quote,
// CR or LF; as it is otherwise.
std::string CsvField(std::string_view text);

// The whole file: "Time,Key,Action,Registry Location" and one line per row.
std::string ChangeRowsCsv(const std::vector<ChangeLineFields>& rows);

}  // namespace hvm
