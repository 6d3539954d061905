#include "storage/legacy_file.h"

#include <cstring>

#include "storage/cipher/cipher.h"
#include "storage/legacy_layout.h"

namespace tb::storage {

namespace L = legacy_layout;

Text LegacyText(ByteSpan bytes) {
  Text text;
  const size_t units = bytes.size() / 2;
  size_t n = 0;
  while (n < units && LoadU16(bytes.data() + 2 * n) != 0) ++n;
  text.resize(n);
  for (size_t i = 0; i < n; ++i) text[i] = char16_t(LoadU16(bytes.data() + 2 * i));
  return text;
}

bool DecodeLegacyHead(ByteSpan bytes, LegacyHead* head) {
  if (bytes.size() < L::head::kSize) return false;
  const uint8_t* p = bytes.data();
  if (std::memcmp(p, L::head::kText, L::head::kTextCompared) != 0) return false;
  if (LoadU32(p + L::head::kMagic1) != L::head::kMagic1Value) return false;
  if (LoadU32(p + L::head::kMagic2) != L::head::kMagic2Value) return false;
  head->usesCustomForms = LoadU32(p + L::head::kUsesCustomForms) != 0;
  head->customFormFile = LegacyText(bytes.Sub(L::head::kCustomFormFile, L::head::kCustomFormFileSize));
  std::memcpy(head->salt.data(), p + L::head::kSalt, L::head::kSaltSize);
  std::memcpy(head->checkValue.data(), p + L::head::kCheckValue, L::head::kCheckValueSize);
  return true;
}

namespace {

LegacyFolder DecodeFolder(const uint8_t* r) {
  LegacyFolder f;
  f.number = LoadU32(r + L::folder::kNumber);
  f.defaultForm = LoadU32(r + L::folder::kDefaultForm);
  f.icon = LoadI32(r + L::folder::kIcon);
  f.name = LegacyText(ByteSpan(r + L::folder::kName, L::record::kSize - L::folder::kName));
  return f;
}

LegacyCard DecodeCard(const uint8_t* r) {
  LegacyCard c;
  c.number = LoadU32(r + L::card::kNumber);
  c.enciphered = LoadU32(r + L::card::kEnciphered) == 1;
  c.folder = LoadU32(r + L::card::kFolder);
  c.form = LoadU32(r + L::card::kForm);
  c.icon = LoadI32(r + L::card::kIcon);
  c.dataLength = LoadU32(r + L::card::kDataLength);
  c.name = LegacyText(ByteSpan(r + L::card::kName, L::record::kSize - L::card::kName));
  return c;
}

}  // namespace

bool ReadLegacyRecords(platform::File& file, uint64_t fileSize, LegacyRecords* records) {
  uint64_t offset = L::kFirstRecordOffset;
  uint8_t r[L::record::kSize];
  while (offset < fileSize) {
    if (fileSize - offset < L::record::kSize) {
      records->endedOnDamage = true;
      return true;
    }
    size_t got = 0;
    if (!file.ReadAt(offset, r, sizeof r, &got)) return false;
    if (got != sizeof r) {
      records->endedOnDamage = true;
      return true;
    }
    offset += L::record::kSize;
    const uint32_t tag = LoadU32(r + L::record::kTag);
    if (tag == L::record::kFolderTag) {
      records->folders.push_back(DecodeFolder(r));
    } else if (tag == L::record::kCardTag) {
      LegacyCard card = DecodeCard(r);
      card.dataOffset = offset;
      card.dataInFile = card.dataLength <= fileSize - offset;
      const bool more = card.dataInFile;
      records->cards.push_back(std::move(card));
      if (!more) {
        records->endedOnDamage = true;
        return true;
      }
      offset += records->cards.back().dataLength;
    } else {
      break;
    }
    SecureWipe(r, sizeof r);
  }
  SecureWipe(r, sizeof r);
  return true;
}

LegacyCardData ReadLegacyCardData(platform::File& file, const LegacyCard& card, const std::array<uint8_t, 16>& key,
                                  SecureBytes* data) {
  data->clear();
  if (!card.dataInFile) return LegacyCardData::NotInFile;
  uint64_t size = 0;
  if (!file.Size(&size)) return LegacyCardData::Unreadable;
  // Checked again against the file as it is now: the length came from it.
  if (card.dataOffset > size || card.dataLength > size - card.dataOffset) return LegacyCardData::NotInFile;
  data->resize(card.dataLength);
  size_t got = 0;
  if (card.dataLength > 0 && (!file.ReadAt(card.dataOffset, data->data(), data->size(), &got) || got != data->size())) {
    data->clear();
    return LegacyCardData::Unreadable;
  }
  if (card.enciphered && !data->empty()) {
    Key128 k;
    std::memcpy(k.data(), key.data(), k.size());
    Encipher(k, data->data(), data->size(), data->data());
    SecureWipe(k.data(), k.size());
  }
  return LegacyCardData::Read;
}

LegacyEntries::LegacyEntries(ByteSpan data) {
  size_t at = 0;
  while (data.Has(at, L::entry::kHeadSize)) {
    const uint32_t tag = LoadU32(data.data() + at);
    const uint32_t length = LoadU32(data.data() + at + 4);
    at += L::entry::kHeadSize;
    if (!data.Has(at, length)) break;
    first_.emplace(tag, data.Sub(at, length));  // keeps the first of a tag
    at += length;
  }
}

std::optional<ByteSpan> LegacyEntries::Find(uint32_t tag) const {
  const auto it = first_.find(tag);
  if (it == first_.end() || it->second.size() == 0) return std::nullopt;
  return it->second;
}

Text LegacyEntries::TextOf(uint32_t tag) const {
  const std::optional<ByteSpan> e = Find(tag);
  return e ? LegacyText(*e) : Text();
}

}  // namespace tb::storage
