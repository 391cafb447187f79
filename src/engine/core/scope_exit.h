// Runs a step on every path out of a scope, exceptions included.
#pragma once

#include <functional>

namespace hvm {

class ScopeExit {
 public:
  explicit ScopeExit(std::function<void()> step) : step_(std::move(step)) {}
  ~ScopeExit() {
    if (step_) step_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  std::function<void()> step_;
};

}  // namespace hvm
