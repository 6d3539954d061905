#include "storage/record_index.h"

#include <algorithm>
#include <cstring>

#include "storage/bytes.h"

namespace tb::storage {

namespace R = layout::record;

namespace {

// The packed part of a header: everything after the kind, id and parent.
constexpr size_t kPackedFrom = R::kParent + 16;
constexpr size_t kPackedSize = R::kSize - kPackedFrom;
constexpr size_t kNameAt = R::kName - kPackedFrom;
// Zeros are taken out when at least this many follow each other.
constexpr size_t kMinZeroRun = 4;
// At most: the name's prefix, and every byte in a run of its own with its
// two counts.
constexpr size_t kMaxPacked = R::kNameSize + 3 * kPackedSize;

// Room for one more element, growing by half: push_back cannot fail after it.
template <typename V>
void MakeRoom(V& v) {
  if (v.size() == v.capacity()) v.reserve(std::max<size_t>(16, v.capacity() + v.capacity() / 2));
}

uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
bool HasZeroByte(uint64_t v) { return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0; }

// Runs: a count of zeros, a count of other bytes, those bytes; repeated
// until size bytes are described.
size_t PackRuns(const uint8_t* in, size_t size, uint8_t* out) {
  size_t i = 0, o = 0;
  while (i < size) {
    // Eight bytes at a time where they allow it, then byte by byte.
    size_t zeros = 0;
    while (i + zeros + 8 <= size && zeros + 8 <= 255 && Load64(in + i + zeros) == 0) zeros += 8;
    while (i + zeros < size && zeros < 255 && in[i + zeros] == 0) ++zeros;
    i += zeros;
    size_t literal = 0;
    while (i + literal < size && literal < 255) {
      if (i + literal + 8 <= size && literal + 8 <= 255 && !HasZeroByte(Load64(in + i + literal))) {
        literal += 8;
        continue;
      }
      if (in[i + literal] != 0) {
        ++literal;
        continue;
      }
      // A short run of zeros stays among the other bytes.
      size_t run = 0;
      while (i + literal + run < size && run < kMinZeroRun && in[i + literal + run] == 0) ++run;
      if (run == kMinZeroRun || (run > 0 && i + literal + run == size)) break;
      literal += run == 0 ? 1 : run;
    }
    literal = std::min<size_t>(literal, 255);
    out[o++] = uint8_t(zeros);
    out[o++] = uint8_t(literal);
    std::memcpy(out + o, in + i, literal);
    o += literal;
    i += literal;
  }
  return o;
}

void UnpackRuns(const uint8_t* in, size_t length, uint8_t* out, size_t size) {
  size_t i = 0, o = 0;
  while (i + 2 <= length && o < size) {
    const size_t zeros = std::min<size_t>(in[i], size - o);
    std::memset(out + o, 0, zeros);
    o += zeros;
    const size_t literal = std::min<size_t>({in[i + 1], size - o, length - i - 2});
    std::memcpy(out + o, in + i + 2, literal);
    o += literal;
    i += 2 + size_t(in[i + 1]);
  }
  if (o < size) std::memset(out + o, 0, size - o);
}

}  // namespace

void RecordIndex::Reserve(size_t records) { entries_.reserve(records); }

void RecordIndex::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  arena_.clear();
  arenaUsed_ = 0;
  full_.clear();
  packingKey_.Clear();
  SecureWipe(nameStream_.data(), nameStream_.size());
  nameStream_.clear();
  packingKeyTaken_ = false;
}

bool RecordIndex::Packable(const RecordHeader& h) {
  return h.Payload().empty() && !h.changedInMemory && h.Kind() != RecordKind::None;
}

bool RecordIndex::SamePackingKey() const {
  return packingKey_.IsSet() && recordKey_ && recordKey_->IsSet() && packingKey_.Key() == recordKey_->Key();
}

uint64_t RecordIndex::AppendPacked(const uint8_t* data, size_t length) {
  if (arena_.empty() || kArenaBlock - arenaUsed_ < length) {
    MakeRoom(arena_);
    // Filled before it is read: not cleared first.
    arena_.push_back(std::unique_ptr<uint8_t[]>(new uint8_t[kArenaBlock]));
    arenaUsed_ = 0;
  }
  const uint64_t at = uint64_t(arena_.size() - 1) * kArenaBlock + arenaUsed_;
  std::memcpy(arena_.back().get() + arenaUsed_, data, length);
  arenaUsed_ += length;
  return at;
}

const uint8_t* RecordIndex::PackedAt(uint64_t at) const {
  return arena_[size_t(at / kArenaBlock)].get() + size_t(at % kArenaBlock);
}

