#include "engine/results/snapshot_note.h"

#include <gtest/gtest.h>

#include "engine/results/export_text.h"
#include "engine/results/undo_restore.h"

namespace hvm {
namespace {

TEST(SnapshotNote, EveryNoteReadsBackAsWritten) {
  EXPECT_EQ("; Section 4, Deep Scan", SnapshotNoteLine({4, false}));
  EXPECT_EQ("; Section 15, Startup, removed by the scan", SnapshotNoteLine({15, true}));
  for (int section = 1; section <= 24; ++section)
    for (const bool byScan : {false, true}) {
      const SnapshotNote note{section, byScan};
      EXPECT_EQ(note, ParseSnapshotNote(SnapshotNoteLine(note))) << section;
    }
  EXPECT_EQ("", SnapshotNoteLine({0, false}));
  EXPECT_EQ("", SnapshotNoteLine({25, true}));
}

// Comments a person or another program wrote say nothing about a section.
TEST(SnapshotNote, OtherCommentsRecordNoSection) {
  for (const char* comment : {"", ";", "; hello", "; Section", "; Section ", "; Section 0, x",
                              "; Section 25, x", "; Section 4x, Deep Scan", "; Sectional 4",
                              "; section 4, Deep Scan", "; Section -4", "; Section 1234, x"})
    EXPECT_EQ(SnapshotNote{}, ParseSnapshotNote(comment)) << comment;
  EXPECT_EQ((SnapshotNote{7, false}), ParseSnapshotNote("Section 7"));
  EXPECT_EQ((SnapshotNote{7, false}), ParseSnapshotNote(";   Section 7, Code Pages"));
}

// Each entry carries the note before its block: a block of an earlier
// version has none, a whole key is noted with its own block even though it
// is listed only when the next block's key line comes, and the sub-keys of
// one exported tree share their block's note.
TEST(SnapshotNote, EachEntryCarriesTheNoteBeforeItsBlock) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Old]\r\n\"v\"=\"1\"\r\n"
      "; Section 9, Applications\r\n"
      "[HKEY_CLASSES_ROOT\\Applications\\gone.exe]\r\n"
      "; Section 4, Deep Scan\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{A}]\r\n@=\"x\"\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32]\r\n@=\"C:\\\\gone.dll\"\r\n"
      "; Section 15, Startup, removed by the scan\r\n"
      "[HKEY_CURRENT_USER\\Run]\r\n\"t\"=\"tray.exe\"\r\n";
  const std::vector<SnapshotItem> items = ReadSnapshotItems(text);
  ASSERT_EQ(5u, items.size());
  EXPECT_EQ("", items[0].note);
  EXPECT_EQ("HKEY_CLASSES_ROOT\\Applications\\gone.exe", ListedEntryOf(items[1]));
  EXPECT_EQ((SnapshotNote{9, false}), ParseSnapshotNote(items[1].note));
  EXPECT_EQ((SnapshotNote{4, false}), ParseSnapshotNote(items[2].note));
  EXPECT_EQ((SnapshotNote{4, false}), ParseSnapshotNote(items[3].note));
  EXPECT_EQ("HKEY_CURRENT_USER\\Run\\\\:\"t\"", ListedEntryOf(items[4]));
  EXPECT_EQ((SnapshotNote{15, true}), ParseSnapshotNote(items[4].note));
  // The notes change nothing of what is listed.
  EXPECT_EQ(5u, ListSnapshotEntries(text).size());
  EXPECT_EQ("HKEY_CURRENT_USER\\Old\\\\:\"v\"", ListSnapshotEntries(text)[0]);
}

TEST(SnapshotDate, TheDayComesFromTheFilesName) {
  EXPECT_EQ((CivilDate{2026, 12, 9}), SnapshotDateOf("Undo20261209.reg"));
  EXPECT_EQ((CivilDate{2026, 12, 9}), SnapshotDateOf("undo20261209-2.REG"));
  EXPECT_EQ(std::nullopt, SnapshotDateOf("Undo2026129.reg"));
  EXPECT_EQ(std::nullopt, SnapshotDateOf("Undo20261309.reg"));
  EXPECT_EQ(std::nullopt, SnapshotDateOf("Redo20261209.reg"));
  EXPECT_EQ(std::nullopt, SnapshotDateOf("Undo.reg"));
  EXPECT_EQ(std::nullopt, SnapshotDateOf(""));
}

}  // namespace
}  // namespace hvm
