#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/core/file.h"
#include "platform/core/file_faults.h"
#include "platform/core/system_time.h"

namespace tb::platform {

bool SyncFolderOf(const std::string& path) {
  if (!FaultAllows(FileOp::SyncFolder, path)) return false;
  const std::string folder = FolderOf(path);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  if (ok) FaultAfter(FileOp::SyncFolder, path);
  return ok;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to) {
  if (!FaultAllows(FileOp::Rename, to, -1, 0, 0, nullptr, from)) return false;
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  FaultAfter(FileOp::Rename, to, -1, 0, 0, from);
  return SyncFolderOf(to);
}

PublishResult PublishFileNoReplace(const std::string& from, const std::string& to) {
  if (!FaultAllows(FileOp::Link, to, -1, 0, 0, nullptr, from)) return PublishResult::Failed;
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return PublishResult::Exists;
    // File systems without hard links (the FAT of most storage cards) can
    // still rename without replacing.
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return PublishResult::Failed;
    if (!FaultAllows(FileOp::Rename, to, -1, 0, 0, nullptr, from)) return PublishResult::Failed;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
      return errno == EEXIST ? PublishResult::Exists : PublishResult::Failed;
    FaultAfter(FileOp::Rename, to, -1, 0, 0, from);
    return SyncFolderOf(to) ? PublishResult::Ok : PublishResult::Failed;
  }
  FaultAfter(FileOp::Link, to, -1, 0, 0, from);
  // The partial name goes; if that fails, it is a leftover like any other.
  RemoveFile(from);
  return SyncFolderOf(to) ? PublishResult::Ok : PublishResult::Failed;
}

bool FileModifiedTime(const std::string& path, SystemTime* out) {
  struct stat st {};
  if (!FaultAllows(FileOp::Stat, path) || ::stat(path.c_str(), &st) != 0) return false;
  struct tm local {};
  const time_t seconds = st.st_mtim.tv_sec;
  if (::localtime_r(&seconds, &local) == nullptr) return false;
  out->year = uint16_t(local.tm_year + 1900);
  out->month = uint16_t(local.tm_mon + 1);
  out->dayOfWeek = uint16_t(local.tm_wday);
  out->day = uint16_t(local.tm_mday);
  out->hour = uint16_t(local.tm_hour);
  out->minute = uint16_t(local.tm_min);
  out->second = uint16_t(local.tm_sec);
  out->milliseconds = uint16_t(st.st_mtim.tv_nsec / 1000000);
  return true;
}

bool WriteNewFile(const std::string& path, const void* data, size_t n) {
  File file;
  if (file.Open(path, OpenMode::CreateNew) != OpenResult::Ok) return false;
  if (!file.WriteAt(0, data, n) || !file.Flush()) {
    file.Close();
    RemoveFile(path);
    return false;
  }
  return true;
}

}  // namespace tb::platform
