#include "engine/reports/program_resource.h"

#include "engine/core/inflate.h"

namespace hvm {
namespace {

constexpr std::string_view kCompressedMark = "ZP";

// The bytes of a data resource as the module holds them.
std::string_view RawResource(int number, HMODULE module) {
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(number), RT_RCDATA);
  // Resources live as long as their module; nothing here needs freeing.
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw EOutOfResources("Missing resource " + std::to_string(number));
  return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}

}  // namespace

std::string UnpackResourceData(std::string_view data) {
  if (!data.starts_with(kCompressedMark)) return std::string(data);
  return InflateRaw(data.substr(kCompressedMark.size()));
}

std::string ReadProgramResource(int number, HMODULE module) {
  const std::string_view raw = RawResource(number, module);
  try {
    return UnpackResourceData(raw);
  } catch (const InflateError& e) {
    throw InflateError("Resource " + std::to_string(number) + ": " + e.what());
  }
}

}  // namespace hvm
