// The figures around a repair, without a window: the progress arithmetic of
// the progress window and the rows of the repair report page.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hvm {

// Keeps the bar's end near its maximum of 1000 whatever the count: each item
// adds 40000 div count, and the bar shows maximum * accumulated div 40000.
class RepairProgressMath {
 public:
  static constexpr int kMaximum = 1000;
  static constexpr int kWhole = 40000;

  // Starts for `count` items; returns the pause per item in milliseconds.
  int Start(int count);
  void Advance() { accumulated_ += step_; }
  int Position() const {
    return static_cast<int>(static_cast<long long>(kMaximum) * accumulated_ / kWhole);
  }
  int Step() const { return step_; }

 private:
  int step_ = 0;
  int accumulated_ = 0;
};

struct RepairReportFacts {
  int found = 0;
  int repaired = 0;
  int skipped = 0;
  int ignored = 0;
  bool optimized = false;
  int foundToDate = 0;
  int repairedToDate = 0;
  std::string lastScan;  // short dates, or empty when never
  std::string lastBackup;
  std::string lastOrganize;
  std::string restorePoint;  // "made", "not made (...)", or empty when none was asked for
};

// The report's rows, caption and value, top to bottom; a "Restore Point" row
// follows when one was asked for, so that a silent failure is seen.
std::vector<std::pair<std::string, std::string>> RepairReportRows(const RepairReportFacts& facts);

}  // namespace hvm
