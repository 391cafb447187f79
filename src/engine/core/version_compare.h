// Numbers read out of delimited text, and dotted version numbers compared.
// Pure text: no Windows header, so this also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hvm {

// Reads the field that starts at `position` (0-based) and runs to the next
// `separator` or the end of `text`, and moves `position` past that separator.
// With a blank separator, blanks at `position` are skipped first. At most the
// first 12 characters of the field count; a field that is empty or not a
// signed decimal number reads as 0.
int64_t NextNumber(std::string_view text, size_t& position, char separator);

// -1, 0 or 1 as version `a` is lower than, equal to or higher than `b`. Up to
// four dot-separated numbers are compared in turn; a missing number reads as 0.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace hvm
