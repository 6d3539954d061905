#pragma once
// The wallet's two key derivations and its password verifier, as pure
// functions over the creation time, the password and the keyed contexts.
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/core/system_time.h"
#include "storage/cipher/cipher.h"
#include "storage/cipher/md5.h"

namespace tb::storage {

// Passwords are counted in UTF-16 code units.
constexpr size_t kMinimumPasswordLength = 3;
constexpr size_t kMaximumPasswordLength = 24;
// Key source when no usable password is given.
inline constexpr std::u16string_view kDefaultPassword = u"VelbrookLumen";

bool IsUsablePassword(std::u16string_view password);

// The eight bytes mixed from the creation time that the header key hashes.
std::array<uint8_t, 8> HeaderKeySeed(const platform::SystemTime& created);
// The key that hides the hint and the special view names: MD5 of the seed.
Key128 DeriveHeaderKeyBytes(const platform::SystemTime& created);

// MD5 of the password as UTF-16LE code units, without terminator.
Key128 PasswordHash(std::u16string_view password);

// The data key: the password hash (of the default password when the given
// one is unusable) enciphered under the header key. The header key must be
// set; callers check that first (an unset one yields all zeros).
Key128 DeriveDataKey(const KeyContext& headerKey, std::u16string_view password);

// MD5 of the check phrase (56 bytes of UTF-16LE).
Digest CheckPhraseHash();

// The stored verifier: the check phrase hash enciphered under the data key.
// The data key must be set (an unset one yields all zeros).
Key128 MakeVerifier(const KeyContext& dataKey);

enum class VerifyResult {
  Wrong,
  Verified,
  // The stored verifier is the older form (the data key itself); the caller
  // replaces it with MakeVerifier's value.
  VerifiedLegacyForm,
};

VerifyResult VerifyAgainst(const Key128& stored, const KeyContext& headerKey, std::u16string_view password);

}  // namespace tb::storage
