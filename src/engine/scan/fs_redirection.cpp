#include "engine/scan/fs_redirection.h"

#include <windows.h>

namespace hvm {
namespace {

using DisableFunction = BOOL(WINAPI*)(PVOID*);
using RevertFunction = BOOL(WINAPI*)(PVOID);

thread_local int gBracketsOff = 0;

FARPROC Kernel32Function(const char* name) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? GetProcAddress(kernel, name) : nullptr;
}

}  // namespace

ScopedFsRedirectionOff::ScopedFsRedirectionOff() {
  const auto disable =
      reinterpret_cast<DisableFunction>(Kernel32Function("Wow64DisableWow64FsRedirection"));
  if (disable && disable(&saved_)) disabled_ = true;
  if (disabled_) ++gBracketsOff;
}

bool ScopedFsRedirectionOff::OffOnThisThread() {
  return gBracketsOff > 0;
}

ScopedFsRedirectionOff::~ScopedFsRedirectionOff() {
  // Only a bracket that was opened is closed: reverting with a state that was
  // never saved could switch redirection for the thread in the wrong way.
  if (!disabled_) return;
  --gBracketsOff;
  const DWORD error = GetLastError();
  const auto revert =
      reinterpret_cast<RevertFunction>(Kernel32Function("Wow64RevertWow64FsRedirection"));
  if (revert) revert(saved_);
  // Callers read the status of the attempt made inside the bracket.
  SetLastError(error);
}

}  // namespace hvm
