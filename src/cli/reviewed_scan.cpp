#include "cli/reviewed_scan.h"

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/json_document.h"
#include "engine/core/text_case.h"
#include "engine/core/utf8.h"
#include "engine/settings/file_text.h"

namespace hvm {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

[[noreturn]] void Damaged(const std::string& what) {
  throw UsageError("this is not a scan's JSON document as scan --json writes it (" + what +
                   "); nothing was changed");
}

const Json& Field(const Json& object, const char* name, Json::value_t type, const char* where) {
  const auto found = object.find(name);
  const bool fits = found != object.end() &&
                    (found->type() == type ||
                     (type == Json::value_t::number_integer && found->is_number_integer()));
  if (!fits) Damaged(std::string(where) + " has no " + name + " of the right type");
  return *found;
}

ReviewedEntry EntryOf(int section, const Json& problem) {
  if (!problem.is_object()) Damaged("a problem is not an object");
  const Json& reason = Field(problem, "reason", Json::value_t::object, "a problem");
  ReviewedEntry entry;
  entry.section = section;
  entry.line = Field(problem, "line", Json::value_t::string, "a problem").get<std::string>();
  entry.wholeKey = Field(problem, "wholeKey", Json::value_t::boolean, "a problem").get<bool>();
  entry.reason.rule = Field(reason, "rule", Json::value_t::string, "a reason").get<std::string>();
  entry.reason.target =
      Field(reason, "target", Json::value_t::string, "a reason").get<std::string>();
  if (entry.line.empty()) Damaged("a problem's line is empty");
  return entry;
}

bool SameEntry(const ReviewedEntry& a, const ReviewedEntry& b) {
  return a.section == b.section && a.line == b.line && a.wholeKey == b.wholeKey &&
         a.reason == b.reason;
}

void CheckVersion(const Json& document) {
  const Json& version =
      Field(document, "schemaVersion", Json::value_t::number_integer, "the document");
  const long long number = version.get<long long>();
  if (number > kJsonSchemaVersion)
    throw UsageError("the file was written with schemaVersion " + std::to_string(number) +
                     ", newer than this hvmend-cli reads (" + std::to_string(kJsonSchemaVersion) +
                     "); nothing was changed");
  if (number < 1) Damaged("schemaVersion " + std::to_string(number));
}

void CheckComputer(const Json& document, const std::string& thisComputer) {
  const auto found = document.find("computer");
  if (found == document.end() || !found->is_string())
    throw UsageError(
        "the file does not say which computer it was made on (a scan of an older "
        "hvmend-cli?); nothing was changed");
  const std::string computer = found->get<std::string>();
  if (thisComputer.empty() || !EqualsNoCase(computer, thisComputer))
    throw UsageError("the file is a scan of the computer \"" + computer +
                     "\", not of this one (\"" + thisComputer + "\"); nothing was changed");
}

}  // namespace

ReviewedScan ParseReviewedScan(std::string_view text, const std::string& thisComputer) {
  const Json document = Json::parse(text, nullptr, false);
  if (document.is_discarded()) Damaged("it is not valid JSON");
  if (!document.is_object()) Damaged("it is not a JSON object");
  CheckVersion(document);
  CheckComputer(document, thisComputer);
  ReviewedScan review;
  review.computer = document.at("computer").get<std::string>();
  for (const Json& section : Field(document, "sections", Json::value_t::array, "the document")) {
    if (!section.is_object()) Damaged("a section is not an object");
    const long long number =
        Field(section, "number", Json::value_t::number_integer, "a section").get<long long>();
    if (number < 1 || number > kSectionCount) Damaged("section number " + std::to_string(number));
    for (const Json& problem : Field(section, "problems", Json::value_t::array, "a section")) {
      // Every problem is read, so that damage anywhere refuses the whole file.
      const ReviewedEntry entry = EntryOf(int(number), problem);
      if (!Field(problem, "checked", Json::value_t::boolean, "a problem").get<bool>()) continue;
      bool listed = false;
      for (const ReviewedEntry& earlier : review.checked)
        listed = listed || SameEntry(earlier, entry);
      if (!listed) review.checked.push_back(entry);
    }
  }
  return review;
}

ReviewedScan ReadReviewedScan(const std::string& path, const std::string& thisComputer) {
  std::string bytes;
  if (const uint32_t status = ReadFileText(path, bytes))
    throw UsageError("cannot read " + path + " (error " + std::to_string(status) +
                     "); nothing was changed");
  std::string_view text = bytes;
  if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) text.remove_prefix(kUtf8Mark.size());
  if (text.substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
    bool exact = true;
    const std::string converted = Utf8FromUtf16Le(text.substr(kUtf16LeMark.size()), &exact);
    if (!exact) Damaged("its UTF-16 text is broken");
    return ParseReviewedScan(converted, thisComputer);
  }
  return ParseReviewedScan(text, thisComputer);
}

std::set<int> ReviewedSections(const ReviewedScan& review) {
  std::set<int> sections;
  for (const ReviewedEntry& entry : review.checked) sections.insert(entry.section);
  return sections;
}

const char* LeftAloneName(LeftAlone::Result result) {
  switch (result) {
    case LeftAlone::Result::kNotStale: return "notStale";
    case LeftAlone::Result::kOtherReason: return "otherReason";
    case LeftAlone::Result::kSectionOff: return "sectionOff";
  }
  return "";
}

std::vector<LeftAlone> CheckReviewedEntries(const ReviewedScan& review,
                                            const std::set<int>& scanned, ResultsStore& results) {
  for (int section = 1; section <= kSectionCount; ++section)
    for (ProblemEntry& entry : results.Section(section)) entry.SetChecked(false);
  std::vector<LeftAlone> leftAlone;
  for (const ReviewedEntry& wanted : review.checked) {
    if (!scanned.count(wanted.section)) {
      leftAlone.push_back({wanted, LeftAlone::Result::kSectionOff});
      continue;
    }
    bool found = false, sameLine = false;
    for (ProblemEntry& entry : results.Section(wanted.section)) {
      if (entry.line != wanted.line || entry.WholeKey() != wanted.wholeKey) continue;
      sameLine = true;
      if (entry.reason != wanted.reason) continue;
      entry.SetChecked(true);
      found = true;
    }
    if (!found)
      leftAlone.push_back(
          {wanted, sameLine ? LeftAlone::Result::kOtherReason : LeftAlone::Result::kNotStale});
  }
  return leftAlone;
}

}  // namespace hvm
