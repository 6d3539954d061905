#pragma once
// The fuzz targets as plain functions, so that the libFuzzer programs and the
// ordinary test run (which replays the kept corpus) call the same code. Each
// takes one input and returns 0; a fault shows as a crash, a sanitizer
// report or an abort on a broken invariant.
#include <cstddef>
#include <cstdint>

namespace tb::fuzz {

// The wallet password every seed wallet is made with.
inline constexpr char16_t kWalletPassword[] = u"fuzzpass";

// Wallet input: the first byte chooses the mode, the rest is the wallet file.
//   bit 0 clear: opened read-only and read through (every card, search, tree,
//                record walk);
//   bit 0 set:   opened read-write on a copy, a damaged file repaired with
//                every question answered yes, then read through, its
//                tombstones purged and read through again.
inline constexpr uint8_t kWalletModeRepair = 1;

}  // namespace tb::fuzz

int FuzzWallet(const uint8_t* data, size_t size);
// Bytes of a compiled language module: checked, loaded from a file, looked up.
int FuzzModule(const uint8_t* data, size_t size);
// Text of a string-table source: parsed, compiled, and the module read back.
int FuzzStringTable(const uint8_t* data, size_t size);
// Text of a registry file: parsed, written and parsed again.
int FuzzRegistry(const uint8_t* data, size_t size);
