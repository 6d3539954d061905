#include "support/fault_plan.h"

namespace tb::test {

platform::FaultDecision FaultPlan::Before(platform::FileOp op, const std::string&, size_t length) {
  platform::FaultDecision d;
  if (dead_) {
    // After a power cut nothing reaches the disk, and the process is gone.
    d.fail = true;
    return d;
  }
  if (mode_ == Mode::PowerCut) {
    if (!IsWrite(op) || ++seen_ != n_) return d;
    fired_ = dead_ = true;
    d.fail = true;
    if (op == platform::FileOp::Write && length > 0)
      d.bytesWritten = std::uniform_int_distribution<size_t>(0, length - 1)(random_);
    return d;
  }
  if (++seen_ < n_) return d;
  if (seen_ == n_) {
    fired_ = true;
    d.fail = true;
    if (mode_ == Mode::FailFromThenOn) dead_ = true;
  }
  return d;
}

}  // namespace tb::test
