// Throughput of the wallet's hash and cipher over 16 KiB pieces, the size of
// a typical picture or attachment chunk.
#include <benchmark/benchmark.h>

#include <vector>

#include "storage/cipher/cipher.h"
#include "storage/cipher/md5.h"

namespace {

using tb::storage::Key128;

constexpr size_t kBlock = 16384;
const Key128 kKey = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10};

std::vector<uint8_t> Block() {
  std::vector<uint8_t> v(kBlock);
  for (size_t k = 0; k < v.size(); ++k) v[k] = static_cast<uint8_t>(k * 31);
  return v;
}

void BM_Md5(benchmark::State& state) {
  const std::vector<uint8_t> data = Block();
  for (auto _ : state) {
    auto digest = tb::storage::Md5(data.data(), data.size());
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kBlock);
}
BENCHMARK(BM_Md5);

// The wallet's path: one keyed context serves every piece from its cached
// keystream.
void BM_KeyContextApply(benchmark::State& state) {
  std::vector<uint8_t> data = Block();
  tb::storage::KeyContext context;
  context.SetKey(kKey);
  for (auto _ : state) {
    context.Apply(data.data(), data.size(), data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kBlock);
}
BENCHMARK(BM_KeyContextApply);

// Key schedule plus keystream generation for every piece.
void BM_EncipherOneShot(benchmark::State& state) {
  std::vector<uint8_t> data = Block();
  for (auto _ : state) {
    tb::storage::Encipher(kKey, data.data(), data.size(), data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kBlock);
}
BENCHMARK(BM_EncipherOneShot);

}  // namespace

BENCHMARK_MAIN();
