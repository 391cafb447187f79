// fuzz-sources: src/engine/results/export_text.cpp src/engine/core/utf8.cpp
// fuzz-seeds: tests/e2e/*/seed.reg resources/demo/*.reg
//
// libFuzzer target for the registry-export text that undo snapshots are
// written in. An input is one of:
//   a snapshot file (any input not starting with a NUL byte), single-byte or
//         UTF-16: both readers must take it without crashing, and every value
//         they read back must survive being written again and read once
//         more, unchanged, in every dialect of its form;
//   a NUL byte, then a value (dialect, kind, name, bytes): written as a
//         snapshot, it must read back as exactly that value, and no line may
//         hold a NUL (a registry editor stops at the first NUL and imports
//         nothing). In the UTF-16 dialect the bytes are the stored ones.
// Seeds: fuzz/corpus/export_text/ and the .reg files of the tests.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "engine/results/export_text.h"

namespace {

using namespace hvm;

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Fuzz";

const ExportDialect kDialects[] = {
    {kHeaderWide, true, true, &kUtf8TextCodec},  // snapshots now (UTF-8 program text)
    kRegedit4Dialect,                            // earlier versions
    {kHeaderWide, true, true},                   // on XP
    {kHeaderWide, true, false},                  // on Windows 2000
    {kHeaderNarrow, false, false},
};

void Check(bool condition) {
  if (!condition) abort();
}

// The repair leaves values with a line break or a quote in their name alone,
// for they cannot be written back; the registry holds no name with a NUL.
bool Writable(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\"\0", 4)) == std::string_view::npos;
}

std::string NamePartFor(std::string_view name) {
  return name.empty() ? std::string("@") : "\"" + std::string(name) + "\"";
}

// What the repair writes for one value, read back by the value reader. In
// the UTF-16 dialect names are text of the program (the ANSI calls give
// UTF-8 under its manifest).
void CheckRoundTrip(const ExportDialect& dialect, std::string_view name, uint32_t type,
                    std::string_view data) {
  if (dialect.utf16 && !IsValidUtf8(name)) return;
  const std::string lines = ValueLines(dialect, name, type, data);
  Check(lines.find('\0') == std::string::npos);
  std::string file = std::string(dialect.header) + "\r\n" + KeyLine(kKey) + lines + "\r\n";
  if (dialect.utf16) file = std::string(kUtf16LeByteOrderMark) + dialect.utf16->toUtf16Le(file);
  const std::string namePart = NamePartFor(name);

  const std::vector<std::string> entries = ListSnapshotEntries(file);
  Check(entries.size() == 1 && entries[0] == std::string(kKey) + "\\\\:" + namePart);

  const std::vector<std::string> found = FindValueData(file, kKey, namePart);
  Check(found.size() == 1);
  const ParsedValue back = ParseExportData(found[0], TextFormOf(file, kUtf8TextCodec));
  Check(back.type == type);
  Check(back.data == data);
}

void ReadSnapshot(std::string_view file) {
  const SnapshotTextForm form = TextFormOf(file, kUtf8TextCodec);
  const SnapshotValueIndex index(file);
  for (const std::string& entry : ListSnapshotEntries(file)) {
    const size_t at = entry.find("\\\\:");
    if (at == std::string::npos) continue;
    const std::string_view namePart = std::string_view(entry).substr(at + 3);
    const std::string name = RegistryNameOf(namePart);
    if (!Writable(name)) continue;
    for (const std::string& dataText : index.Find(entry.substr(0, at), namePart)) {
      ParsedValue value;
      try {
        value = ParseExportData(dataText, form);
      } catch (const ExportFormatError&) {
        continue;
      }
      // Data of a UTF-16 file is stored data, which only that form takes.
      for (const ExportDialect& dialect : kDialects)
        if ((dialect.utf16 != nullptr) == value.stored)
          CheckRoundTrip(dialect, name, value.type, value.data);
    }
  }
}

void WriteValue(FuzzedDataProvider& input) {
  const ExportDialect& dialect =
      kDialects[input.ConsumeIntegralInRange<size_t>(0, std::size(kDialects) - 1)];
  const uint32_t type = input.ConsumeBool() ? input.ConsumeIntegralInRange<uint32_t>(0, 12)
                                            : input.ConsumeIntegral<uint32_t>();
  std::string name = input.ConsumeRandomLengthString(64);
  if (!Writable(name)) return;
  const std::string data = input.ConsumeRemainingBytesAsString();
  CheckRoundTrip(dialect, name, type, data);
  Check(UnescapeRegString(EscapeRegString(data)) == data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size > 0 && bytes[0] == 0) {
    FuzzedDataProvider input(bytes + 1, size - 1);
    WriteValue(input);
  } else {
    ReadSnapshot(std::string_view(reinterpret_cast<const char*>(bytes), size));
  }
  return 0;
}
