// The rules a problem's reason names: what the section tested and found
// missing. The reason's target says what was tested (a resolved path, a class
// key, a key).
#pragma once

namespace hvm::rule {

inline constexpr char kFileMissing[] = "file missing";
inline constexpr char kFolderMissing[] = "folder missing";
inline constexpr char kNoFileNamed[] = "no file named";
inline constexpr char kClassMissing[] = "class not registered";
inline constexpr char kInterfaceMissing[] = "interface not registered";
inline constexpr char kAppIdMissing[] = "application ID not registered";
inline constexpr char kKeyMissing[] = "key missing";
inline constexpr char kLinkedKeyMissing[] = "linked key missing";
inline constexpr char kCodePageMissing[] = "code page not registered";
inline constexpr char kCharsetMissing[] = "character set not registered";
inline constexpr char kTypeLibraryMissing[] = "type library file missing";
inline constexpr char kTypeLibraryVersionMissing[] = "type library version missing";
inline constexpr char kTypeLibraryNotNamed[] = "type library not named";
inline constexpr char kTypeLibraryNotRegistered[] = "type library not registered";
inline constexpr char kEmptyKey[] = "empty key";
inline constexpr char kNoWorkingVerb[] = "no working verb";
inline constexpr char kNoWorkingServer[] = "no working server";
inline constexpr char kValueNotEmpty[] = "value not empty";
inline constexpr char kUninstallMissing[] = "uninstall entry missing";
inline constexpr char kDisabledStartup[] = "copy of a disabled startup entry";

// Every rule above, once. A rule added above belongs here too: the sentence
// table that explains rules to the user is checked against this list.
inline constexpr const char* kAllRules[] = {
    kFileMissing,         kFolderMissing,    kNoFileNamed,        kClassMissing,
    kInterfaceMissing,    kAppIdMissing,     kKeyMissing,         kLinkedKeyMissing,
    kCodePageMissing,     kCharsetMissing,   kTypeLibraryMissing, kTypeLibraryVersionMissing,
    kTypeLibraryNotNamed, kTypeLibraryNotRegistered, kEmptyKey,  kNoWorkingVerb,
    kNoWorkingServer,     kValueNotEmpty,    kUninstallMissing,   kDisabledStartup,
};

}  // namespace hvm::rule
