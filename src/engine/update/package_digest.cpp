#include "engine/update/package_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <array>

#include "engine/core/scoped_handle.h"
#include "engine/update/update_response.h"

namespace hvm {
namespace {

struct AlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { BCryptCloseAlgorithmProvider(h, 0); }
};

struct HashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { BCryptDestroyHash(h); }
};

}  // namespace

std::string Sha256Text(std::string_view bytes) {
  ScopedHandle<AlgorithmTraits> algorithm;
  {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
      return {};
    algorithm.Reset(opened);
  }
  ScopedHandle<HashTraits> hash;
  {
    BCRYPT_HASH_HANDLE made = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.Get(), &made, nullptr, 0, nullptr, 0, 0)))
      return {};
    hash.Reset(made);
  }
  // BCryptHashData takes 32-bit lengths.
  for (size_t done = 0; done < bytes.size();) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done));
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.Get(), data, piece, 0))) return {};
    done += piece;
  }
  std::array<UCHAR, 32> digest{};
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.Get(), digest.data(), ULONG(digest.size()), 0)))
    return {};
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (UCHAR byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

bool MatchesDigest(std::string_view bytes, std::string_view expected) {
  if (!IsSha256Text(expected)) return false;
  std::string lower(expected);
  for (char& c : lower)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  const std::string actual = Sha256Text(bytes);
  return !actual.empty() && actual == lower;
}

}  // namespace hvm
