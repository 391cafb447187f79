#include "ui/html/html_parser.h"

#include <array>
#include <cstring>
#include <unordered_map>

namespace hvm::html {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerChar(text[i]) != LowerChar(prefix[i])) return false;
  }
  return true;
}

// Elements whose content is not markup: everything up to their end tag is
// text. For the first group entities are not decoded either.
bool IsRawTextElement(std::string_view name) {
  for (std::string_view raw : {"script", "style", "xmp", "iframe", "noembed", "noframes"}) {
    if (name == raw) return true;
  }
  return false;
}

bool IsEscapableRawTextElement(std::string_view name) {
  return name == "title" || name == "textarea";
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

// --- Tokenizer -------------------------------------------------------------

// A "<" starts markup only when a letter, "/", "!" or "?" follows it; any
// other "<" is text.
bool Tokenizer::StartsMarkup(size_t pos) const {
  if (input_[pos] != '<' || pos + 1 >= input_.size()) return false;
  const char next = input_[pos + 1];
  return IsAsciiLetter(next) || next == '/' || next == '!' || next == '?';
}

bool Tokenizer::Next(Token& token) {
  token = Token{};
  if (!rawEndTag_.empty() && ReadRawText(token)) return true;
  while (pos_ < input_.size()) {
    if (StartsMarkup(pos_)) {
      if (ReadMarkup(token)) return true;
      continue;
    }
    size_t end = pos_;
    do {
      end = input_.find('<', end + 1);
    } while (end != std::string_view::npos && !StartsMarkup(end));
    if (end == std::string_view::npos) end = input_.size();
    token.kind = Token::Kind::kText;
    token.text = input_.substr(pos_, end - pos_);
    pos_ = end;
    return true;
  }
  return false;
}

void Tokenizer::SkipPast(std::string_view terminator) {
  const size_t found = input_.find(terminator, pos_);
  pos_ = found == std::string_view::npos ? input_.size() : found + terminator.size();
}

// At a "<" that starts markup. Returns true with a tag token, or false when
// the markup was skipped (a comment, a declaration) or cut off by the end of
// the input.
bool Tokenizer::ReadMarkup(Token& token) {
  const std::string_view rest = input_.substr(pos_);
  if (rest.substr(0, 4) == "<!--") {
    // "<!-->" and "<!--->" are empty comments, as browsers read them.
    pos_ += 4;
    if (input_.substr(pos_, 1) == ">") {
      pos_ += 1;
    } else if (input_.substr(pos_, 2) == "->") {
      pos_ += 2;
    } else {
      SkipPast("-->");
    }
    return false;
  }
  if (rest[1] == '!' || rest[1] == '?') {
    SkipPast(">");
    return false;
  }
  const bool endTag = rest[1] == '/';
  const size_t nameStart = endTag ? 2 : 1;
  if (nameStart >= rest.size() || !IsAsciiLetter(rest[nameStart])) {
    // "</>" is dropped; "</3...>" and the like are bogus comments.
    SkipPast(">");
    return false;
  }
  size_t nameEnd = nameStart;
  while (nameEnd < rest.size() && !IsSpace(rest[nameEnd]) && rest[nameEnd] != '/' &&
         rest[nameEnd] != '>') {
    ++nameEnd;
  }
  AttributeReader reader(rest.substr(nameEnd));
  std::string_view attributeName, attributeValue;
  while (reader.Next(attributeName, attributeValue)) {
  }
  if (!reader.Closed()) {
    pos_ = input_.size();
    return false;
  }
  token.kind = endTag ? Token::Kind::kEndTag : Token::Kind::kStartTag;
  token.name = rest.substr(nameStart, nameEnd - nameStart);
  token.attributes = rest.substr(nameEnd, reader.Position());
  token.selfClosing = reader.SelfClosing();
  pos_ += nameEnd + reader.Position() + 1;
  if (!endTag && !token.selfClosing) {
    const std::string lower = LowerAscii(token.name);
    if (IsRawTextElement(lower) || IsEscapableRawTextElement(lower)) rawEndTag_ = lower;
  }
  return true;
}

// After the start tag of a raw text element: the text up to "</name" followed
// by a blank, "/" or ">" (or the end of the input). False when that is empty.
bool Tokenizer::ReadRawText(Token& token) {
  const std::string endTag = "</" + rawEndTag_;
  size_t end = pos_;
  while (true) {
    end = input_.find('<', end);
    if (end == std::string_view::npos) {
      end = input_.size();
      break;
    }
    const std::string_view rest = input_.substr(end);
    if (StartsWithIgnoringCase(rest, endTag)) {
      const char after = rest.size() > endTag.size() ? rest[endTag.size()] : '>';
      if (IsSpace(after) || after == '/' || after == '>') break;
    }
    ++end;
  }
  const bool raw = IsRawTextElement(rawEndTag_);
  rawEndTag_.clear();
  if (end == pos_) return false;
  token.kind = Token::Kind::kText;
  token.text = input_.substr(pos_, end - pos_);
  token.raw = raw;
  pos_ = end;
  return true;
}

// --- Attributes ------------------------------------------------------------

// Follows the attribute states of the HTML tokenizer: a quote only opens a
// value after "=", so a ">" inside a quoted value does not end the tag.
bool AttributeReader::Next(std::string_view& name, std::string_view& value) {
  const size_t size = text_.size();
  while (pos_ < size) {
    const char c = text_[pos_];
    if (c == '>') {
      closed_ = true;
      return false;
    }
    if (c == '/') {
      if (pos_ + 1 < size && text_[pos_ + 1] == '>') selfClosing_ = true;
      ++pos_;
      continue;
    }
    if (IsSpace(c)) {
      ++pos_;
      continue;
    }
    break;
  }
  if (pos_ >= size) return false;

  // The first character of a name may be "=" (as browsers read "<a =x>").
  const size_t nameStart = pos_++;
  while (pos_ < size && !IsSpace(text_[pos_]) && text_[pos_] != '/' && text_[pos_] != '>' &&
         text_[pos_] != '=') {
    ++pos_;
  }
  name = text_.substr(nameStart, pos_ - nameStart);
  value = {};
  selfClosing_ = false;

  size_t look = pos_;
  while (look < size && IsSpace(text_[look])) ++look;
  if (look >= size || text_[look] != '=') return true;
  pos_ = look + 1;
  while (pos_ < size && IsSpace(text_[pos_])) ++pos_;
  if (pos_ >= size) return true;
  const char quote = text_[pos_];
  if (quote == '"' || quote == '\'') {
    const size_t close = text_.find(quote, pos_ + 1);
    if (close == std::string_view::npos) {
      value = text_.substr(pos_ + 1);
      pos_ = size;
    } else {
      value = text_.substr(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
    }
    return true;
  }
  const size_t valueStart = pos_;
  while (pos_ < size && !IsSpace(text_[pos_]) && text_[pos_] != '>') ++pos_;
  value = text_.substr(valueStart, pos_ - valueStart);
  return true;
}

// --- Character references --------------------------------------------------

namespace {

// Names of the Latin-1 characters 0xA0 to 0xFF, in order.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

struct Windows1252Character {
  unsigned char byte;
  char32_t unicode;
  std::string_view name;  // empty when HTML has none
};

// The characters Windows-1252 puts at 0x80 to 0x9F.
constexpr Windows1252Character kWindows1252[] = {
    {0x80, 0x20AC, "euro"},   {0x82, 0x201A, "sbquo"},  {0x83, 0x0192, "fnof"},
    {0x84, 0x201E, "bdquo"},  {0x85, 0x2026, "hellip"}, {0x86, 0x2020, "dagger"},
    {0x87, 0x2021, "Dagger"}, {0x88, 0x02C6, "circ"},   {0x89, 0x2030, "permil"},
    {0x8A, 0x0160, "Scaron"}, {0x8B, 0x2039, "lsaquo"}, {0x8C, 0x0152, "OElig"},
    {0x8E, 0x017D, "Zcaron"}, {0x91, 0x2018, "lsquo"},  {0x92, 0x2019, "rsquo"},
    {0x93, 0x201C, "ldquo"},  {0x94, 0x201D, "rdquo"},  {0x95, 0x2022, "bull"},
    {0x96, 0x2013, "ndash"},  {0x97, 0x2014, "mdash"},  {0x98, 0x02DC, "tilde"},
    {0x99, 0x2122, "trade"},  {0x9A, 0x0161, "scaron"}, {0x9B, 0x203A, "rsaquo"},
    {0x9C, 0x0153, "oelig"},  {0x9E, 0x017E, "zcaron"}, {0x9F, 0x0178, "Yuml"},
};

constexpr size_t kLongestEntityName = 8;

// The byte of a named reference, or -1 when the name is not known.
int NamedCharacter(std::string_view name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  for (size_t i = 0; i < kLatin1Names.size(); ++i) {
    if (kLatin1Names[i] == name) return int(0xA0 + i);
  }
  for (const Windows1252Character& entry : kWindows1252) {
    if (entry.name == name) return entry.byte;
  }
  return -1;
}

// The references browsers also read without the closing ";".
bool MayOmitSemicolon(std::string_view name) {
  return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "nbsp";
}

// The length of a name that may omit its ";" at the start of `name`, or 0.
size_t LegacyPrefixLength(std::string_view name) {
  for (std::string_view legacy : {"amp", "lt", "gt", "quot", "nbsp"}) {
    if (name.substr(0, legacy.size()) == legacy) return legacy.size();
  }
  return 0;
}

char ByteOfCodePoint(char32_t code) {
  if (code == 0) return '?';
  if (code <= 0xFF) return char(code);
  for (const Windows1252Character& entry : kWindows1252) {
    if (entry.unicode == code) return char(entry.byte);
  }
  return '?';
}

// Reads "&#NNN;" or "&#xHH;" at text[pos] (pos at the "&"). Returns the
// length read, or 0 when no digit follows.
size_t ReadNumericReference(std::string_view text, size_t pos, char& out) {
  size_t i = pos + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  const size_t digitsStart = i;
  char32_t code = 0;
  constexpr char32_t kBeyondUnicode = 0x110000;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (IsAsciiDigit(c)) {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    code = std::min<char32_t>(code * (hex ? 16 : 10) + char32_t(digit), kBeyondUnicode);
  }
  if (i == digitsStart) return 0;
  if (i < text.size() && text[i] == ';') ++i;
  out = ByteOfCodePoint(code);
  return i - pos;
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, amp - pos));
    pos = amp + 1;
    char decoded;
    if (amp + 1 < text.size() && text[amp + 1] == '#') {
      if (const size_t length = ReadNumericReference(text, amp, decoded)) {
        out.push_back(decoded);
        pos = amp + length;
        continue;
      }
    } else {
      size_t end = amp + 1;
      while (end < text.size() && end - amp - 1 < kLongestEntityName &&
             (IsAsciiLetter(text[end]) || IsAsciiDigit(text[end]))) {
        ++end;
      }
      const std::string_view name = text.substr(amp + 1, end - amp - 1);
      const bool semicolon = end < text.size() && text[end] == ';';
      const int byte = NamedCharacter(name);
      if (byte >= 0 && (semicolon || MayOmitSemicolon(name))) {
        out.push_back(char(byte));
        pos = semicolon ? end + 1 : end;
        continue;
      }
      // "&ltb" reads as "<b", as browsers read it.
      if (const size_t length = LegacyPrefixLength(name)) {
        out.push_back(char(NamedCharacter(name.substr(0, length))));
        pos = amp + 1 + length;
        continue;
      }
    }
    out.push_back('&');
  }
  return out;
}

