#pragma once
// The key of an old ".wal" wallet. The password (in the single-byte code
// page, with its terminating NUL) is hashed after the file's salt; the key
// is that hash with its bytes rearranged, and the password is right when
// the file's check value, enciphered under the key, gives the hash back.
#include <array>
#include <cstdint>
#include <string_view>

#include "storage/cipher/cipher.h"
#include "storage/cipher/md5.h"

namespace tb::storage {

// At most this many bytes of password, terminator included, are hashed.
inline constexpr size_t kLegacyPasswordBytes = 64;

// Md5 of the salt, then the password as Windows-1252 bytes up to its first
// NUL (cut to 63 bytes), then one NUL.
Digest LegacyPasswordHash(const std::array<uint8_t, 8>& salt, std::u16string_view password);

// The hash's bytes in the order the old product keyed its cipher with.
Key128 LegacyKeyFromHash(const Digest& hash);

// True when the check value, enciphered under the key, equals the hash.
bool LegacyPasswordMatches(const Key128& key, const Digest& hash, const std::array<uint8_t, 16>& checkValue);

}  // namespace tb::storage
