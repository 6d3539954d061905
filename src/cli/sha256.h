#pragma once
// SHA-256, for the digests `dump` prints of pictures, sounds and
// attachments, so that scripts can compare contents without the bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tb::cli {

class Sha256 {
 public:
  Sha256();
  void Update(const uint8_t* data, size_t length);
  std::array<uint8_t, 32> Finish();

 private:
  void Block(const uint8_t* p);
  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t total_ = 0;
};

// 64 lower-case hexadecimal digits.
std::string Sha256Hex(const uint8_t* data, size_t length);

}  // namespace tb::cli
