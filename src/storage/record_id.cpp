#include "storage/record_id.h"

#include "platform/core/system.h"
#include "storage/bytes.h"

namespace tb::storage {

std::string RecordId::Hex() const {
  static const char digits[] = "0123456789abcdef";
  std::string out(32, '0');
  for (size_t i = 0; i < 16; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 15];
  }
  return out;
}

std::optional<RecordId> RecordId::FromHex(std::string_view hex) {
  if (hex.size() != 32) return std::nullopt;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  RecordId id;
  for (size_t i = 0; i < 16; ++i) {
    int hi = nibble(hex[2 * i]), lo = nibble(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    id.bytes[i] = uint8_t(hi << 4 | lo);
  }
  return id;
}

namespace {
RecordId MakeId() {
  RecordId id;
  uint8_t* p = id.bytes.data();
  const platform::SystemTime now = platform::LocalTime();
  StoreU32(p, platform::Random32());
  StoreU16(p + 4, 3);
  StoreU16(p + 6, uint16_t(platform::Random32()));
  p[8] = uint8_t(now.day);
  p[9] = uint8_t(now.month);
  StoreU16(p + 10, now.year);
  p[12] = uint8_t(now.hour);
  p[13] = uint8_t(now.minute);
  p[14] = uint8_t(now.second);
  p[15] = uint8_t(now.second);
  return id;
}
}  // namespace

RecordId NewRecordId() {
  static RecordId last;
  RecordId id = MakeId();
  // A zero id never names a record; the previous id must not repeat.
  while (id == last || id.IsZero()) id = MakeId();
  last = id;
  return id;
}

FormId BuiltInFormId(uint32_t number) {
  FormId id;
  StoreU32(id.bytes.data(), number);
  return id;
}

bool IsBuiltInForm(const FormId& id, uint32_t* number) {
  if (!AllZero(id.bytes.data() + 4, 12)) return false;
  const uint32_t n = LoadU32(id.bytes.data());
  if (n >= kBuiltInFormNumbers) return false;
  if (number) *number = n;
  return true;
}

}  // namespace tb::storage
