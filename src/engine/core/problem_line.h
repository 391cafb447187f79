// The problem line: how every scan section reports one stale entry.
//   key problem:    a key path ("HKCR\CLSID\{...}")
//   value problem:  key path, "\\:", value name, optionally " = " and the data
// A key path never holds two backslashes in a row, so the first "\\:" splits
// every line.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

inline constexpr std::string_view kValueSeparator = "\\\\:";
inline constexpr std::string_view kDataSeparator = " = ";

struct ProblemLineParts {
  std::string keyText;    // text before the first "\\:", or the whole line
  std::string valuePart;  // text after it; empty for a key problem
  bool wholeKey = false;  // the line has no "\\:"
};

ProblemLineParts SplitProblemLine(std::string_view line);

struct ValuePartParts {
  std::string name;  // value name; see IsDefaultValueName
  std::string data;  // display data after the first " = ", if any
  bool hasData = false;
};

// Splits a value part at its first " = ", so a name that itself holds " = " is
// cut there.
ValuePartParts SplitValuePart(std::string_view valuePart);

// "(DEFAULT)" in any case and the empty name both stand for the default value.
bool IsDefaultValueName(std::string_view name);

}  // namespace hvm
