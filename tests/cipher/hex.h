#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::storage::testing {

inline std::string ToHex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t k = 0; k < n; ++k) {
    out += digits[p[k] >> 4];
    out += digits[p[k] & 15];
  }
  return out;
}

template <typename Bytes>
std::string ToHex(const Bytes& b) {
  return ToHex(reinterpret_cast<const uint8_t*>(b.data()), b.size());
}

inline std::vector<uint8_t> FromHex(std::string_view hex) {
  auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  std::vector<uint8_t> out;
  for (size_t k = 0; k + 1 < hex.size(); k += 2)
    out.push_back(static_cast<uint8_t>(value(hex[k]) << 4 | value(hex[k + 1])));
  return out;
}

}  // namespace tb::storage::testing
