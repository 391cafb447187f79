// fuzz-sources: src/engine/update/update_response.cpp src/engine/core/civil_date.cpp
//
// libFuzzer target for the update server's answer and the addresses the
// program takes from it. The answer comes from the network: whatever it
// holds, the offer read from it must be fields of one line each (address,
// digest and notes trimmed), notes only ever a web address, and code fetched
// only over a transport the checks allow. Seeds: fuzz/corpus/update_response/.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/update/update_response.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
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

bool IsTrimmedLine(const std::string& field) {
  if (field.find_first_of("\r\n") != std::string::npos) return false;
  if (field.empty()) return true;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return !blank(field.front()) && !blank(field.back());
}

bool IsWebAddress(std::string_view text) {
  return StartsWithNoCase(text, "https://") || StartsWithNoCase(text, "http://");
}

void CheckOffer(const std::string& response) {
  const std::optional<hvm::UpdateOffer> offer = hvm::ParseUpdateResponse(response);
  if (!offer) return;
  Check(response.find('#') != std::string::npos);
  Check(response.front() != '*');
  Check(offer->version.size() <= hvm::kMaxOfferedVersion);
  for (const std::string* field : {&offer->version, &offer->address, &offer->digest, &offer->notes})
    Check(IsTrimmedLine(*field));
  Check(offer->address.find('#') == std::string::npos);
  Check(offer->notes.empty() || IsWebAddress(offer->notes));
}

void CheckAddress(const std::string& address) {
  std::string_view trimmed = address;
  while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
    trimmed.remove_prefix(1);
  if (hvm::IsTrustedTransport(address)) Check(IsWebAddress(trimmed));
  if (hvm::IsSha256Text(address)) Check(address.size() == 64);
  const std::string name = hvm::FileNameOfAddress(address);
  Check(name.find('/') == std::string::npos);
  Check(address.size() >= name.size() &&
        address.compare(address.size() - name.size(), name.size(), name) == 0);
}

void CheckCalendar(FuzzedDataProvider& input) {
  const int year = input.ConsumeIntegralInRange(-100000, 100000);
  const int month = input.ConsumeIntegralInRange(1, 12);
  const int day = input.ConsumeIntegralInRange(1, 27);
  const long serial = hvm::DaySerial(year, month, day);
  Check(hvm::DaySerial(year, month, day + 1) == serial + 1);
  // Every 400 years of the Gregorian calendar hold the same number of days.
  Check(hvm::DaySerial(year + 400, month, day) == serial + 146097);
  if (month < 12) Check(hvm::DaySerial(year, month + 1, 1) > serial);
  const std::string request = hvm::UpdateRequestAddress("https://example.test", serial);
  const std::string tail =
      "update/?prod=" + std::string(hvm::kProductNumber) + "&i=" + std::to_string(serial);
  Check(request.size() > tail.size() &&
        request.compare(request.size() - tail.size(), tail.size(), tail) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider input(bytes, size);
  const std::string response = input.ConsumeRandomLengthString(1 << 16);
  CheckOffer(response);
  CheckAddress(response);
  if (const std::optional<hvm::UpdateOffer> offer = hvm::ParseUpdateResponse(response)) {
    CheckAddress(offer->address);
    CheckAddress(offer->notes);
  }
  CheckCalendar(input);
  return 0;
}
