#include "engine/update/update_response.h"

#include <vector>

#include "engine/core/civil_date.h"

namespace hvm {
namespace {

// Lines as a text list reads them: CR, LF or CR LF end a line, and a line
// break at the very end starts no further line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string_view Trimmed(std::string_view text) {
  const char* blanks = " \t";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The host of an absolute address: between "//" and the next "/", "?" or
// "#", without any user information and port.
std::string HostOf(std::string_view address) {
  const size_t scheme = address.find("://");
  if (scheme == std::string_view::npos) return {};
  std::string_view rest = address.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#\\"));
  const size_t at = rest.rfind('@');
  if (at != std::string_view::npos) rest.remove_prefix(at + 1);
  if (!rest.empty() && rest.front() == '[') return std::string(rest.substr(0, rest.find(']') + 1));
  std::string host(rest.substr(0, rest.find(':')));
  for (char& c : host)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return host;
}

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost" || host == "[::1]") return true;
  // 127.0.0.0/8, written as four decimal numbers.
  if (host.rfind("127.", 0) != 0) return false;
  int dots = 0;
  size_t digits = 0;
  for (char c : host) {
    if (c == '.') {
      if (digits == 0 || digits > 3) return false;
      ++dots;
      digits = 0;
    } else if (c >= '0' && c <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  return dots == 3 && digits > 0 && digits <= 3;
}

}  // namespace

long DaySerial(int year, int month, int day) {
  // 25569 days lie between 30 December 1899 and 1 January 1970.
  return long(DayNumber({year, month, day}) + 25569);
}

std::string UpdateRequestAddress(std::string_view server, long daySerial) {
  std::string address(Trimmed(server));
  if (address.empty() || address.back() != '/') address += '/';
  return address + "update/?prod=" + kProductNumber + "&i=" + std::to_string(daySerial);
}

std::optional<UpdateOffer> ParseUpdateResponse(std::string_view response) {
  const std::vector<std::string_view> lines = SplitLines(response);
  if (lines.empty() || lines.size() > 2) return std::nullopt;
  const std::string_view first = lines[0];
  if (!first.empty() && first.front() == '*') return std::nullopt;
  const size_t hash = first.find('#');
  if (hash == std::string_view::npos) return std::nullopt;
  UpdateOffer offer;
  offer.address = std::string(Trimmed(first.substr(0, hash)));
  const std::string_view rest = first.substr(hash + 1);
  const size_t second = rest.find('#');
  // Trimmed again after the cut: a version with blanks inside may be cut just
  // after one, and a shown version must not end in a blank.
  offer.version =
      std::string(Trimmed(Trimmed(rest.substr(0, second)).substr(0, kMaxOfferedVersion)));
  if (second != std::string_view::npos)
    offer.digest = std::string(Trimmed(rest.substr(second + 1)));
  if (lines.size() == 2) {
    // Opened through the shell: only a web address, never a program or file.
    const std::string_view notes = Trimmed(lines[1]);
    if (StartsWithNoCase(notes, "https://") || StartsWithNoCase(notes, "http://"))
      offer.notes = std::string(notes);
  }
  return offer;
}

bool IsTrustedTransport(std::string_view address) {
  address = Trimmed(address);
  if (StartsWithNoCase(address, "https://")) return !HostOf(address).empty();
  if (StartsWithNoCase(address, "http://")) return IsLoopbackHost(HostOf(address));
  return false;
}

bool IsSha256Text(std::string_view digest) {
  if (digest.size() != 64) return false;
  for (char c : digest)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

std::string FileNameOfAddress(std::string_view address) {
  const size_t slash = address.rfind('/');
  return std::string(slash == std::string_view::npos ? address : address.substr(slash + 1));
}

}  // namespace hvm
