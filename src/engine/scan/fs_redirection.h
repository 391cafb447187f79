// 64-bit file-system redirection switched off for the calling thread, for the
// second attempt of a file operation that failed under redirection. The
// platform functions are looked up at run time, as Windows versions without
// WOW64 lack them.
#pragma once

namespace hvm {

class ScopedFsRedirectionOff {
 public:
  // Switches redirection off when the platform offers it and agrees.
  ScopedFsRedirectionOff();
  // Puts back the state saved by the constructor, on every path out.
  ~ScopedFsRedirectionOff();
  ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
  ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

  // Whether redirection was actually switched off (it never is for a native
  // 64-bit process, which is not redirected in the first place).
  bool Disabled() const { return disabled_; }

  // Whether a bracket of this thread has redirection switched off now: the
  // file system then shows another view, which the scan's caches do not hold.
  static bool OffOnThisThread();

 private:
  void* saved_ = nullptr;
  bool disabled_ = false;
};

}  // namespace hvm
