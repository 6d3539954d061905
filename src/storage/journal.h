#pragma once
// Writes made in place over bytes the wallet already has (the leading
// blocks, a record header rewritten with a new name, parent or tombstone
// mark) are first written whole to a journal beside the wallet, flushed
// and named durably. A write torn by a power cut is then finished from the
// journal when the wallet is next opened for writing, and a torn journal is
// simply dropped: the wallet itself was not touched yet. Either way a
// header is never left half old and half new.
//
// A journal is a way to write into the wallet, so it is bound to it: it
// names the wallet (its creation time, the header's random words and its
// size as they were), carries the bytes each write replaces as well as the
// new ones, and is sealed with an HMAC keyed from the wallet's data key.
// It is replayed only after the password was verified, only from a
// regular file of the wallet's owner opened without following a link,
// and only onto ranges that hold the old or the new bytes (a torn write).
// Anything else is set aside under another name and reported; the wallet
// is not touched. A read-only open never looks at the journal.
//
// The layout is in layout.h (namespace journal).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/file.h"
#include "storage/cipher/cipher.h"

namespace tb::storage {

struct InPlaceWrite {
  uint64_t offset = 0;
  std::vector<uint8_t> bytes;
};

struct JournalEntry {
  uint64_t offset = 0;
  std::vector<uint8_t> before;  // what the wallet holds there now
  std::vector<uint8_t> after;   // what the write puts there
};

// What names the wallet a journal belongs to.
struct JournalBinding {
  std::array<uint8_t, 16> created{};
  std::array<uint8_t, 32> random{};
  uint64_t walletSize = 0;
};

using SealKey = std::array<uint8_t, 32>;

// The binding of a wallet whose header block (3148 bytes) and size these are.
JournalBinding BindingOf(const uint8_t* headerBlock, uint64_t walletSize);
// The key journals of a wallet are sealed with, from its data key; a wallet
// without a password has none, and its header key stands in.
SealKey JournalSealKey(const KeyContext& dataKey, const KeyContext& headerKey);

std::string JournalPath(const std::string& walletPath);

// Writes the journal, flushes it and makes its name durable. A file that
// already has the journal's name is not ours (we hold the wallet's lock):
// it is set aside first.
bool WriteJournal(const std::string& walletPath, const JournalBinding& binding, const SealKey& key,
                  const std::vector<JournalEntry>& entries);
// Removes the journal and makes the removal durable.
bool RemoveJournal(const std::string& walletPath);

// The numbers are what the command line reports.
enum class JournalRecovery : int {
  None = 0,             // there was no journal
  Applied = 1,          // a torn write was finished from the journal
  Settled = 2,          // the wallet held the old or the new bytes whole; the journal went
  Discarded = 3,        // a journal torn while it was written went; the wallet was not touched
  Failed = 4,           // a journal could not be applied; it stays, and the open fails
  Waiting = 5,          // the password does not open the wallet; the journal stays where it is
  RefusedUnsafe = 10,   // not a regular file of the wallet's owner, or a link
  RefusedForeign = 11,  // not sealed for this wallet under its password (made without it)
  RefusedStale = 12,    // for this wallet, but the wallet no longer holds its old or new bytes
};

inline bool IsRefusal(JournalRecovery r) { return int(r) >= 10; }
const char* Describe(JournalRecovery r);

struct JournalReport {
  JournalRecovery status = JournalRecovery::None;
  std::string setAsidePath;  // where a refused journal now is; empty when it could not be moved
};

// The seal key for a wallet with this header block (3148 bytes), when the
// password opens it; none otherwise.
using JournalKeyFor = std::function<std::optional<SealKey>(const uint8_t* headerBlock)>;

// Finishes what a journal left beside the wallet describes. The wallet
// file must be open for writing.
JournalReport RecoverJournal(platform::File& wallet, const std::string& walletPath, const JournalKeyFor& keyFor);

}  // namespace tb::storage
