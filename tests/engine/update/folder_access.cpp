#include "folder_access.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "engine/core/scoped_handle.h"

namespace hvm::test {

std::vector<std::string> GrantsToOtherUsers(const std::string& path) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  PACL list = nullptr;
  const DWORD status =
      GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &list, nullptr, &raw);
  if (status != ERROR_SUCCESS) return {"the list cannot be read: " + std::to_string(status)};
  const ScopedLocalMemory descriptor(raw);
  if (!list) return {"there is no list, which lets everyone in"};
  std::vector<std::string> found;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(list, i, &entry)) return {"entry " + std::to_string(i) + " cannot be read"};
    if (static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    for (const WELL_KNOWN_SID_TYPE other :
         {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid, WinInteractiveSid}) {
      if (!IsWellKnownSid(sid, other)) continue;
      char* text = nullptr;
      ConvertSidToStringSidA(sid, &text);
      const ScopedLocalMemory textMemory(text);
      found.push_back("entry " + std::to_string(i) + " allows " + std::to_string(allowed->Mask) +
                      " to " + (text ? text : "?"));
    }
  }
  return found;
}

}  // namespace hvm::test
