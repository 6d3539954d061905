#include "support/fault_loop.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/core/file.h"
#include "storage/cipher/md5.h"

namespace tb::test {

using namespace storage;

namespace {

std::string Ascii(const Text& t) {
  std::string s;
  for (char16_t c : t) s += c < 128 ? char(c) : '?';
  return s;
}

std::string Hash(const SecureBytes& b) {
  const Digest d = Md5(b.data(), b.size());
  return std::string(d.begin(), d.end()) + std::to_string(b.size());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

WalletState CaptureWallet(Wallet& w, const std::string& passwordLabel) {
  WalletState s;
  std::string header = passwordLabel + "|" + Ascii(w.GetHint().value_or(Text(u"-")));
  for (int v = 1; v <= 3; ++v) header += "|" + Ascii(w.SpecialViewDisplayName(v)) + std::to_string(w.GetSpecialViewIcon(v));
  for (const RecordId& id : w.Favourites()) header += "|" + id.Hex();
  header += "|" + std::to_string(w.Options().AutoCloseMinutes());
  s["#header"] = header;
  for (int i = 0; i < w.Count(); ++i) {
    const RecordHeader* h = w.At(i);
    if (h->IsDeleted()) continue;
    std::string c = std::to_string(int(h->Kind())) + "|" + h->Parent().Hex() + "|" + Ascii(h->Name()) + "|" +
                    std::to_string(h->Icon()) + "|" + h->DefaultForm().Hex();
    if (h->IsCard()) {
      Card card;
      if (!w.LoadCard(h->Id(), &card)) {
        c += "|unreadable";
      } else {
        for (const Field& f : card.fields) {
          c += "|" + std::to_string(f.kind) + ":" + Ascii(f.label) + "=" + Ascii(f.value);
          for (const Text& item : f.items) c += "^" + Ascii(item);
        }
        if (card.picture) c += "|pic" + Hash(card.picture->bytes);
        if (card.sound) c += "|snd" + Hash(card.sound->bytes);
        for (const auto& a : card.attachments)
          if (a) c += "|att" + Hash(a->bytes) + Ascii(a->fileName);
      }
    }
    s[h->Id().Hex()] = c;
  }
  return s;
}

WalletState ByContentWhereNew(const WalletState& state, const WalletState& before) {
  WalletState out;
  for (const auto& [id, content] : state) {
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

std::string DescribeDifference(const WalletState& got, const WalletState& want) {
  std::string out;
  for (const auto& [k, v] : want) {
    auto it = got.find(k);
    if (it == got.end())
      out += "\n missing " + k + " = " + v;
    else if (it->second != v)
      out += "\n " + k + ": got " + it->second + " want " + v;
  }
  for (const auto& [k, v] : got)
    if (!want.count(k)) out += "\n extra " + k + " = " + v;
  return out;
}

namespace {

void Restore(const FaultLoopSpec& spec) {
  for (const std::string& side : spec.sideFiles) platform::RemoveFile(side);
  WriteBytes(spec.walletPath, spec.startBytes);
}

WalletState StateAfter(const FaultLoopSpec& spec, bool runIt) {
  Restore(spec);
  Wallet w;
  std::string label;
  if (runIt) {
    if (spec.prepare) spec.prepare(w);
    spec.run(w);
    w.Close();
  }
  EXPECT_EQ(spec.reopen(w, &label), OpenStatus::Ok) << (runIt ? "after" : "before") << " the operation";
  return CaptureWallet(w, label);
}

}  // namespace

int RunFaultLoop(const FaultLoopSpec& spec, FaultPlan::Mode mode) {
  const WalletState before = StateAfter(spec, false);
  const WalletState after = ByContentWhereNew(StateAfter(spec, true), before);
  for (int n = 1; n < 100000; ++n) {
    Restore(spec);
    Wallet w;
    if (spec.prepare) spec.prepare(w);
    bool fired;
    {
      FaultPlan plan(mode, n, uint32_t(n));
      ScopedFaults faults(&plan);
      spec.run(w);
      w.Close();
      fired = plan.Fired();
    }
    Wallet again;
    std::string label;
    const OpenStatus s = spec.reopen(again, &label);
    EXPECT_EQ(s, OpenStatus::Ok) << "fault point " << n;
    if (s != OpenStatus::Ok) return -1;
    const WalletState got = ByContentWhereNew(CaptureWallet(again, label), before);
    switch (spec.outcome) {
      case Outcome::OldOrNew:
        EXPECT_TRUE(got == before || got == after)
            << "fault point " << n << ": neither before nor after" << DescribeDifference(got, after);
        break;
      case Outcome::New:
        EXPECT_TRUE(got == after) << "fault point " << n << DescribeDifference(got, after);
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
        for (const auto& [id, content] : got)
          EXPECT_TRUE(before.count(id) || after.count(id)) << "fault point " << n << ": appeared " << id;
        break;
    }
    if (::testing::Test::HasFailure()) return -1;
    if (!fired) return n - 1;
  }
  ADD_FAILURE() << "the operation never ran through";
  return -1;
}

void RunFaultLoopAllModes(const char* name, const FaultLoopSpec& spec) {
  for (auto [mode, label] : {std::pair{FaultPlan::Mode::FailOnce, "fail once"},
                             std::pair{FaultPlan::Mode::FailFromThenOn, "fail from then on"},
                             std::pair{FaultPlan::Mode::PowerCut, "power cut"}}) {
    SCOPED_TRACE(std::string(name) + ", " + label);
    const int points = RunFaultLoop(spec, mode);
    std::cout << "  " << name << ", " << label << ": " << points << " fault points\n";
    if (points < 0) return;
  }
}

}  // namespace tb::test
