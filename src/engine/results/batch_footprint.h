// The keys and values a batch of pending deletions will touch. A repair
// exports a batch of items, flushes the snapshot once and only then deletes
// them; an item that overlaps one already waiting must wait for that batch to
// be deleted first, so that it is exported as the registry will then stand.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>

namespace hvm {

class BatchFootprint {
 public:
  enum class Fit {
    kFree,       // touches nothing in the batch
    kOverlaps,   // the batch must be deleted before this item is exported
    kExclusive,  // its key may be reached by names this cannot follow: alone
  };

  // `keyText` is a key with its long root name ("HKEY_CURRENT_USER\..."); a
  // value item names its value, a key item (the key and everything below it)
  // passes null.
  Fit FitOf(const std::string& keyText, const std::string* valueName) const;
  void Add(const std::string& keyText, const std::string* valueName);
  void Clear();

  // One name for every way the system lets a key be reached (the merged
  // classes view, the current user, the current control set, the 32-bit
  // view), folded to upper case; none where the key may hold others it
  // cannot name (a root, a hive, a key above a merged view).
  static std::optional<std::string> CanonicalKey(const std::string& keyText);

 private:
  bool TreeAtOrAbove(const std::string& key) const;
  static bool AnyAtOrBelow(const std::set<std::string>& keys, const std::string& key);

  std::set<std::string> trees_;
  std::set<std::string> valueKeys_;
  std::set<std::pair<std::string, std::string>> values_;
  bool exclusive_ = false;  // an item that must stay alone is in the batch
};

}  // namespace hvm
