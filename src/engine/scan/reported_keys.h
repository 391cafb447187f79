// The duplicate guard of the class sections: every key or value reported so
// far, so that each is reported once and links to a class already found stale
// count as stale too. Entries are compared in upper case.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace hvm {

class ReportedKeys {
 public:
  // Whether `text` was marked.
  bool Seen(std::string_view text) const;
  void Mark(std::string_view text);
  void Clear();

 private:
  // Every marked text quoted and concatenated. While no marked text holds a
  // quote, a lookup of a non-empty text without quotes can only match one
  // whole quoted entry there, which the set answers at once; every other
  // lookup is searched in the concatenation, so the answers stay those of a
  // substring search.
  std::string quoted_;
  std::unordered_set<std::string> marked_;
  bool quoteMarked_ = false;
};

}  // namespace hvm
