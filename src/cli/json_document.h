// The documents hvmend-cli prints with --json. Each begins with the version of
// its layout, so that a script can tell a layout it was not written for; the
// layouts are published as JSON Schemas in docs/schema/, which also say when
// the version changes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace hvm {

// Raised when a field is removed or renamed or changes its type or meaning,
// together with the schemas in docs/schema/.
inline constexpr int kJsonSchemaVersion = 1;

// {"schemaVersion": kJsonSchemaVersion} followed by the fields of `fields`
// (an object), indented by `indent` spaces, or on one line when `indent` is
// -1; without a line end. Every string and key is written as UTF-8 whatever
// the active code page it was read in; bytes that are no text become U+FFFD
// rather than failing the document.
std::string JsonDocumentText(const nlohmann::ordered_json& fields, int indent = 2);

}  // namespace hvm
