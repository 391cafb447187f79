#include "engine/scan/problem_explanations.h"

#include <array>

#include "engine/scan/problem_rules.h"

namespace hvm {
namespace {

using T = TargetKind;

// One row per rule of problem_rules.h; the sentences are what a user reads
// before deciding to delete an entry, so they say what was looked for and
// not found, never how the scan works inside.
constexpr RuleExplanation kExplanations[] = {
    {rule::kFileMissing, "The file this entry names does not exist", T::kFile},
    {rule::kFolderMissing, "The folder this entry names does not exist", T::kFolder},
    {rule::kNoFileNamed, "This entry should name a file, but it names none", T::kKey},
    {rule::kClassMissing, "No class is registered under this identifier", T::kClass},
    {rule::kInterfaceMissing, "No interface is registered under this identifier", T::kInterface},
    {rule::kAppIdMissing, "No application ID is registered under this identifier",
     T::kApplicationId},
    {rule::kKeyMissing, "The class this extension names is not registered", T::kKey},
    {rule::kLinkedKeyMissing, "The key or class this entry links to is not registered", T::kKey},
    {rule::kCodePageMissing, "No code page is registered under this number", T::kCodePage},
    {rule::kCharsetMissing, "No character set is registered under the name this alias gives",
     T::kCharset},
    {rule::kTypeLibraryMissing, "The type library file this entry names does not exist", T::kFile},
    {rule::kTypeLibraryVersionMissing,
     "No file of this type library version exists, so the whole version is unused", T::kKey},
    {rule::kTypeLibraryNotNamed, "This interface names no type library", T::kKey},
    {rule::kTypeLibraryNotRegistered, "The type library this interface names is gone", T::kKey},
    {rule::kEmptyKey, "This key holds nothing that is used", T::kKey},
    {rule::kNoWorkingVerb, "None of the commands of this entry starts a program that exists",
     T::kKey},
    {rule::kNoWorkingServer,
     "Nothing this registration relies on is still there, so all of it is unused", T::kKey},
    {rule::kValueNotEmpty, "This marker should hold no value, but it holds text", T::kKey},
    {rule::kUninstallMissing, "The program this cached entry belongs to is no longer installed",
     T::kKey},
    {rule::kDisabledStartup,
     "A startup entry the system configuration tool disabled and keeps a copy of", T::kKey},
};

// What each section looks for, by section number - 1.
constexpr std::array<std::string_view, kSectionCount> kSectionDescriptions = {
    "Shell folder settings of the machine and of the user whose folder is gone",
    "Type library registrations whose file, help folder or every version is gone",
    "File extensions and class keys that name a missing class, program or handler, or hold "
    "nothing",
    "Class registrations (CLSID, also for 32-bit programs) whose server files and linked keys "
    "are gone",
    "Interfaces whose proxy class, type library or base interface is not registered",
    "Programs that name an application ID which is not registered",
    "Character sets that name a code page or character set which is not registered",
    "Content types that name a class or file extension which is not registered",
    "Application keys left empty",
    "Known system DLLs whose file is gone",
    "Virtual device drivers whose file is gone",
    "OpenGL drivers whose file is gone",
    "Shared DLL counters of files that no longer exist",
    "Start Menu order entries of folders that no longer exist",
    "Programs started at log-on whose file is gone",
    "Help files whose file is not in the folder given for it",
    "Fonts whose file is not in the fonts folder",
    "Application paths whose program is gone",
    "Programs named for file extensions that are gone, and empty file extension keys",
    "HTML help files whose file is not in the folder given for it",
    "Installed-file lists naming files that no longer exist",
    "Cached entries of programs that are no longer installed or whose file is gone",
    "Text values anywhere in the machine and user keys that name a file or folder that is gone",
    "Copies of startup entries the system configuration tool keeps for disabled entries",
};

std::string_view TargetName(TargetKind kind) {
  switch (kind) {
    case T::kFile: return "File tested: ";
    case T::kFolder: return "Folder tested: ";
    case T::kClass: return "Class tested: ";
    case T::kInterface: return "Interface tested: ";
    case T::kApplicationId: return "Application ID tested: ";
    case T::kCodePage: return "Code page tested: ";
    case T::kCharset: return "Character set tested: ";
    case T::kKey: break;
  }
  return "Key tested: ";
}

}  // namespace

std::span<const RuleExplanation> RuleExplanations() {
  return kExplanations;
}

const RuleExplanation* ExplanationOf(std::string_view rule) {
  for (const RuleExplanation& explanation : kExplanations)
    if (explanation.rule == rule) return &explanation;
  return nullptr;
}

std::string RuleSentence(std::string_view rule) {
  const RuleExplanation* explanation = ExplanationOf(rule);
  return std::string(explanation ? explanation->sentence : rule);
}

std::string TargetLine(const ProblemReason& reason) {
  if (reason.target.empty()) return {};
  const RuleExplanation* explanation = ExplanationOf(reason.rule);
  // A target of a rule the table does not know is named by nothing more.
  const std::string_view name = explanation ? TargetName(explanation->target) : "Tested: ";
  return std::string(name) + reason.target;
}

bool TargetIsFile(const ProblemReason& reason) {
  const RuleExplanation* explanation = ExplanationOf(reason.rule);
  return explanation && explanation->target == T::kFile && !reason.target.empty();
}

std::string_view SectionDescription(int section) {
  if (section < 1 || section > kSectionCount) return {};
  return kSectionDescriptions[size_t(section - 1)];
}

}  // namespace hvm
