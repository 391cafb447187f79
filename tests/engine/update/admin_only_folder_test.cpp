#include "engine/update/admin_only_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "engine/core/scoped_handle.h"
#include "folder_access.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

// A well-known SID in a buffer of its own.
struct WellKnownSid {
  explicit WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    DWORD size = sizeof(bytes);
    valid = CreateWellKnownSid(type, nullptr, bytes, &size) != FALSE;
  }
  PSID Get() { return bytes; }
  BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
  bool valid = false;
};

// Every right that changes a folder or what is in it.
constexpr DWORD kWriteRights[] = {FILE_ADD_FILE,     FILE_ADD_SUBDIRECTORY,
                                  FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES,
                                  FILE_WRITE_EA,     DELETE,
                                  WRITE_DAC,         WRITE_OWNER};

// A token to test the descriptor against, as this process runs (under Wine,
// and for an elevated administrator, with the Administrators group enabled)
// or as a process of the same user without its administrator rights runs
// (that group kept for denying only).
ScopedKernelHandle ImpersonationToken(bool withoutAdministrators) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &raw)) return {};
  ScopedKernelHandle token(raw);
  if (withoutAdministrators) {
    WellKnownSid administrators(WinBuiltinAdministratorsSid);
    SID_AND_ATTRIBUTES disabled{administrators.Get(), 0};
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(token.Get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted))
      return {};
    token.Reset(restricted);
  }
  HANDLE impersonation = nullptr;
  if (!DuplicateToken(token.Get(), SecurityImpersonation, &impersonation)) return {};
  return ScopedKernelHandle(impersonation);
}

// The rights `token` gets of a folder with `descriptor`; 0 when refused.
// AccessCheck wants a group, which a folder's descriptor may leave to the
// system: the check uses the descriptor's owner and list with any group.
DWORD Granted(PSECURITY_DESCRIPTOR descriptor, HANDLE token, DWORD desired) {
  PSID owner = nullptr;
  PACL list = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) {
    ADD_FAILURE() << "unreadable descriptor: " << GetLastError();
    return 0;
  }
  WellKnownSid group(WinLocalSystemSid);
  SECURITY_DESCRIPTOR absolute;
  InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorOwner(&absolute, owner, FALSE);
  SetSecurityDescriptorGroup(&absolute, group.Get(), FALSE);
  SetSecurityDescriptorDacl(&absolute, present, list, FALSE);
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                          FILE_ALL_ACCESS};
  MapGenericMask(&desired, &mapping);
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof(privileges);
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!AccessCheck(&absolute, token, desired, &mapping, &privileges, &privilegesSize, &granted,
                   &allowed)) {
    ADD_FAILURE() << "AccessCheck failed: " << GetLastError();
    return 0;
  }
  return allowed ? granted : 0;
}

bool ProcessIsElevatedAdministrator() {
  WellKnownSid administrators(WinBuiltinAdministratorsSid);
  BOOL member = FALSE;
  return CheckTokenMembership(nullptr, administrators.Get(), &member) && member;
}

TEST(AdminOnlyDescriptor, AnAdministratorMayDoAnything) {
  if (!ProcessIsElevatedAdministrator()) GTEST_SKIP() << "needs an elevated administrator";
  const ScopedLocalMemory descriptor = AdminOnlyDescriptor();
  ASSERT_TRUE(descriptor);
  const ScopedKernelHandle token = ImpersonationToken(false);
  ASSERT_TRUE(token);
  for (const DWORD right : kWriteRights)
    EXPECT_EQ(right, Granted(descriptor.Get(), token.Get(), right)) << std::hex << right;
  EXPECT_EQ(DWORD(FILE_ALL_ACCESS), Granted(descriptor.Get(), token.Get(), MAXIMUM_ALLOWED));
}

// The user's own programs run so: nothing may be added, changed, removed or
// given other rights, not even through being the owner.
TEST(AdminOnlyDescriptor, TheSameUserWithoutAdministratorRightsGetsNothing) {
  const ScopedLocalMemory descriptor = AdminOnlyDescriptor();
  ASSERT_TRUE(descriptor);
  const ScopedKernelHandle token = ImpersonationToken(true);
  ASSERT_TRUE(token) << GetLastError();
  for (const DWORD right : kWriteRights)
    EXPECT_EQ(0u, Granted(descriptor.Get(), token.Get(), right)) << std::hex << right;
  EXPECT_EQ(0u, Granted(descriptor.Get(), token.Get(), GENERIC_WRITE));
  EXPECT_EQ(0u, Granted(descriptor.Get(), token.Get(), MAXIMUM_ALLOWED));
}

// Owned by the Administrators group; nothing of the folder above is inherited
// (the user's own full control of %TEMP% or of a program folder it made), and
// every entry reaches the files and folders made inside.
TEST(AdminOnlyDescriptor, IsOwnedByAdministratorsProtectedAndHandedDown) {
  const ScopedLocalMemory descriptor = AdminOnlyDescriptor();
  ASSERT_TRUE(descriptor);
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted));
  ASSERT_NE(nullptr, owner);
  EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.Get(), &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  PACL list = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.Get(), &present, &list, &defaulted));
  ASSERT_TRUE(present && list) << "a missing list would let everyone in";
  ASSERT_GT(list->AceCount, 0);
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    ASSERT_TRUE(GetAce(list, i, &entry));
    const auto* header = static_cast<ACE_HEADER*>(entry);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, header->AceFlags & VALID_INHERIT_FLAGS)
        << "entry " << i;
  }
}

// What Wine 8 keeps of a file's access list is what the Unix mode bits can
// say: it reports the owner as the current user with the rights of the
// owner's bits, and everyone with those of the others' bits, whatever
// descriptor the folder was made with; the Administrators' entry is not kept,
// and Wine does not check the list when a file is opened. What the file
// system's report can show under Wine is that nobody beyond the owner was
// given anything, where a folder made with the default access lets everyone
// read; on Windows the same holds of the list the folder really has.
TEST(CreateAdminOnlyFolder, TheFolderGrantsNothingToOtherUsers) {
  test::TestFolder folder;
  const std::string path = folder.File("update");
  ASSERT_EQ(0u, CreateAdminOnlyFolder(path));
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  for (const std::string& grant : test::GrantsToOtherUsers(path)) ADD_FAILURE() << grant;
}

// A name already taken is never taken over: it could be a folder somebody
// else made, with an access list of their choosing.
TEST(CreateAdminOnlyFolder, ANameAlreadyTakenIsRefused) {
  test::TestFolder folder;
  const std::string made = folder.File("made");
  ASSERT_EQ(0u, CreateAdminOnlyFolder(made));
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), CreateAdminOnlyFolder(made));
  CreateDirectoryA(folder.File("plain").c_str(), nullptr);
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), CreateAdminOnlyFolder(folder.File("plain")));
  const std::string file = folder.WriteFile("file.tmp", "x");
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), CreateAdminOnlyFolder(file));
  EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), CreateAdminOnlyFolder(folder.File("gone\\update")));
}

}  // namespace
}  // namespace hvm
