#pragma once
// The seam under every file-system call of the program: tests install a
// plan that makes chosen calls fail, or cuts the power at one of them, and
// a model of the disk that decides what of the unflushed work survives the
// cut, to prove that no sequence of failures costs a record.
//
// Every call is announced before it is made (Before may refuse it) and,
// when it had an effect, reported afterwards (After), so that a model can
// follow what reached the page cache and what reached the disk.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tb::platform {

enum class FileOp {
  Read,
  Write,  // also a copy between files (data is null then)
  Seek,
  Flush,     // fsync of a file
  Truncate,  // offset is the new size
  Rename,    // from -> path, replacing path
  Open,      // an existing file; fd set in After
  Create,    // a new file (exclusive); fd set in After
  Remove,
  Link,        // from -> path, a second name
  SyncFolder,  // fsync of the folder that holds path
  Lock,
  Stat,  // what the system knows of a name or an open file
};

struct FileCall {
  FileOp op = FileOp::Read;
  const std::string& path;
  const std::string& from;  // rename and link: the name that was there
  int fd = -1;              // the open file, when the call is on one
  uint64_t offset = 0;      // read, write: where; truncate: the new size
  const void* data = nullptr;
  size_t length = 0;  // read, write: bytes asked for (After: bytes that reached the file)
};

struct FaultDecision {
  bool fail = false;
  // For a write that fails: how many of its bytes still reach the file
  // (a torn write); 0 = none.
  size_t bytesWritten = 0;
};

class FileFaults {
 public:
  virtual ~FileFaults() = default;
  virtual FaultDecision Before(const FileCall& call) = 0;
  // After a call that had an effect; for a torn write, length is what
  // reached the file.
  virtual void After(const FileCall& call) {}
};

// Installs a plan for every file-system call (nullptr removes it). Not
// thread-safe: tests install it around single-threaded work.
void InstallFileFaults(FileFaults* faults);
FileFaults* InstalledFileFaults();

// For the calls of this layer: asks the plan; false when the call must
// fail. *reaching (for writes) is how many bytes may still be written.
bool FaultAllows(FileOp op, const std::string& path, int fd = -1, uint64_t offset = 0, size_t length = 0,
                 const void* data = nullptr, const std::string& from = std::string(), size_t* reaching = nullptr);
// Tells the plan a call had its effect.
void FaultAfter(FileOp op, const std::string& path, int fd = -1, uint64_t offset = 0, size_t length = 0,
                const std::string& from = std::string());

}  // namespace tb::platform
