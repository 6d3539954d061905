// Writes one benchmark wallet (the same cards as the benchmarks' own) to a
// path, for the whole-process benchmark script:
//   make_bench_wallet PATH CARDS [FOLDERS]
// The password is the benchmarks' password.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "wallet_generator.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: make_bench_wallet PATH CARDS [FOLDERS]\n");
    return 2;
  }
  tb::bench::WalletShape shape;
  shape.cards = std::atoi(argv[2]);
  if (argc == 4) shape.folders = std::atoi(argv[3]);
  if (shape.cards < 0 || shape.folders < 0) {
    std::fprintf(stderr, "make_bench_wallet: counts must not be negative\n");
    return 2;
  }
  if (!tb::bench::GenerateWallet(argv[1], shape)) {
    std::fprintf(stderr, "make_bench_wallet: cannot generate %s\n", argv[1]);
    return 1;
  }
  return 0;
}
