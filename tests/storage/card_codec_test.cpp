// Card bodies: the stored layout of each piece, the round trip of every item
// type, and what a damaged or hostile body does to the reader.
#include <gtest/gtest.h>

#include "storage/bytes.h"
#include "storage/card_codec.h"
#include "storage/layout.h"
#include "storage/piece_rekey.h"

namespace tb::storage {
namespace {

KeyContext TestKey() {
  KeyContext k;
  Key128 key{};
  for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(i * 7 + 1);
  k.SetKey(key);
  return k;
}

Field TextField(std::u16string_view label, std::u16string_view value, uint16_t kind = 1) {
  Field f;
  f.kind = kind;
  f.SetLabel(label);
  f.SetValue(value);
  return f;
}

std::vector<uint8_t> Encode(const Card& card) {
  std::vector<uint8_t> body;
  EncodeCardBody(card, TestKey(), &body);
  return body;
}

TEST(CardBody, EmptyCardIsItsAttributesAlone) {
  Card card;
  const std::vector<uint8_t> body = Encode(card);
  EXPECT_EQ(body.size(), 64u);
  EXPECT_EQ(CardBodyLength(card), 64u);
  EXPECT_EQ(LoadU32(body.data() + 4), 0xFFFFFFu);  // a default attribute
}

TEST(CardBody, TextsArePaddedSoATerminatorFollows) {
  struct Case {
    std::u16string label;
    uint32_t stored, padding;
  } cases[] = {{u"abc", 8, 2}, {u"ab", 8, 4}, {u"a", 4, 2}, {u"", 0, 0}};
  for (const Case& c : cases) {
    Card card;
    card.fields.push_back(TextField(c.label, u""));
    const std::vector<uint8_t> body = Encode(card);
    const uint8_t* head = body.data() + 64 + layout::item::kHeadSize;
    EXPECT_EQ(LoadU32(head + layout::field::kLabelLength), c.stored) << c.label.size();
    EXPECT_EQ(LoadU32(head + layout::field::kLabelPadding), c.padding);
    EXPECT_EQ(body.size(), CardBodyLength(card));
  }
}

TEST(CardBody, PaddingOfBytePayloads) {
  EXPECT_EQ(8 + PaddingForBytes(8), 12u);
  EXPECT_EQ(5 + PaddingForBytes(5), 8u);
  EXPECT_EQ(PaddingForText(6), 2u);
  EXPECT_EQ(PaddingForText(4), 4u);
}

TEST(CardBody, SelectionWithoutItemsStoresFourZeroBytes) {
  Card card;
  Field f = TextField(u"Choice", u"");
  f.kind = 12;
  card.fields.push_back(f);
  const std::vector<uint8_t> body = Encode(card);
  const uint8_t* head = body.data() + 64 + layout::item::kHeadSize;
  EXPECT_EQ(LoadU32(head + layout::field::kItemsLength), 4u);
  EXPECT_EQ(LoadU32(head + layout::field::kItemsPadding), 4u);
  EXPECT_TRUE(AllZero(body.data() + body.size() - 4, 4));
}

TEST(CardBody, EveryItemTypeSurvivesARoundTrip) {
  Card card;
  card.attributes[11] = 12;
  card.fields.push_back(TextField(u"User", u"mira"));
  card.fields.push_back(TextField(u"Password", u"s3cr\u00e9t", 7));
  Field date = TextField(u"Expires", u"", 8);
  date.SetDateTime({2027, 3, 0, 31, 0, 0, 0, 0});
  card.fields.push_back(date);
  Field choice = TextField(u"Colour", u"red", 12);
  choice.AddItem(u"red");
  choice.AddItem(u"green^blue");
  card.fields.push_back(choice);
  card.SetPicture(SecureBytes{1, 2, 3, 4, 5}, u"/pics/Cat.JPG", 4);
  card.SetSound(SecureBytes{9, 9}, u"ding.wav", true);
  Attachment a;
  a.bytes = SecureBytes(1000, 0x5A);
  a.fileName = u"notes.txt";
  a.fileTime = {2026, 1, 0, 2, 3, 4, 5, 0};
  card.AddAttachment(a);

  const std::vector<uint8_t> body = Encode(card);
  ASSERT_EQ(body.size(), CardBodyLength(card));
  Card back;
  ASSERT_EQ(DecodeCardBody(ByteSpan(body.data(), body.size()), TestKey(), &back), BodyStatus::Ok);
  EXPECT_EQ(back.attributes, card.attributes);
  ASSERT_EQ(back.fields.size(), 4u);
  EXPECT_EQ(back.fields[0].label, u"User");
  EXPECT_EQ(back.fields[1].value, u"s3cr\u00e9t");
  EXPECT_EQ(back.fields[1].kind, 7);
  EXPECT_EQ(back.fields[2].dateTime, date.dateTime);
  ASSERT_EQ(back.fields[3].items.size(), 2u);
  EXPECT_EQ(back.fields[3].items[1], u"green blue");  // '^' is the separator
  ASSERT_TRUE(back.picture);
  EXPECT_EQ(back.picture->type, 2u);
  EXPECT_EQ(back.picture->placement, 4u);
  EXPECT_EQ(back.picture->fileName, u"Cat.JPG");
  EXPECT_EQ(back.picture->bytes, (SecureBytes{1, 2, 3, 4, 5}));
  ASSERT_TRUE(back.sound);
  EXPECT_EQ(back.sound->type, 1u);
  EXPECT_EQ(back.sound->play, 1u);
  ASSERT_TRUE(back.attachments[0]);
  EXPECT_EQ(back.attachments[0]->bytes.size(), 1000u);
  EXPECT_EQ(back.attachments[0]->fileTime, a.fileTime);
  // Re-encoding what was read gives the same bytes.
  EXPECT_EQ(Encode(back), body);
}

TEST(CardBody, ReKeyingInPlaceEqualsEncodingUnderTheNewKey) {
  Card card;
  card.fields.push_back(TextField(u"User", u"mira"));
  Field choice = TextField(u"Colour", u"", 12);
  choice.AddItem(u"red");
  card.fields.push_back(choice);
  card.SetPicture(SecureBytes{1, 2, 3, 4, 5}, u"a.gif", 1);
  card.SetSound(SecureBytes{9, 9, 9}, u"b.wav", false);
  Attachment a;
  a.bytes = SecureBytes(77, 3);
  a.fileName = u"c.txt";
  card.AddAttachment(a);
  KeyContext other;
  other.SetKey(Key128{42});
  std::vector<uint8_t> body = Encode(card), expected;
  EncodeCardBody(card, other, &expected);
  RekeyCardBody(body, TestKey(), other);
  EXPECT_EQ(body, expected);
}

TEST(CardBody, TextsAreEncipheredAndPaddingIsClear) {
  Card card;
  card.fields.push_back(TextField(u"abc", u""));
  const std::vector<uint8_t> body = Encode(card);
  const uint8_t* label = body.data() + 64 + layout::item::kHeadSize + layout::field::kHeadSize;
  EXPECT_NE(std::u16string(reinterpret_cast<const char16_t*>(label), 3), u"abc");
  EXPECT_EQ(label[6], 0);
  EXPECT_EQ(label[7], 0);
}

TEST(CardBody, EleventhAttachmentIsIgnored) {
  Card card;
  for (int i = 0; i < 10; ++i) {
    Attachment a;
    a.bytes = SecureBytes(3, uint8_t(i));
    a.fileName = u"f";
    ASSERT_TRUE(card.AddAttachment(a));
  }
  std::vector<uint8_t> body = Encode(card);
  // Append one more attachment item by hand: it is the eleventh in the body.
  const std::vector<uint8_t> last(body.end() - (12 + 68 + 4 + 4), body.end());
  body.insert(body.end(), last.begin(), last.end());
  Card back;
  ASSERT_EQ(DecodeCardBody(ByteSpan(body.data(), body.size()), TestKey(), &back), BodyStatus::Ok);
  int used = 0;
  for (const auto& a : back.attachments) used += a && a->InUse();
  EXPECT_EQ(used, 10);
}

TEST(CardBody, HostileBodiesAreReadSafely) {
  Card card;
  for (int i = 0; i < 5; ++i) card.fields.push_back(TextField(u"Label", u"Value of the field"));
  Attachment a;
  a.bytes = SecureBytes(50, 1);
  a.fileName = u"x.bin";
  card.AddAttachment(a);
  const std::vector<uint8_t> body = Encode(card);
  // Every truncation: fewer items, never a crash or a read past the end.
  for (size_t n = 0; n < body.size(); ++n) {
    std::vector<uint8_t> cut(body.begin(), body.begin() + n);
    Card back;
    const BodyStatus s = DecodeCardBody(ByteSpan(cut.data(), cut.size()), TestKey(), &back);
    if (n < 64) {
      EXPECT_EQ(s, BodyStatus::TooShort);
    }
    EXPECT_LE(back.fields.size(), 5u);
  }
  // Lengths that lie: every 4-byte word of the body set to huge values.
  for (size_t at = 64; at + 4 <= body.size(); at += 4) {
    for (uint32_t lie : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x10000u, 1u}) {
      std::vector<uint8_t> bad = body;
      StoreU32(bad.data() + at, lie);
      Card back;
      DecodeCardBody(ByteSpan(bad.data(), bad.size()), TestKey(), &back);
      for (const Field& f : back.fields) EXPECT_LE(f.label.size() + f.value.size(), body.size());
    }
  }
}

}  // namespace
}  // namespace tb::storage
