// Opening a version-5 wallet of 10,000 cards of twelve fields in 200
// folders, with 100 tombstones among them, and upgrading it: the question
// answered at once, the purge, the load, the conversion of every record
// and the reopening of the converted file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../tests/upgrade/five_wallet_writer.h"
#include "platform/core/file.h"
#include "storage/wallet.h"
#include "wallet_generator.h"

namespace {

using namespace tb;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
  std::exit(1);
}

// The version-5 file, made once per process.
const std::string& FiveWallet() {
  static const std::string path = [] {
    const std::string p = bench::ScratchFile("five10k.tb5");
    platform::TestClock clock({2009, 3, 2, 10, 8, 30, 0, 0});
    std::mt19937 random(5);
    test::FiveWalletWriter w(bench::kPassword);
    std::vector<storage::RecordId> folders;
    for (int i = 0; i < 200; ++i) {
      const storage::RecordId parent = i < 20 ? storage::RecordId{} : folders[size_t(i % 20)];
      folders.push_back(w.AddFolder(u"Folder " + std::u16string(1, char16_t(u'A' + i % 26)), parent));
    }
    static const char16_t* const kLabels[12] = {u"User name", u"Password", u"URL",   u"E-mail",  u"Account", u"PIN",
                                                u"Phone",     u"Address",  u"Notes", u"Expires", u"Number",  u"Memo"};
    static const uint16_t kKinds[12] = {1, 7, 4, 3, 1, 7, 2, 15, 15, 1, 6, 15};
    for (int i = 0; i < 10000; ++i) {
      storage::Card card =
          w.NewCard(folders[size_t(i % 200)], u"Card number " + std::u16string(1, char16_t(u'a' + i % 26)));
      for (int f = 0; f < 12; ++f) {
        storage::Field field;
        field.kind = kKinds[f];
        field.SetLabel(kLabels[f]);
        field.SetValue(std::u16string(4 + random() % 40, char16_t(u'a' + random() % 26)));
        card.AddField(field);
      }
      w.AddCard(card);
      if (i % 100 == 50) w.AddTombstone(i % 200 != 50, u"Deleted");
    }
    if (!w.Write(p)) Fail("writing the version-5 wallet");
    return p;
  }();
  return path;
}

class Agree : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& m) override {
    return m.buttons == storage::Buttons::YesNo ? storage::Answer::Yes : storage::Answer::Ok;
  }
};

void BM_UpgradeVersionFiveWallet(benchmark::State& state) {
  const std::string& source = FiveWallet();
  const std::string copy = bench::ScratchFile("five10k-copy.tb5");
  for (auto _ : state) {
    platform::RemoveFile(copy);
    if (!bench::CopyFile(source, copy)) Fail("copying the wallet");
    storage::Wallet wallet;
    wallet.SetTextSource(&bench::Texts());
    Agree agree;
    const auto start = std::chrono::steady_clock::now();
    const storage::OpenStatus status = wallet.Open(copy, bench::kPassword, false, &agree);
    const auto end = std::chrono::steady_clock::now();
    if (status != storage::OpenStatus::Ok || wallet.Count() != 10200) Fail("upgrading the wallet");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.counters["file_MB"] = double(bench::FileSizeOf(source)) / 1e6;
}
BENCHMARK(BM_UpgradeVersionFiveWallet)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
