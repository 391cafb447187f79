// JSON as scripts read it: every string and key in UTF-8, whatever the
// active code page the names were read in.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "engine/core/text_encoding.h"

namespace hvm {

template <class Json>
Json Utf8Json(const Json& value) {
  if (value.is_string())
    return Json(Utf8FromText(value.template get_ref<const typename Json::string_t&>()));
  if (value.is_array()) {
    Json out = Json::array();
    for (const Json& item : value) out.push_back(Utf8Json(item));
    return out;
  }
  if (value.is_object()) {
    Json out = Json::object();
    for (auto item = value.begin(); item != value.end(); ++item)
      out[Utf8FromText(item.key())] = Utf8Json(item.value());
    return out;
  }
  return value;
}

// The document as text, `indent` as nlohmann's dump takes it (-1: one line).
template <class Json>
std::string JsonText(const Json& value, int indent = 2) {
  return Utf8Json(value).dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace hvm
