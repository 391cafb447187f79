// fuzz-sources: src/engine/reports/mhtml.cpp src/engine/reports/mime_decoding.cpp
//
// libFuzzer target for the MIME parser of page templates (the program's own
// resources, and the files an update could bring). Any bytes must parse
// without crashing; the part tree must stay within its nesting limit; every
// part found by its content id must be that part's body. Seeds:
// fuzz/corpus/mhtml/ (among them the test templates, unpacked).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "engine/reports/mhtml.h"
#include "engine/reports/mime_decoding.h"

namespace {

using namespace hvm;

void Check(bool condition) {
  if (!condition) abort();
}

// Parts below the parser's depth limit of 32 are kept whole.
constexpr int kDepthBound = 32;

int Depth(const MhtmlPart& node, int level) {
  Check(level <= kDepthBound);
  int deepest = level;
  for (const MhtmlPart& part : node.Parts()) {
    const int depth = Depth(part, level + 1);
    if (depth > deepest) deepest = depth;
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(bytes), size);
  const MhtmlDocument parsed(document);
  Depth(parsed.Root(), 0);
  (void)parsed.GetPart();

  // A content id finds the first direct part of the root that carries it.
  std::set<std::string> seen;
  for (const MhtmlPart& part : parsed.Root().Parts()) {
    if (part.ContentId().empty() || !seen.insert(part.ContentId()).second) continue;
    const std::optional<std::string_view> found = parsed.GetPart("cid:" + part.ContentId());
    Check(found && *found == part.Body());
  }

  // The decoders on their own, with the document's lines as body lines.
  std::string body;
  Base64Lines base64;
  for (std::string_view line : SplitLines(document)) {
    AppendQuotedPrintableLine(line, body);
    AppendPlainLine(line, body);
    base64.Append(line, body);
  }
  return 0;
}
