// Every operation that changes a wallet file, run again and again with a
// fault at the 1st, 2nd, 3rd ... file operation (failing once, failing from
// then on, or a power cut tearing a write) until it runs through without
// meeting one. After each fault the file is opened again as the program
// would open it (repairing when asked) and must hold every record it held
// before, each with its old or its new content, and nothing nobody wrote.
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
  test::FaultLoopSpec Spec(const std::string& start, std::function<void(Wallet&)> run,
                           Outcome outcome = Outcome::OldOrNew, bool opensItself = false) {
    test::FaultLoopSpec spec;
    spec.walletPath = path;
    spec.startBytes = start;
    for (const char* side : {".cut", ".journal", ".rekey", ".creating"}) spec.sideFiles.push_back(path + side);
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

  void LoopAllModes(const char* name, const std::string& start, std::function<void(Wallet&)> run,
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
    w.AppendRecord(f);
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
    w.AppendCard(card);
  });
}

TEST_F(FaultLoop, ReplaceCard) {
  LoopAllModes("replace card", base, [this](Wallet& w) {
    Card card;
    if (!w.LoadCard(w.At(PositionOf(w, u"Account"))->Id(), &card)) return;
    card.fields[0].SetValue(u"a new and longer secret");
    w.ReplaceCard(card);
  });
}

TEST_F(FaultLoop, MoveRenameAndDelete) {
  LoopAllModes("move", base, [this](Wallet& w) {
    RecordHeader h = *w.At(PositionOf(w, u"Login"));
    h.SetParent(w.At(PositionOf(w, u"Banking"))->Id());
    w.RewriteRecordInPlace(h);
  });
  LoopAllModes("rename", base, [this](Wallet& w) {
    RecordHeader h = *w.At(PositionOf(w, u"Banking"));
    h.SetName(u"Money matters");
    w.RewriteRecordInPlace(h);
  });
  LoopAllModes("delete card", base, [this](Wallet& w) {
    if (w.DeleteRecord(PositionOf(w, u"Account"))) w.SaveHeaders();
  });
  LoopAllModes("delete folder", base, [this](Wallet& w) { w.DeleteRecord(PositionOf(w, u"Personal")); });
}

TEST_F(FaultLoop, SaveHeaders) {
  LoopAllModes("favourites and options", base, [this](Wallet& w) {
    w.AddFavourite(w.At(PositionOf(w, u"Account"))->Id());
    w.Options().SetAutoCloseMinutes(15);
    w.SetHint(u"a different hint");
    w.SaveHeaders();
  });
}

TEST_F(FaultLoop, ChangePassword) {
  LoopAllModes("change password", base,
               [](Wallet& w) { w.ChangePassword(kPassword, kNewPassword, u"new hint"); });
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
  LoopAllModes("purge tombstones", withTombstones, [](Wallet& w) { w.PurgeTombstones(); });
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
  LoopAllModes("repair", damaged,
               [this](Wallet& w) {
                 w.SetTextSource(&texts);
                 test::AgreeToAll agree;
                 w.Open(path, kPassword, false, &agree);
               },
               Outcome::New, true);
}

TEST_F(FaultLoop, Create) {
  for (auto mode : {FaultPlan::Mode::FailOnce, FaultPlan::Mode::FailFromThenOn, FaultPlan::Mode::PowerCut}) {
    int n = 1;
    for (;; ++n) {
      platform::RemoveFile(path);
      Restore("");
      platform::RemoveFile(path);
      bool fired;
      CreateStatus status;
      {
        FaultPlan plan(mode, n, uint32_t(n));
        test::ScopedFaults faults(&plan);
        Wallet w;
        w.SetTextSource(&texts);
        status = w.Create(path, kPassword, u"hint", true);
        fired = plan.Fired();
      }
      // Whole or not at all: either a wallet that opens with both folders,
      // or no file under the wallet's name.
      Wallet check;
      check.SetTextSource(&texts);
      if (platform::FileExists(path)) {
        ASSERT_EQ(check.Open(path, kPassword, false, nullptr), OpenStatus::Ok) << "fault point " << n;
        EXPECT_EQ(check.Count(), 2);
        EXPECT_EQ(status == CreateStatus::Ok || fired, true);
      } else {
        EXPECT_NE(status, CreateStatus::Ok) << "fault point " << n;
      }
      if (!fired) break;
    }
    std::cout << "  create, mode " << int(mode) << ": " << n - 1 << " fault points\n";
  }
}

}  // namespace
}  // namespace tb::storage
