// Every operation that changes a wallet file, run again and again with a
// fault at the 1st, 2nd, 3rd ... file-system call (failing once, failing
// from then on, or a power cut, after which each unflushed write and each
// unsynced folder change may be lost) until it runs through without
// meeting one. After each fault the folder is opened again as the program
// would open it (journal recovery, repair when asked) and must show the
// wallet as it was or as the operation left it, and the operation's result
// whenever it reported success.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "support/fault_loop.h"
#include "support/wallet_fixture.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

using test::FaultPlan;
using test::Outcome;

constexpr const char16_t* kPassword = u"secret";
constexpr const char16_t* kNewPassword = u"better";

class FaultLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("Loop.tb5");
    Wallet w;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Create(path, kPassword, u"hint", true), CreateStatus::Ok);
    ASSERT_EQ(w.Open(path, kPassword, false, nullptr), OpenStatus::Ok);
    RecordHeader folder = NewFolderRecord(w.At(0)->Id(), false, &w.DataKey());
    folder.SetName(u"Banking");
    const int banking = w.AppendRecord(folder);
    for (int i = 0; i < 4; ++i) {
      Card card = w.NewEmptyCard(w.At(i % 2 ? banking : 0)->Id());
      card.record.SetName(i % 2 ? u"Account" : u"Login");
      Field f;
      f.SetLabel(u"Password");
      f.SetValue(i % 2 ? u"1234" : u"hunter2");
      f.kind = 7;
      card.AddField(f);
      Field choice;
      choice.kind = 12;
      choice.SetLabel(u"Type");
      choice.AddItem(u"one");
      choice.AddItem(u"two");
      card.AddField(choice);
      if (i == 1) {
        card.SetPicture(SecureBytes(300, 7), u"p.gif", 3);
        Attachment a;
        a.bytes = SecureBytes(500, 9);
        a.fileName = u"a.txt";
        card.AddAttachment(a);
      }
      if (i == 3) {
        const uint8_t icon[10] = {1, 2, 3};
        card.record.SetIconPicture(icon, sizeof icon);
      }
      const int at = w.AppendCard(card);
      if (i == 0) w.AddFavourite(w.At(at)->Id());
    }
    ASSERT_EQ(w.SaveHeaders(), SaveStatus::Ok);
    w.Close();
    base = ReadAll(path);
  }

  // The loop's description of an operation on the wallet opened with the
  // current password; reopening tries the current password, then the new
  // one, and repairs when asked.
  test::FaultLoopSpec Spec(const std::string& start, std::function<bool(Wallet&)> run,
                           Outcome outcome = Outcome::OldOrNew, bool opensItself = false) {
    test::FaultLoopSpec spec;
    spec.walletPath = path;
    spec.startBytes = start;
    if (!opensItself) {
      spec.prepare = [this](Wallet& w) {
        w.SetTextSource(&texts);
        test::AgreeToAll agree;
        EXPECT_EQ(w.Open(path, kPassword, false, &agree), OpenStatus::Ok);
      };
    }
    spec.run = std::move(run);
    spec.reopen = [this](Wallet& w, std::string* label) {
      w.SetTextSource(&texts);
      test::AgreeToAll agree;
      OpenStatus s = w.Open(path, kPassword, false, &agree);
      *label = "old";
      if (s == OpenStatus::WrongPassword) {
        s = w.Open(path, kNewPassword, false, &agree);
        *label = "new";
      }
      return s;
    };
    spec.outcome = outcome;
    return spec;
  }

  void LoopAllModes(const char* name, const std::string& start, std::function<bool(Wallet&)> run,
                    Outcome outcome = Outcome::OldOrNew, bool opensItself = false) {
    test::RunFaultLoopAllModes(name, Spec(start, std::move(run), outcome, opensItself));
  }

  int PositionOf(Wallet& w, std::u16string_view name) {
    for (int i = 0; i < w.Count(); ++i)
      if (!w.At(i)->IsDeleted() && w.At(i)->Name() == name) return i;
    return -1;
  }

  void Restore(const std::string& bytes) {
    for (const char* side : {".cut", ".journal", ".rekey", ".creating"}) platform::RemoveFile(path + side);
    WriteAll(path, bytes);
  }

  test::FixedTexts texts;
  test::TempDir dir;
  std::string path;
  std::string base;
};

TEST_F(FaultLoop, AppendFolder) {
  LoopAllModes("append folder", base, [this](Wallet& w) {
    RecordHeader f = NewFolderRecord(RecordId{}, false, &w.DataKey());
    f.SetName(u"New folder");
    return w.AppendRecord(f) >= 0;
  });
}

