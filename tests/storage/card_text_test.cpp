// A card as clipboard text: which fields appear, how, and in what order.
#include <gtest/gtest.h>

#include "platform/core/system.h"
#include "storage/card_text.h"
#include "support/wallet_fixture.h"

namespace tb::storage {
namespace {

using test::FieldSpec;

class CardTextTest : public ::testing::Test {
 protected:
  Card Make(std::u16string_view name, const std::vector<FieldSpec>& fields) {
    return wallet.MakeCard(RecordId{}, name, fields);
  }
  test::TestWallet wallet;
  platform::ScopedDateTimeFormats formats{{u"dd.MM.yyyy", u"HH:mm"}};
};

TEST_F(CardTextTest, EveryKindThatShowsSomethingAppearsInOrder) {
  ASSERT_TRUE(wallet.Ok());
  const platform::SystemTime when{2026, 3, 0, 7, 14, 5, 0, 0};
  struct Case {
    FieldSpec field;
    std::u16string line;  // empty: the field does not appear
  } cases[] = {
      {{u"User", u"ann", 1}, u"User: ann"},
      {{u"PIN", u"4711", 7}, u"PIN: 4711"},  // passwords in clear
      {{u"Site", u"https://x.example", 3}, u"Site: https://x.example"},
      {{u"Mail", u"a@x.example", 5}, u"Mail: a@x.example"},
      {{u"Phone", u"+1 555", 6}, u"Phone: +1 555"},
      {{u"Expires", u"", 8, when}, u"Expires: 07.03.2026"},
      {{u"At", u"", 9, when}, u"At: 14:05"},
      {{u"Both", u"", 10, when}, u"Both: 07.03.2026  14:05"},
      {{u"Unset date", u"", 8}, u""},
      {{u"Active", u"1", 13}, u"Active: Yes"},
      {{u"Locked", u"0", 13}, u"Locked: No"},
      {{u"Unknown", u"2", 13}, u""},
      {{u"Type", u"Visa", 12}, u"Type: Visa"},
      {{u"Notes", u"", 1}, u""},
      {{u"", u"no label", 1}, u": no label"},
      {{u"Multi", u"one\r\ntwo", 1}, u"Multi: one\r\ntwo"},
  };
  std::vector<FieldSpec> fields;
  std::u16string expected = u"Bank\r\n\r\n";
  for (const Case& c : cases) {
    fields.push_back(c.field);
    if (!c.line.empty()) expected += c.line + u"\r\n\r\n";
  }
  const Card card = Make(u"Bank", fields);
  Text text;
  ASSERT_TRUE(CardAsText(card, &wallet.texts(), &text));
  EXPECT_EQ(std::u16string(text.data(), text.size()), expected);
}

TEST_F(CardTextTest, NothingToPlaceWithoutAFieldThatShows) {
  ASSERT_TRUE(wallet.Ok());
  for (const std::vector<FieldSpec>& fields :
       {std::vector<FieldSpec>{}, {{u"Notes", u"", 1}, {u"Date", u"", 8}, {u"Box", u"2", 13}}}) {
    Text text = ToText(u"left over");
    EXPECT_FALSE(CardAsText(Make(u"Empty", fields), &wallet.texts(), &text));
    EXPECT_TRUE(text.empty());
  }
  // An unnamed card with one field still goes out, under an empty name.
  Text text;
  ASSERT_TRUE(CardAsText(Make(u"", {{u"A", u"b", 1}}), &wallet.texts(), &text));
  EXPECT_EQ(std::u16string(text.data(), text.size()), u"\r\n\r\nA: b\r\n\r\n");
}

}  // namespace
}  // namespace tb::storage
