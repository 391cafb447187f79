#include "cli/json_document.h"

#include "engine/core/text_encoding.h"

namespace hvm {
namespace {

// Names read in an older single-byte code page reach the document as UTF-8,
// so that scripts get the characters rather than replacement marks.
nlohmann::ordered_json Utf8Json(const nlohmann::ordered_json& value) {
  if (value.is_string()) return Utf8FromText(value.get_ref<const std::string&>());
  if (value.is_array()) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const nlohmann::ordered_json& item : value) out.push_back(Utf8Json(item));
    return out;
  }
  if (value.is_object()) {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (const auto& [name, item] : value.items()) out[Utf8FromText(name)] = Utf8Json(item);
    return out;
  }
  return value;
}

}  // namespace

std::string JsonDocumentText(const nlohmann::ordered_json& fields, int indent) {
  nlohmann::ordered_json document = {{"schemaVersion", kJsonSchemaVersion}};
  for (const auto& [name, value] : fields.items()) document[Utf8FromText(name)] = Utf8Json(value);
  return document.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace hvm
