// How the scan's file walks remove a stale value at once: through the
// repair's own export, so that it lands in today's undo snapshot first. The
// console and the desktop program both scan this way.
#pragma once

#include <string>

#include "engine/results/repair.h"
#include "engine/scan/file_references.h"

namespace hvm {

class RepairValueRemover : public ValueRemover {
 public:
  explicit RepairValueRemover(Repairer& repairer) : repairer_(repairer) {}
  bool ExportValue(HKEY root, const std::string& keyPath, const std::string& name,
                   int section) override {
    // The snapshot says which section's scan removed the value.
    repairer_.SetSnapshotNote({section, true});
    const bool removed = repairer_.ExportValue(root, keyPath, true, true, name);
    repairer_.SetSnapshotNote({});
    return removed;
  }
  void WriteCantRemove() override { repairer_.WriteCantRemove(); }
  std::string SnapshotName() const override { return repairer_.SnapshotFileName(); }

 private:
  Repairer& repairer_;
};

}  // namespace hvm
