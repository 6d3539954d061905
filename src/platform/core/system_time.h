#pragma once
// The 16-byte local time every stored record carries: eight little-endian
// u16 values in this order.
#include <compare>
#include <cstddef>
#include <cstdint>

namespace tb::platform {

struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;  // 0 = Sunday
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;

  static constexpr size_t kSize = 16;
  bool IsZero() const { return *this == SystemTime{}; }
  auto operator<=>(const SystemTime&) const = default;

  void StoreTo(uint8_t* out) const;
  static SystemTime LoadFrom(const uint8_t* in);
};

}  // namespace tb::platform
