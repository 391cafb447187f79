// What the rules and the sections mean to a person: each rule a reason can
// name in plain words with what its target is, and for each section one line
// on what it looks for. The results page's detail band and the console's
// verbose text say these; the JSON keeps the rule identifiers.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "engine/core/results_store.h"

namespace hvm {

// What a reason's target names.
enum class TargetKind {
  kFile,
  kFolder,
  kClass,
  kInterface,
  kApplicationId,
  kKey,
  kCodePage,
  kCharset
};

struct RuleExplanation {
  std::string_view rule;      // the identifier, as the JSON has it
  std::string_view sentence;  // the rule in plain words, no full stop
  TargetKind target;
};

// The whole table, one row per rule.
std::span<const RuleExplanation> RuleExplanations();

// The explanation of `rule`; null for an identifier the table does not know.
const RuleExplanation* ExplanationOf(std::string_view rule);

// The rule in plain words. An identifier the table does not know is shown as
// it is, so that nothing a reason says is lost; no rule gives "".
std::string RuleSentence(std::string_view rule);

// The target under the name of what it is ("File tested: C:\x.dll"); "" for a
// reason without a target.
std::string TargetLine(const ProblemReason& reason);

// Whether the target is the path of a file (not a key, class or folder).
bool TargetIsFile(const ProblemReason& reason);

// What section 1..24 looks for, in one line; "" for a number out of range.
std::string_view SectionDescription(int section);

}  // namespace hvm
