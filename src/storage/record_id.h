#pragma once
// Record identifiers and form identifiers: 16 bytes each.
#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tb::storage {

struct RecordId {
  std::array<uint8_t, 16> bytes{};

  bool IsZero() const {
    for (uint8_t b : bytes)
      if (b) return false;
    return true;
  }
  auto operator<=>(const RecordId&) const = default;

  static RecordId FromBytes(const uint8_t* p) {
    RecordId id;
    std::memcpy(id.bytes.data(), p, 16);
    return id;
  }
  void StoreTo(uint8_t* p) const { std::memcpy(p, bytes.data(), 16); }

  // 32 lower-case hexadecimal digits.
  std::string Hex() const;
  static std::optional<RecordId> FromHex(std::string_view hex);
};

struct RecordIdHash {
  size_t operator()(const RecordId& id) const noexcept {
    uint64_t a, b;
    std::memcpy(&a, id.bytes.data(), 8);
    std::memcpy(&b, id.bytes.data() + 8, 8);
    return size_t(a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull + (a << 6) + (a >> 2)));
  }
};

// A new identifier: random, the number 3, random, then the day, month,
// year, hour, minute and second (twice) of the local time. Never equal to
// the one issued before it in this process.
RecordId NewRecordId();

// A form is named by a FormId: a built-in form n (0..42) is {n, zeros};
// anything else is the RecordId of a custom form card.
using FormId = RecordId;
inline constexpr uint32_t kBuiltInFormNumbers = 43;  // built-in forms 0..42

FormId BuiltInFormId(uint32_t number);
// True with the number when bytes 4..15 are zero and the number is below 43.
bool IsBuiltInForm(const FormId& id, uint32_t* number = nullptr);

}  // namespace tb::storage
