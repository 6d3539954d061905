#include "strength/strength.h"

#include <zxcvbn.h>

#include <vector>

#include "storage/cipher/secure.h"

namespace tb::strength {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// The password as the NUL-terminated UTF-8 zxcvbn reads, in memory that is
// wiped afterwards: cut at kMaxEstimatedUnits (never inside a surrogate
// pair) and at a NUL; a lone surrogate becomes U+FFFD.
void ToUtf8(std::u16string_view text, storage::SecureBytes* out) {
  if (text.size() > kMaxEstimatedUnits) {
    text = text.substr(0, kMaxEstimatedUnits);
    if (IsHigh(text.back())) text.remove_suffix(1);
  }
  out->reserve(text.size() * 3 + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c == 0) break;
    if (IsHigh(char16_t(c)) && i + 1 < text.size() && IsLow(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHigh(char16_t(c)) || IsLow(char16_t(c))) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out->push_back(uint8_t(c));
    } else if (c < 0x800) {
      out->push_back(uint8_t(0xC0 | (c >> 6)));
      out->push_back(uint8_t(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out->push_back(uint8_t(0xE0 | (c >> 12)));
      out->push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(uint8_t(0x80 | (c & 0x3F)));
    } else {
      out->push_back(uint8_t(0xF0 | (c >> 18)));
      out->push_back(uint8_t(0x80 | ((c >> 12) & 0x3F)));
      out->push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(uint8_t(0x80 | (c & 0x3F)));
    }
  }
  out->push_back(0);
}

}  // namespace

StrengthStep StepOf(double bits) {
  if (bits < 28) return StrengthStep::VeryWeak;
  if (bits < 36) return StrengthStep::Weak;
  if (bits < 60) return StrengthStep::Fair;
  if (bits < 128) return StrengthStep::Strong;
  return StrengthStep::VeryStrong;
}

Strength Estimate(std::u16string_view password) {
  storage::SecureBytes utf8;
  ToUtf8(password, &utf8);
  Strength s;
  if (utf8.size() > 1) s.bits = ZxcvbnMatch(reinterpret_cast<const char*>(utf8.data()), nullptr, nullptr);
  if (!(s.bits >= 0)) s.bits = 0;  // never a negative or NaN figure
  s.step = StepOf(s.bits);
  return s;
}

uint32_t StepColour(StrengthStep step) {
  switch (step) {
    case StrengthStep::VeryWeak: return 0x002F2FD3;    // red
    case StrengthStep::Weak: return 0x00007CF5;        // orange
    case StrengthStep::Fair: return 0x0000B4E6;        // amber
    case StrengthStep::Strong: return 0x0042B37C;      // light green
    case StrengthStep::VeryStrong: return 0x00327D2E;  // green
  }
  return 0;
}

uint32_t StepNameString(StrengthStep step) {
  switch (step) {
    case StrengthStep::VeryWeak: return kVeryWeakString;
    case StrengthStep::Weak: return kWeakString;
    case StrengthStep::Fair: return kFairString;
    case StrengthStep::Strong: return kStrongString;
    case StrengthStep::VeryStrong: return kVeryStrongString;
  }
  return kVeryWeakString;
}

std::string_view StepKey(StrengthStep step) {
  switch (step) {
    case StrengthStep::VeryWeak: return "very_weak";
    case StrengthStep::Weak: return "weak";
    case StrengthStep::Fair: return "fair";
    case StrengthStep::Strong: return "strong";
    case StrengthStep::VeryStrong: return "very_strong";
  }
  return "very_weak";
}

}  // namespace tb::strength
