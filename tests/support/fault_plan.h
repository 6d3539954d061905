#pragma once
// Fault plans for the file seam: fail the Nth file operation (once, or from
// then on), or cut the power at the Nth write (that write torn at a random
// byte, everything after it lost).
#include <cstdint>
#include <random>

#include "platform/core/file_faults.h"

namespace tb::test {

class FaultPlan : public platform::FileFaults {
 public:
  enum class Mode { FailOnce, FailFromThenOn, PowerCut };
  FaultPlan(Mode mode, int n, uint32_t seed = 1) : mode_(mode), n_(n), random_(seed) {}

  platform::FaultDecision Before(platform::FileOp op, const std::string& path, size_t length) override;
  // True once the planned fault happened: the operation met it.
  bool Fired() const { return fired_; }

 private:
  static bool IsWrite(platform::FileOp op) {
    return op == platform::FileOp::Write || op == platform::FileOp::Truncate || op == platform::FileOp::Rename;
  }
  Mode mode_;
  int n_;
  int seen_ = 0;
  bool fired_ = false;
  bool dead_ = false;
  std::mt19937 random_;
};

// Installs a plan for its lifetime.
class ScopedFaults {
 public:
  explicit ScopedFaults(platform::FileFaults* faults) { platform::InstallFileFaults(faults); }
  ~ScopedFaults() { platform::InstallFileFaults(nullptr); }
  ScopedFaults(const ScopedFaults&) = delete;
  ScopedFaults& operator=(const ScopedFaults&) = delete;
};

}  // namespace tb::test
