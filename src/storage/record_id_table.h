#pragma once
// Index positions by record id: open addressing in one flat array of
// eight-byte slots (the low half of the id's hash and the position), so that
// indexing thousands of records allocates a few times, not once per
// record. The ids themselves are read from the index. Kept at most half
// full; a removal shifts the entries after it back, so lookups never meet
// a gap left by one.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/record_id.h"
#include "storage/record_index.h"

namespace tb::storage {

class RecordIdTable {
 public:
  // The ids are those of the records at the positions in index; an id
  // must not change while its position is in the table.
  explicit RecordIdTable(const RecordIndex& index) : index_(index) {}

  // The position of the id, or -1.
  int Find(const RecordId& id) const {
    if (slots_.empty()) return -1;
    const size_t hash = Hash(id);
    for (size_t i = hash & Mask();; i = Next(i)) {
      const Slot& s = slots_[i];
      if (s.position < 0) return -1;
      if (s.tag == Tag(hash) && index_.Id(s.position) == id) return s.position;
    }
  }

  // Sets the id's position (which holds a record with that id), adding the
  // id when it is new. May throw
  // std::bad_alloc; the table is unchanged then.
  void Set(const RecordId& id, int position) {
    if (2 * (count_ + 1) > slots_.size()) Grow(2 * (count_ + 1));
    const size_t hash = Hash(id);
    for (size_t i = hash & Mask();; i = Next(i)) {
      Slot& s = slots_[i];
      if (s.position < 0) {
        s = {Tag(hash), position};
        ++count_;
        return;
      }
      if (s.tag == Tag(hash) && index_.Id(s.position) == id) {
        s.position = position;
        return;
      }
    }
  }

  void Erase(const RecordId& id) {
    if (slots_.empty()) return;
    const size_t hash = Hash(id);
    size_t i = hash & Mask();
    for (;; i = Next(i)) {
      const Slot& s = slots_[i];
      if (s.position < 0) return;
      if (s.tag == Tag(hash) && index_.Id(s.position) == id) break;
    }
    // Entries after the gap that would no longer be found move into it.
    for (size_t j = Next(i);; j = Next(j)) {
      Slot& s = slots_[j];
      if (s.position < 0) break;
      const size_t home = HomeOf(s);
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
    uint32_t tag = 0;  // the hash's low half: it names the home slot too
    int32_t position = -1;
  };

  static size_t Hash(const RecordId& id) { return RecordIdHash()(id); }
  static uint32_t Tag(size_t hash) { return uint32_t(hash); }
  size_t Mask() const { return slots_.size() - 1; }
  size_t Next(size_t i) const { return (i + 1) & Mask(); }
  // The home slot of an entry (the table never has 2^32 slots).
  size_t HomeOf(const Slot& s) const { return s.tag & Mask(); }

  void Grow(size_t atLeast) {
    size_t capacity = 16;
    while (capacity < atLeast) capacity *= 2;
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    count_ = 0;
    for (const Slot& s : old)
      if (s.position >= 0) Insert(s);
  }
  // Places a slot known not to be in the table (growing).
  void Insert(const Slot& slot) {
    for (size_t i = HomeOf(slot);; i = Next(i)) {
      if (slots_[i].position < 0) {
        slots_[i] = slot;
        ++count_;
        return;
      }
    }
  }

  const RecordIndex& index_;
  std::vector<Slot> slots_;  // a power of two in size, or empty
  size_t count_ = 0;
};

}  // namespace tb::storage
