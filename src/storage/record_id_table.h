#pragma once
// Index positions by record id: open addressing in one flat array, so
// that indexing thousands of records allocates a few times, not once per
// record. Kept at most half full; a removal shifts the entries after it
// back, so lookups never meet a gap left by one.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/record_id.h"

namespace tb::storage {

class RecordIdTable {
 public:
  // The position of the id, or -1.
  int Find(const RecordId& id) const {
    if (slots_.empty()) return -1;
    for (size_t i = Home(id);; i = Next(i)) {
      const Slot& s = slots_[i];
      if (s.position < 0) return -1;
      if (s.id == id) return s.position;
    }
  }

  // Sets the id's position, adding the id when it is new. May throw
  // std::bad_alloc; the table is unchanged then.
  void Set(const RecordId& id, int position) {
    if (2 * (count_ + 1) > slots_.size()) Grow(2 * (count_ + 1));
    for (size_t i = Home(id);; i = Next(i)) {
      Slot& s = slots_[i];
      if (s.position < 0) {
        s = {id, position};
        ++count_;
        return;
      }
      if (s.id == id) {
        s.position = position;
        return;
      }
    }
  }

  void Erase(const RecordId& id) {
    if (slots_.empty()) return;
    size_t i = Home(id);
    for (;; i = Next(i)) {
      if (slots_[i].position < 0) return;
      if (slots_[i].id == id) break;
    }
    // Entries after the gap that would no longer be found move into it.
    for (size_t j = Next(i);; j = Next(j)) {
      Slot& s = slots_[j];
      if (s.position < 0) break;
      const size_t home = Home(s.id);
      // s may fill the gap at i when its home is not in (i, j] cyclically.
      const bool between = i <= j ? (home > i && home <= j) : (home > i || home <= j);
      if (!between) {
        slots_[i] = s;
        i = j;
      }
    }
    slots_[i] = Slot();
    --count_;
  }

  // Room for this many ids without growing.
  void Reserve(size_t ids) {
    if (2 * ids > slots_.size()) Grow(2 * ids);
  }

  void Clear() {
    std::vector<Slot>().swap(slots_);
    count_ = 0;
  }

  size_t Count() const { return count_; }

 private:
  struct Slot {
    RecordId id;
    int position = -1;
  };

  size_t Home(const RecordId& id) const { return RecordIdHash()(id) & (slots_.size() - 1); }
  size_t Next(size_t i) const { return (i + 1) & (slots_.size() - 1); }

  void Grow(size_t atLeast) {
    size_t capacity = 16;
    while (capacity < atLeast) capacity *= 2;
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    count_ = 0;
    for (const Slot& s : old)
      if (s.position >= 0) Set(s.id, s.position);
  }

  std::vector<Slot> slots_;   // a power of two in size, or empty
  size_t count_ = 0;
};

}  // namespace tb::storage
