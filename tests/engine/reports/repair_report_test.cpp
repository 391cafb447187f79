#include "engine/reports/repair_report.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

std::string ValueOf(const std::vector<std::pair<std::string, std::string>>& rows,
                    const std::string& caption) {
  for (const auto& [c, v] : rows)
    if (c == caption) return v;
  return "<none>";
}

TEST(RepairProgress, StepKeepsTheEndNearTheMaximum) {
  RepairProgressMath math;
  EXPECT_EQ(1333, math.Start(3));
  EXPECT_EQ(13333, math.Step());
  math.Advance();
  EXPECT_EQ(333, math.Position());
  math.Advance();
  EXPECT_EQ(666, math.Position());
  math.Advance();
  EXPECT_EQ(999, math.Position());
  // One item: the bar jumps to the end and the pause is four seconds.
  EXPECT_EQ(4000, math.Start(1));
  EXPECT_EQ(0, math.Position());
  math.Advance();
  EXPECT_EQ(1000, math.Position());
  // More than 40000 items: no step, no pause.
  EXPECT_EQ(0, math.Start(40001));
  math.Advance();
  EXPECT_EQ(0, math.Position());
  EXPECT_EQ(0, math.Start(0));
}

TEST(RepairReport, RowsShowThisRepairAndTheTotals) {
  RepairReportFacts facts;
  facts.found = 20;
  facts.repaired = 12;
  facts.skipped = 3;
  facts.ignored = 5;
  facts.foundToDate = 140;
  facts.repairedToDate = 90;
  facts.lastScan = "12/9/2026";
  const auto rows = RepairReportRows(facts);
  ASSERT_EQ(11u, rows.size());
  EXPECT_EQ("20", ValueOf(rows, "Total Problems Found"));
  EXPECT_EQ("12", ValueOf(rows, "Total Problems Repaired"));
  EXPECT_EQ("3", ValueOf(rows, "Total Problems Skipped"));
  EXPECT_EQ("5", ValueOf(rows, "Problems Permanently Ignored"));
  EXPECT_EQ("8", ValueOf(rows, "Total Problems Remaining"));
  EXPECT_EQ("140", ValueOf(rows, "Problems Found to Date "));
  EXPECT_EQ("12/9/2026", ValueOf(rows, "Scan Date"));
  EXPECT_EQ("No", ValueOf(rows, "Registry Optimized"));
}

TEST(RepairReport, MissingDatesReadAsPlaceholders) {
  const auto rows = RepairReportRows({});
  EXPECT_EQ("n/a", ValueOf(rows, "Scan Date"));
  EXPECT_EQ("-", ValueOf(rows, "Date of Last Snapshot"));
  EXPECT_EQ("-", ValueOf(rows, "Registry Last Organized On"));
}

}  // namespace
}  // namespace hvm
