// Fields: kind changes, values, items and what a field shows.
#include <gtest/gtest.h>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "storage/card.h"
#include "storage/services.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

namespace tb::storage {
namespace {

class YesNoTexts : public TextSource {
 public:
  std::u16string_view Text(uint32_t n) const override { return n == 20204 ? u"Yes" : n == 20205 ? u"No" : u"?"; }
};

TEST(Field, KindChangesKeepOrDropTheValue) {
  YesNoTexts texts;
  Field f;
  f.SetValue(u"hello");
  f.SetKind(12, &texts);
  EXPECT_EQ(f.value, u"hello");  // text to selection keeps the text
  f.SetKind(8, &texts);
  EXPECT_TRUE(f.value.empty());  // to a date: no text, and no date yet
  EXPECT_TRUE(f.dateTime.IsZero());
  EXPECT_TRUE(f.changeFlags & field_flags::kDateCleared);
  f.SetKind(11, &texts);
  ASSERT_EQ(f.items.size(), 2u);
  EXPECT_EQ(f.items[0], u"Yes");
  EXPECT_EQ(f.items[1], u"No");
}

TEST(Field, ItemsAreLimitedAndCleaned) {
  Field f;
  EXPECT_FALSE(f.AddItem(u"x"));  // a text field keeps no items
  f.kind = 12;
  EXPECT_FALSE(f.AddItem(u""));
  for (int i = 0; i < 128; ++i) ASSERT_TRUE(f.AddItem(u"a^b"));
  EXPECT_FALSE(f.AddItem(u"one too many"));
  EXPECT_EQ(f.items[0], u"a b");
  f.SetItemsFromJoined(u"one^^two^");
  ASSERT_EQ(f.items.size(), 2u);
  EXPECT_EQ(f.items[1], u"two");
}

TEST(Field, DisplayTexts) {
  YesNoTexts texts;
  platform::ScopedDateTimeFormats formats({u"dd.MM.yyyy", u"HH:mm"});
  struct Case {
    uint16_t kind;
    std::u16string value;
    platform::SystemTime when;
    std::u16string shown;
  } cases[] = {
      {13, u"1", {}, u"Yes"},
      {13, u"0", {}, u"No"},
      {13, u"2", {}, u""},
      {8, u"", {2026, 12, 4, 10, 9, 5, 0, 0}, u"10.12.2026"},
      {9, u"", {2026, 12, 4, 10, 9, 5, 0, 0}, u"09:05"},
      {10, u"", {2026, 12, 4, 10, 9, 5, 0, 0}, u"10.12.2026  09:05"},
      {8, u"", {}, u""},
      {7, u"pw", {}, u"pw"},
  };
  for (const Case& c : cases) {
    Field f;
    f.kind = c.kind;
    f.value = ToText(c.value);
    f.dateTime = c.when;
    EXPECT_EQ(DisplayText(f, &texts), ToText(c.shown)) << c.kind;
  }
}

TEST(Field, EmptyValueClearsTheDate) {
  Field f;
  f.kind = 8;
  f.SetDateTime({2026, 1, 0, 1, 0, 0, 0, 0});
  f.SetValue(u"");
  EXPECT_TRUE(f.dateTime.IsZero());
  Field text;
  EXPECT_FALSE(text.SetDateTime({2026, 1, 0, 1, 0, 0, 0, 0}));
}

TEST(Card, FieldLimitAndPictureTypes) {
  Card card;
  for (size_t i = 0; i < kMaxFields; ++i) ASSERT_TRUE(card.AddField(Field()));
  EXPECT_FALSE(card.AddField(Field()));
  EXPECT_EQ(PictureTypeFromName(u"a.BMP"), 1u);
  EXPECT_EQ(PictureTypeFromName(u"a.jpeg"), 2u);
  EXPECT_EQ(PictureTypeFromName(u"a.Gif"), 3u);
  EXPECT_EQ(SoundTypeFromName(u"a.WAV"), 1u);
  EXPECT_EQ(SoundTypeFromName(u"a.mp3"), 0u);
  card.SetPicture(SecureBytes{1}, u"x.gif", 42);
  EXPECT_EQ(card.picture->placement, 9u);  // out of range falls back to 9
}

}  // namespace
}  // namespace tb::storage

namespace tb::storage {
namespace {

TEST(Card, PicturesSoundsAndAttachmentsFromFiles) {
  test::TempDir dir;
  const std::string picture = dir.File("Holiday.JPEG"), note = dir.File("note.txt");
  ASSERT_TRUE(platform::WriteNewFile(picture, "\xFF\xD8\xFF", 3));
  ASSERT_TRUE(platform::WriteNewFile(note, "remember", 8));
  Card card;
  ASSERT_TRUE(card.SetPictureFromFile(picture, 2, 1 << 20));
  EXPECT_EQ(card.picture->fileName, u"Holiday.JPEG");
  EXPECT_EQ(card.picture->type, 2u);
  EXPECT_FALSE(card.SetSoundFromFile(dir.File("missing.wav"), true, 1 << 20));
  EXPECT_FALSE(card.AddAttachmentFromFile(note, 4));  // larger than allowed
  ASSERT_TRUE(card.AddAttachmentFromFile(note, 1 << 20));
  platform::SystemTime written;
  ASSERT_TRUE(platform::FileModifiedTime(note, &written));
  EXPECT_EQ(card.attachments[0]->fileTime, written);
  EXPECT_EQ(card.attachments[0]->fileName, u"note.txt");

  const std::string out = dir.File("copy.txt");
  ASSERT_TRUE(CopyOut(card.attachments[0]->bytes, out));
  EXPECT_FALSE(CopyOut(card.attachments[0]->bytes, out));  // never over a file
  struct stat st {};
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(card.RemoveAttachment(0));
  EXPECT_FALSE(card.attachments[0]);
}

}  // namespace
}  // namespace tb::storage
