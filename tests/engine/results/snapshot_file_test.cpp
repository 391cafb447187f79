#include "engine/results/snapshot_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "engine/core/scoped_handle.h"
#include "engine/results/text_file.h"
#include "support/recording_dialogs.h"
#include "support/snapshot_text.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

using namespace std::literals;
using test::TestFolderTest;

// The single-byte dialect of earlier versions' "Version 5.00" files.
const ExportDialect kWide{kHeaderWide, true, true};

const std::string kHebrew = "\xD7\xA7\xD7\x95\xD7\x91\xD7\xA5";
const std::string kEmoji = "\xF0\x9F\x93\x81";

// The bytes of a UTF-16 snapshot file holding `text`.
std::string Utf16Bytes(std::string_view text) {
  return std::string(kUtf16LeByteOrderMark) + Utf16LeFromUtf8(text);
}

TEST_F(TestFolderTest, NewSnapshotStartsWithTheHeaderOfItsDialect) {
  const std::string xp = folder_.File("UndoXp.reg");
  ASSERT_TRUE(AppendToSnapshot(xp, "\r\n[K]\r\n@=\"a\"", kWide));
  EXPECT_EQ("Windows Registry Editor Version 5.00\r\n\r\n[K]\r\n@=\"a\"\r\n", ReadTextFile(xp));
  const std::string w98 = folder_.File("Undo98.reg");
  ASSERT_TRUE(AppendToSnapshot(w98, "\r\n[K]", kRegedit4Dialect));
  EXPECT_EQ("REGEDIT4\r\n\r\n[K]\r\n", ReadTextFile(w98));
  const std::string now = folder_.File("Undo.reg");
  ASSERT_TRUE(AppendToSnapshot(now, "\r\n[K]", kSnapshotDialect));
  EXPECT_EQ(Utf16Bytes("Windows Registry Editor Version 5.00\r\n\r\n[K]\r\n"), ReadTextFile(now));
}

// Snapshots are written in the registry editor's own export form, and carry
// every character of every name through it.
TEST_F(TestFolderTest, SnapshotsAreTheRegistryEditorsUtf16FormAndCarryEveryName) {
  EXPECT_EQ(kHeaderWide, kSnapshotDialect.header);
  EXPECT_TRUE(kSnapshotDialect.wideText && kSnapshotDialect.dwordHex);
  EXPECT_EQ(&kProgramTextCodec, kSnapshotDialect.utf16);
  const std::string key = "HKEY_CURRENT_USER\\gone-" + kHebrew;
  const std::string block = KeyLine(key) + ValueLines(kSnapshotDialect, kEmoji, regtype::kString,
                                                      Utf16LeFromUtf8("caf\xC3\xA9") + "\0\0"s);
  const std::string path = folder_.File("Undo.reg");
  ASSERT_TRUE(AppendToSnapshot(path, block, kSnapshotDialect));
  const std::string bytes = ReadTextFile(path);
  EXPECT_EQ(Utf16Bytes("Windows Registry Editor Version 5.00\r\n\r\n[" + key + "]\r\n\"" + kEmoji +
                       "\"=\"caf\xC3\xA9\"\r\n"),
            bytes);
  EXPECT_TRUE(IsSnapshotText(bytes));
  EXPECT_EQ(std::vector<std::string>{key + "\\\\:\"" + kEmoji + "\""},
            ListSnapshotEntries(bytes, kProgramTextCodec));
}

