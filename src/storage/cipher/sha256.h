#pragma once
// SHA-256 (FIPS 180-4) and HMAC-SHA-256 (RFC 2104). The wallet format
// itself knows only MD5; these seal the redo journal beside a wallet and
// give the command line its content digests.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tb::storage {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();  // wipes the state and what is left of the message
  Sha256(const Sha256&) = default;
  Sha256& operator=(const Sha256&) = default;
  void Update(const uint8_t* data, size_t length);
  Sha256Digest Finish();

 private:
  void Block(const uint8_t* p);
  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t total_ = 0;
};

// 64 lower-case hexadecimal digits.
std::string Sha256Hex(const uint8_t* data, size_t length);

// HMAC-SHA-256 over data, computed in one go or in pieces. Keys longer
// than a block are hashed first, as the construction says.
class HmacSha256 {
 public:
  HmacSha256(const uint8_t* key, size_t keyLength);
  ~HmacSha256();
  void Update(const uint8_t* data, size_t length) { inner_.Update(data, length); }
  Sha256Digest Finish();

 private:
  Sha256 inner_;
  std::array<uint8_t, 64> outerPad_{};
};

Sha256Digest HmacSha256Of(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t length);

// Compares two byte ranges in a time that does not depend on where they
// first differ.
bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t n);

}  // namespace tb::storage
