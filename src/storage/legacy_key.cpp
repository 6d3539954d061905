#include "storage/legacy_key.h"

#include <string>

#include "platform/core/text_convert.h"
#include "storage/cipher/secure.h"

namespace tb::storage {

namespace {
constexpr size_t kKeyOrder[16] = {12, 9, 11, 3, 7, 2, 10, 1, 5, 14, 4, 15, 13, 8, 0, 6};
}

Digest LegacyPasswordHash(const std::array<uint8_t, 8>& salt, std::u16string_view password) {
  const size_t nul = password.find(u'\0');
  if (nul != std::u16string_view::npos) password = password.substr(0, nul);
  std::string bytes = platform::ToWindows1252(password);
  if (bytes.size() > kLegacyPasswordBytes - 1) {
    SecureWipe(bytes.data() + kLegacyPasswordBytes - 1, bytes.size() - (kLegacyPasswordBytes - 1));
    bytes.resize(kLegacyPasswordBytes - 1);
  }
  Md5Hasher hasher;
  hasher.Update(salt.data(), salt.size());
  hasher.Update(bytes.data(), bytes.size() + 1);  // with the terminator std::string keeps
  SecureWipe(bytes.data(), bytes.size());
  return hasher.Final();
}

Key128 LegacyKeyFromHash(const Digest& hash) {
  Key128 key;
  for (size_t i = 0; i < key.size(); ++i) key[i] = hash[kKeyOrder[i]];
  return key;
}

bool LegacyPasswordMatches(const Key128& key, const Digest& hash, const std::array<uint8_t, 16>& checkValue) {
  uint8_t clear[16];
  Encipher(key, checkValue.data(), checkValue.size(), clear);
  uint8_t differ = 0;
  for (size_t i = 0; i < 16; ++i) differ |= uint8_t(clear[i] ^ hash[i]);
  SecureWipe(clear, sizeof clear);
  return differ == 0;
}

}  // namespace tb::storage
