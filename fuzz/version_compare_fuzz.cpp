// fuzz-sources: src/engine/core/version_compare.cpp
//
// libFuzzer target for dotted version numbers and the number fields of
// delimited text. Three versions from the input: comparison must be an order
// (each equal to itself, antisymmetric, transitive); every walk through a
// text with NextNumber must move forward and end. Seeds:
// fuzz/corpus/version_compare/.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/core/version_compare.h"

namespace {

using hvm::CompareVersions;

void Check(bool condition) {
  if (!condition) abort();
}

void CheckWalk(const std::string& text, char separator) {
  size_t position = 0;
  size_t steps = 0;
  while (position <= text.size()) {
    const size_t before = position;
    const int64_t number = hvm::NextNumber(text, position, separator);
    Check(position > before);
    // At most 12 characters count, so no field reads past 12 digits.
    Check(number > -1000000000000 && number < 1000000000000);
    Check(++steps <= text.size() + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider input(bytes, size);
  const std::string a = input.ConsumeRandomLengthString(64);
  const std::string b = input.ConsumeRandomLengthString(64);
  const std::string c = input.ConsumeRemainingBytesAsString();

  Check(CompareVersions(a, a) == 0);
  const int ab = CompareVersions(a, b);
  Check(ab >= -1 && ab <= 1);
  Check(CompareVersions(b, a) == -ab);
  const int bc = CompareVersions(b, c);
  if (ab == bc) Check(CompareVersions(a, c) == ab);
  if (ab == 0) Check(CompareVersions(a, c) == bc);

  for (char separator : {'.', ' ', ',', ';'}) CheckWalk(a + b + c, separator);
  return 0;
}
