// The password health report over the 10,000-card wallet (three Password
// fields per card: a password of 8 to 24 characters, a PIN and a security
// answer), as 'tbwallet audit' and the report dialog run it: every card
// read, every distinct value estimated. The goal is under 0.5 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "storage/wallet.h"
#include "strength/password_audit.h"
#include "wallet_generator.h"

namespace {

using namespace tb;

void BM_AuditTenThousandCards(benchmark::State& state) {
  const std::string& path = bench::SharedWallet("cards10k.tb5", bench::WalletShape{10000, 200, 0});
  storage::Wallet wallet;
  wallet.SetTextSource(&bench::Texts());
  if (wallet.Open(path, bench::kPassword, true, nullptr) != storage::OpenStatus::Ok) {
    std::fprintf(stderr, "benchmark set-up failed: opening the wallet\n");
    std::exit(1);
  }
  strength::AuditOptions options;
  options.threads = unsigned(state.range(0));
  size_t entries = 0;
  int fields = 0;
  for (auto _ : state) {
    const strength::AuditReport report = strength::AuditPasswords(wallet, options);
    entries = report.entries.size();
    fields = report.counts.fields;
  }
  state.counters["fields"] = fields;
  state.counters["findings"] = double(entries);
}
// 0: as many threads as the machine has; 1: one thread.
BENCHMARK(BM_AuditTenThousandCards)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
