#pragma once
// The headers of the open wallet's records, by index position, kept small:
// a wallet of many records would otherwise hold 800 bytes for each, most of
// them zeros and name padding. Each header is kept packed: its id, parent,
// kind, icon and file offset as plain values, and the rest of its 748
// bytes with the runs of zeros taken out. The bytes after a name's end are
// left out when they are zeros enciphered under the key the index packs
// with (as in every name this program writes) and put back when the header
// is unpacked; any other bytes are kept as they are, so unpacking gives
// back exactly the bytes that were packed, whatever they were.
//
// A header is unpacked into a full RecordHeader the first time one is
// asked for (Full); from then on that header is the record's, and the
// quick accessors read it, so changes made through it are seen everywhere.
// Full headers are kept in blocks and never move: a pointer to one stays
// valid until Clear.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/cipher/cipher.h"
#include "storage/cipher/secure.h"
#include "storage/record.h"
#include "storage/record_id.h"
#include "storage/record_store.h"

namespace tb::storage {

class RecordIndex {
 public:
  RecordIndex() = default;
  RecordIndex(const RecordIndex&) = delete;
  RecordIndex& operator=(const RecordIndex&) = delete;

  // The key every full header is given (the wallet's data key; not owned).
  void SetRecordKey(const KeyContext* key) { recordKey_ = key; }
  // Forgets every record (and the key the names were packed with).
  void Clear();

  size_t size() const { return entries_.size(); }
  // Room for this many records (a guess; more may come).
  void Reserve(size_t records);

  // Adds a header at the end; its position. May throw std::bad_alloc, and
  // then nothing was added.
  int Add(const RecordHeader& header);
  // Puts a header in the place of the one at position.
  void Replace(int position, const RecordHeader& header);

  // The full header at position (unpacked now if it was not yet).
  RecordHeader& Full(int position) const;

  // Quick reads that unpack nothing.
  RecordId Id(int position) const;
  RecordId Parent(int position) const;
  RecordKind Kind(int position) const;
  bool IsDeleted(int position) const;
  int32_t Icon(int position) const;
  uint64_t FileOffset(int position) const;
  void SetFileOffset(int position, uint64_t offset);
  // The record's name, as RecordHeader::GetName gives it.
  bool GetName(int position, Text* name) const;

 private:
  struct Entry {
    RecordId id;
    RecordId parent;
    uint64_t fileOffset = 0;
    uint64_t packed = 0;  // where its packed bytes start in the arena
    uint32_t packedLength = 0;
    int32_t icon = 0;
    int32_t full = -1;        // its full header in full_, or -1
    uint16_t namePrefix = 0;  // enciphered name bytes kept as they are
    RecordKind kind = RecordKind::None;
    bool deleted = false;
    bool nameTail = false;  // the name's tail is kept deciphered
  };

  // Packs the header into entry (its bytes go to the arena); may throw
  // std::bad_alloc before anything changed.
  void Pack(const RecordHeader& header, Entry* entry);
  void Unpack(const Entry& entry, RecordHeader* header) const;
  // Whether the header can be packed without losing anything the full one
  // holds (an icon picture, changes not yet written).
  static bool Packable(const RecordHeader& header);
  const RecordHeader* FullOrNull(int position) const;
  bool SamePackingKey() const;

  // The packed bytes, in blocks that never move once written.
  uint64_t AppendPacked(const uint8_t* data, size_t length);
  const uint8_t* PackedAt(uint64_t at) const;

  const KeyContext* recordKey_ = nullptr;
  KeyContext packingKey_;   // a copy of the record key, taken at the first Pack
  SecureBytes nameStream_;  // its keystream over a name's length
  bool packingKeyTaken_ = false;
  mutable std::vector<Entry> entries_;
  static constexpr size_t kArenaBlock = size_t(1) << 20;
  std::vector<std::unique_ptr<uint8_t[]>> arena_;
  size_t arenaUsed_ = 0;  // bytes used in the last block
  mutable RecordStore full_;
};

}  // namespace tb::storage
