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

// Legacy wallet input: the first byte chooses the mode, the rest is the
// ".wal" file, converted with kWalletPassword.
//   bit 0 set: a custom-form definition file lies beside the program;
//   bit 1 set: pictures and sounds are not taken over.
inline constexpr uint8_t kLegacyModeDefinitions = 1;
inline constexpr uint8_t kLegacyModeNoMedia = 2;

}  // namespace tb::fuzz

int FuzzWallet(const uint8_t* data, size_t size);
// Bytes of a compiled language module: checked, loaded from a file, looked up.
int FuzzModule(const uint8_t* data, size_t size);
// Text of a string-table source: parsed, compiled, and the module read back.
int FuzzStringTable(const uint8_t* data, size_t size);
// Text of a registry file: parsed, written and parsed again.
int FuzzRegistry(const uint8_t* data, size_t size);
// Bytes of a form exchange file: read, written again and read back.
int FuzzFormFile(const uint8_t* data, size_t size);
// A custom form definition text: parsed, checked against the limits, counted.
int FuzzCustomFormText(const uint8_t* data, size_t size);
// A tab-separated import table: read from memory and from a file, every cell
// checked, and an import's questions run through with every card declined.
int FuzzImportTable(const uint8_t* data, size_t size);
// A CSV table (the first byte chooses the format it is imported as): read,
// written and read back, and an import's questions run with every card declined.
int FuzzCsvTable(const uint8_t* data, size_t size);
// An old ".wal" wallet (mode byte first): converted, the new wallet read through.
int FuzzLegacyWallet(const uint8_t* data, size_t size);
// The bytes of an own ".ico" picture, read at every size the icon lists use.
int FuzzIconFile(const uint8_t* data, size_t size);
// A card's sound: a RIFF/WAVE file.
int FuzzWav(const uint8_t* data, size_t size);
