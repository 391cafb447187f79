#include "engine/core/problem_line.h"

#include <algorithm>
#include <cctype>

namespace hvm {

ProblemLineParts SplitProblemLine(std::string_view line) {
  const size_t at = line.find(kValueSeparator);
  if (at == std::string_view::npos) return {std::string(line), "", true};
  return {std::string(line.substr(0, at)), std::string(line.substr(at + kValueSeparator.size())),
          false};
}

ValuePartParts SplitValuePart(std::string_view valuePart) {
  const size_t at = valuePart.find(kDataSeparator);
  if (at == std::string_view::npos) return {std::string(valuePart), "", false};
  return {std::string(valuePart.substr(0, at)),
          std::string(valuePart.substr(at + kDataSeparator.size())), true};
}

bool IsDefaultValueName(std::string_view name) {
  constexpr std::string_view kDefault = "(DEFAULT)";
  return name.empty() ||
         std::equal(name.begin(), name.end(), kDefault.begin(), kDefault.end(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace hvm