void RecordIndex::Pack(const RecordHeader& h, Entry* e) {
  if (!packingKeyTaken_) {
    if (recordKey_ && recordKey_->IsSet()) {
      SecureBytes stream(R::kNameSize, 0);
      packingKey_ = *recordKey_;
      packingKey_.Apply(stream.data(), stream.size(), stream.data());
      nameStream_.swap(stream);
    }
    packingKeyTaken_ = true;
  }
  uint8_t rest[kPackedSize];
  std::memcpy(rest, h.Bytes().data() + kPackedFrom, kPackedSize);
  uint8_t* name = rest + kNameAt;
  uint8_t out[kMaxPacked];
  size_t prefix = 0;
  bool tail = false;
  if (nameStream_.size() == R::kNameSize && !AllZero(name, R::kNameSize)) {
    // The name up to its end (the first unit that deciphers to NUL) stays
    // enciphered, in front; the bytes after it are left out when they are
    // enciphered zeros, as they are in a name this program wrote, and kept
    // with the rest otherwise.
    const uint8_t* stream = nameStream_.data();
    size_t units = 0;
    while (units < R::kNameUnits - 1 &&
           (name[2 * units] != stream[2 * units] || name[2 * units + 1] != stream[2 * units + 1]))
      ++units;
    const size_t p = std::min(R::kNameSize, 2 * (units + 1));
    if (std::memcmp(name + p, stream + p, R::kNameSize - p) == 0) {
      prefix = p;
      tail = true;
      std::memcpy(out, name, prefix);
      std::memset(name, 0, R::kNameSize);
    }
  }
  const size_t length = prefix + PackRuns(rest, kPackedSize, out + prefix);
  const uint64_t at = AppendPacked(out, length);
  e->id = h.Id();
  e->parent = h.Parent();
  e->fileOffset = h.fileOffset;
  e->packed = at;
  e->packedLength = uint32_t(length);
  e->icon = h.Icon();
  e->full = -1;
  e->namePrefix = uint16_t(prefix);
  e->kind = h.Kind();
  e->deleted = h.IsDeleted();
  e->nameTail = tail;
}

void RecordIndex::Unpack(const Entry& e, RecordHeader* h) const {
  uint8_t raw[R::kSize];
  std::memcpy(raw + R::kKind, SignatureOf(e.kind).data(), 16);
  e.id.StoreTo(raw + R::kId);
  e.parent.StoreTo(raw + R::kParent);
  const uint8_t* packed = PackedAt(e.packed);
  UnpackRuns(packed + e.namePrefix, e.packedLength - e.namePrefix, raw + kPackedFrom, kPackedSize);
  if (e.nameTail) {
    // The tail was enciphered zeros: the keystream itself.
    uint8_t* name = raw + R::kName;
    std::memcpy(name, packed, e.namePrefix);
    std::memcpy(name + e.namePrefix, nameStream_.data() + e.namePrefix, R::kNameSize - e.namePrefix);
  }
  h->Decode(raw);
  h->fileOffset = e.fileOffset;
  h->SetKey(recordKey_);
}

int RecordIndex::Add(const RecordHeader& header) {
  MakeRoom(entries_);
  Entry e;
  if (Packable(header)) {
    Pack(header, &e);
  } else {
    full_.push_back(header).SetKey(recordKey_);
    e.full = int32_t(full_.size() - 1);
  }
  entries_.push_back(e);
  return int(entries_.size() - 1);
}

void RecordIndex::Replace(int position, const RecordHeader& header) {
  Entry& e = entries_[size_t(position)];
  if (e.full >= 0) {
    RecordHeader& slot = full_[size_t(e.full)];
    slot = header;
    slot.SetKey(recordKey_);
    return;
  }
  if (Packable(header)) {
    Entry packed;
    Pack(header, &packed);
    e = packed;
    return;
  }
  full_.push_back(header).SetKey(recordKey_);
  e.full = int32_t(full_.size() - 1);
}

RecordHeader& RecordIndex::Full(int position) const {
  Entry& e = entries_[size_t(position)];
  if (e.full < 0) {
    RecordHeader h;
    Unpack(e, &h);
    full_.push_back(h);
    e.full = int32_t(full_.size() - 1);
  }
  return full_[size_t(e.full)];
}

const RecordHeader* RecordIndex::FullOrNull(int position) const {
  const Entry& e = entries_[size_t(position)];
  return e.full >= 0 ? &full_[size_t(e.full)] : nullptr;
}

RecordId RecordIndex::Id(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->Id() : entries_[size_t(position)].id;
}

RecordId RecordIndex::Parent(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->Parent() : entries_[size_t(position)].parent;
}

RecordKind RecordIndex::Kind(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->Kind() : entries_[size_t(position)].kind;
}

bool RecordIndex::IsDeleted(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->IsDeleted() : entries_[size_t(position)].deleted;
}

int32_t RecordIndex::Icon(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->Icon() : entries_[size_t(position)].icon;
}

uint64_t RecordIndex::FileOffset(int position) const {
  const RecordHeader* h = FullOrNull(position);
  return h ? h->fileOffset : entries_[size_t(position)].fileOffset;
}

void RecordIndex::SetFileOffset(int position, uint64_t offset) {
  Entry& e = entries_[size_t(position)];
  if (e.full >= 0) full_[size_t(e.full)].fileOffset = offset;
  else e.fileOffset = offset;
}

bool RecordIndex::GetName(int position, Text* name) const {
  const Entry& e = entries_[size_t(position)];
  if (e.full >= 0 || !e.nameTail || !SamePackingKey()) return Full(position).GetName(name);
  // Only the enciphered prefix is needed: the name ends inside it.
  name->clear();
  uint8_t clear[R::kNameSize];
  const size_t p = e.namePrefix;
  recordKey_->Apply(PackedAt(e.packed), p, clear);
  size_t units = 0;
  while (units < R::kNameUnits - 1 && 2 * units + 2 <= p && LoadU16(clear + 2 * units) != 0) ++units;
  name->resize(units);
  for (size_t i = 0; i < units; ++i) (*name)[i] = char16_t(LoadU16(clear + 2 * i));
  SecureWipe(clear, p);
  return true;
}

}  // namespace tb::storage
