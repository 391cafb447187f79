// The drives of every type that scripts/wine-env defines in the test prefix:
// each a real Wine drive with its type under HKLM\Software\Wine\Drives, so
// that the drive rules run against the platform's own GetDriveTypeA.
#pragma once

namespace hvm::test {

inline constexpr char kFixedDrive = 'C';
inline constexpr char kSecondFixedDrive = 'E';
inline constexpr char kCdromDrive = 'R';
inline constexpr char kNetworkDrive = 'N';
inline constexpr char kRemovableDrive = 'F';
inline constexpr char kRamDiskDrive = 'M';
// A letter without a root folder.
inline constexpr char kNoRootDrive = 'Q';
// A network share, without a drive letter.
inline constexpr char kNetworkShare[] = "\\\\hvmserver\\share";

}  // namespace hvm::test
