#include "engine/monitor/key_snapshot.h"

#include "engine/core/clock.h"
#include "engine/core/registry_paths.h"
#include "engine/monitor/change_line.h"

namespace hvm {
namespace {

// A snapshot is a baseline: a key that keeps changing is taken as its last
// listing shows it.
constexpr int kSnapshotAttempts = 8;
// A report skips a key that changed while it was listed: that change came
// after the worker asked to be notified again, so it signals the next batch,
// which compares with the same snapshot once the key holds still.
constexpr int kReportAttempts = 2;

// The user's locale without regard to case: the order and sameness the
// registry's own names follow. The names are read in the active code page
// (UTF-8), not in the locale's, which the ANSI call would take by itself.
int CompareNames(std::string_view a, std::string_view b) {
  const int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | LOCALE_USE_CP_ACP,
                                    a.data(), int(a.size()), b.data(), int(b.size()));
  return result - CSTR_EQUAL;  // < 0, 0, > 0
}

}  // namespace

size_t NameList::LowerBound(std::string_view name) const {
  size_t low = 0, high = names_.size();
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (CompareNames(names_[middle], name) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

bool NameList::Contains(std::string_view name) const {
  const size_t at = LowerBound(name);
  return at < names_.size() && CompareNames(names_[at], name) == 0;
}

void NameList::Add(std::string name) {
  const size_t at = LowerBound(name);
  if (at < names_.size() && CompareNames(names_[at], name) == 0) return;
  names_.insert(names_.begin() + ptrdiff_t(at), std::move(name));
}

std::string ChangeTimeText(const LocalTime& time) {
  SYSTEMTIME now{};
  now.wYear = WORD(time.year);
  now.wMonth = WORD(time.month);
  now.wDay = WORD(time.day);
  now.wHour = WORD(time.hour);
  now.wMinute = WORD(time.minute);
  now.wSecond = WORD(time.second);
  char date[128] = {}, clock[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof(date));
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, clock, sizeof(clock));
  return std::string(date) + " " + clock;
}

std::string LocalChangeTime() {
  return ChangeTimeText(ProgramClock().LocalNow());
}

KeySnapshot::KeySnapshot(std::string keyPath, HKEY rootKey, TimeSource time)
    : rootKey_(rootKey), keyPath_(std::move(keyPath)), time_(std::move(time)) {
  TakeSnapshot();
}

std::string KeySnapshot::Location() const {
  return RootToRootSt(rootKey_) + "\\" + keyPath_;
}

void KeySnapshot::Keep(const KeyNameSet& now) {
  if (!keyNames_) keyNames_.emplace();
  if (!valueNames_) valueNames_.emplace();
  keyNames_->Clear();
  valueNames_->Clear();
  for (const std::string& name : now.keys) keyNames_->Add(name);
  for (const std::string& name : now.values) valueNames_->Add(name);
  valid_ = true;
}

bool KeySnapshot::TakeSnapshot() {
  valid_ = false;
  const std::optional<KeyListing> now = ListKeyNames(rootKey_, keyPath_, kSnapshotAttempts);
  if (!now) return false;
  Keep(now->names);
  return true;
}

KeySnapshot::Differences KeySnapshot::Compare(const KeyNameSet& now) const {
  Differences found;
  NameList currentKeys, currentValues;
  for (const std::string& name : now.keys) {
    currentKeys.Add(name);
    if (!keyNames_->Contains(name)) found.addedKeys.push_back(name);
  }
  for (const std::string& name : now.values) {
    currentValues.Add(name);
    if (!valueNames_->Contains(name)) found.addedValues.push_back(name);
  }
  for (const std::string& name : keyNames_->Names())
    if (!currentKeys.Contains(name)) found.removedKeys.push_back(name);
  for (const std::string& name : valueNames_->Names())
    if (!currentValues.Contains(name)) found.removedValues.push_back(name);
  return found;
}

bool KeySnapshot::GetAdditions(std::vector<std::string>& addedKeys,
                               std::vector<std::string>& addedValues) {
  if (!valid_ || !keyNames_ || !valueNames_) return false;
  const std::optional<KeyListing> now = ListKeyNames(rootKey_, keyPath_, kSnapshotAttempts);
  if (!now) return false;
  Differences found = Compare(now->names);
  addedKeys = std::move(found.addedKeys);
  addedValues = std::move(found.addedValues);
  return true;
}

bool KeySnapshot::GetRemovals(std::vector<std::string>& removedKeys,
                              std::vector<std::string>& removedValues) {
  if (!valid_ || !keyNames_ || !valueNames_) return false;
  const std::optional<KeyListing> now = ListKeyNames(rootKey_, keyPath_, kSnapshotAttempts);
  if (!now) return false;
  Differences found = Compare(now->names);
  removedKeys = std::move(found.removedKeys);
  removedValues = std::move(found.removedValues);
  return true;
}

void KeySnapshot::ReportChanges(std::vector<std::string>& lines) {
  const std::optional<KeyListing> now = ListKeyNames(rootKey_, keyPath_, kReportAttempts);
  valid_ = valid_ && keyNames_ && valueNames_;
  if (now && !now->settled && valid_) return;
  if (now && valid_) {
    const Differences found = Compare(now->names);
    const std::string location = Location();
    auto append = [&](const std::vector<std::string>& names, ChangeAction action) {
      for (const std::string& name : names)
        lines.push_back(MakeChangeLine(time_ ? time_() : std::string(), action, name, location));
    };
    append(found.addedKeys, ChangeAction::kKeyAdded);
    append(found.addedValues, ChangeAction::kValueAdded);
    append(found.removedKeys, ChangeAction::kKeyRemoved);
    append(found.removedValues, ChangeAction::kValueRemoved);
  }
  valid_ = false;
  if (now) Keep(now->names);
}

}  // namespace hvm
