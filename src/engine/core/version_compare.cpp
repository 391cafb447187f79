#include "engine/core/version_compare.h"

namespace hvm {
namespace {

constexpr size_t kMaxFieldLength = 12;

// A signed decimal number of at most 12 digits always fits 64 bits, so no
// field overflows; anything but an optional sign and digits reads as 0.
int64_t DecimalOrZero(std::string_view field) {
  bool negative = false;
  if (!field.empty() && (field.front() == '-' || field.front() == '+')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty()) return 0;
  int64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

}  // namespace

int64_t NextNumber(std::string_view text, size_t& position, char separator) {
  if (separator == ' ') {
    while (position < text.size() && text[position] == ' ') ++position;
  }
  if (position >= text.size()) {
    position = text.size() + 1;
    return 0;
  }
  const size_t end = text.find(separator, position);
  const size_t fieldEnd = end == std::string_view::npos ? text.size() : end;
  const std::string_view field = text.substr(position, fieldEnd - position);
  position = fieldEnd + 1;
  return DecimalOrZero(field.substr(0, kMaxFieldLength));
}

int CompareVersions(std::string_view a, std::string_view b) {
  size_t positionA = 0;
  size_t positionB = 0;
  for (int part = 0; part < 4; ++part) {
    const int64_t numberA = NextNumber(a, positionA, '.');
    const int64_t numberB = NextNumber(b, positionB, '.');
    if (numberA < numberB) return -1;
    if (numberA > numberB) return 1;
  }
  return 0;
}

}  // namespace hvm
