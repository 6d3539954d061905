// The wallet operations a user waits for, on a generated wallet of 10,000
// cards of twelve fields in 200 folders: opening, a search that finds
// nothing (so every card is deciphered), filling the tree, saving a changed
// card that sits near the start of the file, changing the password, and
// repairing a 50 MB wallet with one damaged record.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/file.h"
#include "storage/bytes.h"
#include "storage/card.h"
#include "storage/search.h"
#include "storage/tree_order.h"
#include "storage/wallet.h"
#include "wallet_generator.h"

namespace {

using namespace tb;
using bench::kPassword;

const bench::WalletShape kTenThousand{10000, 200, 0};
// About 50 MB: the same wallet with a 2.2 KB attachment on every card.
const bench::WalletShape kFiftyMegabytes{10000, 200, 2200};

const std::string& TenThousandCards() { return bench::SharedWallet("cards10k.tb5", kTenThousand); }

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
  std::exit(1);
}

// A private copy of a shared wallet, for benchmarks that change the file.
std::string FreshCopy(const std::string& from, const std::string& name) {
  const std::string to = bench::ScratchFile(name);
  platform::RemoveFile(to);
  platform::RemoveFile(to + ".rekey");
  if (!bench::CopyFile(from, to)) Fail("copying the wallet");
  return to;
}

void OpenOrFail(storage::Wallet& wallet, const std::string& path, bool readOnly) {
  wallet.SetTextSource(&bench::Texts());
  if (wallet.Open(path, kPassword, readOnly, nullptr) != storage::OpenStatus::Ok) Fail("opening the wallet");
}

void AddFileSize(benchmark::State& state, const std::string& path) {
  state.counters["file_MB"] = double(bench::FileSizeOf(path)) / 1e6;
}

void BM_OpenWallet(benchmark::State& state) {
  const std::string& path = TenThousandCards();
  storage::Wallet wallet;
  wallet.SetTextSource(&bench::Texts());
  for (auto _ : state) {
    if (wallet.Open(path, kPassword, false, nullptr) != storage::OpenStatus::Ok) {
      state.SkipWithError("open failed");
      break;
    }
    benchmark::DoNotOptimize(wallet.Count());
    wallet.Close();
  }
  AddFileSize(state, path);
}

void BM_SearchNoHit(benchmark::State& state) {
  const std::string& path = TenThousandCards();
  storage::Wallet wallet;
  OpenOrFail(wallet, path, true);
  for (auto _ : state) {
    // The generated texts are plain ASCII, so this is in no card.
    const int hits = storage::Search(wallet, u"\u00A7no such entry");
    if (hits != 0) {
      state.SkipWithError("the search found something");
      break;
    }
    benchmark::DoNotOptimize(hits);
  }
  state.counters["records"] = double(wallet.Count());
}

void BM_BuildTree(benchmark::State& state) {
  const std::string& path = TenThousandCards();
  storage::Wallet wallet;
  OpenOrFail(wallet, path, true);
  size_t top = 0;
  for (auto _ : state) {
    std::vector<storage::TreeNode> tree = storage::BuildTree(wallet);
    top = tree.size();
    benchmark::DoNotOptimize(tree.data());
  }
  state.counters["top_items"] = double(top);
}

// The live card that starts first in the file.
const storage::RecordHeader* FirstCardInFile(const storage::Wallet& wallet) {
  const storage::RecordHeader* first = nullptr;
  for (int k = 0; k < wallet.Count(); ++k) {
    const storage::RecordHeader* h = wallet.At(k);
    if (!h || !h->IsCard() || h->IsDeleted() || h->fileOffset == 0) continue;
    if (!first || h->fileOffset < first->fileOffset) first = h;
  }
  return first;
}

