// KeySnapshot: a snapshot of the names at the first level of one
// watched key (its sub-keys and its values), and the comparison that turns
// every name that appeared or disappeared since into a change line.
//
// Only names are compared, one level deep: a change of a value's data or of
// anything deeper wakes the monitor but yields no line. A cache belongs to one
// monitor worker and is used only on its thread after construction.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/civil_date.h"
#include "engine/monitor/monitor_reader.h"

namespace hvm {

// Names kept sorted in the user's locale without regard to case; adding a
// name that is there already (in any case) does nothing.
class NameList {
 public:
  bool Contains(std::string_view name) const;
  void Add(std::string name);
  void Clear() { names_.clear(); }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  size_t LowerBound(std::string_view name) const;
  std::vector<std::string> names_;
};

// The user's short date and long time of `time`, as every change line shows it.
std::string ChangeTimeText(const LocalTime& time);
// The same of the program clock's present time.
std::string LocalChangeTime();

class KeySnapshot {
 public:
  // Gives the time text of each line as it is made.
  using TimeSource = std::function<std::string()>;

  // Stores the key and takes the first snapshot; a key that does not open
  // leaves the cache invalid, without lists. Never throws for a missing key.
  KeySnapshot(std::string keyPath, HKEY rootKey, TimeSource time = &LocalChangeTime);

  bool Valid() const { return valid_; }
  HKEY RootKey() const { return rootKey_; }
  const std::string& KeyPath() const { return keyPath_; }
  // Null until a snapshot has succeeded.
  const NameList* KeyNames() const { return keyNames_ ? &*keyNames_ : nullptr; }
  const NameList* ValueNames() const { return valueNames_ ? &*valueNames_ : nullptr; }
  // The long root name, a backslash and the key path.
  std::string Location() const;

  // Invalid first; when the key opens, the lists are refilled and the cache
  // is valid again. A key that does not open leaves the lists as they were.
  bool TakeSnapshot();
  // Names present now and not in the snapshot, in the platform's order; the
  // outputs are replaced. False, with the outputs untouched, when the cache
  // is invalid or the key does not open.
  bool GetAdditions(std::vector<std::string>& addedKeys, std::vector<std::string>& addedValues);
  // Names of the snapshot not present now, in the snapshot's sorted order.
  bool GetRemovals(std::vector<std::string>& removedKeys, std::vector<std::string>& removedValues);
  // Appends the change lines since the snapshot (added keys, added values,
  // removed keys, removed values) and takes the new snapshot. The key is read
  // once for both, so that a change made between the comparison and the new
  // snapshot is never taken into the snapshot without a line.
  void ReportChanges(std::vector<std::string>& lines);

 private:
  struct Differences {
    std::vector<std::string> addedKeys, addedValues, removedKeys, removedValues;
  };
  Differences Compare(const KeyNameSet& now) const;
  void Keep(const KeyNameSet& now);

  bool valid_ = false;
  HKEY rootKey_;
  std::string keyPath_;
  std::optional<NameList> keyNames_;
  std::optional<NameList> valueNames_;
  TimeSource time_;
};

}  // namespace hvm
