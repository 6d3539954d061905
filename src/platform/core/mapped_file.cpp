#include "platform/core/mapped_file.h"

#include "platform/core/file_faults.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tb::platform {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

MappedFile::Result MappedFile::Map(const std::string& path, uint64_t minSize, uint64_t maxSize) {
  Unmap();
  // Without blocking: a pipe named like the file must not hold us up.
  if (!FaultAllows(FileOp::Open, path)) return Result::Unreadable;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Result::NotFound : Result::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Result::Unreadable;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size < minSize || size > maxSize || size == 0) {
    ::close(fd);
    return Result::BadSize;
  }
  void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);  // the mapping keeps the file
  if (map == MAP_FAILED) return Result::Unreadable;
  data_ = static_cast<const uint8_t*>(map);
  size_ = static_cast<size_t>(size);
  return Result::Ok;
}

void MappedFile::Unmap() {
  if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace tb::platform
