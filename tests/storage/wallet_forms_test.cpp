// New cards from forms, copies, and cards saved as custom forms.
#include <gtest/gtest.h>

#include "storage/forms/builtin_forms.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

TEST_F(WalletFile, NewCardFromABuiltInForm) {
  CreateAndOpen();
  const RecordId folder = wallet.At(0)->Id();
  Card card;
  ASSERT_TRUE(wallet.NewCardFromForm(folder, BuiltInFormId(0), &card));
  EXPECT_EQ(card.record.Name(), u"New Card");
  EXPECT_EQ(card.record.Icon(), 110);
  EXPECT_EQ(card.record.Parent(), folder);
  EXPECT_EQ(card.fields.size(), 16u);
  EXPECT_EQ(card.fields[2].kind, 7);  // the masked definition
  EXPECT_EQ(card.fields[9].kind, 6);  // telephone
  EXPECT_EQ(card.attributes, wallet.Options().DefaultAttributes());
  EXPECT_FALSE(wallet.NewCardFromForm(folder, BuiltInFormId(43), &card));  // no such custom form
  for (int n = 0; n < 43; ++n) {
    ASSERT_TRUE(wallet.NewCardFromForm(folder, BuiltInFormId(uint32_t(n)), &card));
    EXPECT_EQ(card.fields.size(), BuiltInFormAt(n)->head.fieldCount);
  }
}

TEST_F(WalletFile, CustomFormsKeepLabelsAndChoicesButNoValues) {
  CreateAndOpen();
  Card card = wallet.NewEmptyCard(wallet.At(0)->Id());
  card.record.SetName(u"Router");
  Field choice;
  choice.kind = 12;
  choice.SetLabel(u"Band");
  choice.AddItem(u"2.4 GHz");
  choice.AddItem(u"5 GHz");
  choice.SetValue(u"5 GHz");
  card.AddField(choice);
  Field date;
  date.kind = 8;
  date.SetLabel(u"Bought");
  date.SetDateTime({2025, 5, 0, 5, 0, 0, 0, 0});
  card.AddField(date);
  const int source = wallet.AppendCard(card);

  const int form = wallet.SaveCardAsForm(source);
  ASSERT_GE(form, 0);
  EXPECT_EQ(wallet.At(form)->Parent(), wallet.FormsFolder()->Id());
  Card saved;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(form)->Id(), &saved));
  EXPECT_EQ(saved.fields[0].items.size(), 2u);
  EXPECT_TRUE(saved.fields[0].value.empty());
  EXPECT_TRUE(saved.fields[1].dateTime.IsZero());
  EXPECT_EQ(saved.fields[1].label, u"Bought");

  const std::vector<CardType> types = wallet.CardTypeList();
  ASSERT_EQ(types.size(), 44u);
  EXPECT_TRUE(types[0].custom);
  EXPECT_EQ(types[0].name, u"Router");
  EXPECT_EQ(types[1].icon, 110 + 4);
  EXPECT_EQ(*wallet.FormName(wallet.At(form)->Id()), u"Router");
  EXPECT_FALSE(wallet.FormName(wallet.At(source)->Id()));  // a card outside the forms folder

  Card fromForm;
  ASSERT_TRUE(wallet.NewCardFromForm(wallet.At(0)->Id(), wallet.At(form)->Id(), &fromForm));
  EXPECT_EQ(fromForm.record.Name(), u"Router*");
  EXPECT_NE(fromForm.record.Id(), wallet.At(form)->Id());
  EXPECT_EQ(wallet.Count(), 4);  // not written
}

TEST_F(WalletFile, CopiesGetANewIdAndOneStar) {
  CreateAndOpen();
  const int other = AddFolder(u"Other");
  const int card = AddCard(std::u16string(255, u'n'), 0);
  const int copy = wallet.CopyCardInto(card, other);
  ASSERT_GE(copy, 0);
  EXPECT_NE(wallet.At(copy)->Id(), wallet.At(card)->Id());
  EXPECT_EQ(wallet.At(copy)->Parent(), wallet.At(other)->Id());
  EXPECT_EQ(ToU16(wallet.At(copy)->Name()), std::u16string(254, u'n') + u"*");
  EXPECT_EQ(wallet.CopyCardInto(other, 0), -1);    // only cards are copied
  EXPECT_EQ(wallet.CopyCardInto(card, card), -1);  // and never into a card
}

}  // namespace
}  // namespace tb::storage
