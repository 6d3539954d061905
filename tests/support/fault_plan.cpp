#include "support/fault_plan.h"

namespace tb::test {

platform::FaultDecision FaultPlan::Before(const platform::FileCall& call) {
  platform::FaultDecision d;
  if (dead_) {
    // After a power cut nothing reaches the disk, and the process is gone;
    // after a lasting failure every call fails.
    d.fail = true;
    return d;
  }
  if (++seen_ < n_) return d;
  if (seen_ > n_) return d;  // failed once, then fine again
  fired_ = true;
  d.fail = true;
  if (mode_ != Mode::FailOnce) dead_ = true;
  // A write cut off by the power may have reached the page cache in part.
  if (mode_ == Mode::PowerCut && call.op == platform::FileOp::Write && call.length > 0)
    d.bytesWritten = std::uniform_int_distribution<size_t>(0, call.length - 1)(random_);
  return d;
}

void FaultPlan::After(const platform::FileCall& call) {
  if (model_) model_->After(call);
}

void FaultPlan::Crash(Loss loss, uint32_t seed) {
  if (model_) model_->Crash(loss, seed);
}

}  // namespace tb::test
