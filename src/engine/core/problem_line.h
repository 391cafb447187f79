// The problem line: how every scan section reports one stale entry.
//   key problem:    a key path ("HKCR\CLSID\{...}")
//   value problem:  key path, "\\:", value name, optionally " = " and the data
// A key path never holds two backslashes in a row, so the first "\\:" splits
// every line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The value names a value part can stand for, shortest first: the text before
// each " = " in turn, then the whole part. A name may itself hold " = ", so a
// part with one or more of them names no value for certain.
std::vector<std::string> ValueNameCandidates(std::string_view valuePart);

// The registry item of a problem, kept beside its display line so that a
// repair never reads it back out of the text.
struct ProblemTarget {
  std::string keyText;    // root name and path, as the line shows them
  std::string valueName;  // of a value problem; "" is the default value
  bool wholeKey = false;
};

// The item of a line whose value name holds no " = " (keys, and values of
// names the program itself chose): the name is the text before the first
// " = ", "(Default)" the default value.
ProblemTarget ProblemTargetOf(std::string_view line);

// One spelling of a key for comparisons: a long root name becomes the short
// one ("HKEY_CURRENT_USER\X" -> "HKCU\X"), trailing backslashes go. Letter
// case stays; compare the results without regard to it, as the registry does.
std::string CanonicalKeyText(std::string_view keyText);

}  // namespace hvm
