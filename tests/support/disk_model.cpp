#include "support/disk_model.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/core/file.h"

namespace tb::test {

namespace {
constexpr uint64_t kSector = 512;

std::string ReadDescriptor(int fd, uint64_t offset, size_t length) {
  std::string out(length, '\0');
  size_t got = 0;
  while (got < length) {
    const ssize_t r = ::pread(fd, out.data() + got, length - got, off_t(offset + got));
    if (r <= 0) break;
    got += size_t(r);
  }
  out.resize(got);
  return out;
}

std::string ReadWhole(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return {};
  return ReadDescriptor(fd, 0, size_t(st.st_size));
}

void Apply(std::string& content, const std::string& bytes, uint64_t offset) {
  if (content.size() < offset + bytes.size()) content.resize(size_t(offset + bytes.size()), '\0');
  std::copy(bytes.begin(), bytes.end(), content.begin() + std::ptrdiff_t(offset));
}
}  // namespace

const char* Describe(Loss loss) {
  switch (loss) {
    case Loss::AllLost: return "all unflushed lost";
    case Loss::AllKept: return "all unflushed kept";
    case Loss::RandomMix: return "a random mix";
  }
  return "?";
}

DiskModel::DiskModel(const std::string& folder) {
  if (!platform::RealPath(folder, &folder_)) folder_ = folder;
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    const std::string path = folder_ + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    int object;
    const auto known = byInode_.find({uint64_t(st.st_dev), uint64_t(st.st_ino)});
    if (known != byInode_.end()) {
      object = known->second;
    } else {
      std::ifstream in(path, std::ios::binary);
      object = NewObject(uint64_t(st.st_dev), uint64_t(st.st_ino), std::string(std::istreambuf_iterator<char>(in), {}));
    }
    durableNames_[name] = liveNames_[name] = object;
  }
  ::closedir(dir);
}

int DiskModel::NewObject(uint64_t device, uint64_t inode, std::string durable) {
  const int object = next_++;
  objects_[object].durable = std::move(durable);
  byInode_[{device, inode}] = object;
  return object;
}

bool DiskModel::InFolder(const std::string& path, std::string* name) const {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || path.compare(0, slash, folder_) != 0 || slash != folder_.size()) return false;
  *name = path.substr(slash + 1);
  return true;
}

int DiskModel::ObjectOfDescriptor(int fd) const {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  const auto it = byInode_.find({uint64_t(st.st_dev), uint64_t(st.st_ino)});
  return it == byInode_.end() ? -1 : it->second;
}

int DiskModel::ObjectOfName(const std::string& name) const {
  const auto it = liveNames_.find(name);
  return it == liveNames_.end() ? -1 : it->second;
}

void DiskModel::After(const platform::FileCall& call) {
  using platform::FileOp;
  std::string name, from;
  switch (call.op) {
    case FileOp::Create: {
      struct stat st {};
      if (!InFolder(call.path, &name) || ::fstat(call.fd, &st) != 0) return;
      const int object = NewObject(uint64_t(st.st_dev), uint64_t(st.st_ino), std::string());
      liveNames_[name] = object;
      pendingEntries_.push_back({EntryChange::Add, name, {}, object});
      return;
    }
    case FileOp::Write: {
      const int object = ObjectOfDescriptor(call.fd);
      if (object < 0) return;
      objects_[object].pending.push_back({false, call.offset, ReadDescriptor(call.fd, call.offset, call.length)});
      return;
    }
    case FileOp::Truncate: {
      const int object = ObjectOfDescriptor(call.fd);
      if (object >= 0) objects_[object].pending.push_back({true, call.offset, {}});
      return;
    }
    case FileOp::Flush: {
      const int object = ObjectOfDescriptor(call.fd);
      if (object < 0) return;
      objects_[object].durable = ReadWhole(call.fd);
      objects_[object].pending.clear();
      return;
    }
    case FileOp::Rename: {
      if (!InFolder(call.path, &name) || !InFolder(call.from, &from)) return;
      const int object = ObjectOfName(from);
      if (object < 0) return;
      liveNames_.erase(from);
      liveNames_[name] = object;
      pendingEntries_.push_back({EntryChange::Rename, name, from, object});
      return;
    }
    case FileOp::Link: {
      if (!InFolder(call.path, &name) || !InFolder(call.from, &from)) return;
      const int object = ObjectOfName(from);
      if (object < 0) return;
      liveNames_[name] = object;
      pendingEntries_.push_back({EntryChange::Add, name, {}, object});
      return;
    }
    case FileOp::Remove: {
      if (!InFolder(call.path, &name)) return;
      const int object = ObjectOfName(name);
      if (object < 0) return;
      liveNames_.erase(name);
      pendingEntries_.push_back({EntryChange::Remove, name, {}, object});
      return;
    }
    case FileOp::SyncFolder: {
      std::string folderName;
      if (!InFolder(call.path, &folderName)) return;
      durableNames_ = liveNames_;
      pendingEntries_.clear();
      return;
    }
    default: return;
  }
}

