#include "platform/core/text_convert.h"

#include <array>
#include <cstdint>

namespace tb::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

template <typename Put>
void EncodeUtf8(char32_t c, Put put) {
  if (c < 0x80) {
    put(static_cast<char>(c));
  } else if (c < 0x800) {
    put(static_cast<char>(0xC0 | (c >> 6)));
    put(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    put(static_cast<char>(0xE0 | (c >> 12)));
    put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    put(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    put(static_cast<char>(0xF0 | (c >> 18)));
    put(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    put(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  EncodeUtf8(c, [&](char ch) { out.push_back(ch); });
}

// The code point at text[*i] (a surrogate pair taken whole), *i moved past
// it; a lone surrogate is U+FFFD.
char32_t NextCodePoint(std::u16string_view text, size_t* i) {
  char32_t c = text[*i];
  ++*i;
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (*i < text.size() && text[*i] >= 0xDC00 && text[*i] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[*i] - 0xDC00);
      ++*i;
    } else {
      c = kReplacement;
    }
  } else if (c >= 0xDC00 && c <= 0xDFFF) {
    c = kReplacement;
  }
  return c;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at text[*i]. A bad sequence yields U+FFFD for
// its longest valid beginning (at least one byte), so one broken character
// never swallows the good ones after it. Returns false for ill-formed input.
bool DecodeUtf8(std::string_view text, size_t* i, char32_t* out) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(*i);
  if (lead < 0x80) {
    *out = lead;
    ++*i;
    return true;
  }
  size_t length;
  char32_t c;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;        // overlong
    else if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;        // overlong
    else if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    *out = kReplacement;
    ++*i;
    return false;
  }
  size_t k = *i + 1;
  for (size_t n = 1; n < length; ++n, ++k) {
    const uint8_t lo = n == 1 ? low : 0x80;
    const uint8_t hi = n == 1 ? high : 0xBF;
    if (k >= text.size() || byte(k) < lo || byte(k) > hi) {
      *out = kReplacement;
      *i = k;
      return false;
    }
    c = (c << 6) | (byte(k) & 0x3F);
  }
  *out = c;
  *i = k;
  return true;
}

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, as the system's own
// conversion does, so that every byte survives a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ToCp1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int k = 0; k < 32; ++k) {
    if (kCp1252High[k] == c) return 0x80 + k;
  }
  return -1;
}

// The lower-case of every UTF-16 code unit, built once: the search lower-
// cases every deciphered text, so this must cost one load per character.
struct LowerTable {
  std::array<char16_t, 65536> map;

  LowerTable() {
    for (size_t c = 0; c < map.size(); ++c) map[c] = static_cast<char16_t>(c);
    const auto range = [&](char32_t first, char32_t last, int delta) {
      for (char32_t c = first; c <= last; ++c) map[c] = static_cast<char16_t>(c + delta);
    };
    // Upper case at the even code point, lower case at the next odd one
    // (or the other way round when evenUpper is false).
    const auto pairs = [&](char32_t first, char32_t last, bool evenUpper) {
      for (char32_t c = first; c <= last; ++c) {
        if ((c % 2 == 0) == evenUpper) map[c] = static_cast<char16_t>(c + 1);
      }
    };
    range(U'A', U'Z', 32);
    // Latin-1 supplement: À..Þ except the multiplication sign.
    range(0xC0, 0xDE, 32);
    map[0xD7] = 0xD7;
    // Latin Extended-A.
    pairs(0x0100, 0x012F, true);
    map[0x0130] = U'i';  // capital I with dot above
    pairs(0x0132, 0x0137, true);
    pairs(0x0139, 0x0148, false);
    pairs(0x014A, 0x0177, true);
    map[0x0178] = 0x00FF;
    pairs(0x0179, 0x017E, false);
    // Greek.
    map[0x0370] = 0x0371;
    map[0x0372] = 0x0373;
    map[0x0376] = 0x0377;
    map[0x037F] = 0x03F3;
    map[0x0386] = 0x03AC;
    range(0x0388, 0x038A, 0x25);
    map[0x038C] = 0x03CC;
    range(0x038E, 0x038F, 0x3F);
    range(0x0391, 0x03A1, 32);
    range(0x03A3, 0x03AB, 32);
    map[0x03CF] = 0x03D7;
    pairs(0x03D8, 0x03EF, true);
    map[0x03F4] = 0x03B8;
    map[0x03F7] = 0x03F8;
    map[0x03F9] = 0x03F2;
    map[0x03FA] = 0x03FB;
    range(0x03FD, 0x03FF, -0x82);
    // Cyrillic and its supplement.
    range(0x0400, 0x040F, 80);
    range(0x0410, 0x042F, 32);
    pairs(0x0460, 0x0481, true);
    pairs(0x048A, 0x04BF, true);
    map[0x04C0] = 0x04CF;
    pairs(0x04C1, 0x04CE, false);
    pairs(0x04D0, 0x052F, true);
  }
};

const LowerTable& Lower() {
  static const LowerTable table;
  return table;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, NextCodePoint(text, &i));
  return out;
}

size_t ToUtf8Into(std::u16string_view text, char* out, size_t capacity) {
  size_t n = 0;
  const auto put = [&](char ch) {
    if (n < capacity) out[n] = ch;
    ++n;
  };
  for (size_t i = 0; i < text.size();) EncodeUtf8(NextCodePoint(text, &i), put);
  return n;
}

size_t FromUtf8Into(std::string_view text, char16_t* out, size_t capacity) {
  size_t n = 0;
  const auto put = [&](char16_t unit) {
    if (n < capacity) out[n] = unit;
    ++n;
  };
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    DecodeUtf8(text, &i, &c);
    if (c < 0x10000) {
      put(static_cast<char16_t>(c));
    } else {
      put(static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF)));
    }
  }
  return n;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t c;
    DecodeUtf8(text, &i, &c);
    AppendUtf16(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    char32_t c;
    if (!DecodeUtf8(text, &i, &c)) return false;
  }
  return true;
}

std::u16string FromWindows1252(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const uint8_t b = static_cast<uint8_t>(ch);
    out.push_back(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::string ToWindows1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // A surrogate pair is one character and becomes one '?'.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      out.push_back('?');
      continue;
    }
    const int b = ToCp1252Byte(c);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

char16_t ToLowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  return Lower().map[c];
}

void ToLowerInPlace(std::u16string& text) {
  const auto& map = Lower().map;
  for (char16_t& c : text) c = map[c];
}

}  // namespace tb::platform
