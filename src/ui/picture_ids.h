// Numbers of the program's pictures (resources/pictures.rc).
#pragma once

namespace hvm::pictures {

inline constexpr int kProgramIcon = 1;  // ICON
// Type "PNG", each at twice its 96-dpi size.
inline constexpr int kButtonStrips[] = {100, 130, 160, 165, 180, 190, 195};
inline constexpr int kMenuIcons[] = {500, 510, 520, 530, 540, 550, 560};
inline constexpr int kMenuRow = 600;
inline constexpr int kMenuMarker = 601;
inline constexpr int kTopBand = 602;
inline constexpr int kLogo = 603;
inline constexpr int kSplash = 604;
inline constexpr int kAnimation = 605;
inline constexpr int kCheckUnchecked = 610;
inline constexpr int kCheckChecked = 611;
inline constexpr int kCheckPartial = 612;
inline constexpr int kArrowCollapsed = 613;
inline constexpr int kArrowExpanded = 614;
inline constexpr int kCaution = 615;
// The image buttons of the program's own pages (four states side by side).
inline constexpr int kContinueButton = 150;  // the repair report's, posts 152
inline constexpr int kRepairButton = 620;
inline constexpr int kBackupButton = 621;
// The smaller buttons of the results page's detail band.
inline constexpr int kCopyDetailsButton = 622;
inline constexpr int kOpenFolderButton = 623;
// The repair report's emblem and its background.
inline constexpr int kReportEmblem = 95;
inline constexpr int kReportBackground = 295;

}  // namespace hvm::pictures
