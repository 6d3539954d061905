// Record headers: identifiers, names, icons.
#include <gtest/gtest.h>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/record.h"

namespace tb::storage {
namespace {

KeyContext TestKey() {
  KeyContext k;
  k.SetKey(Key128{9, 8, 7, 6, 5, 4, 3, 2, 1});
  return k;
}

TEST(RecordId, IdsMadeInTheSameSecondDiffer) {
  platform::TestClock clock({2026, 12, 4, 10, 11, 12, 13, 0});
  // A random source that repeats itself: the last-id check must still
  // produce a different id.
  int calls = 0;
  platform::ScopedRandomSource random([&] { return uint32_t(calls++ < 4 ? 7 : calls); });
  const RecordId a = NewRecordId();
  const RecordId b = NewRecordId();
  EXPECT_NE(a, b);
  EXPECT_EQ(LoadU16(a.bytes.data() + 4), 3);
  EXPECT_EQ(a.bytes[8], 10);  // day
  EXPECT_EQ(a.bytes[9], 12);  // month
  EXPECT_EQ(LoadU16(a.bytes.data() + 10), 2026);
  EXPECT_EQ(a.bytes[14], a.bytes[15]);
}

TEST(RecordId, HexRoundTripAndFormIds) {
  const RecordId id = NewRecordId();
  EXPECT_EQ(RecordId::FromHex(id.Hex()), id);
  EXPECT_FALSE(RecordId::FromHex("xyz"));
  uint32_t n = 0;
  EXPECT_TRUE(IsBuiltInForm(BuiltInFormId(42), &n));
  EXPECT_EQ(n, 42u);
  EXPECT_FALSE(IsBuiltInForm(BuiltInFormId(43)));
  FormId custom = BuiltInFormId(1);
  custom.bytes[9] = 1;
  EXPECT_FALSE(IsBuiltInForm(custom));
}

TEST(RecordHeader, NamesAreEncipheredCutAndStable) {
  const KeyContext key = TestKey();
  RecordHeader h = NewCardRecord(RecordId{}, &key);
  const std::u16string longName(300, u'x');
  ASSERT_TRUE(h.SetName(longName));
  EXPECT_EQ(h.Name().size(), 255u);
  ASSERT_TRUE(h.SetName(u"Bank"));
  const auto first = h.Bytes();
  EXPECT_FALSE(AllZero(first.data() + layout::record::kName, 8));
  EXPECT_NE(LoadU16(first.data() + layout::record::kName), u'B');
  RecordHeader other = NewCardRecord(RecordId{}, &key);
  other.SetName(u"Bank");
  // No IV: the same name under the same key gives the same bytes.
  EXPECT_EQ(0, std::memcmp(first.data() + layout::record::kName, other.Bytes().data() + layout::record::kName,
                           layout::record::kNameSize));
  ASSERT_TRUE(h.SetName(u""));
  EXPECT_TRUE(AllZero(h.Bytes().data() + layout::record::kName, layout::record::kNameSize));
  EXPECT_EQ(h.Name(), u"");
  RecordHeader keyless;
  EXPECT_FALSE(keyless.SetName(u"x"));
}

TEST(RecordHeader, IconPictureAndFlags) {
  const KeyContext key = TestKey();
  RecordHeader h = NewFolderRecord(RecordId{}, false, &key);
  EXPECT_EQ(h.ChangeFlags(), layout::record::kFlagCreated);
  EXPECT_EQ(h.CreationMarker(), -1);
  const uint8_t picture[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  h.SetIconPicture(picture, sizeof picture);
  EXPECT_EQ(h.Icon(), -1);
  EXPECT_EQ(h.PayloadLength(), 12u);
  EXPECT_EQ(h.PayloadPadding(), 4u);
  EXPECT_EQ(h.IconPicture(), std::vector<uint8_t>(picture, picture + 8));
  EXPECT_TRUE(h.ChangeFlags() & layout::record::kFlagIconChanged);
  h.SetIcon(12);
  EXPECT_EQ(h.PayloadLength(), 0u);
  EXPECT_TRUE(h.Payload().empty());
  RecordHeader forms = NewFolderRecord(NewRecordId(), true, &key);
  EXPECT_TRUE(forms.Parent().IsZero());  // the forms folder is always top level
  EXPECT_TRUE(LooksLikeRecord(forms.Bytes().data()));
}

}  // namespace
}  // namespace tb::storage
