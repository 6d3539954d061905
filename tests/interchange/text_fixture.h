#pragma once
// What the export and import tests share: the module strings they write
// and ask with, a fixed clock and date formats, file helpers, and UTF-16
// encoders for expected files and import tables.
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/core/system.h"
#include "support/wallet_fixture.h"

namespace tb::test {

class ExchangeTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override {
    switch (number) {
      case 22138: return u"----";
      case 22142: return u"Wallet Export";
      case 22143: return u"Wallet: %s";
      case 22144: return u"File: %s";
      case 22145: return u"Exported: %s";
      case 20516: return u"Folder";
      case 22149: return u"(no data)";
      case 22150: return u"Attachment saved as: %s";
      case 20500: return u"Error";
      case 20504: return u"Please Confirm";
      case 20001: return u"Tamberlock Pro";
      case 22041: return u"Imported Cards";
      case 22070: return u"The file could not be read.";
      case 22071: return u"This file cannot be imported.";
      case 22072: return u"Import this card?";
      case 20518: return u"Card Name";
      case 22073: return u"(%d more columns not shown)";
      case 22074: return u"%d cards are left to import. Import all?";
      case 22075: return u"%d cards were imported.";
      case 22076: return u"%d rows had extra cells.";
      case 22077: return u"The cards could not be added.";
      case 22194: return u"%d columns were left out.";
      default: return fixed_.Text(number);
    }
  }

 private:
  FixedTexts fixed_;
};

// 6 December 2026, 14:05:09, with US date and time pictures.
struct FixedMoment {
  platform::TestClock clock{platform::SystemTime{2026, 12, 0, 6, 14, 5, 9, 0}};
  platform::ScopedDateTimeFormats formats{{u"M/d/yyyy", u"h:mm:ss tt"}};
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline unsigned PermissionsOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0;
}

// UTF-16 bytes, little- or big-endian, with the byte-order mark first.
inline std::string Utf16(std::u16string_view text, bool bigEndian = false) {
  std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
  for (char16_t c : text) {
    const char lo = char(c & 0xFF), hi = char(c >> 8);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

}  // namespace tb::test
