#include "engine/results/batch_footprint.h"

#include <cctype>
#include <vector>

#include "engine/core/text_case.h"

namespace hvm {
namespace {

std::vector<std::string> Segments(const std::string& upperKey) {
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= upperKey.size()) {
    size_t end = upperKey.find('\\', start);
    if (end == std::string::npos) end = upperKey.size();
    std::string segment = upperKey.substr(start, end - start);
    // The 32-bit view is the same key under another name.
    if (!segment.empty() && segment != "WOW6432NODE") segments.push_back(std::move(segment));
    start = end + 1;
  }
  return segments;
}

std::string Join(const std::string& head, const std::vector<std::string>& segments, size_t from) {
  std::string key = head;
  for (size_t i = from; i < segments.size(); ++i) key += "\\" + segments[i];
  return key;
}

bool IsControlSet(const std::string& segment) {
  if (segment == "CURRENTCONTROLSET") return true;
  if (segment.size() != 13 || segment.compare(0, 10, "CONTROLSET") != 0) return false;
  for (size_t i = 10; i < 13; ++i)
    if (!std::isdigit(static_cast<unsigned char>(segment[i]))) return false;
  return true;
}

// Every hardware profile, the current one included, folds to one name.
std::optional<std::string> ControlSetKey(const std::vector<std::string>& below) {
  std::string key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CONTROLSET";
  for (size_t i = 0; i < below.size(); ++i) {
    const bool profile = i == 1 && below[0] == "HARDWARE PROFILES";
    key += "\\" + (profile ? std::string("*") : below[i]);
  }
  return key;
}

// A user's keys below the user's root (`segments` from `from` on): the
// software classes are the merged view's.
std::optional<std::string> UserKey(const std::vector<std::string>& segments, size_t from) {
  if (segments.size() <= from) return std::nullopt;
  if (segments[from] != "SOFTWARE") return Join("USER", segments, from);
  if (segments.size() == from + 1) return std::nullopt;
  if (segments[from + 1] != "CLASSES") return Join("USER", segments, from);
  if (segments.size() == from + 2) return std::nullopt;
  return Join("CLASSES", segments, from + 2);
}

}  // namespace

std::optional<std::string> BatchFootprint::CanonicalKey(const std::string& keyText) {
  const std::vector<std::string> segments = Segments(UpperCase(keyText));
  if (segments.size() < 2) return std::nullopt;
  const std::string& root = segments[0];
  if (root == "HKEY_CLASSES_ROOT" || root == "HKCR") return Join("CLASSES", segments, 1);
  if (root == "HKEY_CURRENT_USER" || root == "HKCU") return UserKey(segments, 1);
  if (root == "HKEY_USERS" || root == "HKU") {
    // Every user folds to one: the current user is one of them.
    if (segments.size() < 3) return std::nullopt;
    const std::string& hive = segments[1];
    const std::string classesSuffix = "_CLASSES";
    if (hive.size() > classesSuffix.size() &&
        hive.compare(hive.size() - classesSuffix.size(), classesSuffix.size(), classesSuffix) == 0)
      return Join("CLASSES", segments, 2);
    return UserKey(segments, 2);
  }
  if (root == "HKEY_CURRENT_CONFIG" || root == "HKCC") {
    std::vector<std::string> below = {"HARDWARE PROFILES", "CURRENT"};
    below.insert(below.end(), segments.begin() + 1, segments.end());
    return ControlSetKey(below);
  }
  if (root != "HKEY_LOCAL_MACHINE" && root != "HKLM") return std::nullopt;
  if (segments[1] == "SOFTWARE") {
    if (segments.size() == 2) return std::nullopt;
    if (segments[2] != "CLASSES") return Join("HKEY_LOCAL_MACHINE", segments, 1);
    if (segments.size() == 3) return std::nullopt;
    return Join("CLASSES", segments, 3);
  }
  if (segments[1] == "SYSTEM" && segments.size() > 2 && IsControlSet(segments[2]))
    return ControlSetKey(std::vector<std::string>(segments.begin() + 3, segments.end()));
  return Join("HKEY_LOCAL_MACHINE", segments, 1);
}

bool BatchFootprint::TreeAtOrAbove(const std::string& key) const {
  if (trees_.count(key)) return true;
  for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
    if (trees_.count(key.substr(0, at))) return true;
  return false;
}

bool BatchFootprint::AnyAtOrBelow(const std::set<std::string>& keys, const std::string& key) {
  if (keys.count(key)) return true;
  const std::string below = key + "\\";
  const auto next = keys.lower_bound(below);
  return next != keys.end() && next->compare(0, below.size(), below) == 0;
}

BatchFootprint::Fit BatchFootprint::FitOf(const std::string& keyText,
                                          const std::string* valueName) const {
  const std::optional<std::string> key = CanonicalKey(keyText);
  if (!key) return Fit::kExclusive;
  if (exclusive_ || TreeAtOrAbove(*key)) return Fit::kOverlaps;
  if (!valueName) {
    if (AnyAtOrBelow(trees_, *key) || AnyAtOrBelow(valueKeys_, *key)) return Fit::kOverlaps;
  } else if (values_.count({*key, UpperCase(*valueName)})) {
    return Fit::kOverlaps;
  }
  return Fit::kFree;
}

void BatchFootprint::Add(const std::string& keyText, const std::string* valueName) {
  const std::optional<std::string> key = CanonicalKey(keyText);
  if (!key) {
    exclusive_ = true;
  } else if (!valueName) {
    trees_.insert(*key);
  } else {
    valueKeys_.insert(*key);
    values_.insert({*key, UpperCase(*valueName)});
  }
}

void BatchFootprint::Clear() {
  trees_.clear();
  valueKeys_.clear();
  values_.clear();
  exclusive_ = false;
}

}  // namespace hvm
