// Finding cards by a text in their names, field names and field contents.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/search.h"
#include "support/wallet_fixture.h"

namespace tb::storage {
namespace {

using test::FieldSpec;
using test::TestWallet;

std::u16string Str(const Text& t) { return std::u16string(t.data(), t.size()); }

TEST(Search, NormalisedTerm) {
  const std::u16string a62(62, u'a');
  struct Case {
    std::u16string text, term;
  } cases[] = {
      {u"  Bank \t", u"bank"},
      {u"\u3000\u00C4rger\u00A0", u"\u00E4rger"},
      {std::u16string(70, u'A'), std::u16string(63, u'a')},
      // Cut to 63 first, then trimmed: the space at 63 goes too.
      {u"  " + a62 + u" b", a62},
      {u" \r\n ", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseSearchTerm(c.text), c.term);
}

class SearchWallet : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(t.Ok());
    const int folder = t.AddFolder(u"Banking");
    const RecordId in = t.IdAt(folder);
    bank = t.AddCard(in, u"Bank Account", {{u"PIN", u"4711"}, {u"Owner", u"J. Doe"}});
    mail = t.AddCard(in, u"Mail", {{u"User", u"John.Doe@example.com"}, {u"", u"sesame"}, {u"Note", u"\u00C4rger"}});
    form = t.AddCard(w.FormsFolder()->Id(), u"Club Form", {{u"Member No", u""}});
    const int old = t.AddCard(in, u"Old Safe", {{u"Combination", u"secretword"}});
    ASSERT_TRUE(bank >= 0 && mail >= 0 && form >= 0 && old >= 0);
    ASSERT_TRUE(w.DeleteRecord(old));
  }

  TestWallet t;
  Wallet& w = t.wallet();
  int bank = -1, mail = -1, form = -1;
};

TEST_F(SearchWallet, FindsNamesLabelsAndValues) {
  struct Case {
    std::u16string text;
    std::vector<int> found;
  } cases[] = {
      {u"bank", {bank}},
      {u"  BANK  ", {bank}},   // trimmed and lower-cased
      {u"b", {}},              // too short
      {u"  a  ", {}},          // one letter once trimmed
      {u"pin", {bank}},        // a field name
      {u"4711", {bank}},       // a field value
      {u"doe", {bank, mail}},  // in file order
      {u"sesame", {mail}},     // a value under an empty field name
      {u"\u00C4RGER", {mail}},
      {u"member", {form}},  // custom forms are cards too
      {u"club", {form}},
      {u"secretword", {}},  // deleted
      {u"old safe", {}},
      {u"banking", {}},  // folders are not searched
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.text));
    EXPECT_EQ(Search(w, c.text), int(c.found.size()));
    EXPECT_EQ(w.findResults, c.found);
    // The text as typed is kept with the results, and only with them.
    EXPECT_EQ(Str(w.searchText), c.found.empty() ? u"" : c.text);
  }
}

TEST_F(SearchWallet, DateAndTimeFieldsAreFoundByTheirShownText) {
  const platform::ScopedDateTimeFormats formats({u"dd.MM.yyyy", u"HH:mm"});
  const platform::SystemTime when{2024, 3, 2, 5, 14, 30, 0, 0};
  Card card = t.MakeCard(w.FormsFolder()->Id(), u"Dates",
                         {{u"Born", u"", 8, when}, {u"Alarm", u"", 9, when}, {u"Both", u"", 10, when}});
  card.fields[0].SetValue(u"storedtext");  // kept in the file, but never shown for a date
  const int dates = w.AppendCard(card);
  ASSERT_GE(dates, 0);
  EXPECT_EQ(Search(w, u"05.03.2024"), 1);
  EXPECT_EQ(Search(w, u"14:30"), 1);
  EXPECT_EQ(Search(w, u"2024  14:30"), 1);
  EXPECT_EQ(w.findResults, std::vector<int>{dates});
  EXPECT_EQ(Search(w, u"storedtext"), 0);
  EXPECT_EQ(Search(w, u"3/5/2024"), 0);
}

