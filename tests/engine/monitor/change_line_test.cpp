#include "engine/monitor/change_line.h"

#include <gtest/gtest.h>

#include "engine/monitor/change_csv.h"

namespace hvm {
namespace {

TEST(ChangeLine, EachActionHasItsFormat) {
  const std::string location = "HKEY_CURRENT_USER\\Software\\Run";
  EXPECT_EQ("T;;Key Added To;;;\"K\";;;;" + location,
            MakeChangeLine("T", ChangeAction::kKeyAdded, "K", location));
  EXPECT_EQ("T;;Value Added To;;;\"V\";;;;" + location,
            MakeChangeLine("T", ChangeAction::kValueAdded, "V", location));
  EXPECT_EQ("T;;Key Removed From;;;\"K\";;;;" + location,
            MakeChangeLine("T", ChangeAction::kKeyRemoved, "K", location));
  EXPECT_EQ("T;;Value Removed From;;;\"V\";;;;" + location,
            MakeChangeLine("T", ChangeAction::kValueRemoved, "V", location));
}

TEST(ChangeLine, ReadsBackEveryField) {
  const ChangeLineFields fields = ReadChangeLine(
      MakeChangeLine("09/12/2026 16:40:03", ChangeAction::kValueRemoved, "Updater", "HKLM\\X"));
  EXPECT_EQ("09/12/2026 16:40:03", fields.time);
  EXPECT_EQ("Value Removed From", fields.action);
  EXPECT_EQ("Updater", fields.name);
  EXPECT_EQ("HKLM\\X", fields.location);
}

TEST(ChangeLine, DefaultValueHasTwoQuotesWithNothingBetween) {
  const std::string line = MakeChangeLine("T", ChangeAction::kValueAdded, "", "L");
  EXPECT_NE(std::string::npos, line.find(";;;\"\";;;;"));
  EXPECT_EQ("", ReadChangeLine(line).name);
  EXPECT_EQ("L", ReadChangeLine(line).location);
}

TEST(ChangeLine, NamesWithSeparatorsReadBackWhole) {
  for (const std::string name : {"a;;b", "a;;;b", "a;;;;b", ";;;;", "x\";;;;", "\"", ";"}) {
    const ChangeLineFields fields =
        ReadChangeLine(MakeChangeLine("T", ChangeAction::kKeyAdded, name, "HKEY_USERS\\S"));
    EXPECT_EQ(name, fields.name) << name;
    EXPECT_EQ("Key Added To", fields.action) << name;
    EXPECT_EQ("HKEY_USERS\\S", fields.location) << name;
  }
}

TEST(ChangeLine, SemicolonsOfTheTimeCannotMoveTheFields) {
  const std::string line = MakeChangeLine("12;30;;x;", ChangeAction::kKeyAdded, "K", "L");
  const ChangeLineFields fields = ReadChangeLine(line);
  EXPECT_EQ("12,30,,x,", fields.time);
  EXPECT_EQ("Key Added To", fields.action);
  EXPECT_EQ("K", fields.name);
}

TEST(ChangeLine, MissingSeparatorsLeaveTheLaterFieldsEmpty) {
  const ChangeLineFields noName = ReadChangeLine("T;;Key Added To;;;\"K\"");
  EXPECT_EQ("T", noName.time);
  EXPECT_EQ("Key Added To", noName.action);
  EXPECT_EQ("", noName.name);
  EXPECT_EQ("", noName.location);

  const ChangeLineFields noAction = ReadChangeLine("T;;Key Added To");
  EXPECT_EQ("T", noAction.time);
  EXPECT_EQ("", noAction.action);

  const ChangeLineFields plain = ReadChangeLine("just text");
  EXPECT_EQ("just text", plain.time);
  EXPECT_EQ("", plain.action);

  const ChangeLineFields empty = ReadChangeLine("");
  EXPECT_EQ("", empty.time);
  EXPECT_EQ("", empty.location);
}

TEST(ChangeLine, ANameSeparatorBeforeTheActionEndIsNotTaken) {
  // The only ";;;;" overlaps the action's separator: no name, no location.
  const ChangeLineFields fields = ReadChangeLine("T;;A;;;;rest");
  EXPECT_EQ("A", fields.action);
  EXPECT_EQ("", fields.name);
  EXPECT_EQ("", fields.location);
}

TEST(ChangeCsv, FieldsAreQuotedOnlyWhereCsvNeedsIt) {
  EXPECT_EQ("plain text", CsvField("plain text"));
  EXPECT_EQ("", CsvField(""));
  EXPECT_EQ("\"a,b\"", CsvField("a,b"));
  EXPECT_EQ("\"say \"\"hi\"\"\"", CsvField("say \"hi\""));
  EXPECT_EQ("\"two\r\nlines\"", CsvField("two\r\nlines"));
  EXPECT_EQ("\"line\nfeed\"", CsvField("line\nfeed"));
}

// A value named like a formula reaches the spreadsheet as text, still quoted
// where CSV needs it; the same characters later in a field change nothing.
TEST(ChangeCsv, FieldsAFormulaWouldStartWithAreMadeText) {
  EXPECT_EQ("'=1+2", CsvField("=1+2"));
  EXPECT_EQ("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"",
            CsvField("=HYPERLINK(\"http://x\",\"y\")"));
  EXPECT_EQ("'+1", CsvField("+1"));
  EXPECT_EQ("'-1", CsvField("-1"));
  EXPECT_EQ("'@SUM(A1)", CsvField("@SUM(A1)"));
  EXPECT_EQ("'\tx", CsvField("\tx"));
  EXPECT_EQ("\"'\rx\"", CsvField("\rx"));
  EXPECT_EQ("a=b-c", CsvField("a=b-c"));
  EXPECT_EQ("'", CsvField("'"));
  const std::vector<ChangeLineFields> rows = {{"t", "Value Added To", "=cmd", "HKCU\\Run"}};
  EXPECT_EQ("Time,Key,Action,Registry Location\r\nt,'=cmd,Value Added To,HKCU\\Run\r\n",
            ChangeRowsCsv(rows));
}

TEST(ChangeCsv, FileHasAHeaderAndOneLinePerRowInColumnOrder) {
  const std::vector<ChangeLineFields> rows = {
      {"09/12/2026 16:40:03", "Value Added To", "Up,dater", "HKEY_CURRENT_USER\\Run"},
      {"09/12/2026 16:40:04", "Key Removed From", "", "HKEY_LOCAL_MACHINE\\Fonts"},
  };
  EXPECT_EQ(
      "Time,Key,Action,Registry Location\r\n"
      "09/12/2026 16:40:03,\"Up,dater\",Value Added To,HKEY_CURRENT_USER\\Run\r\n"
      "09/12/2026 16:40:04,,Key Removed From,HKEY_LOCAL_MACHINE\\Fonts\r\n",
      ChangeRowsCsv(rows));
  EXPECT_EQ("Time,Key,Action,Registry Location\r\n", ChangeRowsCsv({}));
}

}  // namespace
}  // namespace hvm
