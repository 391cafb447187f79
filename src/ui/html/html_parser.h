// The HTML text view's parser: single-byte (ANSI) HTML text in, a document
// tree out. Two layers: a pull tokenizer whose tokens point into the input,
// and a tree builder that tolerates what hand-written pages get wrong
// (unclosed and stray tags, the implicit ends of p, li, td and tr).
//
// Neither layer recurses on the nesting of the markup, and both take time in
// proportion to the input: pages are parsed on the GUI thread, whose stack
// under Wine is small, and the parser is fuzzed. No Windows header here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hvm::html {

// One piece of markup. Every view points into the tokenizer's input.
struct Token {
  enum class Kind {
    kText,      // character data; entities still encoded unless raw (below)
    kStartTag,  // <name attributes> or <name attributes/>
    kEndTag,    // </name>
  };
  Kind kind = Kind::kText;
  std::string_view name;        // tags: the name as written (any case)
  std::string_view attributes;  // start tags: the text between the name and the closing ">"
  std::string_view text;        // text: the characters
  bool selfClosing = false;     // start tags written <name/>
  bool raw = false;             // text of <script>, <style> and the like: entities are not decoded
};

// Reads tokens from HTML text, one per call. Comments, <!DOCTYPE ...>,
// <?...?> and other declarations are skipped. After the start tag of an
// element whose content is not markup (script, style, title, textarea, ...)
// everything up to its end tag comes back as one text token.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view input) : input_(input) {}

  // Fills `token` and returns true, or returns false at the end of the input.
  // A tag cut off by the end of the input is dropped.
  bool Next(Token& token);

 private:
  bool StartsMarkup(size_t pos) const;
  bool ReadMarkup(Token& token);
  bool ReadRawText(Token& token);
  void SkipPast(std::string_view terminator);

  std::string_view input_;
  size_t pos_ = 0;
  std::string rawEndTag_;  // lower-case name whose end tag closes raw text, or empty
};

// Walks the attribute text of a start tag: name, then value (empty for an
// attribute without "="). Values may be quoted with ' or " or bare.
class AttributeReader {
 public:
  explicit AttributeReader(std::string_view attributes) : text_(attributes) {}
  // Returns the next attribute, or false at a ">" outside a quoted value or
  // at the end of the text.
  bool Next(std::string_view& name, std::string_view& value);

  // Once Next returned false: whether a ">" ended the attributes, where it
  // stands, and whether a "/" came right before it (outside a bare value).
  bool Closed() const { return closed_; }
  size_t Position() const { return pos_; }
  bool SelfClosing() const { return selfClosing_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  bool closed_ = false;
  bool selfClosing_ = false;
};

// Replaces character references (&amp; &lt; &gt; &quot; &apos; &nbsp; &copy;
// and other common names, &#NNN; and &#xHH;) by their single-byte
// (Windows-1252) characters. Unknown references stay as written; numbers
// without a Windows-1252 character become "?".
[[nodiscard]] std::string DecodeEntities(std::string_view text);

// ASCII-only lower-casing, as tag and attribute names need.
[[nodiscard]] std::string LowerAscii(std::string_view text);

using NodeId = std::uint32_t;
inline constexpr NodeId kNoNode = UINT32_MAX;

struct Attribute {
  std::string name;   // lower-case
  std::string value;  // entities decoded
};

struct Node {
  enum class Kind : std::uint8_t { kDocument, kElement, kText };
  Kind kind = Kind::kElement;
  std::string name;                   // elements: the tag name, lower-case
  std::string text;                   // text nodes: entities decoded, white space as written
  std::vector<Attribute> attributes;  // in source order; duplicates kept
  NodeId parent = kNoNode;
  NodeId firstChild = kNoNode;
  NodeId lastChild = kNoNode;
  NodeId nextSibling = kNoNode;

  bool IsElement() const { return kind == Kind::kElement; }
  bool IsText() const { return kind == Kind::kText; }
  bool Is(std::string_view tag) const { return kind == Kind::kElement && name == tag; }
  // The value of the first attribute of that (lower-case) name, or null.
  const std::string* FindAttribute(std::string_view attributeName) const;
};

// A parsed page. Nodes live in one array in document order (a node's index
// is smaller than its descendants'), so walking and destroying the tree never
// recurses. Node 0 is the document node; no html, head or body is invented:
// they exist when the text has them.
class Document {
 public:
  Document();

  NodeId Root() const { return 0; }
  const Node& operator[](NodeId id) const { return nodes_[id]; }
  size_t Size() const { return nodes_.size(); }

  // The first element with that tag in document order, or kNoNode.
  NodeId FindFirst(std::string_view tag) const;
  // The text of the first <title>, white space collapsed and trimmed.
  std::string Title() const;

 private:
  friend class TreeBuilder;
  std::vector<Node> nodes_;
};

// Parses HTML text into a document. Never fails: whatever the bytes, the
// result is a tree in which text outside tags is kept.
[[nodiscard]] Document ParseHtml(std::string_view html);

}  // namespace hvm::html
