#include "engine/update/zip_archive.h"

#include <gtest/gtest.h>

#include "zip_builder.h"

namespace hvm {
namespace {

using test::MakeZip;
using test::TestEntry;

TEST(ZipArchive, EntriesComeBackInflatedInOrder) {
  const std::string program(100000, 'P');
  const auto entries =
      ReadZipArchive(MakeZip({{"hvmend.exe", program}, {"hvmend.chm", "help"}, {"empty.txt", ""}}));
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ("hvmend.exe", entries[0].name);
  EXPECT_EQ(program, entries[0].data);
  EXPECT_EQ("help", entries[1].data);
  EXPECT_EQ("", entries[2].data);
  EXPECT_TRUE(LooksLikeZip(MakeZip({{"a", "b"}})));
  EXPECT_FALSE(LooksLikeZip("MZ\x90\x00"));
  EXPECT_FALSE(LooksLikeZip("PK"));
}

TEST(ZipArchive, NamesThatLeaveTheFolderRefuseTheWholeArchive) {
  for (const std::string name : {"..\\..\\Windows\\x.exe",
                                 "../x.exe",
                                 "\\x.exe",
                                 "/x.exe",
                                 "C:\\x.exe",
                                 "C:x.exe",
                                 "sub\\x.exe",
                                 "sub/x.exe",
                                 "..",
                                 ".",
                                 "x.exe:stream",
                                 "con",
                                 "NUL.txt",
                                 "com1",
                                 "lpt9.dll",
                                 "x.exe.",
                                 "x.exe ",
                                 "",
                                 "a\tb",
                                 "a?b",
                                 "a*b",
                                 "a|b",
                                 "a\"b",
                                 "<a>"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(ReadZipArchive(MakeZip({{"hvmend.exe", "good"}, {name, "bad"}})), ZipError);
  }
}

TEST(ZipArchive, PlainFileNames) {
  EXPECT_TRUE(IsPlainFileName("hvmend.exe"));
  EXPECT_TRUE(IsPlainFileName("read me.txt"));
  EXPECT_TRUE(IsPlainFileName("..a"));  // no folder part, only dots in a name
  EXPECT_TRUE(IsPlainFileName("console.txt"));
  EXPECT_TRUE(IsPlainFileName("com10.txt"));
  EXPECT_FALSE(IsPlainFileName(std::string(201, 'a')));
}

TEST(ZipArchive, TheSameNameTwiceIsRefused) {
  EXPECT_THROW(ReadZipArchive(MakeZip({{"hvmend.exe", "a"}, {"HVMEND.EXE", "b"}})), ZipError);
}

TEST(ZipArchive, AnEntryBeyondTheCeilingIsRefused) {
  ZipLimits limits;
  limits.entry = 1000;
  EXPECT_NO_THROW(ReadZipArchive(MakeZip({{"a", std::string(1000, 'x')}}), limits));
  EXPECT_THROW(ReadZipArchive(MakeZip({{"a", std::string(1001, 'x')}}), limits), ZipError);
  limits.entry = 5000;
  limits.total = 1500;
  EXPECT_THROW(ReadZipArchive(
                   MakeZip({{"a", std::string(1000, 'x')}, {"b", std::string(600, 'y')}}), limits),
               ZipError);
  limits.entries = 1;
  EXPECT_THROW(ReadZipArchive(MakeZip({{"a", "1"}, {"b", "2"}}), limits), ZipError);
}

TEST(ZipArchive, AnEntryThatInflatesBeyondItsClaimedSizeIsRefused) {
  TestEntry bomb{"a", std::string(1 << 20, '\0')};
  bomb.claimedSize = 100;
  EXPECT_THROW(ReadZipArchive(MakeZip({bomb})), ZipError);
  TestEntry shorter{"a", "short"};
  shorter.claimedSize = 6;
  EXPECT_THROW(ReadZipArchive(MakeZip({shorter})), ZipError);
}

TEST(ZipArchive, ACorruptChecksumIsRefused) {
  TestEntry entry{"a", "data"};
  entry.claimedCrc = 12345;
  EXPECT_THROW(ReadZipArchive(MakeZip({entry})), ZipError);
}

TEST(ZipArchive, OnlyPlainDeflateIsRead) {
  TestEntry stored{"a", "data"};
  stored.method = 0;
  EXPECT_THROW(ReadZipArchive(MakeZip({stored})), ZipError);
  TestEntry encrypted{"a", "data"};
  encrypted.flags = 1;
  EXPECT_THROW(ReadZipArchive(MakeZip({encrypted})), ZipError);
}

TEST(ZipArchive, EveryTruncationIsRefusedNeverRead) {
  const std::string archive =
      MakeZip({{"hvmend.exe", std::string(3000, 'e') + "tail"}, {"b.txt", "bee"}});
  // Cut at every length: each is refused as an error, none crashes or
  // yields entries.
  for (size_t length = 0; length < archive.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_THROW(ReadZipArchive(std::string_view(archive).substr(0, length)), ZipError);
  }
}

TEST(ZipArchive, DirectoryOutsideTheArchiveIsRefused) {
  std::string archive = MakeZip({{"a", "data"}});
  // The end record's directory offset, far beyond the file.
  const size_t end = archive.size() - 22;
  archive[end + 16] = '\x7F';
  archive[end + 19] = '\x7F';
  EXPECT_THROW(ReadZipArchive(archive), ZipError);
}

TEST(ZipArchive, CorruptDeflateDataIsRefused) {
  std::string archive = MakeZip({{"a", std::string(5000, 'z') + "end"}});
  // The compressed bytes begin after the 30-byte local header and the name.
  for (size_t at = 31; at < 40; ++at) archive[at] = '\xFF';
  EXPECT_THROW(ReadZipArchive(archive), ZipError);
}

}  // namespace
}  // namespace hvm
