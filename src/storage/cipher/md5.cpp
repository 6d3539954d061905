#include "storage/cipher/md5.h"

#include <bit>
#include <cstring>

#include "storage/cipher/secure.h"

namespace tb::storage {
namespace {

inline uint32_t LoadLe32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  return v;
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

// The four round functions in the forms with the shortest dependency chains:
// F and G as a select, I with a single not.
#define TB_MD5_F(x, y, z) ((((y) ^ (z)) & (x)) ^ (z))
#define TB_MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define TB_MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define TB_MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

#define TB_MD5_STEP(f, a, b, c, d, m, k, s) \
  a += f(b, c, d) + (m) + (k);              \
  a = std::rotl(a, s) + (b);

// Runs over `count` consecutive blocks so the message words are wiped from
// the stack once per call rather than once per block.
void Compress(uint32_t* state, const uint8_t* block, size_t count) {
  uint32_t m[16];
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; count != 0; --count, block += 64) {
    for (int n = 0; n < 16; ++n) m[n] = LoadLe32(block + 4 * n);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    TB_MD5_STEP(TB_MD5_F, a, b, c, d, m[0], 0xd76aa478u, 7)
    TB_MD5_STEP(TB_MD5_F, d, a, b, c, m[1], 0xe8c7b756u, 12)
    TB_MD5_STEP(TB_MD5_F, c, d, a, b, m[2], 0x242070dbu, 17)
    TB_MD5_STEP(TB_MD5_F, b, c, d, a, m[3], 0xc1bdceeeu, 22)
    TB_MD5_STEP(TB_MD5_F, a, b, c, d, m[4], 0xf57c0fafu, 7)
    TB_MD5_STEP(TB_MD5_F, d, a, b, c, m[5], 0x4787c62au, 12)
    TB_MD5_STEP(TB_MD5_F, c, d, a, b, m[6], 0xa8304613u, 17)
    TB_MD5_STEP(TB_MD5_F, b, c, d, a, m[7], 0xfd469501u, 22)
    TB_MD5_STEP(TB_MD5_F, a, b, c, d, m[8], 0x698098d8u, 7)
    TB_MD5_STEP(TB_MD5_F, d, a, b, c, m[9], 0x8b44f7afu, 12)
    TB_MD5_STEP(TB_MD5_F, c, d, a, b, m[10], 0xffff5bb1u, 17)
    TB_MD5_STEP(TB_MD5_F, b, c, d, a, m[11], 0x895cd7beu, 22)
    TB_MD5_STEP(TB_MD5_F, a, b, c, d, m[12], 0x6b901122u, 7)
    TB_MD5_STEP(TB_MD5_F, d, a, b, c, m[13], 0xfd987193u, 12)
    TB_MD5_STEP(TB_MD5_F, c, d, a, b, m[14], 0xa679438eu, 17)
    TB_MD5_STEP(TB_MD5_F, b, c, d, a, m[15], 0x49b40821u, 22)

    TB_MD5_STEP(TB_MD5_G, a, b, c, d, m[1], 0xf61e2562u, 5)
    TB_MD5_STEP(TB_MD5_G, d, a, b, c, m[6], 0xc040b340u, 9)
    TB_MD5_STEP(TB_MD5_G, c, d, a, b, m[11], 0x265e5a51u, 14)
    TB_MD5_STEP(TB_MD5_G, b, c, d, a, m[0], 0xe9b6c7aau, 20)
    TB_MD5_STEP(TB_MD5_G, a, b, c, d, m[5], 0xd62f105du, 5)
    TB_MD5_STEP(TB_MD5_G, d, a, b, c, m[10], 0x02441453u, 9)
    TB_MD5_STEP(TB_MD5_G, c, d, a, b, m[15], 0xd8a1e681u, 14)
    TB_MD5_STEP(TB_MD5_G, b, c, d, a, m[4], 0xe7d3fbc8u, 20)
    TB_MD5_STEP(TB_MD5_G, a, b, c, d, m[9], 0x21e1cde6u, 5)
    TB_MD5_STEP(TB_MD5_G, d, a, b, c, m[14], 0xc33707d6u, 9)
    TB_MD5_STEP(TB_MD5_G, c, d, a, b, m[3], 0xf4d50d87u, 14)
    TB_MD5_STEP(TB_MD5_G, b, c, d, a, m[8], 0x455a14edu, 20)
    TB_MD5_STEP(TB_MD5_G, a, b, c, d, m[13], 0xa9e3e905u, 5)
    TB_MD5_STEP(TB_MD5_G, d, a, b, c, m[2], 0xfcefa3f8u, 9)
    TB_MD5_STEP(TB_MD5_G, c, d, a, b, m[7], 0x676f02d9u, 14)
    TB_MD5_STEP(TB_MD5_G, b, c, d, a, m[12], 0x8d2a4c8au, 20)

    TB_MD5_STEP(TB_MD5_H, a, b, c, d, m[5], 0xfffa3942u, 4)
    TB_MD5_STEP(TB_MD5_H, d, a, b, c, m[8], 0x8771f681u, 11)
    TB_MD5_STEP(TB_MD5_H, c, d, a, b, m[11], 0x6d9d6122u, 16)
    TB_MD5_STEP(TB_MD5_H, b, c, d, a, m[14], 0xfde5380cu, 23)
    TB_MD5_STEP(TB_MD5_H, a, b, c, d, m[1], 0xa4beea44u, 4)
    TB_MD5_STEP(TB_MD5_H, d, a, b, c, m[4], 0x4bdecfa9u, 11)
    TB_MD5_STEP(TB_MD5_H, c, d, a, b, m[7], 0xf6bb4b60u, 16)
    TB_MD5_STEP(TB_MD5_H, b, c, d, a, m[10], 0xbebfbc70u, 23)
    TB_MD5_STEP(TB_MD5_H, a, b, c, d, m[13], 0x289b7ec6u, 4)
    TB_MD5_STEP(TB_MD5_H, d, a, b, c, m[0], 0xeaa127fau, 11)
    TB_MD5_STEP(TB_MD5_H, c, d, a, b, m[3], 0xd4ef3085u, 16)
    TB_MD5_STEP(TB_MD5_H, b, c, d, a, m[6], 0x04881d05u, 23)
    TB_MD5_STEP(TB_MD5_H, a, b, c, d, m[9], 0xd9d4d039u, 4)
    TB_MD5_STEP(TB_MD5_H, d, a, b, c, m[12], 0xe6db99e5u, 11)
    TB_MD5_STEP(TB_MD5_H, c, d, a, b, m[15], 0x1fa27cf8u, 16)
    TB_MD5_STEP(TB_MD5_H, b, c, d, a, m[2], 0xc4ac5665u, 23)

    TB_MD5_STEP(TB_MD5_I, a, b, c, d, m[0], 0xf4292244u, 6)
    TB_MD5_STEP(TB_MD5_I, d, a, b, c, m[7], 0x432aff97u, 10)
    TB_MD5_STEP(TB_MD5_I, c, d, a, b, m[14], 0xab9423a7u, 15)
    TB_MD5_STEP(TB_MD5_I, b, c, d, a, m[5], 0xfc93a039u, 21)
    TB_MD5_STEP(TB_MD5_I, a, b, c, d, m[12], 0x655b59c3u, 6)
    TB_MD5_STEP(TB_MD5_I, d, a, b, c, m[3], 0x8f0ccc92u, 10)
    TB_MD5_STEP(TB_MD5_I, c, d, a, b, m[10], 0xffeff47du, 15)
    TB_MD5_STEP(TB_MD5_I, b, c, d, a, m[1], 0x85845dd1u, 21)
    TB_MD5_STEP(TB_MD5_I, a, b, c, d, m[8], 0x6fa87e4fu, 6)
    TB_MD5_STEP(TB_MD5_I, d, a, b, c, m[15], 0xfe2ce6e0u, 10)
    TB_MD5_STEP(TB_MD5_I, c, d, a, b, m[6], 0xa3014314u, 15)
    TB_MD5_STEP(TB_MD5_I, b, c, d, a, m[13], 0x4e0811a1u, 21)
    TB_MD5_STEP(TB_MD5_I, a, b, c, d, m[4], 0xf7537e82u, 6)
    TB_MD5_STEP(TB_MD5_I, d, a, b, c, m[11], 0xbd3af235u, 10)
    TB_MD5_STEP(TB_MD5_I, c, d, a, b, m[2], 0x2ad7d2bbu, 15)
    TB_MD5_STEP(TB_MD5_I, b, c, d, a, m[9], 0xeb86d391u, 21)

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
  // The message words may be a password; do not leave them on the stack.
  SecureWipe(m, sizeof m);
}

#undef TB_MD5_STEP
#undef TB_MD5_F
#undef TB_MD5_G
#undef TB_MD5_H
#undef TB_MD5_I

}  // namespace

Md5Hasher::Md5Hasher() : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u}, buffer_{} {}

