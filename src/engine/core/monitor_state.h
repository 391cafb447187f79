// What the rest of the program may ask of the registry monitor: whether it is
// on, and to switch it off before an operation that rewrites the registry.
#pragma once

namespace hvm {

class MonitorState {
 public:
  virtual ~MonitorState() = default;
  virtual bool Active() const = 0;
  virtual void SetMonitoring(bool on) = 0;
};

}  // namespace hvm
