// Text export and import at the size users keep: the whole 10,000-card
// wallet written to a text file, and a 10,000-row table imported with every
// card taken at once (as `tbwallet import --yes` does).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "interchange/text_export.h"
#include "interchange/text_import.h"
#include "platform/core/file.h"
#include "storage/wallet.h"
#include "wallet_generator.h"

namespace {

using namespace tb;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
  std::exit(1);
}

class YesToAll : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& m) override {
    return m.buttons == storage::Buttons::Ok ? storage::Answer::Ok : storage::Answer::Yes;
  }
};

void OpenOrFail(storage::Wallet& wallet, const std::string& path, bool readOnly) {
  wallet.SetTextSource(&bench::Texts());
  if (wallet.Open(path, bench::kPassword, readOnly, nullptr) != storage::OpenStatus::Ok) Fail("opening the wallet");
}

void BM_ExportWallet(benchmark::State& state) {
  const std::string& path = bench::SharedWallet("cards10k.tb5", bench::WalletShape{10000, 200, 0});
  const std::string out = bench::ScratchFile("export");
  std::filesystem::create_directory(out);
  storage::Wallet wallet;
  OpenOrFail(wallet, path, true);
  interchange::ExportOptions options;
  options.outputPlace = out;
  std::string written;
  for (auto _ : state)
    if (!interchange::ExportWallet(wallet, options, &written)) Fail("exporting");
  state.counters["file_MB"] = double(bench::FileSizeOf(written)) / 1e6;
}
BENCHMARK(BM_ExportWallet)->Unit(benchmark::kMillisecond);

// 10,000 rows of a name and eleven fields of varied lengths.
const std::string& TenThousandRows() {
  static const std::string path = [] {
    const std::string p = bench::ScratchFile("rows10k.txt");
    std::u16string text = u"Card Name";
    for (int c = 1; c <= 11; ++c) text += u"\tField " + std::u16string(1, char16_t(u'A' + c));
    text += u"\r\n";
    for (int r = 0; r < 10000; ++r) {
      std::string row = "Card " + std::to_string(r);
      for (int c = 1; c <= 11; ++c) row += "\t" + std::string(size_t(4 + (r * 7 + c * 13) % 40), char('a' + c));
      text.append(row.begin(), row.end());
      text += u"\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
      bytes += char(u & 0xFF);
      bytes += char(u >> 8);
    }
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }();
  return path;
}

void BM_ImportTenThousandRows(benchmark::State& state) {
  const std::string& table = TenThousandRows();
  const std::string empty = bench::ScratchFile("empty.tb5");
  if (!platform::FileExists(empty)) {
    storage::Wallet wallet;
    wallet.SetTextSource(&bench::Texts());
    if (wallet.Create(empty, bench::kPassword, std::nullopt, true) != storage::CreateStatus::Ok) Fail("creating");
  }
  const std::string target = bench::ScratchFile("import.tb5");
  for (auto _ : state) {
    state.PauseTiming();
    platform::RemoveFile(target);
    if (!bench::CopyFile(empty, target)) Fail("copying the wallet");
    storage::Wallet wallet;
    OpenOrFail(wallet, target, false);
    YesToAll yes;
    state.ResumeTiming();
    const interchange::ImportResult r = interchange::ImportText(wallet, table, yes);
    if (r.imported != 10000) Fail("importing");
    state.PauseTiming();
    wallet.Close();
    state.ResumeTiming();
  }
  state.counters["wallet_MB"] = double(bench::FileSizeOf(target)) / 1e6;
}
BENCHMARK(BM_ImportTenThousandRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