// --- Document --------------------------------------------------------------

const std::string* Node::FindAttribute(std::string_view attributeName) const {
  for (const Attribute& attribute : attributes) {
    if (attribute.name == attributeName) return &attribute.value;
  }
  return nullptr;
}

Document::Document() {
  Node root;
  root.kind = Node::Kind::kDocument;
  nodes_.push_back(std::move(root));
}

NodeId Document::FindFirst(std::string_view tag) const {
  for (NodeId id = 0; id < nodes_.size(); ++id) {
    if (nodes_[id].Is(tag)) return id;
  }
  return kNoNode;
}

std::string Document::Title() const {
  const NodeId title = FindFirst("title");
  if (title == kNoNode) return {};
  std::string out;
  bool pendingSpace = false;
  for (NodeId child = nodes_[title].firstChild; child != kNoNode;
       child = nodes_[child].nextSibling) {
    for (char c : nodes_[child].text) {
      if (IsSpace(c)) {
        pendingSpace = !out.empty();
        continue;
      }
      if (pendingSpace) out.push_back(' ');
      pendingSpace = false;
      out.push_back(c);
    }
  }
  return out;
}

// --- Tree builder ----------------------------------------------------------

namespace {

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

bool IsVoidElement(std::string_view name) {
  return IsOneOf(name, {"area",  "base",  "basefont", "bgsound", "br",     "col",   "colgroup",
                        "embed", "frame", "hr",       "image",   "img",    "input", "keygen",
                        "link",  "meta",  "param",    "source",  "spacer", "track", "wbr"});
}

// Elements that may stay inside an open <head>; any other start tag ends it.
bool BelongsInHead(std::string_view name) {
  return IsOneOf(name, {"base", "basefont", "bgsound", "link", "meta", "noscript", "script",
                        "style", "template", "title"});
}

// Start tags that end an open paragraph.
bool ClosesParagraph(std::string_view name) {
  return IsOneOf(
      name,
      {"address", "article",   "aside", "blockquote", "center",   "dd",         "details", "dialog",
       "dir",     "div",       "dl",    "dt",         "fieldset", "figcaption", "figure",  "footer",
       "form",    "h1",        "h2",    "h3",         "h4",       "h5",         "h6",      "header",
       "hgroup",  "hr",        "li",    "listing",    "main",     "menu",       "nav",     "ol",
       "p",       "plaintext", "pre",   "section",    "summary",  "table",      "ul",      "xmp"});
}

bool IsHeading(std::string_view name) {
  return IsOneOf(name, {"h1", "h2", "h3", "h4", "h5", "h6"});
}

// Table parts that hold rows (or are rows): text and other elements directly
// inside them are moved into a cell.
bool HoldsRows(std::string_view name) {
  return IsOneOf(name, {"table", "tbody", "thead", "tfoot"});
}

bool IsTableSection(std::string_view name) {
  return IsOneOf(name, {"tbody", "thead", "tfoot"});
}

// Start tags that may stand directly in a table or a row.
bool IsTableStructure(std::string_view name) {
  return IsOneOf(name, {"tr", "td", "th", "tbody", "thead", "tfoot", "col", "colgroup", "script",
                        "style", "template"});
}

// The "in scope" notion of the HTML tree builder: an end tag only closes an
// element when no boundary element stands between it and the current node.
enum Scope { kDefaultScope, kListItemScope, kButtonScope, kTableScope, kScopeCount };

bool IsScopeBoundary(Scope scope, std::string_view name) {
  if (IsOneOf(name, {"html", "table", "template"})) return true;
  if (scope == kTableScope) return false;
  if (IsOneOf(name, {"applet", "caption", "td", "th", "marquee", "object"})) return true;
  if (scope == kListItemScope) return name == "ol" || name == "ul";
  if (scope == kButtonScope) return name == "button";
  return false;
}

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

}  // namespace

