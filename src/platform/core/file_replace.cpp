#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/core/file.h"
#include "platform/core/file_faults.h"

namespace tb::platform {

bool SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to) {
  if (FileFaults* faults = InstalledFileFaults(); faults && faults->Before(FileOp::Rename, to, 0).fail)
    return false;
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  return SyncFolderOf(to);
}

PublishResult PublishFileNoReplace(const std::string& from, const std::string& to) {
  if (FileFaults* faults = InstalledFileFaults(); faults && faults->Before(FileOp::Rename, to, 0).fail)
    return PublishResult::Failed;
  if (::link(from.c_str(), to.c_str()) != 0) return errno == EEXIST ? PublishResult::Exists : PublishResult::Failed;
  ::unlink(from.c_str());
  return SyncFolderOf(to) ? PublishResult::Ok : PublishResult::Failed;
}

}  // namespace tb::platform
