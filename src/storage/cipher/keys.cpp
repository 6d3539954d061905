#include "storage/cipher/keys.h"

#include <string>

#include "storage/cipher/secure.h"

namespace tb::storage {
namespace {

// Fixed mixing constants of the header key; wallets of other copies of the
// program depend on them.
constexpr uint8_t kSeedC1 = 0x3D;
constexpr uint8_t kSeedC2 = 0x71;
constexpr uint8_t kSeedC3 = 0xC5;

constexpr std::u16string_view kCheckPhraseHead = u"Walnut:";
constexpr std::u16string_view kCheckPhraseTail = u"ledger-of-quiet-rooms";

// Hashes UTF-16 text as little-endian code units through a small staging
// buffer, wiped afterwards since the text is usually a password.
Digest HashUtf16Le(std::u16string_view text) {
  Md5Hasher hasher;
  uint8_t chunk[64];
  size_t used = 0;
  for (char16_t unit : text) {
    chunk[used++] = static_cast<uint8_t>(unit & 0xFF);
    chunk[used++] = static_cast<uint8_t>(unit >> 8);
    if (used == sizeof chunk) {
      hasher.Update(chunk, used);
      used = 0;
    }
  }
  hasher.Update(chunk, used);
  SecureWipe(chunk, sizeof chunk);
  return hasher.Final();
}

// Constant-time equality: how many leading bytes of a guess match must not
// show in the timing.
bool SameKey(const Key128& a, const Key128& b) {
  uint8_t diff = 0;
  for (size_t n = 0; n < a.size(); ++n) diff |= static_cast<uint8_t>(a[n] ^ b[n]);
  return diff == 0;
}

// a = key-context(b); zeros when the context holds no key.
Key128 EncipherUnder(const KeyContext& context, const Key128& block) {
  Key128 out{};
  context.Apply(block.data(), block.size(), out.data());
  return out;
}

}  // namespace

bool IsUsablePassword(std::u16string_view password) {
  return password.size() >= kMinimumPasswordLength && password.size() <= kMaximumPasswordLength;
}

std::array<uint8_t, 8> HeaderKeySeed(const platform::SystemTime& t) {
  // Unsigned arithmetic wraps, and its low byte is the sum modulo 256.
  auto b = [](unsigned v) { return static_cast<uint8_t>(v & 0xFF); };
  return {
      b(t.day + kSeedC1),
      b(t.second + t.day),
      b(t.dayOfWeek + t.second),
      b(t.minute + t.second),
      b(t.year),
      b(unsigned{t.month} - t.day + kSeedC2),
      b(t.minute + t.dayOfWeek),
      b(t.second + kSeedC3),
  };
}

Key128 DeriveHeaderKeyBytes(const platform::SystemTime& created) {
  const std::array<uint8_t, 8> seed = HeaderKeySeed(created);
  return Md5(seed.data(), seed.size());
}

Key128 PasswordHash(std::u16string_view password) { return HashUtf16Le(password); }

Key128 DeriveDataKey(const KeyContext& headerKey, std::u16string_view password) {
  Key128 hash = PasswordHash(IsUsablePassword(password) ? password : kDefaultPassword);
  Key128 key = EncipherUnder(headerKey, hash);
  SecureWipe(hash.data(), hash.size());
  return key;
}

Digest CheckPhraseHash() {
  std::u16string phrase;
  phrase.reserve(kCheckPhraseHead.size() + kCheckPhraseTail.size());
  phrase.append(kCheckPhraseHead).append(kCheckPhraseTail);
  return HashUtf16Le(phrase);
}

Key128 MakeVerifier(const KeyContext& dataKey) { return EncipherUnder(dataKey, CheckPhraseHash()); }

VerifyResult VerifyAgainst(const Key128& stored, const KeyContext& headerKey, std::u16string_view password) {
  if (!headerKey.IsSet() || !IsUsablePassword(password)) return VerifyResult::Wrong;
  Key128 hash = PasswordHash(password);
  Key128 candidate = EncipherUnder(headerKey, hash);
  Key128 expected = CheckPhraseHash();
  Encipher(candidate, expected.data(), expected.size(), expected.data());

  VerifyResult result = VerifyResult::Wrong;
  if (SameKey(stored, expected)) {
    result = VerifyResult::Verified;
  } else if (SameKey(stored, candidate)) {
    result = VerifyResult::VerifiedLegacyForm;
  }
  SecureWipe(hash.data(), hash.size());
  SecureWipe(candidate.data(), candidate.size());
  SecureWipe(expected.data(), expected.size());
  return result;
}

}  // namespace tb::storage
