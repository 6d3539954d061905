#include "platform/core/file.h"

#include "platform/core/file_faults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace tb::platform {

namespace {

constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
// One platform call moves at most this much; larger requests loop.
constexpr size_t kMaxChunk = size_t{1} << 30;

bool FitsOffset(uint64_t position, size_t n) { return position <= kMaxOffset && n <= kMaxOffset - position; }

// Reads until n bytes, end of file or an error.
bool PreadAll(int fd, uint64_t position, void* buffer, size_t n, size_t* got) {
  *got = 0;
  if (!FitsOffset(position, n)) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (*got < n) {
    const size_t chunk = std::min(n - *got, kMaxChunk);
    const ssize_t r = pread(fd, out + *got, chunk, static_cast<off_t>(position + *got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    *got += static_cast<size_t>(r);
  }
  return true;
}

// Writes all n bytes, looping over short writes.
bool PwriteAll(int fd, uint64_t position, const void* data, size_t n) {
  if (!FitsOffset(position, n)) return false;
  const auto* in = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < n) {
    const size_t chunk = std::min(n - done, kMaxChunk);
    const ssize_t w = pwrite(fd, in + done, chunk, static_cast<off_t>(position + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;  // no progress: the disk is full or gone
    done += static_cast<size_t>(w);
  }
  return true;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void CloseDescriptor(int fd) {
  // Linux releases the descriptor even when close reports EINTR; retrying
  // could close a descriptor another thread has just been given.
  ::close(fd);
}

FileFaults* gFaults = nullptr;

}  // namespace

void InstallFileFaults(FileFaults* faults) { gFaults = faults; }
FileFaults* InstalledFileFaults() { return gFaults; }

bool FaultAllows(FileOp op, const std::string& path, int fd, uint64_t offset, size_t length, const void* data,
                 const std::string& from, size_t* reaching) {
  if (reaching) *reaching = length;
  if (!gFaults) return true;
  const FaultDecision d = gFaults->Before(FileCall{op, path, from, fd, offset, data, length});
  if (reaching) *reaching = d.fail ? std::min(d.bytesWritten, length) : length;
  return !d.fail;
}

void FaultAfter(FileOp op, const std::string& path, int fd, uint64_t offset, size_t length, const std::string& from) {
  if (gFaults) gFaults->After(FileCall{op, path, from, fd, offset, nullptr, length});
}

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      readOnly_(std::exchange(other.readOnly_, false)),
      position_(std::exchange(other.position_, 0)),
      path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    readOnly_ = std::exchange(other.readOnly_, false);
    position_ = std::exchange(other.position_, 0);
    path_ = std::move(other.path_);
  }
  return *this;
}

namespace {
constexpr int kLockAttempts = 5;

int FlockRetrying(int fd, const std::string& path) {
  if (!FaultAllows(FileOp::Lock, path, fd)) {
    errno = EIO;
    return -1;
  }
  int r;
  do {
    r = flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r;
}

// The descriptor still names the file the path names now.
bool StillNamed(int fd, const std::string& path, Links links) {
  if (!FaultAllows(FileOp::Stat, path, fd)) return false;
  struct stat held {
  }, named{};
  if (fstat(fd, &held) != 0) return false;
  const int r = links == Links::Refuse ? lstat(path.c_str(), &named) : stat(path.c_str(), &named);
  return r == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
}  // namespace

OpenResult File::Open(const std::string& path, OpenMode mode, Links links) {
  Close();
  // Never wait on a pipe or a device: open without blocking and look at
  // what was opened before reading anything.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (links == Links::Refuse) flags |= O_NOFOLLOW;
  switch (mode) {
    case OpenMode::ReadOnly: flags |= O_RDONLY; break;
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  const FileOp op = mode == OpenMode::CreateNew ? FileOp::Create : FileOp::Open;
  for (int attempt = 0;; ++attempt) {
    if (!FaultAllows(op, path)) {
      errno = EIO;
      return OpenResult::Denied;
    }
    const int fd = OpenRetrying(path.c_str(), flags, S_IRUSR | S_IWUSR);
    if (fd < 0) {
      if (errno == ENOENT || errno == ENOTDIR) return OpenResult::NotFound;
      if (errno == EEXIST) return OpenResult::Exists;
      // A link refused by O_NOFOLLOW, a folder opened for writing, a pipe
      // without a reader.
      if (errno == ELOOP || errno == EISDIR || errno == ENXIO) return OpenResult::NotRegular;
      return OpenResult::Denied;
    }
    FaultAfter(op, path, fd);
    struct stat st {};
    if (!FaultAllows(FileOp::Stat, path, fd) || fstat(fd, &st) != 0) {
      CloseDescriptor(fd);
      errno = EIO;
      return OpenResult::Denied;
    }
    if (!S_ISREG(st.st_mode)) {
      CloseDescriptor(fd);
      return OpenResult::NotRegular;
    }
    const int fileFlags = fcntl(fd, F_GETFL);
    if (fileFlags >= 0) fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK);
    if (mode != OpenMode::ReadOnly) {
      // flock belongs to the open file description: a second open of the
      // same file is refused even inside this process.
      if (FlockRetrying(fd, path) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        CloseDescriptor(fd);
        return busy ? OpenResult::Locked : OpenResult::Denied;
      }
      // Another writer may have renamed a new file over the name between
      // our open and our lock: then the lock holds a file nobody will
      // read again. Open what is there now, a few times at most.
      if (!StillNamed(fd, path, links)) {
        CloseDescriptor(fd);
        if (mode == OpenMode::CreateNew) return OpenResult::Denied;
        if (attempt + 1 < kLockAttempts) continue;
        return OpenResult::Locked;
      }
    }
    fd_ = fd;
    readOnly_ = mode == OpenMode::ReadOnly;
    position_ = 0;
    path_ = path;
    return OpenResult::Ok;
  }
}

void File::Close() {
  if (fd_ >= 0) CloseDescriptor(fd_);
  fd_ = -1;
  readOnly_ = false;
  position_ = 0;
  path_.clear();
}

bool File::Read(void* buffer, size_t n, size_t* got) {
  size_t count = 0;
  const bool ok = fd_ >= 0 && FaultAllows(FileOp::Read, path_, fd_, position_, n) && (n == 0 || buffer != nullptr) &&
                  PreadAll(fd_, position_, buffer, n, &count);
  position_ += count;
  if (got != nullptr) *got = count;
  return ok;
}

bool File::ReadExact(void* buffer, size_t n, size_t* got) {
  size_t count = 0;
  const bool ok = Read(buffer, n, &count);
  if (got != nullptr) *got = count;
  return ok && count == n;
}

bool File::Write(const void* data, size_t n) {
  if (!WriteAt(position_, data, n)) return false;
  position_ += n;
  return true;
}

bool File::Seek(uint64_t position) {
  if (fd_ < 0 || position > kMaxOffset || !FaultAllows(FileOp::Seek, path_, fd_, position)) return false;
  position_ = position;
  return true;
}

bool File::SeekRelative(int64_t delta) {
  if (fd_ < 0) return false;
  if (delta < 0) {
    const uint64_t back = static_cast<uint64_t>(-(delta + 1)) + 1;
    if (back > position_) return false;
    position_ -= back;
    return true;
  }
  const uint64_t forward = static_cast<uint64_t>(delta);
  if (forward > kMaxOffset - position_) return false;
  position_ += forward;
  return true;
}

bool File::Size(uint64_t* size) const {
  struct stat st {};
  if (fd_ < 0 || !FaultAllows(FileOp::Stat, path_, fd_) || fstat(fd_, &st) != 0 || st.st_size < 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool File::Facts(FileFacts* facts) const {
  struct stat st {};
  if (fd_ < 0 || !FaultAllows(FileOp::Stat, path_, fd_) || fstat(fd_, &st) != 0) return false;
  facts->device = uint64_t(st.st_dev);
  facts->inode = uint64_t(st.st_ino);
  facts->owner = uint32_t(st.st_uid);
  facts->links = uint64_t(st.st_nlink);
  return true;
}

uint64_t LinkCount(const std::string& path) {
  struct stat st {};
  if (!FaultAllows(FileOp::Stat, path)) return 0;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? uint64_t(st.st_nlink) : 0;
}

bool File::Truncate(uint64_t size) {
  if (fd_ < 0 || readOnly_ || size > kMaxOffset || !FaultAllows(FileOp::Truncate, path_, fd_, size)) return false;
  int r;
  do {
    r = ftruncate(fd_, static_cast<off_t>(size));
  } while (r != 0 && errno == EINTR);
  if (r == 0) FaultAfter(FileOp::Truncate, path_, fd_, size);
  return r == 0;
}

bool File::Flush() {
  if (fd_ < 0 || !FaultAllows(FileOp::Flush, path_, fd_)) return false;
  int r;
  do {
    r = fsync(fd_);
  } while (r != 0 && errno == EINTR);
  if (r == 0) FaultAfter(FileOp::Flush, path_, fd_);
  return r == 0;
}

bool File::ReadAt(uint64_t position, void* buffer, size_t n, size_t* got) {
  size_t count = 0;
  const bool ok = fd_ >= 0 && FaultAllows(FileOp::Read, path_, fd_, position, n) && (n == 0 || buffer != nullptr) &&
                  PreadAll(fd_, position, buffer, n, &count);
  if (got != nullptr) *got = count;
  return ok;
}

bool File::WriteAt(uint64_t position, const void* data, size_t n) {
  if (fd_ < 0 || readOnly_ || (n > 0 && data == nullptr)) return false;
  size_t reaching = n;
  if (!FaultAllows(FileOp::Write, path_, fd_, position, n, data, std::string(), &reaching)) {
    // A torn write: part of it reaches the file, and the write fails.
    if (reaching > 0 && PwriteAll(fd_, position, data, reaching))
      FaultAfter(FileOp::Write, path_, fd_, position, reaching);
    return false;
  }
  const bool ok = PwriteAll(fd_, position, data, n);
  // Even a failed write may have changed some of the bytes: a model of the
  // disk looks at all of them.
  FaultAfter(FileOp::Write, path_, fd_, position, n);
  return ok;
}

bool File::CopyFrom(File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset, size_t bufferBytes) {
  if (fd_ < 0 || readOnly_ || source.fd_ < 0) return false;
  if (!FitsOffset(offset, 0) || length > kMaxOffset - offset || length > kMaxOffset - sourceOffset) return false;
  if (length == 0) return true;
  size_t reaching = size_t(std::min<uint64_t>(length, SIZE_MAX));
  const bool allowed = FaultAllows(FileOp::Write, path_, fd_, offset, reaching, nullptr, source.path_, &reaching) &&
                       FaultAllows(FileOp::Read, source.path_, source.fd_, sourceOffset, reaching);
  const uint64_t todo = allowed ? length : reaching;
  uint64_t done = 0;
  bool kernel = true;
  bool ok = true;
  std::vector<uint8_t> buffer;
  while (done < todo) {
    const size_t chunk = size_t(std::min<uint64_t>(todo - done, kMaxChunk));
    if (kernel) {
      off_t in = off_t(sourceOffset + done), out = off_t(offset + done);
      const ssize_t n = ::copy_file_range(source.fd_, &in, fd_, &out, chunk, 0);
      if (n > 0) {
        done += uint64_t(n);
        continue;
      }
      if (n == 0) {  // the source ended early
        ok = false;
        break;
      }
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
        ok = false;
        break;
      }
      kernel = false;  // not between these files: copy through memory
    }
    if (buffer.empty()) buffer.resize(std::max<size_t>(bufferBytes, 1));
    const size_t piece = std::min(chunk, buffer.size());
    size_t got = 0;
    if (!PreadAll(source.fd_, sourceOffset + done, buffer.data(), piece, &got) || got == 0 ||
        !PwriteAll(fd_, offset + done, buffer.data(), got)) {
      ok = false;
      break;
    }
    done += got;
  }
  if (done > 0) FaultAfter(FileOp::Write, path_, fd_, offset, size_t(done), source.path_);
  return ok && allowed;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  if (!FaultAllows(FileOp::Stat, path)) return false;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) {
  if (!FaultAllows(FileOp::Remove, path)) return false;
  if (::unlink(path.c_str()) != 0) return false;
  FaultAfter(FileOp::Remove, path);
  return true;
}

uint32_t CurrentUser() { return uint32_t(::geteuid()); }

bool RealPath(const std::string& path, std::string* resolved) {
  if (!FaultAllows(FileOp::Stat, path)) return false;
  char* r = ::realpath(path.c_str(), nullptr);
  if (!r) return false;
  *resolved = r;
  ::free(r);
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool ReadWholeFile(const std::string& path, std::string* out, uint64_t maxBytes) {
  out->clear();
  File file;
  if (file.Open(path, OpenMode::ReadOnly) != OpenResult::Ok) return false;
  uint64_t size = 0;
  if (!file.Size(&size) || size > maxBytes) return false;
  // The size is only a hint (the file may grow while we read, and some
  // files report none): read in pieces and stop past maxBytes.
  out->reserve(static_cast<size_t>(size));
  char chunk[65536];
  for (;;) {
    size_t got = 0;
    if (!file.Read(chunk, sizeof(chunk), &got)) {
      out->clear();
      return false;
    }
    if (got == 0) break;
    if (got > maxBytes - out->size()) {
      out->clear();
      return false;
    }
    out->append(chunk, got);
  }
  return true;
}

}  // namespace tb::platform