class TreeBuilder {
 public:
  explicit TreeBuilder(Document& document) : nodes_(document.nodes_) { stack_.push_back({0, {}}); }

  void Add(const Token& token) {
    switch (token.kind) {
      case Token::Kind::kText:
        AddText(token.raw ? std::string(token.text) : DecodeEntities(token.text));
        break;
      case Token::Kind::kStartTag:
        StartTag(LowerAscii(token.name), token.attributes, token.selfClosing);
        break;
      case Token::Kind::kEndTag: EndTag(LowerAscii(token.name)); break;
    }
  }

 private:
  struct OpenElement {
    NodeId node;
    // For each scope: the stack index of the nearest boundary at or below
    // this entry, so that "in scope" is answered without walking the stack.
    std::array<size_t, kScopeCount> boundary;
  };

  const Node& Current() const { return nodes_[stack_.back().node]; }

  NodeId Append(Node node) {
    const NodeId id = NodeId(nodes_.size());
    const NodeId parent = stack_.back().node;
    node.parent = parent;
    if (nodes_[parent].lastChild == kNoNode) {
      nodes_[parent].firstChild = id;
    } else {
      nodes_[nodes_[parent].lastChild].nextSibling = id;
    }
    nodes_[parent].lastChild = id;
    nodes_.push_back(std::move(node));
    return id;
  }

