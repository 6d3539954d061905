#pragma once
// A scratch folder of this process for the targets that read files: made on
// first use (in memory-backed /dev/shm when there is one, so that the
// writes and flushes of a repair cost little), removed at exit.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace tb::fuzz {

class ScratchFolder {
 public:
  static ScratchFolder& Get() {
    static ScratchFolder folder;
    return folder;
  }
  // "<folder>/<name>", or empty when no folder could be made.
  std::string File(const std::string& name) const { return path_.empty() ? std::string() : path_ + "/" + name; }

 private:
  ScratchFolder() {
    const char* const bases[] = {"/dev/shm", getenv("TMPDIR"), "/tmp"};
    for (const char* base : bases) {
      if (base == nullptr || *base == '\0') continue;
      std::string templ = std::string(base) + "/tb-fuzz-XXXXXX";
      if (mkdtemp(templ.data()) != nullptr) {
        path_ = templ;
        return;
      }
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  std::string path_;
};

// Replaces the file's contents with the bytes; false when that fails.
inline bool WriteScratchFile(const std::string& path, const uint8_t* data, size_t size) {
  if (path.empty()) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t w = ::write(fd, data + done, size - done);
    if (w <= 0) break;
    done += size_t(w);
  }
  ::close(fd);
  return done == size;
}

}  // namespace tb::fuzz