Md5Hasher::~Md5Hasher() {
  SecureWipe(state_, sizeof state_);
  SecureWipe(buffer_, sizeof buffer_);
}

void Md5Hasher::Block(const uint8_t* block) { Compress(state_, block, 1); }

void Md5Hasher::Update(const void* data, size_t length) {
  if (length == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  length_ += length;
  if (used_ != 0) {
    size_t take = 64 - used_;
    if (take > length) take = length;
    std::memcpy(buffer_ + used_, p, take);
    used_ += take;
    p += take;
    length -= take;
    if (used_ < 64) return;
    Block(buffer_);
    used_ = 0;
  }
  // Whole blocks straight from the caller's memory: no copy on the fast path.
  if (length >= 64) {
    const size_t blocks = length / 64;
    Compress(state_, p, blocks);
    p += blocks * 64;
    length -= blocks * 64;
  }
  if (length != 0) {
    std::memcpy(buffer_, p, length);
    used_ = length;
  }
}

Digest Md5Hasher::Final() {
  const uint64_t bits = length_ << 3;
  buffer_[used_++] = 0x80;
  if (used_ > 56) {
    std::memset(buffer_ + used_, 0, 64 - used_);
    Block(buffer_);
    used_ = 0;
  }
  std::memset(buffer_ + used_, 0, 56 - used_);
  for (int n = 0; n < 8; ++n) buffer_[56 + n] = static_cast<uint8_t>(bits >> (8 * n));
  Block(buffer_);

  Digest digest;
  for (int n = 0; n < 4; ++n) StoreLe32(digest.data() + 4 * n, state_[n]);
  SecureWipe(buffer_, sizeof buffer_);
  SecureWipe(state_, sizeof state_);
  used_ = 0;
  length_ = 0;
  return digest;
}

Digest Md5(const void* data, size_t length) {
  Md5Hasher hasher;
  hasher.Update(data, length);
  return hasher.Final();
}

}  // namespace tb::storage
