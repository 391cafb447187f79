// Scoped ownership of Windows handles: one move-only owner per handle, closed
// on every path out. Each handle kind brings a small traits class saying how it
// is closed and which value means "no handle".
#pragma once

#include <windows.h>

#include <utility>

namespace hvm {

template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }

  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool IsValid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return IsValid(); }
  Handle Get() const { return handle_; }

  // Closes the present handle, if any, and owns `handle` from now on.
  void Reset(Handle handle = Traits::Invalid()) {
    if (handle_ != handle) {
      Close();
      handle_ = handle;
    }
  }

  // Gives up ownership without closing.
  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

  void Close() {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = Traits::Invalid();
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct KeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

// Kernel objects whose "none" is the null handle (events, threads, tokens).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

// Files, whose "none" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

// Memory the system allocated for the caller with LocalAlloc (security
// descriptors and SIDs converted from text, message texts).
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { LocalFree(h); }
};

using ScopedKey = ScopedHandle<KeyTraits>;
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedFile = ScopedHandle<FileHandleTraits>;
using ScopedFind = ScopedHandle<FindHandleTraits>;
using ScopedModule = ScopedHandle<ModuleTraits>;
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

}  // namespace hvm
