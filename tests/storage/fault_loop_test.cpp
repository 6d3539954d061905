// Every operation that changes a wallet file, run again and again with a
// fault at the 1st, 2nd, 3rd ... file operation (failing once, failing from
// then on, or a power cut tearing a write) until it runs through without
// meeting one. After each fault the file is opened again as the program
// would open it (repairing when asked) and must hold every record it held
// before, each with its old or its new content, and nothing nobody wrote.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "storage/card_codec.h"
#include "storage/cipher/md5.h"
#include "storage/search.h"
#include "support/fault_plan.h"
#include "support/wallet_fixture.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

using test::FaultPlan;
using State = std::map<std::string, std::string>;

constexpr const char16_t* kPassword = u"secret";
constexpr const char16_t* kNewPassword = u"better";

std::string Utf8ish(const Text& t) {
  std::string s;
  for (char16_t c : t) s += c < 128 ? char(c) : '?';
  return s;
}

std::string Hash(const SecureBytes& b) {
  const Digest d = Md5(b.data(), b.size());
  return std::string(d.begin(), d.end()) + std::to_string(b.size());
}

// Everything a user could see of the wallet, record by record.
State Capture(Wallet& w, const std::string& password) {
  State s;
  std::string header = password + "|" + Utf8ish(w.GetHint().value_or(Text(u"-")));
  for (int v = 1; v <= 3; ++v) header += "|" + Utf8ish(w.SpecialViewDisplayName(v)) + std::to_string(w.GetSpecialViewIcon(v));
  for (const RecordId& id : w.Favourites()) header += "|" + id.Hex();
  header += "|" + std::to_string(w.Options().AutoCloseMinutes());
  s["#header"] = header;
  for (int i = 0; i < w.Count(); ++i) {
    const RecordHeader* h = w.At(i);
    if (h->IsDeleted()) continue;
    std::string c = std::to_string(int(h->Kind())) + "|" + h->Parent().Hex() + "|" + Utf8ish(h->Name()) + "|" +
                    std::to_string(h->Icon()) + "|" + h->DefaultForm().Hex();
    if (h->IsCard()) {
      Card card;
      if (!w.LoadCard(h->Id(), &card)) {
        c += "|unreadable";
      } else {
        for (const Field& f : card.fields) {
          c += "|" + std::to_string(f.kind) + ":" + Utf8ish(f.label) + "=" + Utf8ish(f.value);
          for (const Text& item : f.items) c += "^" + Utf8ish(item);
        }
        if (card.picture) c += "|pic" + Hash(card.picture->bytes);
        for (const auto& a : card.attachments)
          if (a) c += "|att" + Hash(a->bytes) + Utf8ish(a->fileName);
      }
    }
    s[h->Id().Hex()] = c;
  }
  return s;
}

std::string Difference(const State& got, const State& want) {
  std::string out;
  for (const auto& [k, v] : want) {
    auto it = got.find(k);
    if (it == got.end()) out += "\n missing " + k + " = " + v;
    else if (it->second != v) out += "\n " + k + ": got " + it->second + " want " + v;
  }
  for (const auto& [k, v] : got)
    if (!want.count(k)) out += "\n extra " + k + " = " + v;
  return out;
}

// New records get fresh random ids in every run: they are known by their
// content instead.
State ByContentWhereNew(const State& s, const State& before) {
  State out;
  for (const auto& [id, content] : s) {
    if (before.count(id)) {
      out[id] = content;
      continue;
    }
    std::string key = "new " + content;
    while (out.count(key)) key += "+";
    out[key] = content;
  }
  return out;
}

// A prompter that says yes to every repair question.
class AgreeToAll : public Prompter {
 public:
  Answer Show(const Message& m) override { return m.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok; }
};

class FaultLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ScopedRandomSource* unused = nullptr;
    (void)unused;
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

  void Restore(const std::string& bytes) {
    for (const char* side : {".cut", ".journal", ".rekey", ".creating"}) platform::RemoveFile(path + side);
    WriteAll(path, bytes);
  }

  // Opens as the program would: the current password or the new one, and
  // a repair when the file asks for one.
  OpenStatus Reopen(Wallet& w, std::string* password) {
    w.SetTextSource(&texts);
    AgreeToAll agree;
    OpenStatus s = w.Open(path, kPassword, false, &agree);
    *password = "old";
    if (s == OpenStatus::WrongPassword) {
      s = w.Open(path, kNewPassword, false, &agree);
      *password = "new";
    }
    return s;
  }

  State StateOf(const std::string& bytes, std::function<void(Wallet&)> run = nullptr) {
    Restore(bytes);
    Wallet w;
    std::string password;
    EXPECT_EQ(Reopen(w, &password), OpenStatus::Ok);
    if (run) {
      run(w);
      w.Close();
      EXPECT_EQ(Reopen(w, &password), OpenStatus::Ok);
    }
    return Capture(w, password);
  }

  enum class Outcome { OldOrNew, EveryRecordOldOrNew, New };

  // Runs the loop in one mode; returns the number of fault points met.
  int Loop(const std::string& start, const std::function<void(Wallet&)>& run, Outcome outcome,
           FaultPlan::Mode mode, bool opensItself) {
    const State before = StateOf(start);
    const State after = ByContentWhereNew(StateOf(start, run), before);
    for (int n = 1; n < 20000; ++n) {
      Restore(start);
      Wallet w;
      w.SetTextSource(&texts);
      std::string password;
      if (!opensItself) {
        AgreeToAll agree;
        EXPECT_EQ(w.Open(path, kPassword, false, &agree), OpenStatus::Ok);
      }
      bool fired;
      {
        FaultPlan plan(mode, n, uint32_t(n));
        test::ScopedFaults faults(&plan);
        run(w);
        w.Close();
        fired = plan.Fired();
      }
      Wallet again;
      const OpenStatus s = Reopen(again, &password);
      EXPECT_EQ(s, OpenStatus::Ok) << "fault point " << n;
      if (s != OpenStatus::Ok) return n;
      const State got = ByContentWhereNew(Capture(again, password), before);
      switch (outcome) {
        case Outcome::OldOrNew:
          EXPECT_TRUE(got == before || got == after) << "fault point " << n << ": neither before nor after"
                                                     << Difference(got, after);
          break;
        case Outcome::New:
          EXPECT_TRUE(got == after) << "fault point " << n << Difference(got, after);
          break;
        case Outcome::EveryRecordOldOrNew:
          for (const auto& [id, content] : before) {
            const auto it = got.find(id);
            EXPECT_TRUE(it != got.end()) << "fault point " << n << ": lost " << id;
            if (it == got.end()) continue;
            const auto later = after.find(id);
            EXPECT_TRUE(it->second == content || (later != after.end() && it->second == later->second))
                << "fault point " << n << ": " << id;
          }
          for (const auto& [id, content] : got) EXPECT_TRUE(before.count(id) || after.count(id)) << id;
          break;
      }
      if (::testing::Test::HasFailure()) return n;
      if (!fired) return n - 1;
    }
    ADD_FAILURE() << "the operation never ran through";
    return -1;
  }

  void LoopAllModes(const char* name, const std::string& start, const std::function<void(Wallet&)>& run,
                    Outcome outcome = Outcome::OldOrNew, bool opensItself = false) {
    for (auto [mode, label] : {std::pair{FaultPlan::Mode::FailOnce, "fail once"},
                               std::pair{FaultPlan::Mode::FailFromThenOn, "fail from then on"},
                               std::pair{FaultPlan::Mode::PowerCut, "power cut"}}) {
      SCOPED_TRACE(std::string(name) + ", " + label);
      const int points = Loop(start, run, outcome, mode, opensItself);
      std::cout << "  " << name << ", " << label << ": " << points << " fault points\n";
      if (HasFailure()) return;
    }
  }

  int PositionOf(Wallet& w, std::u16string_view name) {
    for (int i = 0; i < w.Count(); ++i)
      if (!w.At(i)->IsDeleted() && w.At(i)->Name() == name) return i;
    return -1;
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
                 AgreeToAll agree;
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
