#pragma once
// The headers of the open wallet's records, by index position. They live
// in blocks of a fixed number of headers, so that loading thousands of
// records costs a few allocations and a header never moves once it is
// stored: a pointer to it stays valid while the wallet is open, and
// replacing a record overwrites its header where it is.
#include <cstddef>
#include <memory>
#include <vector>

#include "storage/record.h"

namespace tb::storage {

class RecordStore {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  RecordHeader& operator[](size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const RecordHeader& operator[](size_t i) const { return blocks_[i / kBlock][i % kBlock]; }

  // May throw std::bad_alloc; the store is unchanged then.
  RecordHeader& push_back(const RecordHeader& header) {
    if (size_ == blocks_.size() * kBlock) {
      if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.size() * 2 + 8);
      blocks_.push_back(std::make_unique<RecordHeader[]>(kBlock));
    }
    RecordHeader& slot = (*this)[size_];
    slot = header;
    ++size_;
    return slot;
  }

  void clear() {
    blocks_.clear();
    size_ = 0;
  }

 private:
  static constexpr size_t kBlock = 128;
  std::vector<std::unique_ptr<RecordHeader[]>> blocks_;
  size_t size_ = 0;
};

}  // namespace tb::storage
