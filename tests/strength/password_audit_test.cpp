// The password health report over a small wallet: each finding, reuse
// across cards only, the forms folder and other kinds left out, and the
// same report whatever the number of threads.
#include <gtest/gtest.h>

#include <random>

#include "platform/core/system.h"
#include "strength/password_audit.h"
#include "support/wallet_fixture.h"

namespace tb::strength {
namespace {

using test::FieldSpec;
constexpr uint16_t kText = 1, kPassword = 7;
const platform::SystemTime kNow{2026, 6, 1, 1, 12, 0, 0, 0};

class PasswordAudit : public ::testing::Test {
 protected:
  // A card whose last change was daysAgo days before kNow.
  int Add(const storage::RecordId& folder, std::u16string_view name, std::vector<FieldSpec> fields, int daysAgo = 10) {
    storage::Card card = w.MakeCard(folder, name, fields);
    card.record.SetModified(platform::FromEpochSeconds(platform::ToEpochSeconds(kNow) - int64_t(daysAgo) * 86400));
    return w.wallet().AppendCard(card);
  }
  const AuditEntry* EntryOf(const AuditReport& r, int position, size_t field) {
    for (const AuditEntry& e : r.entries)
      if (e.position == position && e.field == field) return &e;
    return nullptr;
  }
  AuditOptions Options(unsigned threads = 0) {
    AuditOptions o;
    o.now = kNow;
    o.threads = threads;
    return o;
  }

