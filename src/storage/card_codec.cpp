#include "storage/card_codec.h"

#include <bit>
#include <cstring>

#include "storage/forms/field_kinds.h"

namespace tb::storage {

namespace F = layout::field;
namespace P = layout::picture;
namespace S = layout::sound;
namespace A = layout::attachment;
namespace I = layout::item;

static_assert(std::endian::native == std::endian::little,
              "texts are copied between UTF-16LE bytes and char16_t directly");

namespace {

struct Piece {
  uint32_t stored = 0;
  uint32_t padding = 0;
};

template <typename TextT>
Piece TextPiece(const TextT& t) {
  const uint64_t b = uint64_t(t.size()) * 2;
  if (b == 0) return {};
  const uint32_t pad = PaddingForText(b);
  return {uint32_t(b + pad), pad};
}

template <typename Bytes>
Piece BytesPiece(const Bytes& bytes) {
  if (bytes.empty()) return {};
  const uint32_t pad = PaddingForBytes(bytes.size());
  return {uint32_t(bytes.size() + pad), pad};
}

// Writes a piece: the enciphered data, then the padding in clear.
void PutPiece(std::vector<uint8_t>* out, const void* data, size_t length, const Piece& piece, const KeyContext& key) {
  if (piece.stored == 0) return;
  const size_t at = out->size();
  out->resize(at + piece.stored, 0);
  key.Apply(data, length, out->data() + at);
}

void PutHead(std::vector<uint8_t>* out, uint32_t type, uint32_t length) {
  uint8_t head[I::kHeadSize] = {};
  StoreU32(head + I::kType, type);
  StoreU32(head + I::kLength, length);
  out->insert(out->end(), head, head + I::kHeadSize);
}

// The item list as stored, "^" between items. It holds the items' texts,
// so it lives in wiping storage like them.
Text JoinItems(const Field& f) {
  Text joined;
  for (size_t i = 0; i < f.items.size(); ++i) {
    if (i) joined += u'^';
    joined.append(f.items[i].data(), f.items[i].size());
  }
  return joined;
}

Piece ItemsPiece(const Field& f, const Text& joined) {
  if (!HasItemList(AsFieldKind(f.kind))) return {};
  // With no items the list is four zero bytes, all of them padding.
  if (joined.empty()) return {4, 4};
  return TextPiece(joined);
}

uint64_t FieldContentLength(const Field& f) {
  const Text joined = JoinItems(f);
  return F::kHeadSize + TextPiece(f.label).stored + TextPiece(f.value).stored + ItemsPiece(f, joined).stored;
}

void EncodeField(const Field& f, const KeyContext& key, std::vector<uint8_t>* out) {
  const Text joined = JoinItems(f);
  const Piece label = TextPiece(f.label), value = TextPiece(f.value), items = ItemsPiece(f, joined);
  const uint32_t following = label.stored + value.stored + items.stored;
  PutHead(out, I::kField, F::kHeadSize + following);
  uint8_t head[F::kHeadSize];
  std::memcpy(head, f.head.data(), F::kHeadSize);
  StoreU16(head + F::kKind, f.kind);
  StoreU16(head + F::kFlags, f.flags);
  StoreI32(head + F::kLabelColour, f.labelColour);
  StoreI32(head + F::kValueColour, f.valueColour);
  StoreU32(head + F::kLabelLength, label.stored);
  StoreU32(head + F::kLabelPadding, label.padding);
  const bool dated = IsDateTimeKind(AsFieldKind(f.kind));
  if (dated) f.dateTime.StoreTo(head + F::kDateTime);
  else std::memset(head + F::kDateTime, 0, platform::SystemTime::kSize);
  StoreU32(head + F::kValueLength, value.stored);
  StoreU32(head + F::kValuePadding, value.padding);
  StoreU32(head + F::kItemsLength, items.stored);
  StoreU32(head + F::kItemsPadding, items.padding);
  StoreU32(head + F::kFollowing, following);
  out->insert(out->end(), head, head + F::kHeadSize);
  PutPiece(out, f.label.data(), f.label.size() * 2, label, key);
  PutPiece(out, f.value.data(), f.value.size() * 2, value, key);
  if (items.stored) {
    if (joined.empty()) out->insert(out->end(), 4, 0);
    else PutPiece(out, joined.data(), joined.size() * 2, items, key);
  }
}

// The head of a media item: kept bytes as read, then the two pieces.
void PutMediaHead(std::vector<uint8_t>* out, const layout::MediaItemLayout& m, const uint8_t* kept, const Piece& bytes,
                  const Piece& name, uint8_t* head) {
  PutHead(out, m.type, uint32_t(m.headSize + bytes.stored + name.stored));
  std::memcpy(head, kept, m.headSize);
  StoreU32(head + m.bytesLength, bytes.stored);
  StoreU32(head + m.bytesPadding, bytes.padding);
  StoreU32(head + m.nameLength, name.stored);
  StoreU32(head + m.namePadding, name.padding);
}

template <typename Media>
void EncodeMedia(const Media& media, const layout::MediaItemLayout& m, const KeyContext& key, std::vector<uint8_t>* out,
                 const std::function<void(uint8_t*)>& fillHead) {
  const Piece bytes = BytesPiece(media.bytes), name = TextPiece(media.fileName);
  uint8_t head[layout::attachment::kHeadSize];  // the largest media head
  PutMediaHead(out, m, media.head.data(), bytes, name, head);
  fillHead(head);
  out->insert(out->end(), head, head + m.headSize);
  PutPiece(out, media.bytes.data(), media.bytes.size(), bytes, key);
  PutPiece(out, media.fileName.data(), media.fileName.size() * 2, name, key);
}

void EncodePicture(const CardPicture& p, const KeyContext& key, std::vector<uint8_t>* out) {
  EncodeMedia(p, layout::kPictureItem, key, out, [&](uint8_t* head) {
    StoreU32(head + P::kPlacement, p.placement);
    StoreU32(head + P::kScaleToFit, p.scaleToFit);
    StoreU32(head + P::kType, p.type);
  });
}

void EncodeSound(const CardSound& s, const KeyContext& key, std::vector<uint8_t>* out) {
  EncodeMedia(s, layout::kSoundItem, key, out, [&](uint8_t* head) {
    StoreU32(head + S::kType, s.type);
    StoreU32(head + S::kPlay, s.play);
  });
}

void EncodeAttachment(const Attachment& a, const KeyContext& key, std::vector<uint8_t>* out) {
  EncodeMedia(a, layout::kAttachmentItem, key, out, [&](uint8_t* head) {
    a.fileTime.StoreTo(head + A::kFileTime);
    a.timeAdded.StoreTo(head + A::kTimeAdded);
  });
}

// A piece must lie inside the content, with its padding inside the piece.
bool PieceFits(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding) {
  return padding <= stored && content.Has(offset, stored);
}

template <typename Out>
bool DecipherTextImpl(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key,
                      Out* out) {
  out->clear();
  if (stored == 0) return true;
  if (!PieceFits(content, offset, stored, padding)) return false;
  const size_t units = (stored - padding) / 2;
  out->resize(units);
  if (units && !key.Apply(content.data() + offset, units * 2, out->data())) {
    out->clear();
    return true;
  }
  // Texts end at their first NUL.
  const auto nul = std::char_traits<char16_t>::find(out->data(), units, u'\0');
  if (nul) out->resize(size_t(nul - out->data()));
  return true;
}

bool DecipherBytes(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key,
                   SecureBytes* out) {
  out->clear();
  if (stored == 0) return true;
  if (!PieceFits(content, offset, stored, padding)) return false;
  out->resize(stored - padding);
  if (!out->empty()) key.Apply(content.data() + offset, out->size(), out->data());
  return true;
}

bool DecodeField(ByteSpan c, const KeyContext& key, Field* f) {
  FieldLayout l;
  if (!ParseFieldLayout(c, &l)) return false;
  std::memcpy(f->head.data(), c.data(), F::kHeadSize);
  f->kind = l.kind;
  f->flags = l.flags;
  f->labelColour = LoadI32(c.data() + F::kLabelColour);
  f->valueColour = LoadI32(c.data() + F::kValueColour);
  f->dateTime = platform::SystemTime::LoadFrom(c.data() + F::kDateTime);
  DecipherText(c, l.labelOffset, l.labelStored, l.labelPadding, key, &f->label);
  DecipherText(c, l.valueOffset, l.valueStored, l.valuePadding, key, &f->value);
  if (l.itemsStored) {
    Text joined;
    DecipherText(c, l.itemsOffset, l.itemsStored, l.itemsPadding, key, &joined);
    size_t start = 0;
    while (start <= joined.size() && f->items.size() < kMaxItems) {
      size_t end = joined.find(u'^', start);
      if (end == Text::npos) end = joined.size();
      if (end > start) f->items.emplace_back(joined.data() + start, end - start);
      start = end + 1;
    }
  }
  f->changeFlags = 0;
  return true;
}

// Reads a media item's head and its two pieces; false when they do not fit.
template <typename Media>
bool DecodeMedia(ByteSpan c, const layout::MediaItemLayout& m, const KeyContext& key, Media* media) {
  if (!c.Has(0, m.headSize)) return false;
  const uint8_t* h = c.data();
  const uint32_t bs = LoadU32(h + m.bytesLength), bp = LoadU32(h + m.bytesPadding);
  const uint32_t ns = LoadU32(h + m.nameLength), np = LoadU32(h + m.namePadding);
  if (!PieceFits(c, m.headSize, bs, bp) || !PieceFits(c, m.headSize + size_t(bs), ns, np)) return false;
  std::memcpy(media->head.data(), h, m.headSize);
  DecipherBytes(c, m.headSize, bs, bp, key, &media->bytes);
  DecipherText(c, m.headSize + size_t(bs), ns, np, key, &media->fileName);
  return true;
}

bool DecodePicture(ByteSpan c, const KeyContext& key, CardPicture* p) {
  if (!DecodeMedia(c, layout::kPictureItem, key, p)) return false;
  const uint32_t placement = LoadU32(c.data() + P::kPlacement);
  p->placement = (placement >= 1 && placement <= 10) ? placement : 9;
  p->scaleToFit = LoadU32(c.data() + P::kScaleToFit);
  p->type = LoadU32(c.data() + P::kType);
  return true;
}

bool DecodeSound(ByteSpan c, const KeyContext& key, CardSound* s) {
  if (!DecodeMedia(c, layout::kSoundItem, key, s)) return false;
  s->type = LoadU32(c.data() + S::kType);
  s->play = LoadU32(c.data() + S::kPlay);
  return true;
}

bool DecodeAttachment(ByteSpan c, const KeyContext& key, Attachment* a) {
  if (!DecodeMedia(c, layout::kAttachmentItem, key, a)) return false;
  a->fileTime = platform::SystemTime::LoadFrom(c.data() + A::kFileTime);
  a->timeAdded = platform::SystemTime::LoadFrom(c.data() + A::kTimeAdded);
  return true;
}

}  // namespace

bool ParseFieldLayout(ByteSpan c, FieldLayout* l) {
  if (!c.Has(0, F::kHeadSize)) return false;
  const uint8_t* h = c.data();
  l->kind = LoadU16(h + F::kKind);
  l->flags = LoadU16(h + F::kFlags);
  l->labelStored = LoadU32(h + F::kLabelLength);
  l->labelPadding = LoadU32(h + F::kLabelPadding);
  l->valueStored = LoadU32(h + F::kValueLength);
  l->valuePadding = LoadU32(h + F::kValuePadding);
  l->itemsStored = LoadU32(h + F::kItemsLength);
  l->itemsPadding = LoadU32(h + F::kItemsPadding);
  l->labelOffset = F::kHeadSize;
  l->valueOffset = l->labelOffset + size_t(l->labelStored);
  l->itemsOffset = l->valueOffset + size_t(l->valueStored);
  return PieceFits(c, l->labelOffset, l->labelStored, l->labelPadding) &&
         PieceFits(c, l->valueOffset, l->valueStored, l->valuePadding) &&
         PieceFits(c, l->itemsOffset, l->itemsStored, l->itemsPadding);
}

bool DecipherText(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key,
                  std::u16string* out) {
  return DecipherTextImpl(content, offset, stored, padding, key, out);
}
bool DecipherText(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key,
                  Text* out) {
  return DecipherTextImpl(content, offset, stored, padding, key, out);
}

uint64_t CardBodyLength(const Card& card) {
  uint64_t n = layout::attributes::kSize;
  for (const Field& f : card.fields) n += I::kHeadSize + FieldContentLength(f);
  auto media = [](const auto& m, size_t headSize) {
    return I::kHeadSize + headSize + BytesPiece(m.bytes).stored + TextPiece(m.fileName).stored;
  };
  if (card.picture && !card.picture->bytes.empty()) n += media(*card.picture, P::kHeadSize);
  if (card.sound && !card.sound->bytes.empty()) n += media(*card.sound, S::kHeadSize);
  for (const auto& a : card.attachments)
    if (a && a->InUse()) n += media(*a, A::kHeadSize);
  return n;
}

size_t EncodeCardBody(const Card& card, const KeyContext& key, std::vector<uint8_t>* out) {
  const size_t start = out->size();
  uint8_t attrs[layout::attributes::kSize];
  for (size_t i = 0; i < 16; ++i) StoreU32(attrs + 4 * i, card.attributes[i]);
  out->insert(out->end(), attrs, attrs + sizeof attrs);
  for (const Field& f : card.fields) EncodeField(f, key, out);
  if (card.picture && !card.picture->bytes.empty()) EncodePicture(*card.picture, key, out);
  if (card.sound && !card.sound->bytes.empty()) EncodeSound(*card.sound, key, out);
  for (const auto& a : card.attachments)
    if (a && a->InUse()) EncodeAttachment(*a, key, out);
  return out->size() - start;
}

bool WalkCardItems(ByteSpan body, const std::function<bool(uint32_t, ByteSpan)>& fn) {
  size_t at = layout::attributes::kSize;
  while (body.Has(at, I::kHeadSize)) {
    const uint32_t type = LoadU32(body.data() + at + I::kType);
    const uint32_t length = LoadU32(body.data() + at + I::kLength);
    at += I::kHeadSize;
    if (!body.Has(at, length)) return false;
    if (!fn(type, body.Sub(at, length))) return true;
    at += length;
  }
  return true;
}

BodyStatus DecodeCardBody(ByteSpan body, const KeyContext& key, Card* card) {
  if (body.size() < layout::attributes::kSize) return BodyStatus::TooShort;
  for (size_t i = 0; i < 16; ++i) card->attributes[i] = LoadU32(body.data() + 4 * i);
  card->fields.clear();
  card->picture.reset();
  card->sound.reset();
  for (auto& a : card->attachments) a.reset();
  const bool whole = WalkCardItems(body, [&](uint32_t type, ByteSpan content) {
    switch (type) {
      case I::kField: {
        if (card->fields.size() >= kMaxFields) break;
        Field f;
        if (DecodeField(content, key, &f)) card->fields.push_back(std::move(f));
        break;
      }
      case I::kPicture: {
        CardPicture p;
        if (DecodePicture(content, key, &p)) card->picture = std::move(p);
        break;
      }
      case I::kSound: {
        CardSound s;
        if (DecodeSound(content, key, &s)) card->sound = std::move(s);
        break;
      }
      case I::kAttachment: {
        Attachment a;
        if (!DecodeAttachment(content, key, &a)) break;
        for (auto& slot : card->attachments) {
          if (!slot) {
            slot = std::move(a);
            break;
          }
        }
        break;
      }
      default: break;  // never written by this program; skipped
    }
    return true;
  });
  card->loaded = true;
  card->changed = false;
  return whole ? BodyStatus::Ok : BodyStatus::Truncated;
}

}  // namespace tb::storage
