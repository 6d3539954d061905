// The packed record index and its id table: every header comes back byte
// for byte, whatever its bytes, and the quick reads agree with the full
// header.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "storage/bytes.h"
#include "storage/record.h"
#include "storage/record_id_table.h"
#include "storage/record_index.h"

namespace tb::storage {
namespace {

namespace R = layout::record;

KeyContext MakeKey(uint8_t seed) {
  KeyContext k;
  k.SetKey(Key128{seed, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  return k;
}

RecordHeader FromBytes(const std::vector<uint8_t>& raw) {
  RecordHeader h;
  EXPECT_TRUE(h.Decode(raw.data()));
  return h;
}

// Headers as files may hold them: written by this program, and with bytes
// it never writes (noise in every field, garbage after a name's end, a
// name of 255 units without an end, an empty name, an icon picture).
std::vector<RecordHeader> AssortedHeaders(const KeyContext& key) {
  std::vector<RecordHeader> out;
  std::mt19937 random(7);
  RecordHeader folder = NewFolderRecord(RecordId{}, false, &key);
  folder.SetName(u"Banking");
  out.push_back(folder);
  RecordHeader card = NewCardRecord(folder.Id(), &key);
  card.SetName(u"Bank Account \u00C4");
  card.SetIconRaw(17);
  card.SetBodyLength(2000);
  out.push_back(card);
  RecordHeader unnamed = NewCardRecord(folder.Id(), &key);
  out.push_back(unnamed);
  RecordHeader longest = NewCardRecord(folder.Id(), &key);
  longest.SetName(std::u16string(300, u'y'));
  out.push_back(longest);

  // Noise everywhere but the kind and the id.
  std::vector<uint8_t> raw(card.Bytes().begin(), card.Bytes().end());
  for (size_t i = R::kParent; i < R::kSize; ++i) raw[i] = uint8_t(random());
  StoreU32(raw.data() + R::kPayloadLength, 0);
  out.push_back(FromBytes(raw));
  // A name whose clear bytes go on after its end, and one with no end at all.
  for (const bool end : {true, false}) {
    uint8_t clear[R::kNameSize];
    for (size_t i = 0; i < R::kNameSize; ++i) clear[i] = uint8_t('a' + i % 26);
    if (end) StoreU16(clear + 10, 0);
    raw.assign(card.Bytes().begin(), card.Bytes().end());
    key.Apply(clear, R::kNameSize, raw.data() + R::kName);
    out.push_back(FromBytes(raw));
  }
  // Runs of zeros of every length between other bytes.
  raw.assign(card.Bytes().begin(), card.Bytes().end());
  for (size_t i = R::kParent + 16, run = 0; i < R::kName; i += run + 1, ++run) raw[i] = 0xEE;
  out.push_back(FromBytes(raw));

  RecordHeader pictured = NewCardRecord(folder.Id(), &key);
  const uint8_t picture[5] = {1, 2, 3, 4, 5};
  pictured.SetIconPicture(picture, sizeof picture);
  pictured.changedInMemory = false;
  out.push_back(pictured);
  RecordHeader unsaved = NewCardRecord(folder.Id(), &key);
  unsaved.SetName(u"Not yet written");
  out.push_back(unsaved);
  for (size_t i = 0; i < out.size(); ++i) out[i].fileOffset = 4980 + 1000 * i;
  return out;
}

void ExpectSame(const RecordIndex& index, int position, const RecordHeader& expected, const KeyContext& key) {
  SCOPED_TRACE(position);
  // The quick reads, before anything is unpacked.
  EXPECT_EQ(index.Id(position), expected.Id());
  EXPECT_EQ(index.Parent(position), expected.Parent());
  EXPECT_EQ(index.Kind(position), expected.Kind());
  EXPECT_EQ(index.IsDeleted(position), expected.IsDeleted());
  EXPECT_EQ(index.Icon(position), expected.Icon());
  EXPECT_EQ(index.FileOffset(position), expected.fileOffset);
  RecordHeader named = expected;
  named.SetKey(&key);
  Text quick, full;
  EXPECT_TRUE(index.GetName(position, &quick));
  EXPECT_TRUE(named.GetName(&full));
  EXPECT_EQ(quick, full);
  // The full header.
  const RecordHeader& h = index.Full(position);
  EXPECT_EQ(0, std::memcmp(h.Bytes().data(), expected.Bytes().data(), R::kSize));
  EXPECT_EQ(h.Payload(), expected.Payload());
  EXPECT_EQ(h.fileOffset, expected.fileOffset);
  EXPECT_EQ(h.Key(), &key);
}

TEST(RecordIndex, GivesBackEveryHeaderByteForByte) {
  KeyContext key = MakeKey(1);
  const std::vector<RecordHeader> headers = AssortedHeaders(key);
  RecordIndex index;
  index.SetRecordKey(&key);
  for (const RecordHeader& h : headers) {
    const int position = index.Add(h);
    EXPECT_EQ(position, int(index.size()) - 1);
  }
  for (size_t i = 0; i < headers.size(); ++i) ExpectSame(index, int(i), headers[i], key);
}

TEST(RecordIndex, AFullHeaderStaysPutAndItsChangesAreSeen) {
  KeyContext key = MakeKey(1);
  RecordIndex index;
  index.SetRecordKey(&key);
  RecordHeader card = NewCardRecord(RecordId{}, &key);
  card.SetName(u"First");
  card.changedInMemory = false;
  index.Add(card);
  RecordHeader* held = &index.Full(0);
  for (int i = 0; i < 1000; ++i) index.Add(NewFolderRecord(RecordId{}, false, &key));
  EXPECT_EQ(&index.Full(0), held);
  const RecordId parent = index.Id(5);
  held->SetParent(parent);
  held->SetName(u"Renamed");
  held->SetDeletedFlag(1);
  Text name;
  index.GetName(0, &name);
  EXPECT_EQ(std::u16string(name.data(), name.size()), u"Renamed");
  EXPECT_EQ(index.Parent(0), parent);
  EXPECT_TRUE(index.IsDeleted(0));

  // Replacing a packed record, and an unpacked one.
  RecordHeader other = card;
  other.SetName(u"Other");
  other.changedInMemory = false;
  index.Replace(1, other);
  index.Replace(0, other);
  ExpectSame(index, 1, other, key);
  EXPECT_EQ(&index.Full(0), held);
  EXPECT_EQ(held->Name(), other.Name());
}

TEST(RecordIndex, NamesStayRightUnderANewKey) {
  // After a password change the index packs with the old key; names are
  // then read from the full headers, and headers still come back whole.
  KeyContext key = MakeKey(1);
  RecordIndex index;
  index.SetRecordKey(&key);
  const std::vector<RecordHeader> before = AssortedHeaders(key);
  for (const RecordHeader& h : before) index.Add(h);
  key.SetKey(MakeKey(2).Key());
  const std::vector<RecordHeader> after = AssortedHeaders(key);
  for (const RecordHeader& h : after) index.Add(h);
  for (size_t i = 0; i < after.size(); ++i) ExpectSame(index, int(before.size() + i), after[i], key);
}

TEST(RecordIdTable, FindsSetsAndErasesAmongManyIds) {
  KeyContext key = MakeKey(1);
  RecordIndex index;
  index.SetRecordKey(&key);
  RecordIdTable table(index);
  std::vector<RecordId> ids;
  std::mt19937 random(3);
  for (int i = 0; i < 3000; ++i) {
    RecordHeader h = NewFolderRecord(RecordId{}, false, &key);
    RecordId id;
    // Ids that share their first half crowd the same slots.
    for (size_t b = 8; b < 16; ++b) id.bytes[b] = uint8_t(random());
    if (i % 3) id.bytes[0] = uint8_t(i);
    h.SetId(id);
    h.changedInMemory = false;
    table.Reserve(table.Count() + 1);
    table.Set(id, index.Add(h));
    ids.push_back(id);
  }
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(table.Find(ids[size_t(i)]), i);
  // Every other one goes; the rest must still be found past the gaps.
  for (int i = 0; i < 3000; i += 2) table.Erase(ids[size_t(i)]);
  EXPECT_EQ(table.Count(), 1500u);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(table.Find(ids[size_t(i)]), i % 2 ? i : -1) << i;
  EXPECT_EQ(table.Find(RecordId{}), -1);
  table.Clear();
  EXPECT_EQ(table.Find(ids[3]), -1);
}

}  // namespace
}  // namespace tb::storage
