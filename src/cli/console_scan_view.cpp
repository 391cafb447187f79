#include "cli/console_scan_view.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "cli/console_output.h"
#include "engine/core/text_encoding.h"
#include "engine/scan/scan_driver.h"
#include "engine/scan/sections.h"

namespace hvm {
namespace {

// Set by the console's control handler, which runs on a thread of its own;
// the scan thread takes it up at its next poll, as it would a Stop click.
std::atomic<bool> g_stopRequested{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  ConsoleScanView::RequestStop();
  return TRUE;
}

}  // namespace

ConsoleScanView::ConsoleScanView(FILE* out, Clock& clock, Style style)
    : out_(out), clock_(clock), style_(style) {}

ConsoleScanView::Style ConsoleScanView::StyleForStandardError() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) ? Style::RedrawnLine
                                                               : Style::LinePerSection;
}

void ConsoleScanView::CatchInterrupts() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void ConsoleScanView::RequestStop() {
  g_stopRequested = true;
}

void ConsoleScanView::SetSectionCount(int section, int count) {
  if (section == section_) sectionCount_ = count;
  Tick();
}

void ConsoleScanView::SetSectionRunning(int section, bool running) {
  if (running) {
    section_ = section;
    sectionCount_ = 0;
    if (out_ && style_ == Style::LinePerSection) {
      PrintTo(out_, "%d. %s...\n", section, std::string(Section(section).label).c_str());
      std::fflush(out_);
    }
  }
  Tick();
}

void ConsoleScanView::SetProgress(int position, int maximum) {
  position_ = position;
  maximum_ = maximum;
  Tick();
}

void ConsoleScanView::PumpMessages() {
  if (g_stopRequested.exchange(false) && driver_) driver_->ScanComplete(ScanEnd::StopButton);
  Tick();
}

void ConsoleScanView::Tick() {
  if (!driver_) return;
  const uint64_t now = clock_.NowMs();
  if (refreshedOnce_ && now - lastRefresh_ < kRefreshMs) return;
  refreshedOnce_ = true;
  lastRefresh_ = now;
  driver_->OnStatusTick();
}

void ConsoleScanView::SetStatusText(const std::string& text) {
  if (!out_ || section_ == 0 || style_ != Style::RedrawnLine) return;
  std::string line;
  if (maximum_ > 0) {
    const int percent = int(std::min<long long>(100, 100LL * position_ / maximum_));
    line = "[" +
           std::string(percent < 10    ? "  "
                       : percent < 100 ? " "
                                       : "") +
           std::to_string(percent) + "%] ";
  }
  line += std::string(Section(section_).label) + " (" + std::to_string(sectionCount_) + ")";
  if (!text.empty()) line += ": " + text;
  // Cut and filled by characters, not bytes: a name in another script takes
  // two or three bytes a character.
  if (TextUnits(line) > kLineWidth) line = TextStart(line, kLineWidth - 3) + "...";
  line.append(kLineWidth - std::min<size_t>(kLineWidth, TextUnits(line)), ' ');
  PrintTo(out_, "\r%s", line.c_str());
  std::fflush(out_);
  lineOpen_ = true;
}

void ConsoleScanView::EndLine() {
  if (!out_ || !lineOpen_) return;
  PrintTo(out_, "\r%s\r", std::string(kLineWidth, ' ').c_str());
  std::fflush(out_);
  lineOpen_ = false;
}

}  // namespace hvm
