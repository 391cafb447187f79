// Page templates kept in the program's data resources, one compressed MIME
// document per resource number.
#pragma once

#include <windows.h>

#include "engine/reports/mhtml.h"

namespace hvm {

// A small template that proves the packing path from resources/templates to
// the program's resources.
inline constexpr int kSampleTemplate = 400;

// Reads, unpacks and parses template `number` of `module` (the program itself
// when null). Throws EOutOfResources "Missing resource <number>" when there is
// no such resource.
MhtmlDocument LoadTemplate(int number, HMODULE module = nullptr);

}  // namespace hvm
