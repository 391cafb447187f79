#include "engine/update/url_download.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>

#include "engine/core/scoped_handle.h"

namespace hvm {
namespace {

// The status callback of one download. The platform may hold it, and even
// call it, after URLDownloadToFileA has returned (a download that failed early
// winds down on another thread), so it lives on the heap until its last
// reference goes, and is cut off from the caller once the call has returned.
class BindStatus final : public IBindStatusCallback {
 public:
  explicit BindStatus(DownloadProgress* progress) : progress_(progress) {}
  // After the download: late notifications reach no one.
  void Detach() {
    Locked lock(lock_);
    progress_ = nullptr;
    detached_ = true;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback)) {
      *object = static_cast<IBindStatusCallback*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
    Locked lock(lock_);
    if (!detached_) binding_ = binding;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG total, ULONG statusCode,
                                       LPCWSTR) override {
    Locked lock(lock_);
    if (detached_) return E_ABORT;
    // An error page is no download: stop as soon as the server's answer is known.
    if (statusCode == BINDSTATUS_BEGINDOWNLOADDATA) ReadHttpStatus();
    if (httpStatus_ >= 400) return E_ABORT;
    if (progress_ && !progress_->OnProgress(progress, total, statusCode)) return E_ABORT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override {
    Locked lock(lock_);
    ReadHttpStatus();
    binding_ = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override {
    // An update check or package read from the cache could be yesterday's.
    *flags |= BINDF_GETNEWESTVERSION | BINDF_PRAGMA_NO_CACHE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // The HTTP status of the answer; 0 while unknown or for other protocols.
  DWORD HttpStatus() {
    Locked lock(lock_);
    return httpStatus_;
  }

 private:
  void ReadHttpStatus() {
    if (!binding_ || httpStatus_) return;
    IWinInetHttpInfo* info = nullptr;
    if (FAILED(binding_->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) ||
        !info)
      return;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (SUCCEEDED(info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                  nullptr, nullptr)))
      httpStatus_ = status;
    info->Release();
  }

  // Notifications come on the caller's thread while it waits, and may come on
  // another once it has returned.
  class Locked {
   public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }

   private:
    CRITICAL_SECTION& lock_;
  };
  ~BindStatus() { DeleteCriticalSection(&lock_); }

  CRITICAL_SECTION lock_ = MakeLock();
  static CRITICAL_SECTION MakeLock() {
    CRITICAL_SECTION lock;
    InitializeCriticalSection(&lock);
    return lock;
  }
  DownloadProgress* progress_;
  bool detached_ = false;
  IBinding* binding_ = nullptr;  // only between the start and the stop of the binding
  DWORD httpStatus_ = 0;
  LONG references_ = 1;
};

}  // namespace

long DownloadUrlToFile(const std::string& address, const std::string& file,
                       DownloadProgress* progress) {
  auto* status = new BindStatus(progress);
  const HRESULT result = URLDownloadToFileA(nullptr, address.c_str(), file.c_str(), 0, status);
  const DWORD httpStatus = status->HttpStatus();
  status->Detach();
  status->Release();
  // Some hosts save a server's error page and report success.
  if (SUCCEEDED(result) && httpStatus >= 400) return INET_E_DOWNLOAD_FAILURE;
  return result;
}

std::string MakeTempFile() {
  char folder[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return {};
  char name[MAX_PATH] = {};
  if (!GetTempFileNameA(folder, "reg", 0, name)) return {};
  return name;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, uint64_t limit) {
  bytes.clear();
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) > limit)
    return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file.Get(), bytes.data() + done, piece, &read, nullptr) || read == 0) {
      bytes.clear();
      return false;
    }
    done += read;
  }
  return true;
}

}  // namespace hvm
