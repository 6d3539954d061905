// The rules both front ends share: live records, moves, and deleting a
// record with everything below it.
#include <gtest/gtest.h>

#include "storage/record_ops.h"
#include "support/fault_plan.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

// Top: Home (card Lamp), Bank > Inner > Deeper (card Deep), Bank cards
// Visa and Amex; the forms folder with one form.
class RecordOps : public WalletFile {
 protected:
  void SetUp() override {
    WalletFile::SetUp();
    CreateAndOpen(false);
    forms = wallet.FormsFolderPosition();
    home = AddFolder(u"Home");
    bank = AddFolder(u"Bank");
    inner = AddFolder(u"Inner", wallet.At(bank)->Id());
    deeper = AddFolder(u"Deeper", wallet.At(inner)->Id());
    lamp = AddCard(u"Lamp", home);
    visa = AddCard(u"Visa", bank);
    amex = AddCard(u"Amex", bank);
    deep = AddCard(u"Deep", deeper);
    form = AddCard(u"Form", forms);
  }
  RecordId IdOf(int position) { return wallet.At(position)->Id(); }

  int forms, home, bank, inner, deeper, lamp, visa, amex, deep, form;
};

TEST_F(RecordOps, WhereARecordMayMove) {
  const struct {
    const char* what;
    int moved, destination;
    MoveStatus expected;
  } cases[] = {
      {"card into a folder", lamp, bank, MoveStatus::Ok},
      {"folder into another", home, deeper, MoveStatus::Ok},
      {"folder to the top", inner, -1, MoveStatus::Ok},
      {"form into a folder", form, home, MoveStatus::Ok},
      {"folder into itself", bank, bank, MoveStatus::IntoItself},
      {"folder into its child", bank, inner, MoveStatus::IntoItself},
      {"folder below its grandchild", bank, deeper, MoveStatus::IntoItself},
      {"into a card", home, visa, MoveStatus::NotAFolder},
      {"into the forms folder", lamp, forms, MoveStatus::IntoFormsFolder},
      {"the forms folder", forms, home, MoveStatus::FormsFolder},
      {"no record", 999, home, MoveStatus::NotFound},
      {"no destination", lamp, 999, MoveStatus::NotFound},
  };
  for (const auto& c : cases) EXPECT_EQ(CanMoveInto(wallet, c.moved, c.destination), c.expected) << c.what;

  ASSERT_EQ(MoveInto(wallet, lamp, bank), MoveStatus::Ok);
  ASSERT_EQ(MoveInto(wallet, inner, -1), MoveStatus::Ok);
  EXPECT_EQ(MoveInto(wallet, bank, bank), MoveStatus::IntoItself);
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.At(wallet.FindRecord(IdOf(lamp)))->Parent(), IdOf(bank));
  EXPECT_TRUE(wallet.At(wallet.FindRecord(IdOf(inner)))->Parent().IsZero());
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", true, &answers), OpenStatus::Ok);
  EXPECT_EQ(MoveInto(wallet, lamp, home), MoveStatus::WriteFailed);
}

TEST_F(RecordOps, DeleteTakesTheSubtreeDeepestFirst) {
  EXPECT_EQ(CountSubtree(wallet, bank).folders, 3);
  EXPECT_EQ(CountSubtree(wallet, bank).cards, 3);
  EXPECT_EQ(CountSubtree(wallet, lamp).cards, 1);
  EXPECT_EQ(DeleteSubtree(wallet, forms).status, DeleteStatus::FormsFolder);
  EXPECT_EQ(DeleteSubtree(wallet, 999).status, DeleteStatus::NotFound);
  ASSERT_TRUE(wallet.AddFavourite(IdOf(deep)));

  const DeleteResult result = DeleteSubtree(wallet, bank);
  EXPECT_EQ(result.status, DeleteStatus::Ok);
  EXPECT_EQ(result.deleted, 6);
  EXPECT_EQ(result.total, 6);
  for (int gone : {bank, inner, deeper, visa, amex, deep}) EXPECT_FALSE(IsLiveAt(wallet, gone));
  for (int kept : {home, lamp, forms, form}) EXPECT_TRUE(IsLiveAt(wallet, kept));
  EXPECT_FALSE(wallet.IsFavourite(IdOf(deep)));
  EXPECT_EQ(DeleteSubtree(wallet, bank).status, DeleteStatus::NotFound);
}

TEST_F(RecordOps, AnInterruptedDeleteLeavesNoRecordWithoutItsFolder) {
  wallet.Close();
  const std::string before = ReadAll(path);
  for (int n = 1;; ++n) {
    WriteAll(path, before);
    ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
    bool fired;
    DeleteResult result;
    {
      test::FaultPlan plan(test::FaultPlan::Mode::FailFromThenOn, n);
      test::ScopedFaults faults(&plan);
      result = DeleteSubtree(wallet, bank);
      fired = plan.Fired();
    }
    wallet.Close();
    ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok) << "fault point " << n;
    for (int p = 0; p < wallet.Count(); ++p) {
      if (!IsLiveAt(wallet, p) || wallet.At(p)->Parent().IsZero()) continue;
      EXPECT_GE(wallet.FindRecord(wallet.At(p)->Parent()), 0)
          << "fault point " << n << ": an orphan after " << result.deleted << " deletes";
    }
    wallet.Close();
    if (!fired) {
      EXPECT_EQ(result.status, DeleteStatus::Ok);
      break;
    }
  }
}

}  // namespace
}  // namespace tb::storage
