#include "engine/reports/template_resource.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "engine/core/inflate.h"
#include "engine/core/scoped_handle.h"
#include "engine/reports/placeholders.h"
#include "engine/reports/program_resource.h"
#include "support/deflate_raw.h"
#include "support/process.h"

namespace hvm {
namespace {

// Resources of the test program (reports_test.rc).
constexpr int kRoundTripTemplate = 900;
constexpr int kRoundTripPage = 9001;
constexpr int kRoundTripDot = 9002;
constexpr int kRoundTripStripe = 9003;
constexpr int kCutShort = 9010;
constexpr int kDamaged = 9011;
constexpr int kPlain = 9012;

const std::string kPngSignature = "\x89PNG\r\n\x1a\n";

// What the packer should make of an HTML source: CR LF line ends, and picture
// addresses as content ids.
std::string ExpectedHtml(const std::string& source) {
  std::string html = std::regex_replace(source, std::regex("\r\n|\r|\n"), "\r\n");
  html = std::regex_replace(
      html, std::regex("(src|SRC|background)=([\"'])(dot\\.gif|stripe\\.jpg)"), "$1=$2cid:$3");
  return html;
}

std::string ErrorText(int number) {
  try {
    ReadProgramResource(number);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(UnpackResourceData, InflatesOnlyWhatIsMarked) {
  const std::string text = "some text, some text, some text";
  EXPECT_EQ(text, UnpackResourceData("ZP" + test::DeflateRaw(text)));
  for (const std::string& unmarked :
       {std::string(), std::string("Z"), std::string("zP") + text, std::string("PZ") + text}) {
    EXPECT_EQ(unmarked, UnpackResourceData(unmarked));
  }
  EXPECT_THROW(UnpackResourceData("ZP"), InflateError);
  EXPECT_THROW(UnpackResourceData("ZP" + test::DeflateRaw(text).substr(0, 5)), InflateError);
}

TEST(ReadProgramResource, MissingResourceRaisesItsNumber) {
  EXPECT_THROW(ReadProgramResource(12345), EOutOfResources);
  EXPECT_EQ("Missing resource 12345", ErrorText(12345));
  EXPECT_THROW(LoadTemplate(401), EOutOfResources);
}

TEST(ReadProgramResource, RefusesBrokenCompressedResources) {
  EXPECT_THROW(ReadProgramResource(kCutShort), InflateError);
  EXPECT_EQ("Resource 9010: Compressed data is truncated", ErrorText(kCutShort));
  EXPECT_EQ("Resource 9011: Compressed data is corrupt", ErrorText(kDamaged));
  EXPECT_THROW(LoadTemplate(kDamaged), InflateError);
}

TEST(ReadProgramResource, UsesUnmarkedResourcesAsTheyAre) {
  EXPECT_EQ("plain text", ReadProgramResource(kPlain));
}

TEST(TemplateRoundTrip, HtmlComesBackAsWritten) {
  const std::string source = ReadProgramResource(kRoundTripPage);
  ASSERT_NE(std::string::npos, source.find("last line without a line break"));
  const MhtmlDocument page = LoadTemplate(kRoundTripTemplate);
  const auto html = page.GetPart();
  ASSERT_TRUE(html.has_value());
  EXPECT_EQ(ExpectedHtml(source), *html);
  // Only picture addresses are rewritten, not other attributes naming a file.
  EXPECT_NE(std::string::npos, html->find("alt=\"dot.gif\""));
}

TEST(TemplateRoundTrip, PicturesComeBackByteForByte) {
  const MhtmlDocument page = LoadTemplate(kRoundTripTemplate);
  EXPECT_EQ(ReadProgramResource(kRoundTripDot), page.GetPart("cid:dot.gif").value_or("none"));
  EXPECT_EQ(ReadProgramResource(kRoundTripStripe), page.GetPart("cid:stripe.jpg").value_or("none"));
  ASSERT_EQ(3u, page.Root().Parts().size());
  EXPECT_EQ("image/gif", page.Root().Parts()[1].ContentType());
  EXPECT_EQ("image/jpeg", page.Root().Parts()[2].ContentType());
  const auto& alternative = page.Root().Parts()[0].Parts();
  ASSERT_EQ(2u, alternative.size());
  EXPECT_EQ("text/plain", alternative[0].ContentType());
  EXPECT_NE(std::string::npos, alternative[0].Body().find("a line that starts like a boundary"));
}

TEST(SampleTemplate, ReadsBackFromTheProgramsResources) {
  const MhtmlDocument sample = LoadTemplate(kSampleTemplate);
  const std::string html(sample.GetPart().value_or(""));
  EXPECT_NE(std::string::npos, html.find("<title>Hivemend - Page template sample</title>"));
  std::set<std::string> pictures;
  const std::regex address("src=\"(cid:[^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), address);
       it != std::sregex_iterator(); ++it) {
    const std::string cid = (*it)[1];
    const auto picture = sample.GetPart(cid);
    ASSERT_TRUE(picture.has_value()) << cid;
    EXPECT_EQ(kPngSignature, picture->substr(0, kPngSignature.size())) << cid;
    pictures.insert(cid);
  }
  EXPECT_EQ(2u, pictures.size());
}

TEST(SampleTemplate, FillsToAPageOfTheTemplateWidth) {
  const MhtmlDocument sample = LoadTemplate(kSampleTemplate);
  PlaceholderList list = {{"version", "1.0.0.0"}};
  SetRendererPlaceholders(list, "Tahoma", 96);
  const std::string page = FillPlaceholders(sample.GetPart().value_or(""), list);
  EXPECT_NE(std::string::npos, page.find("<table width=\"515\""));
  EXPECT_NE(std::string::npos, page.find("<font face=\"Tahoma\""));
  EXPECT_NE(std::string::npos, page.find("<font size=\"5\" color=\"#2E5A7E\">"));
  EXPECT_NE(std::string::npos, page.find("Hivemend 1.0.0.0"));
  EXPECT_NE(std::string::npos, page.find("width=\"100%\""));
  EXPECT_FALSE(std::regex_search(page, std::regex("%[A-Za-z0-9]+%")));
}

TEST(SampleTemplate, IsHeldByTheProgramFile) {
  const std::string program = test::ProgramFolder() + "\\hvmend.exe";
  ScopedModule module(LoadLibraryExA(program.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(module) << program << " error " << GetLastError();
  const std::string packed = ReadProgramResource(kSampleTemplate, module.Get());
  EXPECT_EQ(ReadProgramResource(kSampleTemplate), packed);
  EXPECT_TRUE(LoadTemplate(kSampleTemplate, module.Get()).GetPart().has_value());
  EXPECT_THROW(ReadProgramResource(kRoundTripTemplate, module.Get()), EOutOfResources);
}

}  // namespace
}  // namespace hvm
