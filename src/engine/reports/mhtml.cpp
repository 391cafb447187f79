#include "engine/reports/mhtml.h"

#include "engine/reports/ansi_text.h"
#include "engine/reports/mime_decoding.h"

namespace hvm {
namespace {

using namespace ansi_text;

// Nesting deeper than any real document could be only comes from damaged or
// hostile input; parts below this depth are kept whole instead of split
// further, so that parsing cannot run out of stack.
constexpr int kMaxPartDepth = 32;

constexpr std::size_t kNoBody = std::string_view::npos;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// From after the first "<" up to before the next ">". An id written without
// brackets is taken whole.
std::string ContentIdOf(std::string_view value) {
  const std::size_t open = value.find('<');
  if (open == std::string_view::npos) return std::string(value);
  value.remove_prefix(open + 1);
  return std::string(value.substr(0, value.find('>')));
}

// The boundary parameter of a Content-Type value, quoted or not; "" when
// there is none.
std::string BoundaryOf(std::string_view value) {
  const std::string lower = LowerAscii(value);
  constexpr std::string_view kKey = "boundary=";
  const std::size_t at = lower.find(kKey);
  if (at == std::string::npos) return {};
  std::string_view rest = value.substr(at + kKey.size());
  if (!rest.empty() && rest.front() == '"') {
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('"')));
  }
  return std::string(Trim(rest.substr(0, rest.find(';'))));
}

}  // namespace

MhtmlPart::MhtmlPart(const Lines& lines, std::size_t first, std::size_t last, int depth) {
  if (last >= lines.size() || first > last) return;
  const std::size_t bodyFirst = ParseHeaders(lines, first, last);
  if (bodyFirst == kNoBody) return;
  const std::size_t bodyStop = DecodeBody(lines, bodyFirst, last);
  if (!boundary_.empty() && depth < kMaxPartDepth) SplitParts(lines, bodyStop, last, depth);
}

// Reads headers from `first` up to the first blank line; returns the line
// after it, or kNoBody when the headers run to `last`.
std::size_t MhtmlPart::ParseHeaders(const Lines& lines, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) {
    std::string line(Trim(lines[i]));
    if (line.empty()) return i + 1;
    // A value ending in ";" goes on in the next line, once. A blank next line
    // still ends the headers.
    if (line.back() == ';' && i < last && !Trim(lines[i + 1]).empty()) {
      line += ' ';
      line += Trim(lines[++i]);
    }
    AddHeader(line);
  }
  return kNoBody;
}

// Lines without a ":" are no headers and are passed over.
void MhtmlPart::AddHeader(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string name = LowerAscii(Trim(line.substr(0, colon)));
  std::string value(Trim(line.substr(colon + 1)));
  if (name == "content-transfer-encoding") {
    value = LowerAscii(value);
    if (value == "quoted-printable") {
      encoding_ = Encoding::kQuotedPrintable;
    } else if (value == "7bit" || value == "8bit") {
      encoding_ = Encoding::kPlain;
    } else if (value == "base64") {
      encoding_ = Encoding::kBase64;
    } else {
      encoding_ = Encoding::kNone;
    }
  } else if (name == "content-id") {
    contentId_ = ContentIdOf(value);
  } else if (name == "content-type") {
    boundary_ = BoundaryOf(value);
    value = std::string(Trim(std::string_view(value).substr(0, value.find(';'))));
    contentType_ = value;
  }
  headers_.push_back({name, std::move(value)});
}

// Decodes the lines from `first` up to, not including, `last` (a part's last
// line is the delimiter that closed it). A multipart part's own text ends at
// the first line that begins with "--"; the line where decoding stopped is
// returned.
std::size_t MhtmlPart::DecodeBody(const Lines& lines, std::size_t first, std::size_t last) {
  Base64Lines base64;
  std::size_t i = first;
  for (; i < last; ++i) {
    const std::string_view line = lines[i];
    if (!boundary_.empty() && StartsWith(line, "--")) break;
    switch (encoding_) {
      case Encoding::kQuotedPrintable: AppendQuotedPrintableLine(line, body_); break;
      case Encoding::kPlain: AppendPlainLine(line, body_); break;
      case Encoding::kBase64: base64.Append(line, body_); break;
      case Encoding::kNone: break;
    }
  }
  return i;
}

// Each delimiter line closes the part in progress and opens the next; the
// closing delimiter ends the scan. A part that no delimiter closes is dropped:
// the document was cut short and that part is incomplete.
void MhtmlPart::SplitParts(const Lines& lines, std::size_t first, std::size_t last, int depth) {
  const std::string delimiter = "--" + boundary_;
  const std::string closing = delimiter + "--";
  std::size_t partFirst = kNoBody;
  for (std::size_t i = first; i <= last && i < lines.size(); ++i) {
    if (!StartsWith(lines[i], delimiter)) continue;
    if (partFirst != kNoBody) parts_.emplace_back(lines, partFirst, i, depth + 1);
    if (lines[i] == closing) return;
    partFirst = i + 1;
  }
}

MhtmlDocument::MhtmlDocument(std::string_view document) {
  const MhtmlPart::Lines lines = SplitLines(document);
  if (!lines.empty()) root_ = MhtmlPart(lines, 0, lines.size() - 1);
}

std::optional<std::string_view> MhtmlDocument::GetPart(std::string_view name) const {
  if (StartsWithIgnoringCase(name, "cid:")) name.remove_prefix(4);
  if (name.empty()) return std::nullopt;
  for (const MhtmlPart& part : root_.Parts()) {
    if (part.ContentId() == name) return part.Body();
  }
  return std::nullopt;
}

std::optional<std::string_view> MhtmlDocument::GetPart() const {
  if (root_.Parts().empty()) return std::nullopt;
  const bool related = EqualsIgnoringCase(root_.ContentType(), "multipart/related");
  const MhtmlPart& holder = related ? root_.Parts().front() : root_;
  for (const MhtmlPart& part : holder.Parts()) {
    if (EqualsIgnoringCase(part.ContentType(), "text/html")) return part.Body();
  }
  return std::nullopt;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace hvm
