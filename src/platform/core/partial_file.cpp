// Files the program writes beside another before they take its place, and
// what is left of them after a crash.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/core/file.h"
#include "platform/core/file_faults.h"
#include "platform/core/system.h"

namespace tb::platform {

namespace {
constexpr int kNameAttempts = 16;
constexpr size_t kRandomDigits = 8;

std::string RandomSuffix() {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08x", unsigned(Random32()));
  return digits;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsHexDigits(const std::string& s) {
  if (s.size() != kRandomDigits) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// "<base>.<tag>" or "<base>.<tag>-XXXXXXXX" for one of the tags.
bool IsPartialName(const std::string& name, const std::string& base, std::initializer_list<const char*> tags) {
  if (name.size() <= base.size() + 1 || name.compare(0, base.size(), base) != 0 || name[base.size()] != '.')
    return false;
  const std::string rest = name.substr(base.size() + 1);
  for (const char* tag : tags) {
    const size_t n = std::strlen(tag);
    if (rest.compare(0, n, tag) != 0) continue;
    if (rest.size() == n) return true;
    if (rest[n] == '-' && IsHexDigits(rest.substr(n + 1))) return true;
  }
  return false;
}

// Removes one leftover when it is a regular file of ours that nobody holds.
bool RemoveIfUnheld(int folderFd, const std::string& folder, const std::string& name, const FileFacts* held) {
  const std::string path = folder + "/" + name;
  if (!FaultAllows(FileOp::Open, path)) return false;
  const int fd = ::openat(folderFd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  FaultAfter(FileOp::Open, path, fd);
  bool removed = false;
  struct stat it {
  }, named{};
  if (FaultAllows(FileOp::Stat, path, fd) && ::fstat(fd, &it) == 0 && S_ISREG(it.st_mode) &&
      it.st_uid == CurrentUser() &&
      ((held && uint64_t(it.st_dev) == held->device && uint64_t(it.st_ino) == held->inode) ||
       (FaultAllows(FileOp::Lock, path, fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)) &&
      FaultAllows(FileOp::Stat, path) && ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      named.st_dev == it.st_dev && named.st_ino == it.st_ino && FaultAllows(FileOp::Remove, path) &&
      ::unlinkat(folderFd, name.c_str(), 0) == 0) {
    FaultAfter(FileOp::Remove, path);
    removed = true;
  }
  ::close(fd);
  return removed;
}
}  // namespace

bool CreatePartialFile(const std::string& besides, const char* tag, File* file, std::string* path) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = besides + "." + tag + "-" + RandomSuffix();
    switch (file->Open(candidate, OpenMode::CreateNew, Links::Refuse)) {
      case OpenResult::Ok: *path = candidate; return true;
      case OpenResult::Exists: continue;  // someone has that name: draw another
      default: return false;
    }
  }
  return false;
}

int RemoveLeftoverPartialFiles(const std::string& besides, std::initializer_list<const char*> tags,
                               const FileFacts* held) {
  const std::string base = BaseName(besides);
  const std::string folderPath = FolderOf(besides);
  if (!FaultAllows(FileOp::Stat, folderPath)) return 0;
  DIR* folder = ::opendir(folderPath.c_str());
  if (!folder) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (IsPartialName(name, base, tags) && RemoveIfUnheld(::dirfd(folder), folderPath, name, held)) ++removed;
  }
  ::closedir(folder);
  if (removed > 0) SyncFolderOf(besides);
  return removed;
}

bool SetAside(const std::string& path, const char* tag, std::string* moved) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = path + "." + tag + "-" + RandomSuffix();
    // rename never follows a link: a link is moved as it is.
    if (!FaultAllows(FileOp::Rename, candidate, -1, 0, 0, nullptr, path)) return false;
    int r = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE);
    if (r != 0 && errno == EINVAL) {
      // A file system without the no-replace rename: the random name is
      // checked to be free first.
      struct stat st {};
      if (::lstat(candidate.c_str(), &st) == 0) continue;
      r = ::rename(path.c_str(), candidate.c_str());
    }
    if (r == 0) {
      FaultAfter(FileOp::Rename, candidate, -1, 0, 0, path);
      SyncFolderOf(path);
      *moved = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace tb::platform
