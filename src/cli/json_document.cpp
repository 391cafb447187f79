#include "cli/json_document.h"

namespace hvm {

std::string JsonDocumentText(const nlohmann::ordered_json& fields, int indent) {
  nlohmann::ordered_json document = {{"schemaVersion", kJsonSchemaVersion}};
  for (const auto& [name, value] : fields.items()) document[name] = value;
  return document.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace hvm
