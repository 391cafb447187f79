// fuzz-sources: src/engine/core/problem_line.cpp
//
// libFuzzer target for problem-line splitting: a line splits into key text
// and value part at its first "\\:", a value part into name and data at its
// first " = ". The pieces must join back into the input exactly, and no piece
// before a separator may hold that separator. Seeds: fuzz/corpus/problem_line/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/core/problem_line.h"

namespace {

using namespace hvm;

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(bytes), size);
  const ProblemLineParts parts = SplitProblemLine(line);
  Check(parts.keyText.find(kValueSeparator) == std::string::npos);
  if (parts.wholeKey) {
    Check(parts.keyText == line && parts.valuePart.empty());
    return 0;
  }
  Check(parts.keyText + std::string(kValueSeparator) + parts.valuePart == line);

  const ValuePartParts value = SplitValuePart(parts.valuePart);
  Check(value.name.find(kDataSeparator) == std::string::npos);
  const std::string joined =
      value.hasData ? value.name + std::string(kDataSeparator) + value.data : value.name;
  Check(joined == parts.valuePart);
  Check(value.hasData || value.data.empty());

  // The default name is told apart without regard to letter case.
  std::string lower = value.name;
  std::string upper = value.name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  Check(IsDefaultValueName(value.name) == IsDefaultValueName(lower));
  Check(IsDefaultValueName(value.name) == IsDefaultValueName(upper));
  Check(!IsDefaultValueName(value.name) || value.name.empty() || upper == "(DEFAULT)");
  return 0;
}
