#pragma once
// A model of what reaches the disk, for power cuts in tests. The file
// seam reports every call that had an effect; the model keeps, for each
// file of one folder, what it held at its last flush and the writes since,
// and, for the folder, its entries at its last sync and the creates,
// renames, links and removes since. At a power cut the folder is put into
// a state the disk could hold afterwards: each unflushed write lost, kept
// or kept up to a torn sector, each unsynced entry change undone or kept.
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/file_faults.h"

namespace tb::test {

// What becomes of the work that was not flushed when the power went.
enum class Loss {
  AllLost,    // every unflushed write and every unsynced entry change
  AllKept,    // nothing: the page cache reached the disk after all
  RandomMix,  // each write lost, kept or torn at a sector; each entry change undone or kept
};

const char* Describe(Loss loss);

class DiskModel {
 public:
  // Everything in the folder now counts as on the disk.
  explicit DiskModel(const std::string& folder);

  void After(const platform::FileCall& call);
  // Makes the folder what the disk holds after a cut now.
  void Crash(Loss loss, uint32_t seed);

 private:
  struct Change {
    bool truncate = false;
    uint64_t offset = 0;  // a truncate: the new size
    std::string bytes;
  };
  struct Object {
    std::string durable;
    std::vector<Change> pending;
  };
  struct EntryChange {
    enum Kind { Add, Remove, Rename } kind;
    std::string name;  // Rename: the new name
    std::string from;  // Rename: the old name
    int object;
  };

  bool InFolder(const std::string& path, std::string* name) const;
  int ObjectOfDescriptor(int fd) const;
  int ObjectOfName(const std::string& name) const;
  int NewObject(uint64_t device, uint64_t inode, std::string durable);

  std::string folder_;
  std::map<int, Object> objects_;
  std::map<std::pair<uint64_t, uint64_t>, int> byInode_;
  int next_ = 0;
  std::map<std::string, int> durableNames_;
  std::map<std::string, int> liveNames_;
  std::vector<EntryChange> pendingEntries_;
};

}  // namespace tb::test
