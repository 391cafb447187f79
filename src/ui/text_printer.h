// Printing lines of plain text on a printer the user picks in the system's
// print dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hvm::ui {

enum class PrintResult { kPrinted, kCancelled, kFailed };

// How many lines go on each page of `pageHeight` pixels with lines
// `lineHeight` high: one at least, so that a printer with a tiny page still
// makes progress.
int LinesPerPage(int pageHeight, int lineHeight);

// Shows the print dialog owned by `owner`; when the user confirms, prints
// `lines` as a document called `title`, one line of text each, page after page.
PrintResult PrintLines(HWND owner, const std::string& title, const std::vector<std::string>& lines);

}  // namespace hvm::ui