TEST(Search, CheckBoxesAreFoundByTheYesAndNoWords) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const RecordId in = t.IdAt(t.AddFolder(u"Folder"));
  const int yes = t.AddCard(in, u"Alpha", {{u"Agreed", u"1", 13}});
  const int no = t.AddCard(in, u"Beta", {{u"Agreed", u"0", 13}});
  t.AddCard(in, u"Gamma", {{u"Agreed", u"2", 13}});
  EXPECT_EQ(Search(w, u"YES"), 1);
  EXPECT_EQ(w.findResults, std::vector<int>{yes});
  EXPECT_EQ(Search(w, u"no"), 1);
  EXPECT_EQ(w.findResults, std::vector<int>{no});
}

TEST(Search, KeepsTheFirst48Hits) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const RecordId in = t.IdAt(t.AddFolder(u"Many"));
  std::vector<int> positions;
  for (int i = 0; i < 49; ++i)
    positions.push_back(t.AddCard(in, u"Card", {{u"Text", u"needle " + std::u16string(1, char16_t(u'A' + i % 26))}}));
  w.searchText = u"earlier";
  w.findResults = {1, 2, 3};
  EXPECT_EQ(Search(w, u"needle"), 48);
  positions.pop_back();
  EXPECT_EQ(w.findResults, positions);
  EXPECT_EQ(Search(w, u"nothing like it"), 0);
  EXPECT_TRUE(w.findResults.empty());
  EXPECT_TRUE(w.searchText.empty());
}

TEST(Search, AnEarlierCopyOfACardDoesNotCount) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const RecordId in = t.IdAt(t.AddFolder(u"Folder"));
  Card card = t.MakeCard(in, u"Twice", {{u"Note", u"stale"}});
  ASSERT_GE(w.AppendCard(card), 0);
  Card later = card;
  later.fields[0].SetValue(u"fresh");
  const int position = w.AppendCard(later);  // the same id once more, later in the file
  ASSERT_GE(position, 0);
  for (int round = 0; round < 2; ++round) {  // as written, and as loaded from the file
    const int at = w.FindRecord(card.record.Id());
    EXPECT_EQ(Search(w, u"stale"), 0);
    EXPECT_EQ(Search(w, u"fresh"), 1);
    EXPECT_EQ(Search(w, u"twice"), 1);
    EXPECT_EQ(w.findResults, std::vector<int>{at});
    ASSERT_EQ(t.Reopen(), OpenStatus::Ok);
  }
}

}  // namespace
}  // namespace tb::storage

namespace tb::storage {
namespace {

// A search run while the wallet opens finds what Search finds on the
// opened wallet: stale copies left out, file order, at most 48 hits.
TEST(Search, DuringTheOpenFindsWhatSearchFinds) {
  test::TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const RecordId in = t.IdAt(t.AddFolder(u"Folder"));
  Card card = t.MakeCard(in, u"Twice", {{u"Note", u"stale"}});
  ASSERT_GE(w.AppendCard(card), 0);
  for (int i = 0; i < 50; ++i) ASSERT_GE(t.AddCard(in, u"Card", {{u"Text", u"needle"}}), 0);
  Card later = card;
  later.fields[0].SetValue(u"fresh needle");
  ASSERT_GE(w.AppendCard(later), 0);  // the same id once more, at the end of the file
  const int doomed = t.AddCard(in, u"Gone", {{u"Text", u"needle gone"}});
  ASSERT_TRUE(w.DeleteRecord(doomed));

  for (const std::u16string term : {u"stale", u"fresh", u"twice", u"needle", u"NEEDLE ", u"nowhere", u"x"}) {
    SCOPED_TRACE(platform::ToUtf8(term));
    ASSERT_EQ(t.Reopen(), OpenStatus::Ok);
    const int expected = Search(w, term);
    const std::vector<int> results = w.findResults;
    const Text text = w.searchText;
    w.Close();

    SearchDuringOpen during(w, term);
    w.SetTextSource(&t.texts());
    ASSERT_EQ(w.Open(t.path(), t.password(), true, nullptr), OpenStatus::Ok);
    EXPECT_EQ(during.Finish(), expected);
    EXPECT_EQ(w.findResults, results);
    EXPECT_EQ(Str(w.searchText), Str(text));
  }
  EXPECT_LE(w.findResults.size(), size_t(kMaxFindResults));
}

}  // namespace
}  // namespace tb::storage
