#include "engine/core/problem_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace hvm {
namespace {

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

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

std::vector<std::string> ValueNameCandidates(std::string_view valuePart) {
  std::vector<std::string> names;
  for (size_t at = valuePart.find(kDataSeparator); at != std::string_view::npos;
       at = valuePart.find(kDataSeparator, at + 1))
    names.emplace_back(valuePart.substr(0, at));
  names.emplace_back(valuePart);
  return names;
}

ProblemTarget ProblemTargetOf(std::string_view line) {
  ProblemLineParts parts = SplitProblemLine(line);
  ProblemTarget target{std::move(parts.keyText), "", parts.wholeKey};
  if (!parts.wholeKey) {
    target.valueName = SplitValuePart(parts.valuePart).name;
    if (IsDefaultValueName(target.valueName)) target.valueName.clear();
  }
  return target;
}

std::string CanonicalKeyText(std::string_view keyText) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kRoots{{
      {"HKEY_CLASSES_ROOT", "HKCR"},
      {"HKEY_CURRENT_USER", "HKCU"},
      {"HKEY_LOCAL_MACHINE", "HKLM"},
      {"HKEY_USERS", "HKU"},
      {"HKEY_CURRENT_CONFIG", "HKCC"},
      {"HKEY_DYN_DATA", "HKDD"},
  }};
  while (!keyText.empty() && keyText.back() == '\\') keyText.remove_suffix(1);
  const std::string_view first = keyText.substr(0, keyText.find('\\'));
  for (const auto& [longName, shortName] : kRoots)
    if (AsciiEqualsNoCase(first, longName))
      return std::string(shortName) + std::string(keyText.substr(first.size()));
  return std::string(keyText);
}

}  // namespace hvm
