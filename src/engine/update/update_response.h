// The update server's side of a check, as text: the request address, the
// response's offer, and which addresses the program may fetch code from.
// Pure text: no Windows header, so this also builds natively for fuzzing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hvm {

// The product number the server knows this program by.
inline constexpr char kProductNumber[] = "3319";
// At most this many characters of the offered version are read.
inline constexpr std::size_t kMaxOfferedVersion = 11;

// What a response offers: the package's address, its version, the SHA-256
// digest of the package as 64 hexadecimal digits (empty when the server sent
// none), and the release notes' address (empty when none or unusable).
struct UpdateOffer {
  std::string address;
  std::string version;
  std::string digest;
  std::string notes;
};

// The days from 30 December 1899 to the given date of the Gregorian calendar.
long DaySerial(int year, int month, int day);

// server (ending in "/" or not) + "update/?prod=3319&i=" + the day serial.
std::string UpdateRequestAddress(std::string_view server, long daySerial);

// The offer of a response of one or two lines; nothing for "*" ("no news"),
// for any other number of lines, and for a first line without "#".
// Line 1: address "#" version ["#" digest]; line 2: the release notes.
std::optional<UpdateOffer> ParseUpdateResponse(std::string_view response);

// Whether code may be fetched from `address`: https anywhere, plain http only
// from the loopback (127.x.x.x, "localhost", [::1]), where nobody can tamper
// with it on the way.
bool IsTrustedTransport(std::string_view address);

// Whether `digest` is 64 hexadecimal digits.
bool IsSha256Text(std::string_view digest);

// The part of `address` after its last "/" (the download window's file name).
std::string FileNameOfAddress(std::string_view address);

}  // namespace hvm
