#pragma once
// MD5 (RFC 1321), the only hash of the wallet format.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tb::storage {

using Digest = std::array<uint8_t, 16>;

class Md5Hasher {
 public:
  Md5Hasher();
  ~Md5Hasher();  // wipes what is left of the message and the state
  Md5Hasher(const Md5Hasher&) = default;
  Md5Hasher& operator=(const Md5Hasher&) = default;
  void Update(const void* data, size_t length);
  Digest Final();  // the hasher is spent afterwards

 private:
  void Block(const uint8_t* block);
  uint32_t state_[4];
  uint64_t length_ = 0;
  uint8_t buffer_[64];
  size_t used_ = 0;
};

Digest Md5(const void* data, size_t length);

}  // namespace tb::storage
