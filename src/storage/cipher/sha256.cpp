#include "storage/cipher/sha256.h"

#include <algorithm>
#include <cstring>

#include "storage/cipher/secure.h"

namespace tb::storage {

namespace {
constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

Sha256::~Sha256() {
  SecureWipe(state_.data(), sizeof(state_));
  SecureWipe(buffer_.data(), buffer_.size());
}

void Sha256::Block(const uint8_t* p) {
  uint32_t w[64];
  struct Wipe {
    uint32_t* w;
    ~Wipe() { SecureWipe(w, 64 * sizeof(uint32_t)); }
  } wipe{w};
  for (int i = 0; i < 16; ++i)
    w[i] = (uint32_t(p[4 * i]) << 24) | (uint32_t(p[4 * i + 1]) << 16) | (uint32_t(p[4 * i + 2]) << 8) |
           uint32_t(p[4 * i + 3]);
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int i = 0; i < 64; ++i) {
    const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
    const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  state_[5] += f;
  state_[6] += g;
  state_[7] += h;
}

void Sha256::Update(const uint8_t* data, size_t length) {
  total_ += length;
  while (length > 0) {
    if (buffered_ == 0 && length >= 64) {
      Block(data);
      data += 64;
      length -= 64;
      continue;
    }
    const size_t take = std::min(length, 64 - buffered_);
    std::memcpy(buffer_.data() + buffered_, data, take);
    buffered_ += take;
    data += take;
    length -= take;
    if (buffered_ == 64) {
      Block(buffer_.data());
      buffered_ = 0;
    }
  }
}

Sha256Digest Sha256::Finish() {
  const uint64_t bits = total_ * 8;
  const uint8_t one = 0x80;
  Update(&one, 1);
  const uint8_t zero = 0;
  while (buffered_ != 56) Update(&zero, 1);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (56 - 8 * i));
  Update(length, 8);
  Sha256Digest digest;
  for (int i = 0; i < 8; ++i) {
    digest[4 * i] = uint8_t(state_[i] >> 24);
    digest[4 * i + 1] = uint8_t(state_[i] >> 16);
    digest[4 * i + 2] = uint8_t(state_[i] >> 8);
    digest[4 * i + 3] = uint8_t(state_[i]);
  }
  return digest;
}

std::string Sha256Hex(const uint8_t* data, size_t length) {
  Sha256 sha;
  sha.Update(data, length);
  const auto digest = sha.Finish();
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (uint8_t b : digest) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

HmacSha256::HmacSha256(const uint8_t* key, size_t keyLength) {
  std::array<uint8_t, 64> block{};
  if (keyLength > block.size()) {
    Sha256 hashed;
    hashed.Update(key, keyLength);
    const Sha256Digest d = hashed.Finish();
    std::memcpy(block.data(), d.data(), d.size());
  } else if (keyLength > 0) {
    std::memcpy(block.data(), key, keyLength);
  }
  std::array<uint8_t, 64> innerPad;
  for (size_t i = 0; i < block.size(); ++i) {
    innerPad[i] = uint8_t(block[i] ^ 0x36);
    outerPad_[i] = uint8_t(block[i] ^ 0x5C);
  }
  inner_.Update(innerPad.data(), innerPad.size());
  SecureWipe(innerPad.data(), innerPad.size());
  SecureWipe(block.data(), block.size());
}

HmacSha256::~HmacSha256() { SecureWipe(outerPad_.data(), outerPad_.size()); }

Sha256Digest HmacSha256::Finish() {
  Sha256Digest innerDigest = inner_.Finish();
  Sha256 outer;
  outer.Update(outerPad_.data(), outerPad_.size());
  outer.Update(innerDigest.data(), innerDigest.size());
  SecureWipe(innerDigest.data(), innerDigest.size());
  return outer.Finish();
}

Sha256Digest HmacSha256Of(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t length) {
  HmacSha256 mac(key, keyLength);
  mac.Update(data, length);
  return mac.Finish();
}

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t n) {
  uint8_t difference = 0;
  for (size_t i = 0; i < n; ++i) difference = uint8_t(difference | (a[i] ^ b[i]));
  return difference == 0;
}

}  // namespace tb::storage
