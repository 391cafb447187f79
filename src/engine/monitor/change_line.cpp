#include "engine/monitor/change_line.h"

namespace hvm {
namespace {

constexpr std::string_view kTimeEnd = ";;";
constexpr std::string_view kActionEnd = ";;;";
constexpr std::string_view kNameEnd = ";;;;";

}  // namespace

std::string_view ActionText(ChangeAction action) {
  switch (action) {
    case ChangeAction::kKeyAdded: return "Key Added To";
    case ChangeAction::kValueAdded: return "Value Added To";
    case ChangeAction::kKeyRemoved: return "Key Removed From";
    case ChangeAction::kValueRemoved: break;
  }
  return "Value Removed From";
}

std::string MakeChangeLine(std::string_view time, ChangeAction action, std::string_view name,
                           std::string_view location) {
  std::string line;
  line.reserve(time.size() + name.size() + location.size() + 32);
  for (char c : time) line += c == ';' ? ',' : c;
  line += kTimeEnd;
  line += ActionText(action);
  line += kActionEnd;
  line += '"';
  line += name;
  line += '"';
  line += kNameEnd;
  line += location;
  return line;
}

ChangeLineFields ReadChangeLine(std::string_view line) {
  ChangeLineFields fields;
  const size_t timeEnd = line.find(kTimeEnd);
  fields.time = std::string(line.substr(0, timeEnd));
  if (timeEnd == std::string_view::npos) return fields;
  const size_t actionStart = timeEnd + kTimeEnd.size();
  const size_t actionEnd = line.find(kActionEnd, actionStart);
  if (actionEnd == std::string_view::npos) return fields;
  fields.action = std::string(line.substr(actionStart, actionEnd - actionStart));
  const size_t nameStart = actionEnd + kActionEnd.size();
  const size_t nameEnd = line.rfind(kNameEnd);
  if (nameEnd == std::string_view::npos || nameEnd < nameStart) return fields;
  const std::string_view quoted = line.substr(nameStart, nameEnd - nameStart);
  if (quoted.size() >= 2) fields.name = std::string(quoted.substr(1, quoted.size() - 2));
  fields.location = std::string(line.substr(nameEnd + kNameEnd.size()));
  return fields;
}

}  // namespace hvm
