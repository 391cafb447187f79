#include "engine/reports/repair_report.h"

namespace hvm {

int RepairProgressMath::Start(int count) {
  step_ = count > 0 ? kWhole / count : 0;
  accumulated_ = 0;
  return step_ / 10;
}

std::vector<std::pair<std::string, std::string>> RepairReportRows(const RepairReportFacts& f) {
  auto orDash = [](const std::string& date) { return date.empty() ? std::string("-") : date; };
  std::vector<std::pair<std::string, std::string>> rows = {
      {"Scan Date", f.lastScan.empty() ? "n/a" : f.lastScan},
      {"Total Problems Found", std::to_string(f.found)},
      {"Total Problems Repaired", std::to_string(f.repaired)},
      {"Total Problems Skipped", std::to_string(f.skipped)},
      {"Problems Permanently Ignored", std::to_string(f.ignored)},
      {"Total Problems Remaining", std::to_string(f.found - f.repaired)},
      {"Problems Found to Date ", std::to_string(f.foundToDate)},
      {"Problems Repaired to Date ", std::to_string(f.repairedToDate)},
      {"Date of Last Snapshot", orDash(f.lastBackup)},
      {"Registry Last Organized On", orDash(f.lastOrganize)},
      {"Registry Optimized", f.optimized ? "Yes" : "No"},
  };
  if (!f.restorePoint.empty()) rows.push_back({"Restore Point", f.restorePoint});
  return rows;
}

}  // namespace hvm
