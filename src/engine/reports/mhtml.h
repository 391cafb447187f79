// Page templates as MIME documents: a "multipart/related" document (the format
// of a saved web archive) holding an HTML part, its pictures as parts named by
// content ids, and a plain-text alternative nobody reads. Pure text: the
// parser takes the document's bytes and knows no resource or window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hvm {

struct MimeHeader {
  std::string name;  // lower-cased
  std::string value;
};

// One MIME part.
class MhtmlPart {
 public:
  using Lines = std::vector<std::string_view>;

  MhtmlPart() = default;
  // Parses lines `first` to `last` (both included) of a document as one part
  // that lies `depth` levels below the document's root.
  MhtmlPart(const Lines& lines, std::size_t first, std::size_t last, int depth = 0);

  // Sub-parts of a multipart part, in document order.
  const std::vector<MhtmlPart>& Parts() const { return parts_; }
  // The body decoded by the part's transfer encoding.
  const std::string& Body() const { return body_; }
  // Every header in order; content-type shortened as ContentType(),
  // content-transfer-encoding lower-cased.
  const std::vector<MimeHeader>& Headers() const { return headers_; }
  // The Content-Type up to its first ";", e.g. "text/html".
  const std::string& ContentType() const { return contentType_; }
  // The Content-ID without its angle brackets.
  const std::string& ContentId() const { return contentId_; }

 private:
  enum class Encoding { kNone, kQuotedPrintable, kPlain, kBase64 };

  std::size_t ParseHeaders(const Lines& lines, std::size_t first, std::size_t last);
  void AddHeader(std::string_view line);
  std::size_t DecodeBody(const Lines& lines, std::size_t first, std::size_t last);
  void SplitParts(const Lines& lines, std::size_t first, std::size_t last, int depth);

  std::vector<MhtmlPart> parts_;
  std::string body_;
  std::vector<MimeHeader> headers_;
  std::string contentType_;
  std::string contentId_;
  std::string boundary_;
  // Parts without the header are 7bit, as MIME has it.
  Encoding encoding_ = Encoding::kPlain;
};

// One parsed template.
class MhtmlDocument {
 public:
  // Parses a whole document; lines end at CR LF, CR or LF.
  explicit MhtmlDocument(std::string_view document);

  const MhtmlPart& Root() const { return root_; }

  // The body of the direct part of the root whose content id equals `name`
  // after a leading "cid:" (compared case-sensitively); none when no part has
  // that id. Pictures are found this way.
  std::optional<std::string_view> GetPart(std::string_view name) const;
  // The HTML: the first "text/html" part inside the root's first part when the
  // root is "multipart/related", otherwise among the root's parts; none when
  // there is no such part.
  std::optional<std::string_view> GetPart() const;

 private:
  MhtmlPart root_;
};

// Splits at CR LF, CR or LF; a line break at the very end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace hvm
