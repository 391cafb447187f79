#include "engine/results/finding_details.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/results/results_tree.h"
#include "support/test_drives.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

ProblemEntry Entry(const std::string& line, ProblemReason reason) {
  ProblemEntry entry;
  entry.line = line;
  entry.reason = std::move(reason);
  return entry;
}

TEST(FolderOfFile, OnlyAFileOnADriveHasAFolderToOpen) {
  EXPECT_EQ("C:\\A\\B", FolderOfFile("C:\\A\\B\\viewer.dll"));
  EXPECT_EQ("C:\\", FolderOfFile("C:\\viewer.dll"));
  EXPECT_EQ("", FolderOfFile("viewer.dll"));
  EXPECT_EQ("", FolderOfFile("\\\\server\\share\\viewer.dll"));
  EXPECT_EQ("", FolderOfFile("C:\\A\\"));
  EXPECT_EQ("", FolderOfFile("C:\\"));
  EXPECT_EQ("", FolderOfFile("C:viewer.dll"));
  EXPECT_EQ("", FolderOfFile("%SystemRoot%\\viewer.dll"));
  EXPECT_EQ("", FolderOfFile(""));
}

class FindingDetailsTest : public test::TestFolderTest {};

// The band of a missing file: the rule in words, the path tested, the text
// Copy Details takes, and the folder to open while it exists.
TEST_F(FindingDetailsTest, AFileFindingOffersItsFolderWhileTheFolderExists) {
  const std::string file = folder_.File("Gone\\viewer.dll");
  const ProblemEntry entry = Entry("HKCR\\CLSID\\{A}\\InprocServer32", {"file missing", file});
  FindingDetails details = DetailsOfProblem(entry);
  EXPECT_EQ("The file this entry names does not exist", details.heading);
  EXPECT_EQ("File tested: " + file, details.detail);
  EXPECT_EQ("The file this entry names does not exist\r\nFile tested: " + file, details.Text());
  EXPECT_EQ(
      "HKCR\\CLSID\\{A}\\InprocServer32\r\nThe file this entry names does not exist\r\n"
      "File tested: " +
          file,
      details.copyText);
  EXPECT_EQ("", details.folderToOpen) << "the folder Gone does not exist";
  folder_.WriteFile("Gone\\other.txt", "x");
  details = DetailsOfProblem(entry);
  EXPECT_EQ(folder_.File("Gone"), details.folderToOpen);
  // A file on the root of a drive: the root.
  EXPECT_EQ("C:\\",
            DetailsOfProblem(Entry("HKLM\\x", {"file missing", "C:\\gone.dll"})).folderToOpen);
}

// Only a file's folder is offered, and never one on a drive that may have no
// medium in it.
TEST_F(FindingDetailsTest, NoFolderForOtherTargetsOrDrivesThatMayWait) {
  const std::string folder = folder_.Path();
  EXPECT_EQ("",
            DetailsOfProblem(Entry("HKCR\\X", {"folder missing", folder + "\\x"})).folderToOpen);
  EXPECT_EQ("", DetailsOfProblem(Entry("HKCR\\X", {"empty key", folder})).folderToOpen);
  EXPECT_EQ("", DetailsOfProblem(Entry("HKCR\\X", {"file missing", "gone.dll"})).folderToOpen);
  // The roots of these drives exist; their type alone keeps them out.
  for (const char drive : {test::kCdromDrive, test::kRemovableDrive}) {
    const std::string root = std::string(1, drive) + ":\\";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(root.c_str())) << root;
    EXPECT_EQ("",
              DetailsOfProblem(Entry("HKCR\\X", {"file missing", root + "gone.dll"})).folderToOpen)
        << root;
  }
  const std::string network = std::string(1, test::kNetworkDrive) + ":\\";
  EXPECT_EQ(
      network,
      DetailsOfProblem(Entry("HKCR\\X", {"file missing", network + "gone.dll"})).folderToOpen);
}

TEST(FindingDetails, AClassFindingNamesTheClassAndOffersNoFolder) {
  const FindingDetails details = DetailsOfProblem(Entry(
      "HKCR\\Interface\\{I}\\ProxyStubClsid32", {"class not registered", "HKCR\\CLSID\\{C}"}));
  EXPECT_EQ("No class is registered under this identifier", details.heading);
  EXPECT_EQ("Class tested: HKCR\\CLSID\\{C}", details.detail);
  EXPECT_EQ("", details.folderToOpen);
  EXPECT_EQ("HKCR\\Interface\\{I}\\ProxyStubClsid32\r\n" + details.Text(), details.copyText);
}

TEST(FindingDetails, AProblemWithoutAReasonStillCopiesItsLine) {
  const FindingDetails details = DetailsOfProblem(Entry("HKCU\\Listed\\By\\Hand", {}));
  EXPECT_EQ("The scan recorded no reason for this problem", details.heading);
  EXPECT_EQ("", details.detail);
  EXPECT_EQ("The scan recorded no reason for this problem", details.Text());
  EXPECT_EQ("HKCU\\Listed\\By\\Hand\r\nThe scan recorded no reason for this problem",
            details.copyText);
}

TEST(FindingDetails, SectionsAndNothingOfferNoCommand) {
  const FindingDetails section = DetailsOfSection(4);
  EXPECT_EQ("Deep Scan", section.heading);
  EXPECT_EQ(0u, section.detail.find("Looks for: Class registrations"));
  EXPECT_EQ("", section.copyText);
  EXPECT_EQ("", section.folderToOpen);
  EXPECT_EQ(DetailsOfNothing(), DetailsOfSection(0));
  EXPECT_EQ(DetailsOfNothing(), DetailsOfSection(25));
  EXPECT_EQ("", DetailsOfNothing().copyText);
  EXPECT_FALSE(DetailsOfNothing().heading.empty());
}

TEST(FindingDetails, TheTreeTellsTheDetailsOfEachKindOfRow) {
  ResultsStore results;
  results.AddProblem(19, "HKCU\\FileExts\\.x", {"empty key", "HKCU\\FileExts\\.x"});
  ResultsTree tree(results);
  EXPECT_EQ("File Extensions", tree.DetailsOfRow(19, -1).heading);
  EXPECT_EQ("This key holds nothing that is used", tree.DetailsOfRow(19, 0).heading);
  EXPECT_EQ("Key tested: HKCU\\FileExts\\.x", tree.DetailsOfRow(19, 0).detail);
  // A row whose entry is gone (the store was emptied since) tells nothing.
  EXPECT_EQ(DetailsOfNothing(), tree.DetailsOfRow(19, 1));
  EXPECT_EQ(DetailsOfNothing(), tree.DetailsOfRow(0, 0));
}

TEST(FindingDetails, ARemovalTellsItsRepairAndWhereRecordedItsSection) {
  const FindingDetails repaired = DetailsOfRemoval("09/12/2026", {4, false}, false);
  EXPECT_EQ("Removed by the repair of 09/12/2026", repaired.heading);
  EXPECT_EQ("Section: Deep Scan", repaired.detail);
  EXPECT_EQ("Removed at once by the scan of 09/12/2026",
            DetailsOfRemoval("09/12/2026", {15, true}, false).heading);
  EXPECT_EQ("Section: Startup", DetailsOfRemoval("09/12/2026", {15, true}, false).detail);
  EXPECT_EQ("Created by the repair of 09/12/2026",
            DetailsOfRemoval("09/12/2026", {1, false}, true).heading);
  EXPECT_EQ("This snapshot does not record the section",
            DetailsOfRemoval("Undo.reg", {}, false).detail);
}

}  // namespace
}  // namespace hvm
