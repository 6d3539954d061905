#include "storage/piece_rekey.h"

#include "storage/bytes.h"
#include "storage/card_codec.h"
#include "storage/layout.h"

namespace tb::storage {

namespace {

void Rekey(uint8_t* data, size_t length, const KeyContext& oldKey, const KeyContext& newKey) {
  if (length == 0) return;
  oldKey.Apply(data, length, data);
  newKey.Apply(data, length, data);
}

void RekeyPiece(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, bool withPadding,
                const KeyContext& oldKey, const KeyContext& newKey) {
  if (stored == 0 || padding > stored || !content.Has(offset, stored)) return;
  Rekey(const_cast<uint8_t*>(content.data()) + offset, withPadding ? stored : stored - padding, oldKey, newKey);
}

}  // namespace

void RekeyCardBody(std::vector<uint8_t>& body, const KeyContext& oldKey, const KeyContext& newKey,
                   MediaBytesRule rule) {
  WalkCardItems(ByteSpan(body.data(), body.size()), [&](uint32_t type, ByteSpan c) {
    if (type == layout::item::kField) {
      FieldLayout l;
      if (ParseFieldLayout(c, &l)) {
        RekeyPiece(c, l.labelOffset, l.labelStored, l.labelPadding, false, oldKey, newKey);
        RekeyPiece(c, l.valueOffset, l.valueStored, l.valuePadding, false, oldKey, newKey);
        RekeyPiece(c, l.itemsOffset, l.itemsStored, l.itemsPadding, false, oldKey, newKey);
      }
      return true;
    }
    const layout::MediaItemLayout* m = layout::MediaItemOfType(type);
    if (!m || !c.Has(0, m->headSize)) return true;
    const uint8_t* h = c.data();
    const uint32_t bytesStored = LoadU32(h + m->bytesLength);
    const bool withPadding = rule == MediaBytesRule::WithPadding && type != layout::item::kSound;
    RekeyPiece(c, m->headSize, bytesStored, LoadU32(h + m->bytesPadding), withPadding, oldKey, newKey);
    RekeyPiece(c, m->headSize + size_t(bytesStored), LoadU32(h + m->nameLength), LoadU32(h + m->namePadding), false,
               oldKey, newKey);
    return true;
  });
}

void RekeyRecordName(uint8_t* header748, const KeyContext& oldKey, const KeyContext& newKey) {
  uint8_t* name = header748 + layout::record::kName;
  if (AllZero(name, layout::record::kNameSize)) return;
  Rekey(name, layout::record::kNameSize, oldKey, newKey);
}

}  // namespace tb::storage
