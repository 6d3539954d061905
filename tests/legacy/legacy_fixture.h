#pragma once
// Writes old ".wal" wallets for tests, byte by byte from the old layout:
// the 844-byte head (maker text, magics, custom-form file name, salt and
// password check value), then folder and card records of 252 bytes, each
// card followed by its tagged card data, enciphered or not.
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "storage/cipher/cipher.h"
#include "storage/cipher/md5.h"

namespace tb::test {

inline std::string U32(uint32_t v) {
  return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
}

inline std::string Utf16(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8));
  }
  return out;
}

// One tagged entry of a card's data.
struct WalEntry {
  uint32_t tag;
  std::string bytes;
  // Written in the entry's head in place of the real length (a lying file).
  std::optional<uint32_t> claimedLength = std::nullopt;
};

inline WalEntry TextEntry(uint32_t tag, std::u16string_view text) { return {tag, Utf16(text), {}}; }

struct WalFolder {
  uint32_t number = 1;
  uint32_t defaultForm = 500;
  int32_t icon = 0;
  std::u16string name;
};

struct WalCard {
  uint32_t number = 1;
  uint32_t folder = 1;
  uint32_t form = 500;
  int32_t icon = 0;
  std::u16string name;
  std::vector<WalEntry> entries;
  bool enciphered = true;
  std::optional<uint32_t> claimedLength = std::nullopt;  // in place of the real data length
};

// A record of a tag the old product did not write: ends the walk.
struct WalOther {
  uint32_t tag = 0x12345678;
};

class WalWriter {
 public:
  // The old product hashed the password in the single-byte code page.
  std::string passwordBytes = "oldpass";
  std::array<uint8_t, 8> salt{0x51, 0x0A, 0xC3, 0x7E, 0x12, 0x99, 0x40, 0xEE};
  bool usesCustomForms = false;
  std::u16string customFormFile;
  std::vector<std::variant<WalFolder, WalCard, WalOther>> records;

  // Hp, the hash of the salt and password with its NUL.
  tb::storage::Digest Hash() const {
    tb::storage::Md5Hasher h;
    h.Update(salt.data(), salt.size());
    h.Update(passwordBytes.c_str(), passwordBytes.size() + 1);
    return h.Final();
  }

  tb::storage::Key128 Key() const {
    static constexpr int kOrder[16] = {12, 9, 11, 3, 7, 2, 10, 1, 5, 14, 4, 15, 13, 8, 0, 6};
    const tb::storage::Digest hp = Hash();
    tb::storage::Key128 k;
    for (int i = 0; i < 16; ++i) k[i] = hp[kOrder[i]];
    return k;
  }

  std::string Head() const {
    std::string h(844, '\0');
    const char text[] = "Quillimarsten\xAE Tamberlock\xAE File\r\nwww.quillimarsten.example\r\n";
    std::memcpy(h.data(), text, sizeof text - 1);
    Put(h, 76, U32(0xB8161967u));
    Put(h, 124, U32(usesCustomForms ? 1 : 0));
    Put(h, 128, Utf16(customFormFile.substr(0, 259)));
    Put(h, 752, std::string(reinterpret_cast<const char*>(salt.data()), 8));
    // The check value deciphers to the hash under the key.
    const tb::storage::Digest hp = Hash();
    std::string check(16, '\0');
    tb::storage::Encipher(Key(), hp.data(), 16, check.data());
    Put(h, 816, check);
    Put(h, 840, U32(0xB1281966u));
    return h;
  }

  std::string Bytes() const {
    std::string out = Head();
    for (const auto& r : records) {
      std::string rec(252, '\0');
      if (const auto* f = std::get_if<WalFolder>(&r)) {
        Put(rec, 0, U32(0x404F4F40u));
        Put(rec, 4, U32(f->number));
        Put(rec, 28, U32(f->defaultForm));
        Put(rec, 32, U32(uint32_t(f->icon)));
        Put(rec, 36, Utf16(f->name).substr(0, 252 - 36));
        out += rec;
      } else if (const auto* c = std::get_if<WalCard>(&r)) {
        std::string data;
        for (const WalEntry& e : c->entries)
          data += U32(e.tag) + U32(e.claimedLength.value_or(uint32_t(e.bytes.size()))) + e.bytes;
        if (c->enciphered) tb::storage::Encipher(Key(), data.data(), data.size(), data.data());
        Put(rec, 0, U32(0x26F4F426u));
        Put(rec, 4, U32(c->number));
        Put(rec, 24, U32(c->enciphered ? 1 : 0));
        Put(rec, 28, U32(c->folder));
        Put(rec, 32, U32(c->form));
        Put(rec, 36, U32(uint32_t(c->icon)));
        Put(rec, 68, U32(c->claimedLength.value_or(uint32_t(data.size()))));
        Put(rec, 76, Utf16(c->name).substr(0, 252 - 76));
        out += rec + data;
      } else {
        Put(rec, 0, U32(std::get<WalOther>(r).tag));
        out += rec;
      }
    }
    return out;
  }

 private:
  static void Put(std::string& s, size_t at, const std::string& bytes) { s.replace(at, bytes.size(), bytes); }
};

}  // namespace tb::test
