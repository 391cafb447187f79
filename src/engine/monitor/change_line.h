// The change line: one event of the registry monitor as one line of text,
//   time ";;" action ";;;" '"' name '"' ";;;;" location
// written by the key snapshots and split back into columns by the monitor
// page, the list file and the console. Pure text: no Windows header.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

enum class ChangeAction { kKeyAdded, kValueAdded, kKeyRemoved, kValueRemoved };

// "Key Added To", "Value Added To", "Key Removed From" or "Value Removed From".
std::string_view ActionText(ChangeAction action);

// The line for one event. `time` loses any ';' (a locale's date or time
// format could hold one, and the reader takes the first ";;" as the end of
// the time); the name and location are kept as they are.
std::string MakeChangeLine(std::string_view time, ChangeAction action, std::string_view name,
                           std::string_view location);

struct ChangeLineFields {
  std::string time;
  std::string action;
  std::string name;  // without its quotes; "" for the default value
  std::string location;
};

// Splits a line back into its fields. Each separator is looked for after the
// previous one; a field whose separators are missing is empty (a line without
// any ";;" is all time). The name ends at the last ";;;;" of the line: names
// come from whoever writes the registry and may hold any text, while the
// locations are the monitor's own fixed key paths, which hold no ';'.
ChangeLineFields ReadChangeLine(std::string_view line);

}  // namespace hvm
