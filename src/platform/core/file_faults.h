#pragma once
// The seam under every file operation of the wallet: tests install a plan
// that makes chosen operations fail, or cuts the power in the middle of a
// write, to prove that no sequence of failures costs a record.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tb::platform {

enum class FileOp { Read, Write, Seek, Flush, Truncate, Rename };

struct FaultDecision {
  bool fail = false;
  // For a write that fails: how many of its bytes still reach the file
  // (a torn write); 0 = none.
  size_t bytesWritten = 0;
};

class FileFaults {
 public:
  virtual ~FileFaults() = default;
  // Asked before each operation; length is the byte count of a read or write.
  virtual FaultDecision Before(FileOp op, const std::string& path, size_t length) = 0;
};

// Installs a plan for every File (nullptr removes it). Not thread-safe:
// tests install it around single-threaded work.
void InstallFileFaults(FileFaults* faults);
FileFaults* InstalledFileFaults();

}  // namespace tb::platform
