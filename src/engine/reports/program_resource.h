// The program's data resources. A resource may be stored compressed: its first
// two bytes are then "ZP" and the rest is one raw deflate stream, inflated in
// full before use. Templates, the skipped-keys list and the skin are read this
// way.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace hvm {

// Raised for a resource number the program does not hold.
class EOutOfResources : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Inflates data marked "ZP"; returns any other data unchanged. Throws
// InflateError when the compressed stream is corrupt, cut short or too large.
std::string UnpackResourceData(std::string_view data);

// Reads data resource `number` of `module` (the program itself when null) and
// unpacks it. Throws EOutOfResources "Missing resource <number>" when there is
// no such resource, InflateError naming the number when it cannot be unpacked.
std::string ReadProgramResource(int number, HMODULE module = nullptr);

}  // namespace hvm
