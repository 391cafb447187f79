#include "engine/scan/reported_keys.h"

#include "engine/core/text_case.h"

namespace hvm {
namespace {

std::string Quoted(std::string_view upper) {
  return "\"" + std::string(upper) + "\"";
}

}  // namespace

bool ReportedKeys::Seen(std::string_view text) const {
  const std::string upper = UpperCase(text);
  if (quoteMarked_ || upper.empty() || upper.find('"') != std::string::npos)
    return quoted_.find(Quoted(upper)) != std::string::npos;
  return marked_.count(upper) > 0;
}

void ReportedKeys::Mark(std::string_view text) {
  const std::string upper = UpperCase(text);
  quoted_ += Quoted(upper);
  quoteMarked_ = quoteMarked_ || upper.find('"') != std::string::npos;
  marked_.insert(upper);
}

void ReportedKeys::Clear() {
  quoted_.clear();
  marked_.clear();
  quoteMarked_ = false;
}

}  // namespace hvm
