#include "platform/core/system_time.h"

namespace tb::platform {

namespace {

void PutU16(uint8_t* out, uint16_t v) {
  out[0] = static_cast<uint8_t>(v & 0xFF);
  out[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t GetU16(const uint8_t* in) { return static_cast<uint16_t>(in[0] | (in[1] << 8)); }

}  // namespace

void SystemTime::StoreTo(uint8_t* out) const {
  const uint16_t fields[8] = {year, month, dayOfWeek, day, hour, minute, second, milliseconds};
  for (int i = 0; i < 8; ++i) PutU16(out + 2 * i, fields[i]);
}

SystemTime SystemTime::LoadFrom(const uint8_t* in) {
  SystemTime t;
  t.year = GetU16(in + 0);
  t.month = GetU16(in + 2);
  t.dayOfWeek = GetU16(in + 4);
  t.day = GetU16(in + 6);
  t.hour = GetU16(in + 8);
  t.minute = GetU16(in + 10);
  t.second = GetU16(in + 12);
  t.milliseconds = GetU16(in + 14);
  return t;
}

}  // namespace tb::platform