TEST_F(FaultLoop, AppendCard) {
  LoopAllModes("append card", base, [this](Wallet& w) {
    Card card = w.NewEmptyCard(w.At(0)->Id());
    card.record.SetName(u"Fresh");
    Field f;
    f.SetLabel(u"PIN");
    f.SetValue(u"9876");
    card.AddField(f);
    return w.AppendCard(card) >= 0;
  });
}

TEST_F(FaultLoop, ReplaceCard) {
  LoopAllModes("replace card", base, [this](Wallet& w) {
    Card card;
    if (!w.LoadCard(w.At(PositionOf(w, u"Account"))->Id(), &card)) return false;
    card.fields[0].SetValue(u"a new and longer secret");
    card.attributes[8] = 0x123456;
    card.fields[1].valueColour = 0xFF;
    return w.ReplaceCard(card) >= 0;
  });
}

TEST_F(FaultLoop, MoveRenameAndDelete) {
  LoopAllModes("move", base, [this](Wallet& w) {
    RecordHeader h = *w.At(PositionOf(w, u"Login"));
    h.SetParent(w.At(PositionOf(w, u"Banking"))->Id());
    return w.RewriteRecordInPlace(h);
  });
  LoopAllModes("rename", base, [this](Wallet& w) {
    RecordHeader h = *w.At(PositionOf(w, u"Banking"));
    h.SetName(u"Money matters");
    return w.RewriteRecordInPlace(h);
  });
  LoopAllModes("delete card", base, [this](Wallet& w) {
    return w.DeleteRecord(PositionOf(w, u"Account")) && w.SaveHeaders() == SaveStatus::Ok;
  });
  LoopAllModes("delete folder", base, [this](Wallet& w) { return w.DeleteRecord(PositionOf(w, u"Personal")); });
}

TEST_F(FaultLoop, SaveHeaders) {
  LoopAllModes("favourites and options", base, [this](Wallet& w) {
    w.AddFavourite(w.At(PositionOf(w, u"Account"))->Id());
    w.Options().SetAutoCloseMinutes(15);
    w.SetHint(u"a different hint");
    w.SetSpecialView(2, u"Found", 17);
    return w.SaveHeaders() == SaveStatus::Ok;
  });
}

TEST_F(FaultLoop, ChangePassword) {
  LoopAllModes("change password", base, [](Wallet& w) {
    return w.ChangePassword(kPassword, kNewPassword, u"new hint") == PasswordChangeStatus::Ok;
  });
}

TEST_F(FaultLoop, PurgeTombstones) {
  Restore(base);
  {
    Wallet w;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Open(path, kPassword, false, nullptr), OpenStatus::Ok);
    ASSERT_TRUE(w.DeleteRecord(PositionOf(w, u"Login")));
    ASSERT_TRUE(w.DeleteRecord(PositionOf(w, u"Personal")));
  }
  const std::string withTombstones = ReadAll(path);
  // Tombstones are nothing a user sees: before and after look alike.
  test::FaultLoopSpec spec = Spec(withTombstones, [](Wallet& w) { return w.PurgeTombstones() == 2; });
  spec.changes = false;
  test::RunFaultLoopAllModes("purge tombstones", spec);
}

TEST_F(FaultLoop, Repair) {
  // The second card's kind signature scribbled: opening finds damage, and
  // a repair cuts the card out.
  Restore(base);
  uint64_t at = 0;
  {
    Wallet w;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Open(path, kPassword, true, nullptr), OpenStatus::Ok);
    at = w.At(PositionOf(w, u"Account"))->fileOffset;
  }
  std::string damaged = base;
  damaged[at + 3] ^= 0x40;
  // Opening repairs it; the loop's faults hit that repair. Every reopen
  // repairs again, so every fault must end at the repaired wallet.
  test::FaultLoopSpec spec = Spec(
      damaged,
      [this](Wallet& w) {
        w.SetTextSource(&texts);
        test::AgreeToAll agree;
        return w.Open(path, kPassword, false, &agree) == OpenStatus::Ok;
      },
      Outcome::New, true);
  // The reopening repairs too, so the wallet "before" is already repaired.
  spec.changes = false;
  test::RunFaultLoopAllModes("repair", spec);
}

TEST_F(FaultLoop, Create) {
  // Whole or not at all: a wallet that opens with both folders, or no file
  // under the wallet's name.
  test::FaultLoopSpec spec = Spec(
      "",
      [this](Wallet& w) {
        w.SetTextSource(&texts);
        return w.Create(path, kPassword, u"hint", true) == CreateStatus::Ok;
      },
      Outcome::OldOrNew, true);
  spec.walletAbsent = true;
  test::RunFaultLoopAllModes("create", spec);
}

}  // namespace
}  // namespace tb::storage