TEST_F(TestFolderTest, SecondBlockIsAppendedWithoutAnotherHeader) {
  const std::string path = folder_.File("Undo.reg");
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[A]", kWide));
  // The header of the file stays, whatever the present single-byte dialect.
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[B]", kRegedit4Dialect));
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
  EXPECT_EQ(Utf16Bytes("Windows Registry Editor Version 5.00\r\n\r\n[New]\r\n"),
            ReadTextFile(empty));
  // An editor's byte-order mark leaves it a snapshot, for the readers too.
  const std::string marked =
      folder_.WriteFile("marked.reg", "\xEF\xBB\xBFREGEDIT4\r\n\r\n[Old]\r\n\"v\"=\"1\"\r\n");
  ASSERT_TRUE(AppendToSnapshot(marked, "\r\n[New]", kRegedit4Dialect));
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
    EXPECT_EQ("Windows Registry Editor Version 5.00\r\n\r\n[New]\r\n[Next]\r\n",
              test::SnapshotFileText(folder.File("Undo20261209-3.reg")));
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
  ASSERT_TRUE(AppendToSnapshot(path, "\r\n[B]", kRegedit4Dialect));
  EXPECT_EQ("REGEDIT4\r\n\r\n[A]\r\n\"v\"=hex:01,\r\n[B]\r\n", ReadTextFile(path));
  // In UTF-16 also a character cut in half is made whole first, so that the
  // next block starts on a character of its own.
  const std::string torn = Utf16Bytes(std::string(kHeaderWide) + "\r\n\r\n[A]\r\n\"v\"=hex:01,");
  for (const std::string& tail : {""s, "0"s}) {
    const std::string file = folder_.WriteFile("torn16.reg", torn + tail);
    ASSERT_TRUE(AppendToSnapshot(file, "\r\n[" + kHebrew + "]", kSnapshotDialect));
    EXPECT_EQ(torn + (tail.empty() ? "" : "0\0"s) + Utf16LeFromUtf8("\r\n[" + kHebrew + "]\r\n"),
              ReadTextFile(file));
    const std::vector<std::string> entries =
        ListSnapshotEntries(ReadTextFile(file), kProgramTextCodec);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(kHebrew, entries[1]);
  }
}

// A file is added to only in the encoding it began in. A single-byte
// snapshot an earlier version began that day (in the system's code page)
// stays byte for byte as it is, with no warning, since it is a snapshot: the
// blocks go to the next file of the day. And the other way round.
TEST_F(TestFolderTest, ASnapshotOfTheOtherEncodingIsNeverAddedTo) {
  const std::string old = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Caf\xE9]\r\n\"v\"=\"\xE9\"\r\n";
  const std::string day = folder_.WriteFile("Undo20261209.reg", old);
  test::RecordingDialogs dialogs;
  SnapshotWriter writer(day, kSnapshotDialect, &dialogs);
  ASSERT_TRUE(writer.Append("\r\n[" + kHebrew + "]") && writer.Flush());
  EXPECT_EQ(folder_.File("Undo20261209-2.reg"), writer.Path());
  EXPECT_EQ(old, ReadTextFile(day));
  EXPECT_EQ(Utf16Bytes(std::string(kHeaderWide) + "\r\n\r\n[" + kHebrew + "]\r\n"),
            ReadTextFile(writer.Path()));
  EXPECT_TRUE(dialogs.asked.empty());
  // The UTF-16 file of the day is added to in UTF-16; a single-byte writer passes it over.
  ASSERT_TRUE(AppendToSnapshot(writer.Path(), "\r\n[Two]", kSnapshotDialect));
  EXPECT_EQ(Utf16Bytes(std::string(kHeaderWide) + "\r\n\r\n[" + kHebrew + "]\r\n[Two]\r\n"),
            ReadTextFile(writer.Path()));
  const std::string utf16Day = folder_.WriteFile("Undo20261210.reg", Utf16Bytes("REGEDIT4\r\n"));
  SnapshotWriter narrow(utf16Day, kRegedit4Dialect, &dialogs);
  ASSERT_TRUE(narrow.Append("\r\n[Three]"));
  EXPECT_EQ(folder_.File("Undo20261210-2.reg"), narrow.Path());
  EXPECT_EQ(Utf16Bytes("REGEDIT4\r\n"), ReadTextFile(utf16Day));
}

// A file that can be written but not read (here: held by another program
// that shares it for writing only) may hold undo text in either encoding:
// it is left as it is, and the next file of the day is written.
TEST_F(TestFolderTest, AFileThatCannotBeReadIsNeverAddedTo) {
  const std::string day = folder_.WriteFile("Undo20261209.reg", "REGEDIT4\r\n\r\n[Old]\r\n");
  {
    const ScopedFile holder(CreateFileA(day.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    SnapshotWriter writer(day, kSnapshotDialect);
    ASSERT_TRUE(writer.Append("\r\n[New]") && writer.Flush());
    EXPECT_EQ(folder_.File("Undo20261209-2.reg"), writer.Path());
  }
  EXPECT_EQ("REGEDIT4\r\n\r\n[Old]\r\n", ReadTextFile(day));
}

TEST_F(TestFolderTest, UnwritableSnapshotReportsFailure) {
  EXPECT_FALSE(AppendToSnapshot(folder_.File("missing\\Undo.reg"), "\r\n[A]", kWide));
}

}  // namespace
}  // namespace hvm
