#pragma once
// The card body ("CardContent"): 64 bytes of attributes, then items, each
// a 12-byte head (0, type, content length) and its content. Texts and bytes
// are enciphered piece by piece; the padding after each piece is zeros in
// clear. Reading treats the body as hostile: every stored length is checked
// against its item before use.
#include <cstdint>
#include <functional>
#include <vector>

#include "storage/bytes.h"
#include "storage/card.h"
#include "storage/cipher/cipher.h"

namespace tb::storage {

// Appends the whole body for the card under the key; returns its length.
size_t EncodeCardBody(const Card& card, const KeyContext& key, std::vector<uint8_t>* out);
// Length the body of this card will have, without building it.
uint64_t CardBodyLength(const Card& card);

enum class BodyStatus {
  Ok,
  TooShort,   // under 64 bytes: no attributes
  Truncated,  // an item ran past the end; the items before it were read
};

// Reads a body into the card (attributes, fields, picture, sound,
// attachments). Fields beyond 255 and an 11th attachment are ignored; items
// of unknown types are skipped.
BodyStatus DecodeCardBody(ByteSpan body, const KeyContext& key, Card* card);

// Walks the items of a body: fn(type, content) for each whole item; false
// from fn stops the walk. Returns false when an item ran past the end.
bool WalkCardItems(ByteSpan body, const std::function<bool(uint32_t, ByteSpan)>& fn);

// Deciphers one stored text piece (stored length and padding as recorded)
// at offset within content; cut at the first NUL. False when the piece does
// not fit the content.
bool DecipherText(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key,
                  std::u16string* out);
bool DecipherText(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key, Text* out);

// A field's head and where its three texts lie in the content.
struct FieldLayout {
  uint16_t kind;
  uint16_t flags;
  uint32_t labelStored, labelPadding;
  uint32_t valueStored, valuePadding;
  uint32_t itemsStored, itemsPadding;
  size_t labelOffset, valueOffset, itemsOffset;
};
// False when the head or its stated lengths do not fit the content.
bool ParseFieldLayout(ByteSpan content, FieldLayout* out);

}  // namespace tb::storage
