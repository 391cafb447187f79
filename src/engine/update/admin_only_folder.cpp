#include "engine/update/admin_only_folder.h"

#include <windows.h>
#include <sddl.h>

namespace hvm {
namespace {

// Owner Administrators, so that the implicit rights of an owner (changing the
// access list) stay with them; a protected list, so that nothing the user may
// do in the folder above (the user's own full control of %TEMP%, say) is
// inherited; each entry handed down to files (OI) and folders (CI) inside.
constexpr char kAdminOnlySddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

}  // namespace

ScopedLocalMemory AdminOnlyDescriptor() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdminOnlySddl, SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return {};
  return ScopedLocalMemory(descriptor);
}

uint32_t CreateAdminOnlyFolder(const std::string& path) {
  const ScopedLocalMemory descriptor = AdminOnlyDescriptor();
  if (!descriptor) return GetLastError() ? GetLastError() : ERROR_INVALID_SECURITY_DESCR;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.Get(), FALSE};
  return CreateDirectoryA(path.c_str(), &attributes) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace hvm
