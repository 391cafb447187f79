// The text of an undo snapshot file as the program reads it, for tests that
// look into snapshots: a UTF-16 file through the active code page (its
// byte-order mark dropped), a single-byte one as it is.
#pragma once

#include <string>

#include "engine/core/text_encoding.h"
#include "engine/results/export_text.h"
#include "engine/results/text_file.h"

namespace hvm::test {

inline std::string SnapshotFileText(const std::string& path) {
  const std::string bytes = ReadTextFile(path);
  if (!IsUtf16Text(bytes)) return bytes;
  std::string text;
  kProgramTextCodec.fromUtf16Le(std::string_view(bytes).substr(kUtf16LeByteOrderMark.size()), text);
  return text;
}

}  // namespace hvm::test
