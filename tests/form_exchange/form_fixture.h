#pragma once
// What the form exchange tests share: a card holding every field kind,
// choice items, a picture, a sound, an attachment and an own icon; a
// readable summary of a card to compare two of them; and file helpers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "interchange/form_file.h"
#include "platform/core/file.h"
#include "storage/forms/field_kinds.h"
#include "support/wallet_fixture.h"

namespace tb::test {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string Ascii(std::u16string_view t) {
  std::string s;
  for (char16_t c : t) s += c < 128 ? char(c) : '?';
  return s;
}
inline std::string Ascii(const storage::Text& t) { return Ascii(std::u16string_view(t.data(), t.size())); }

inline std::string TimeText(const platform::SystemTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) + " " +
         std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" + std::to_string(t.second);
}

inline std::string BytesText(const storage::SecureBytes& b) {
  unsigned sum = 0;
  for (uint8_t x : b) sum = sum * 31 + x;
  return std::to_string(b.size()) + "#" + std::to_string(sum);
}

// Everything a card shows and stores, except its id, parent and times.
inline std::string Summary(const storage::Card& card, bool withValues = true) {
  std::string s = "name=" + Ascii(card.record.Name()) + " icon=" + std::to_string(card.record.Icon());
  const std::vector<uint8_t> icon = card.record.IconPicture();
  s += " iconBytes=" + std::to_string(icon.size());
  for (uint32_t a : card.attributes) s += " " + std::to_string(a);
  for (const storage::Field& f : card.fields) {
    s += "\n kind " + std::to_string(f.kind) + " flags " + std::to_string(f.flags) + " colours " +
         std::to_string(f.labelColour) + "/" + std::to_string(f.valueColour) + " label " + Ascii(f.label);
    if (withValues) s += " value " + Ascii(f.value) + " date " + TimeText(f.dateTime);
    for (const storage::Text& item : f.items) s += " ^" + Ascii(item);
  }
  if (card.picture)
    s += "\n picture " + std::to_string(card.picture->placement) + " " + std::to_string(card.picture->type) + " " +
         BytesText(card.picture->bytes) + " " + Ascii(card.picture->fileName);
  if (card.sound) s += "\n sound " + BytesText(card.sound->bytes) + " " + Ascii(card.sound->fileName);
  for (const auto& a : card.attachments)
    if (a) s += "\n attachment " + BytesText(a->bytes) + " " + Ascii(a->fileName) + " " + TimeText(a->fileTime);
  return s;
}

// A card with a field of every kind (1 to 16), values, dates, items, a
// notes flag, colours, a picture, a sound, an attachment and an own icon.
inline storage::Card EveryKindCard(TestWallet& w, const storage::RecordId& folder) {
  storage::Card card = w.wallet().NewEmptyCard(folder);
  card.record.SetName(u"Everything");
  const uint8_t icon[7] = {9, 8, 7, 6, 5, 4, 3};
  card.record.SetIconPicture(icon, sizeof icon);
  card.attributes[8] = 2;
  for (uint16_t kind = 1; kind <= 16; ++kind) {
    storage::Field f;
    f.SetKind(kind, &w.texts());
    f.SetLabel(u"Label " + std::u16string(1, char16_t(u'A' + kind)));
    if (kind >= 8 && kind <= 10) f.SetDateTime({2026, 3, 1, 7, 14, 30, 5, 0});
    else f.SetValue(kind == 13 ? u"1" : u"value " + std::u16string(1, char16_t(u'a' + kind)));
    if (kind == 12) {
      f.AddItem(u"Gold");
      f.AddItem(u"Silver");
    }
    if (kind == 15) f.flags = storage::kNotesFieldFlag;
    if (kind == 3) f.labelColour = 0x0000FF;
    card.AddField(std::move(f));
  }
  card.SetPicture(storage::SecureBytes(301, 0x42), u"face.gif", 3);
  card.SetSound(storage::SecureBytes(77, 0x17), u"ding.wav", true);
  storage::Attachment a;
  a.bytes = storage::SecureBytes(123, 0x33);
  a.fileName = u"notes.txt";
  a.fileTime = {2025, 12, 3, 24, 8, 0, 0, 0};
  a.timeAdded = {2026, 1, 5, 2, 9, 0, 0, 0};
  card.AddAttachment(std::move(a));
  return card;
}

// Writes the card as a form file at path; the write status.
inline interchange::FormWriteStatus WriteForm(const storage::Card& card, const std::string& path, bool includeData,
                                              std::u16string_view author = u"Ann Author",
                                              std::u16string_view description = u"A form of everything") {
  platform::File file;
  if (file.Open(path, platform::OpenMode::CreateNew) != platform::OpenResult::Ok)
    return interchange::FormWriteStatus::NoCardOrFile;
  return interchange::WriteFormFile(&card, &file, includeData, author, description);
}

// Reads a form file at path with the wallet's data key.
inline interchange::FormReadStatus ReadForm(const std::string& path, const storage::KeyContext& key,
                                            storage::Card* card, interchange::FormFileHeader* header = nullptr) {
  platform::File file;
  if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok)
    return interchange::FormReadStatus::NoFile;
  return interchange::ReadFormFile(card, &file, key, header);
}

}  // namespace tb::test