  void Push(NodeId id) {
    const size_t index = stack_.size();
    OpenElement entry{id, {}};
    for (int scope = 0; scope < kScopeCount; ++scope) {
      entry.boundary[scope] =
          IsScopeBoundary(Scope(scope), nodes_[id].name) ? index : stack_.back().boundary[scope];
    }
    stack_.push_back(entry);
    open_[nodes_[id].name].push_back(index);
  }

  // Closes every element above stack index `size`.
  void PopTo(size_t size) {
    while (stack_.size() > size) {
      open_.find(Current().name)->second.pop_back();
      stack_.pop_back();
    }
  }

  // The stack index of the innermost open element of that name, or 0.
  size_t InnermostOpen(std::string_view name) const {
    const auto found = open_.find(name);
    return found == open_.end() || found->second.empty() ? 0 : found->second.back();
  }

  // The stack index of the element when it is open in that scope, else 0.
  size_t InScope(std::string_view name, Scope scope) const {
    const size_t index = InnermostOpen(name);
    return index > 0 && index >= stack_.back().boundary[scope] ? index : 0;
  }

  bool CloseInScope(std::string_view name, Scope scope) {
    const size_t index = InScope(name, scope);
    if (index > 0) PopTo(index);
    return index > 0;
  }

  void PushNew(std::string name) {
    Node node;
    node.name = std::move(name);
    Push(Append(std::move(node)));
  }

