// Fetching an address into a file with the platform's URLDownloadToFileA.
// Runs on the calling thread; the progress handler, when given, is called on
// that thread between the pieces of the download.
#pragma once

#include <cstdint>
#include <string>

namespace hvm {

class DownloadProgress {
 public:
  virtual ~DownloadProgress() = default;
  // A progress notification: bytes so far, the total (0 while unknown) and
  // the platform's binding status code. False aborts the download.
  virtual bool OnProgress(uint64_t progress, uint64_t total, uint32_t statusCode) = 0;
};

// Downloads `address` into `file` (replacing it), always from the server,
// never from the cache. The HRESULT of the download: S_OK (0) on success,
// E_ABORT when `progress` asked to stop.
[[nodiscard]] long DownloadUrlToFile(const std::string& address, const std::string& file,
                                     DownloadProgress* progress = nullptr);

// A new, empty temporary file with the prefix "reg" in the temporary folder,
// as GetTempFileNameA makes it; empty text when none could be made.
std::string MakeTempFile();

// The whole file, or nothing when it cannot be read or is larger than `limit`.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::string& bytes,
                                 uint64_t limit = uint64_t{256} << 20);

}  // namespace hvm
