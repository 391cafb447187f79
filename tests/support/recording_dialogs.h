// A dialog service for tests: keeps every message asked and answers each with
// the next of `answers` (OK once they run out).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/core/dialog_service.h"

namespace hvm::test {

class RecordingDialogs : public DialogService {
 public:
  struct Asked {
    std::string text, title;
    int flags = 0;
  };
  int MessageDialog(const std::string& text, const std::string& title, int flags) override {
    asked.push_back({text, title, flags});
    if (answers.empty()) return dialog::kOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<Asked> asked;
  std::deque<int> answers;
};

}  // namespace hvm::test
