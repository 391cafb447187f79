// Does the file a registry string refers to exist? Registry values name files
// in many shapes: bare paths, quoted paths with arguments, command lines,
// paths with a resource index behind a comma, paths with environment
// variables, DLL entries with "@" in front. The strings are cut at a series
// of candidate points and each candidate is tested against the file system,
// so that a string counts as missing only when no reasonable reading of it
// names an existing file or folder.
//
// true means present or not checkable (a network path, an unexpanded
// variable, a drive that is not a fixed disk, a bare program name); false
// means missing. Nothing here reports or raises.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hvm {

// 1-based positions, as the cut rules are stated. The position of the first
// `character` in `text`, counted in the caller's whole string of which `text`
// is the copy from position `offset`; the smaller of that and `best` (a
// `best` of 0 or less means none yet). Without the character, `best`.
int GetNonChar(int best, char character, int offset, std::string_view text);

// One candidate cut: a file, a folder, a program once ".exe" is added, or a
// text without any backslash (a bare program name such as notepad).
bool CandidateExists(const std::string& candidate);

// One registry string, resolved through every cut.
bool FindSpace(std::string s);
// FindSpace, tried a second time with redirection off on 64-bit Windows.
bool nFindSpace(const std::string& s);
// A string that may hold several drive paths: true when any piece is found.
bool FindMultiSpace(std::string s);

// The test of the file reference and startup sections: true when empty, a
// network path, or without a fixed-drive path and "%"; otherwise decided from
// the first fixed-drive path (or the first "%") on.
bool SoftwareExists(const std::string& s);
// The test of the class-key classifier: false when empty, true when the first
// drive path is not on a fixed drive, else nFindSpace.
bool FilePathExists(const std::string& s);

// What a reason shows as the path a registry string names: the piece the
// tests start from, normalised and expanded, without its arguments or a
// resource index.
std::string ResolvedPath(const std::string& s);

// The program a command line starts with: the text inside its leading quotes,
// or the text before its first blank or tab.
std::string LeadingProgram(const std::string& line);
// Whether a string names its program relative to a folder it does not give:
// no drive or colon, no variable, not rooted in a backslash (so no network,
// rooted system or native "\??\" path). Such a name means something only in
// the folders a list of them is kept for.
bool NamesRelativeProgram(const std::string& line);

// The test of the lists whose entries may name their file relative to a
// folder (startup commands, known DLLs, drivers, fonts, extensions). A
// relative name is looked for in `folders` in turn (empty ones are passed
// over), then as the system finds a program; a name with a folder part that
// none of them holds is not checkable. Any other string is judged by
// SoftwareExists on its own, as every other registry string is.
bool ValueFileExists(const std::string& data, const std::vector<std::string>& folders);
// The path a reason shows for such an entry: a bare name in the last of
// `folders` that is not empty, anything else as ResolvedPath has it.
std::string ValueFileResolvedPath(const std::string& data, const std::vector<std::string>& folders);

}  // namespace hvm