void BM_ReplaceCardNearStart(benchmark::State& state) {
  const std::string path = FreshCopy(TenThousandCards(), "replace.tb5");
  storage::Wallet wallet;
  OpenOrFail(wallet, path, false);
  uint64_t lastOffset = 0;
  for (auto _ : state) {
    // Every replacement moves the card to the end, so the first card is a
    // different one each time.
    const storage::RecordHeader* first = FirstCardInFile(wallet);
    if (!first) {
      state.SkipWithError("no card");
      break;
    }
    lastOffset = first->fileOffset;
    storage::Card card;
    if (!wallet.LoadCard(first->Id(), &card) || card.fields.empty()) {
      state.SkipWithError("load failed");
      break;
    }
    storage::Text value = card.fields[0].value;
    value += u" (changed)";
    card.fields[0].SetValue(std::u16string_view(value.data(), value.size()));
    card.Modified();
    if (wallet.ReplaceCard(card) < 0) {
      state.SkipWithError("replace failed");
      break;
    }
  }
  // The file must still hold every record, each once.
  const int before = wallet.Count();
  wallet.Close();
  if (wallet.Open(path, kPassword, true, nullptr) != storage::OpenStatus::Ok || wallet.Count() != before)
    state.SkipWithError("the wallet lost records");
  state.counters["card_offset"] = double(lastOffset);
  AddFileSize(state, path);
}

void BM_ChangePassword(benchmark::State& state) {
  const std::string path = FreshCopy(TenThousandCards(), "rekey.tb5");
  storage::Wallet wallet;
  OpenOrFail(wallet, path, false);
  bool original = true;
  for (auto _ : state) {
    const std::u16string_view from = original ? kPassword : bench::kOtherPassword;
    const std::u16string_view to = original ? bench::kOtherPassword : kPassword;
    if (wallet.ChangePassword(from, to, std::nullopt) != storage::PasswordChangeStatus::Ok) {
      state.SkipWithError("password change failed");
      break;
    }
    original = !original;
  }
  AddFileSize(state, path);
}

// The 50 MB wallet with the kind signature of the record in the middle of
// the file overwritten, made once.
const std::string& DamagedFiftyMegabytes() {
  static const std::string path = [] {
    const std::string damaged = FreshCopy(bench::SharedWallet("cards50mb.tb5", kFiftyMegabytes), "damaged50mb.tb5");
    storage::Wallet wallet;
    OpenOrFail(wallet, damaged, true);
    uint64_t size = bench::FileSizeOf(damaged), middle = 0;
    for (int k = 0; k < wallet.Count(); ++k) {
      const uint64_t at = wallet.At(k)->fileOffset;
      if (wallet.At(k)->IsCard() && at <= size / 2 && at > middle) middle = at;
    }
    wallet.Close();
    if (middle == 0) Fail("no card to damage");
    platform::File file;
    if (file.Open(damaged, platform::OpenMode::ReadWrite) != platform::OpenResult::Ok) Fail("opening for damage");
    const uint8_t scribble[4] = {0x00, 0x5A, 0xA5, 0x00};
    if (!file.WriteAt(middle + 4, scribble, sizeof scribble)) Fail("writing the damage");
    file.Flush();
    file.Close();
    return damaged;
  }();
  return path;
}

void BM_RepairDamaged50MB(benchmark::State& state) {
  const std::string& pristine = DamagedFiftyMegabytes();
  const std::string work = bench::ScratchFile("repair-work.tb5");
  int records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!bench::CopyFile(pristine, work)) {
      state.SkipWithError("copy failed");
      break;
    }
    state.ResumeTiming();
    // Open finds the damage, the repair runs, and the wallet is loaded again.
    storage::Wallet wallet;
    wallet.SetTextSource(&bench::Texts());
    bench::AgreeingPrompter yes;
    if (wallet.Open(work, kPassword, false, &yes) != storage::OpenStatus::Ok || yes.questions != 3) {
      state.SkipWithError("repair did not go through");
      break;
    }
    records = wallet.Count();
    wallet.Close();
  }
  // Everything but the damaged card survives.
  state.counters["records_after"] = double(records);
  AddFileSize(state, pristine);
}

BENCHMARK(BM_OpenWallet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SearchNoHit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplaceCardNearStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChangePassword)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepairDamaged50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
