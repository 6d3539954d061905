#pragma once
// Little-endian encoding of the wallet's integers. Every block, record
// header and card item is read and written through these, at offsets named
// in layout.h.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tb::storage {

inline uint16_t LoadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t LoadI32(const uint8_t* p) { return int32_t(LoadU32(p)); }
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void StoreI32(uint8_t* p, int32_t v) { StoreU32(p, uint32_t(v)); }

inline bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

// Stored size of a byte payload of length n: the data, then 1 to 4 zero
// bytes (4 when n is a multiple of 4).
inline uint32_t PaddingForBytes(uint64_t n) { return uint32_t(4 - n % 4); }
// Stored size of a UTF-16 text of b bytes (b even): the text, then 2 or 4
// zero bytes so that a terminator is always present; empty = nothing.
inline uint32_t PaddingForText(uint64_t b) { return b == 0 ? 0 : uint32_t(4 - b % 4); }

// A bounds-checked view over bytes read from a file: every length from the
// file is checked against what is left before it is used.
class ByteSpan {
 public:
  ByteSpan() = default;
  ByteSpan(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool Has(size_t offset, size_t n) const { return offset <= size_ && n <= size_ - offset; }
  ByteSpan Sub(size_t offset, size_t n) const { return ByteSpan(data_ + offset, n); }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tb::storage