void DiskModel::Crash(Loss loss, uint32_t seed) {
  std::mt19937 random(seed);
  auto coin = [&] { return std::uniform_int_distribution<int>(0, 1)(random) == 1; };
  // The folder's entries.
  std::map<std::string, int> names = durableNames_;
  for (const EntryChange& c : pendingEntries_) {
    if (loss == Loss::AllLost || (loss == Loss::RandomMix && !coin())) continue;
    switch (c.kind) {
      case EntryChange::Add: names[c.name] = c.object; break;
      case EntryChange::Remove:
        if (names.count(c.name) && names[c.name] == c.object) names.erase(c.name);
        break;
      case EntryChange::Rename:
        if (names.count(c.from) && names[c.from] == c.object) names.erase(c.from);
        names[c.name] = c.object;
        break;
    }
  }
  // What each file that still has a name holds.
  std::map<int, std::string> contents;
  for (const auto& [n, object] : names) {
    if (contents.count(object)) continue;
    const Object& o = objects_[object];
    std::string content = o.durable;
    for (const Change& c : o.pending) {
      if (loss == Loss::AllLost) break;
      int fate = 1;  // 0 lost, 1 kept, 2 torn
      if (loss == Loss::RandomMix) fate = std::uniform_int_distribution<int>(0, c.truncate ? 1 : 2)(random);
      if (fate == 0) continue;
      if (c.truncate) {
        content.resize(size_t(c.offset), '\0');
        continue;
      }
      std::string bytes = c.bytes;
      if (fate == 2 && !bytes.empty()) {
        // Kept up to a sector boundary inside the write.
        const uint64_t end = c.offset + bytes.size();
        std::vector<uint64_t> cuts;
        for (uint64_t b = (c.offset / kSector + 1) * kSector; b < end; b += kSector) cuts.push_back(b);
        const uint64_t cut =
            cuts.empty() ? c.offset : cuts[std::uniform_int_distribution<size_t>(0, cuts.size() - 1)(random)];
        bytes.resize(size_t(cut - c.offset));
      }
      Apply(content, bytes, c.offset);
    }
    contents[object] = std::move(content);
  }
  // The folder made so: regular files that have no name any more go, the
  // others get their contents, and names of one file are links again.
  if (DIR* dir = ::opendir(folder_.c_str())) {
    std::vector<std::string> existing;
    while (const dirent* e = ::readdir(dir)) existing.push_back(e->d_name);
    ::closedir(dir);
    for (const std::string& n : existing) {
      struct stat st {};
      const std::string path = folder_ + "/" + n;
      if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
  }
  std::map<int, std::string> firstName;
  for (const auto& [n, object] : names) {
    const std::string path = folder_ + "/" + n;
    if (firstName.count(object)) {
      ::link(firstName[object].c_str(), path.c_str());
      continue;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    const std::string& c = contents[object];
    size_t done = 0;
    while (done < c.size()) {
      const ssize_t w = ::write(fd, c.data() + done, c.size() - done);
      if (w <= 0) break;
      done += size_t(w);
    }
    ::close(fd);
    firstName[object] = path;
  }
}

}  // namespace tb::test
