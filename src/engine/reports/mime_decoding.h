// Line-by-line decoding of MIME part bodies (RFC 2045): the template parser
// hands each body line to the decoder of the part's transfer encoding.
// Pure text: bytes in, bytes out.
#pragma once

#include <string>
#include <string_view>

namespace hvm {

// Appends one quoted-printable line: "=" and two hexadecimal digits become that
// byte; a final "=" is a soft break and joins the next line; any other line
// ends in CR LF. An "=" without two hexadecimal digits after it is kept as it
// is, so that damaged text stays readable instead of losing bytes.
void AppendQuotedPrintableLine(std::string_view line, std::string& body);

// Appends one 7bit or 8bit line and its CR LF.
void AppendPlainLine(std::string_view line, std::string& body);

// Base64 spread over lines of any length: whole groups of four characters are
// decoded as they come, the rest waits for the next line. A group holding a
// blank or a character outside the alphabet ends the line's decoding.
class Base64Lines {
 public:
  void Append(std::string_view line, std::string& body);

 private:
  std::string carry_;
};

}  // namespace hvm