  // Text or an element that may not stand directly in a table or row goes
  // into a cell made for it, so that its text is kept and shown.
  void EnterCellIfInTableStructure() {
    if (HoldsRows(Current().name)) PushNew("tr");
    if (Current().Is("tr")) PushNew("td");
  }

  void LeaveHeadIfOpen() {
    if (const size_t head = InnermostOpen("head")) PopTo(head);
  }

  static bool IsBlank(std::string_view text) {
    for (char c : text) {
      if (!IsSpace(c)) return false;
    }
    return true;
  }

  void AddText(std::string text) {
    if (text.empty()) return;
    if (Current().Is("head") || HoldsRows(Current().name) || Current().Is("tr")) {
      if (IsBlank(text)) return;
      if (Current().Is("head")) LeaveHeadIfOpen();
      EnterCellIfInTableStructure();
    }
    const NodeId last = Current().lastChild;
    if (last != kNoNode && nodes_[last].IsText()) {
      nodes_[last].text += text;
      return;
    }
    Node node;
    node.kind = Node::Kind::kText;
    node.text = std::move(text);
    Append(std::move(node));
  }

  static std::vector<Attribute> ReadAttributes(std::string_view attributeText) {
    std::vector<Attribute> attributes;
    AttributeReader reader(attributeText);
    std::string_view name, value;
    while (reader.Next(name, value))
      attributes.push_back({LowerAscii(name), DecodeEntities(value)});
    return attributes;
  }

  // A repeated <html> or <body> adds the attributes the first one lacks, as
  // in browsers.
  void MergeAttributes(NodeId id, std::string_view attributeText) {
    for (Attribute& attribute : ReadAttributes(attributeText)) {
      if (!nodes_[id].FindAttribute(attribute.name)) {
        nodes_[id].attributes.push_back(std::move(attribute));
      }
    }
  }

