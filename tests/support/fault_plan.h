#pragma once
// Fault plans for the file seam: fail the Nth file-system call (once, or
// from then on), or cut the power at the Nth call. Every call counts: open,
// create, read, write, flush, truncate, rename, link, remove, folder sync,
// lock, stat. After a cut nothing the run does reaches the files any more
// (every call fails and changes nothing), and the disk model decides what
// of the unflushed work survived.
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "platform/core/file_faults.h"
#include "support/disk_model.h"

namespace tb::test {

class FaultPlan : public platform::FileFaults {
 public:
  enum class Mode { FailOnce, FailFromThenOn, PowerCut };
  FaultPlan(Mode mode, int n, uint32_t seed = 1) : mode_(mode), n_(n), random_(seed) {}

  // Follows the files of this folder for a power cut (see DiskModel).
  void ModelFolder(const std::string& folder) { model_ = std::make_unique<DiskModel>(folder); }

  platform::FaultDecision Before(const platform::FileCall& call) override;
  void After(const platform::FileCall& call) override;
  // True once the planned fault happened: the operation met it.
  bool Fired() const { return fired_; }
  // The calls met so far.
  int Calls() const { return seen_; }
  // After a power cut: puts the modelled folder into what the disk holds.
  void Crash(Loss loss, uint32_t seed);

 private:
  Mode mode_;
  int n_;
  int seen_ = 0;
  bool fired_ = false;
  bool dead_ = false;
  std::mt19937 random_;
  std::unique_ptr<DiskModel> model_;
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