  test::TestWallet w;
};

TEST_F(PasswordAudit, EachFindingAndTheCounts) {
  ASSERT_TRUE(w.Ok());
  const storage::RecordId web = w.IdAt(w.AddFolder(u"Web"));
  const storage::RecordId bank = w.IdAt(w.AddFolder(u"Bank"));
  const std::u16string strong = u"k#9Vq!2mZt@8Lw$4Rx&6";
  const int shop = Add(web, u"Shop", {{u"User", u"ann", kText}, {u"Password", strong, kPassword}});
  const int mail = Add(web, u"Mail", {{u"Password", strong, kPassword}, {u"PIN", u"password", kPassword}});
  const int weak = Add(web, u"Forum", {{u"Password", u"zq9Lm2", kPassword}});
  // The same value twice on one card is not reuse.
  const int twice =
      Add(bank, u"Twice", {{u"Password", u"Qx7!vR2#pL9@", kPassword}, {u"Again", u"Qx7!vR2#pL9@", kPassword}});
  const int empty = Add(bank, u"Blank", {{u"Password", u"", kPassword}});
  const int stale = Add(bank, u"Stale", {{u"Password", u"Vb8$Lp3!Zx6#Qm", kPassword}}, 366);
  const int year = Add(bank, u"Year", {{u"Password", u"Hj4%Tn7^Wc2&Ry", kPassword}}, 365);
  // Not a Password field, and no Password field at all: never looked at.
  Add(bank, u"Notes", {{u"Text", u"password", kText}});
  // Forms hold no values; they are not cards of the wallet's folders.
  Add(w.wallet().FormsFolder()->Id(), u"Login form", {{u"Password", u"", kPassword}});

  const AuditReport r = AuditPasswords(w.wallet(), Options());
  EXPECT_EQ(r.counts.cards, 7);
  EXPECT_EQ(r.counts.fields, 9);
  EXPECT_EQ(r.unreadableCards, 0);

  ASSERT_NE(EntryOf(r, shop, 1), nullptr);
  EXPECT_EQ(EntryOf(r, shop, 1)->findings, kFindingReused);
  EXPECT_EQ(EntryOf(r, shop, 1)->strength.step, StrengthStep::Strong);
  ASSERT_NE(EntryOf(r, mail, 0), nullptr);
  EXPECT_EQ(EntryOf(r, mail, 0)->findings, kFindingReused);
  ASSERT_NE(EntryOf(r, mail, 1), nullptr);
  EXPECT_EQ(EntryOf(r, mail, 1)->findings, kFindingVeryWeak);
  EXPECT_EQ(std::u16string_view(EntryOf(r, mail, 1)->label.data(), EntryOf(r, mail, 1)->label.size()), u"PIN");
  ASSERT_NE(EntryOf(r, weak, 0), nullptr);
  EXPECT_EQ(EntryOf(r, weak, 0)->findings, kFindingWeak);
  EXPECT_EQ(EntryOf(r, twice, 0), nullptr);
  EXPECT_EQ(EntryOf(r, twice, 1), nullptr);
  ASSERT_NE(EntryOf(r, empty, 0), nullptr);
  EXPECT_EQ(EntryOf(r, empty, 0)->findings, kFindingEmpty);
  ASSERT_NE(EntryOf(r, stale, 0), nullptr);
  EXPECT_EQ(EntryOf(r, stale, 0)->findings, kFindingOld);
  EXPECT_EQ(EntryOf(r, year, 0), nullptr) << "365 days is not more than a year";

  EXPECT_EQ(r.entries.size(), 6u);
  EXPECT_EQ(r.counts.flaggedCards, 5);
  EXPECT_EQ(r.counts.empty, 1);
  EXPECT_EQ(r.counts.veryWeak, 1);
  EXPECT_EQ(r.counts.weak, 1);
  EXPECT_EQ(r.counts.reused, 2);
  EXPECT_EQ(r.counts.old, 1);
  EXPECT_FALSE(r.Clean());

  // Browser order: the Bank folder before Web, cards by name within each.
  std::vector<int> order;
  for (const AuditEntry& e : r.entries)
    if (order.empty() || order.back() != e.position) order.push_back(e.position);
  EXPECT_EQ(order, (std::vector<int>{empty, stale, weak, mail, shop}));

  ASSERT_EQ(r.reuseGroups.size(), 1u);
  const size_t shopEntry = size_t(EntryOf(r, shop, 1) - r.entries.data());
  size_t total = 0;
  EXPECT_EQ(ReusedWith(r, shopEntry, SIZE_MAX, &total), std::vector<storage::RecordId>{w.IdAt(mail)});
  EXPECT_EQ(total, 1u);
  EXPECT_TRUE(ReusedWith(r, size_t(EntryOf(r, weak, 0) - r.entries.data())).empty());
}

TEST_F(PasswordAudit, ACleanWalletHasNoEntries) {
  ASSERT_TRUE(w.Ok());
  const storage::RecordId f = w.IdAt(w.AddFolder(u"F"));
  Add(f, u"A", {{u"Password", u"k#9Vq!2mZt@8Lw$4Rx&6", kPassword}});
  Add(f, u"B", {{u"Password", u"Lm3#Vc8!Rt5@Zx1$Qp", kPassword}});
  const AuditReport r = AuditPasswords(w.wallet(), Options());
  EXPECT_TRUE(r.Clean());
  EXPECT_EQ(r.counts.fields, 2);
  EXPECT_EQ(r.counts.flaggedCards, 0);
}

TEST_F(PasswordAudit, ThreadsChangeNothing) {
  ASSERT_TRUE(w.Ok());
  const storage::RecordId f = w.IdAt(w.AddFolder(u"F"));
  std::mt19937 random(5);
  std::vector<std::u16string> pool = {u"password", u"zq9Lm2", u"h7Kq2", u""};
  for (int i = 0; i < 40; ++i) {
    std::u16string v;
    for (int k = 0; k < 8 + i % 9; ++k) v.push_back(char16_t(u'!' + random() % 90));
    pool.push_back(v);
  }
  std::vector<storage::Card> cards;
  std::vector<storage::RecordHeader> none;
  for (int i = 0; i < 300; ++i) {
    storage::Card c = w.MakeCard(
        f, u"Card " + std::u16string(1, char16_t(u'A' + i % 26)),
        {{u"Password", pool[random() % pool.size()], kPassword}, {u"PIN", pool[random() % pool.size()], kPassword}});
    cards.push_back(std::move(c));
  }
  ASSERT_TRUE(w.wallet().AppendAllAtomically(none, cards));
  const AuditReport one = AuditPasswords(w.wallet(), Options(1));
  const AuditReport four = AuditPasswords(w.wallet(), Options(4));
  ASSERT_EQ(one.entries.size(), four.entries.size());
  EXPECT_GT(one.counts.reused, 100);
  for (size_t i = 0; i < one.entries.size(); ++i) {
    EXPECT_EQ(one.entries[i].findings, four.entries[i].findings);
    EXPECT_EQ(one.entries[i].strength.bits, four.entries[i].strength.bits);
    EXPECT_EQ(one.entries[i].reuseGroup, four.entries[i].reuseGroup);
  }
  EXPECT_EQ(one.reuseGroups, four.reuseGroups);
}

}  // namespace
}  // namespace tb::strength