  // The document-level elements exist once. Returns true when the start tag
  // is handled here and makes no element.
  bool HandleDocumentElement(const std::string& name, std::string_view attributeText) {
    if (name == "html") {
      if (html_ == kNoNode && stack_.size() == 1 && nodes_[0].firstChild == kNoNode) return false;
      if (html_ != kNoNode) MergeAttributes(html_, attributeText);
      return true;
    }
    if (name == "head") return seenHead_ || body_ != kNoNode;
    if (name == "body") {
      if (body_ != kNoNode) {
        MergeAttributes(body_, attributeText);
        return true;
      }
      LeaveHeadIfOpen();
    }
    return false;
  }

  // Closes what a start tag ends implicitly. Returns false when the tag is to
  // be dropped (a table part outside any table).
  bool CloseImplicitly(const std::string& name) {
    const bool tablePart = IsOneOf(name, {"tr", "td", "th", "tbody", "thead", "tfoot"});
    if (tablePart && InScope("table", kTableScope) == 0) return false;
    if (ClosesParagraph(name)) CloseInScope("p", kButtonScope);
    if (IsHeading(name) && IsHeading(Current().name)) PopTo(stack_.size() - 1);
    if (name == "li") CloseInScope("li", kListItemScope);
    if (name == "dd" || name == "dt") {
      CloseInScope("dd", kDefaultScope);
      CloseInScope("dt", kDefaultScope);
    }
    if (name == "a") CloseInScope("a", kDefaultScope);
    if (tablePart) {
      CloseInScope("td", kTableScope);
      CloseInScope("th", kTableScope);
      if (name != "td" && name != "th") CloseInScope("tr", kTableScope);
      if (IsTableSection(name)) {
        for (std::string_view section : {"tbody", "thead", "tfoot"}) {
          CloseInScope(section, kTableScope);
        }
      }
      if ((name == "td" || name == "th") && HoldsRows(Current().name)) PushNew("tr");
    }
    return true;
  }

  void StartTag(std::string name, std::string_view attributeText, bool selfClosing) {
    if (HandleDocumentElement(name, attributeText)) return;
    if (Current().Is("head") && !BelongsInHead(name)) LeaveHeadIfOpen();
    if (!CloseImplicitly(name)) return;
    if ((HoldsRows(Current().name) || Current().Is("tr")) && !IsTableStructure(name)) {
      EnterCellIfInTableStructure();
    }
    Node node;
    node.name = std::move(name);
    node.attributes = ReadAttributes(attributeText);
    const bool isVoid = IsVoidElement(node.name);
    const NodeId id = Append(std::move(node));
    if (nodes_[id].Is("html")) html_ = id;
    if (nodes_[id].Is("head")) seenHead_ = true;
    if (nodes_[id].Is("body")) body_ = id;
    if (!isVoid && !selfClosing) Push(id);
  }

  void EndTag(const std::string& name) {
    if (name == "br") {  // "</br>" reads as "<br>", as in browsers
      StartTag(name, {}, true);
      return;
    }
    if (name == "html" || name == "body") return;  // later content still belongs to the page
    if (name == "head") {
      if (Current().Is("head")) PopTo(stack_.size() - 1);
      return;
    }
    if (IsHeading(name)) {
      size_t innermost = 0;
      for (std::string_view heading : {"h1", "h2", "h3", "h4", "h5", "h6"}) {
        innermost = std::max(innermost, InScope(heading, kDefaultScope));
      }
      if (innermost > 0) PopTo(innermost);
      return;
    }
    Scope scope = kDefaultScope;
    if (name == "p") scope = kButtonScope;
    if (name == "li") scope = kListItemScope;
    if (IsOneOf(name, {"table", "tr", "td", "th", "tbody", "thead", "tfoot"})) {
      scope = kTableScope;
    }
    CloseInScope(name, scope);  // a stray end tag closes nothing
  }

  std::vector<Node>& nodes_;
  std::vector<OpenElement> stack_;
  std::unordered_map<std::string, std::vector<size_t>, NameHash, std::equal_to<>> open_;
  NodeId html_ = kNoNode;
  NodeId body_ = kNoNode;
  bool seenHead_ = false;
};

Document ParseHtml(std::string_view html) {
  Document document;
  TreeBuilder builder(document);
  Tokenizer tokenizer(html);
  Token token;
  while (tokenizer.Next(token)) builder.Add(token);
  return document;
}

}  // namespace hvm::html
