#include "engine/results/snapshot_file.h"

#include <gtest/gtest.h>

#include "engine/results/text_file.h"
#include "support/recording_dialogs.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using test::TestFolderTest;

const ExportDialect kWide{kHeaderWide, true, true};

TEST_F(TestFolderTest, NewSnapshotStartsWithTheHeaderOfItsDialect) {
  const std::string xp = folder_.File("UndoXp.reg");
  ASSERT_TRUE(AppendToSnapshot(xp, "\r\n[K]\r\n@=\"a\"", kWide));
  EXPECT_EQ("Windows Registry Editor Version 5.00\r\n\r\n[K]\r\n@=\"a\"\r\n", ReadTextFile(xp));
  const std::string w98 = folder_.File("Undo98.reg");
  ASSERT_TRUE(AppendToSnapshot(w98, "\r\n[K]", kSnapshotDialect));
  EXPECT_EQ("REGEDIT4\r\n\r\n[K]\r\n", ReadTextFile(w98));
}

TEST_F(TestFolderTest, SecondBlockIsAppendedWithoutAnotherHeader) {
  const std::string path = folder_.File("Undo.reg");
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[A]", kWide));
  // The header of the file stays, whatever the present dialect.
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[B]", kSnapshotDialect));
  EXPECT_EQ("Windows Registry Editor Version 5.00\r\n\r\n[A]\r\n[B]\r\n", ReadTextFile(path));
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n\r\n", kWide));
  EXPECT_EQ("Windows Registry Editor Version 5.00\r\n\r\n[A]\r\n[B]\r\n", ReadTextFile(path));
}

TEST_F(TestFolderTest, EmptyFileIsStartedAndAnyHeaderInAnyCaseIsAddedTo) {
  const std::string lower = folder_.WriteFile("lower.reg", "regedit4\r\n\r\n[Old]\r\n");
  ASSERT_TRUE(AppendToSnapshot(lower, "\r\n[New]", kWide));
  EXPECT_EQ("regedit4\r\n\r\n[Old]\r\n[New]\r\n", ReadTextFile(lower));
  const std::string empty = folder_.WriteFile("empty.reg", "");
  ASSERT_TRUE(AppendToSnapshot(empty, "\r\n[New]", kSnapshotDialect));
  EXPECT_EQ("REGEDIT4\r\n\r\n[New]\r\n", ReadTextFile(empty));
  // An editor's byte-order mark leaves it a snapshot, for the readers too.
  const std::string marked =
      folder_.WriteFile("marked.reg", "\xEF\xBB\xBFREGEDIT4\r\n\r\n[Old]\r\n\"v\"=\"1\"\r\n");
  ASSERT_TRUE(AppendToSnapshot(marked, "\r\n[New]", kSnapshotDialect));
  EXPECT_EQ("\xEF\xBB\xBFREGEDIT4\r\n\r\n[Old]\r\n\"v\"=\"1\"\r\n[New]\r\n", ReadTextFile(marked));
  EXPECT_EQ((std::vector<std::string>{"Old\\\\:\"v\"", "New"}),
            ListSnapshotEntries(ReadTextFile(marked)));
}

// A file that holds anything but a snapshot is someone's: it is never cut or
// rewritten, and the blocks go to the next free file of the day instead.
TEST_F(TestFolderTest, FileThatIsNoSnapshotIsLeftAndTheNextFileOfTheDayWritten) {
  for (const char* content : {"garbage\r\n[Old]\r\n", "\r\nREGEDIT4\r\n", "REGEDIT4",
                              "REGEDIT5\r\n[Old]\r\n", "\xEF\xBB\xBF\xEF\xBB\xBFREGEDIT4\r\n"}) {
    test::TestFolder folder;
    const std::string day = folder.WriteFile("Undo20261209.reg", content);
    folder.WriteFile("Undo20261209-2.reg", std::string("not a snapshot either\r\n"));
    test::RecordingDialogs dialogs;
    SnapshotWriter writer(day, kSnapshotDialect, &dialogs);
    ASSERT_TRUE(writer.Append("\r\n[New]") && writer.Flush()) << content;
    ASSERT_TRUE(writer.Append("\r\n[Next]")) << content;
    EXPECT_EQ(folder.File("Undo20261209-3.reg"), writer.Path());
    EXPECT_EQ(content, ReadTextFile(day));
    EXPECT_EQ("not a snapshot either\r\n", ReadTextFile(folder.File("Undo20261209-2.reg")));
    EXPECT_EQ("REGEDIT4\r\n\r\n[New]\r\n[Next]\r\n",
              ReadTextFile(folder.File("Undo20261209-3.reg")));
    // Told once, naming both files.
    ASSERT_EQ(1u, dialogs.asked.size()) << content;
    EXPECT_NE(std::string::npos, dialogs.asked[0].text.find("Undo20261209.reg"));
    EXPECT_NE(std::string::npos, dialogs.asked[0].text.find("Undo20261209-3.reg"));
  }
}

TEST(NumberedSnapshotPath, GoesBeforeTheExtension) {
  EXPECT_EQ("C:\\d\\Undo20261209-2.reg", NumberedSnapshotPath("C:\\d\\Undo20261209.reg", 2));
  EXPECT_EQ("C:\\d.x\\Undo-12", NumberedSnapshotPath("C:\\d.x\\Undo", 12));
}

TEST_F(TestFolderTest, BlockAfterATornTailStartsOnItsOwnLine) {
  const std::string path = folder_.WriteFile("torn.reg", "REGEDIT4\r\n\r\n[A]\r\n\"v\"=hex:01,");
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[B]", kSnapshotDialect));
  EXPECT_EQ("REGEDIT4\r\n\r\n[A]\r\n\"v\"=hex:01,\r\n[B]\r\n", ReadTextFile(path));
}

TEST_F(TestFolderTest, UnwritableSnapshotReportsFailure) {
  EXPECT_FALSE(AppendToSnapshot(folder_.File("missing\\Undo.reg"), "\r\n[A]", kWide));
}

}  // namespace
}  // namespace hvm
