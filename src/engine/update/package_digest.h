// The SHA-256 digest a downloaded package must match before anything in it is
// extracted or started.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hvm {

// SHA-256 of `bytes` as 64 lower-case hexadecimal digits; empty text when the
// platform's hashing (BCrypt) fails.
std::string Sha256Text(std::string_view bytes);

// Whether `bytes` hash to `expected` (64 hexadecimal digits, either case).
// An expected text that is not a SHA-256 digest never matches.
bool MatchesDigest(std::string_view bytes, std::string_view expected);

}  // namespace hvm
