#pragma once
// Enciphering stored pieces again under another key, in place and without
// changing a single length: each piece is deciphered under the old key and
// enciphered under the new one, each from the first keystream byte. Used
// when the password changes and when an older wallet is upgraded.
#include <cstdint>
#include <vector>

#include "storage/cipher/cipher.h"

namespace tb::storage {

enum class MediaBytesRule {
  DataOnly,     // the bytes without their padding, like every other piece
  WithPadding,  // picture and attachment bytes including their padding
};

// Every piece of a card body: field labels, values and item lists, and the
// bytes and file names of the picture, the sound and the attachments.
// Items of other types, and pieces that do not fit their item, stay as
// they are.
void RekeyCardBody(std::vector<uint8_t>& body, const KeyContext& oldKey, const KeyContext& newKey,
                   MediaBytesRule rule = MediaBytesRule::DataOnly);

// The 512-byte name buffer of a record header; the empty name (all zero)
// stays all zero.
void RekeyRecordName(uint8_t* header748, const KeyContext& oldKey, const KeyContext& newKey);

}  // namespace tb::storage
