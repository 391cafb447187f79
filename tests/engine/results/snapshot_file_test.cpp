#include "engine/results/snapshot_file.h"

#include <gtest/gtest.h>

#include "engine/results/text_file.h"
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

TEST_F(TestFolderTest, FileWithoutHeaderIsReplaced) {
  const std::string lower = folder_.WriteFile("lower.reg", "regedit4\r\n\r\n[Old]\r\n");
  ASSERT_TRUE(AppendToSnapshot(lower, "\r\n[New]", kWide));
  EXPECT_EQ("regedit4\r\n\r\n[Old]\r\n[New]\r\n", ReadTextFile(lower));
  for (const char* content : {"", "garbage\r\n[Old]\r\n", "\r\nREGEDIT4\r\n"}) {
    const std::string path = folder_.WriteFile("other.reg", content);
    ASSERT_TRUE(AppendToSnapshot(path, "\r\n[New]", kSnapshotDialect));
    EXPECT_EQ("REGEDIT4\r\n\r\n[New]\r\n", ReadTextFile(path)) << content;
  }
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
