#pragma once
// Writes made in place over bytes the wallet already has (the leading
// blocks, a record header rewritten with a new name, parent or tombstone
// mark) are first written whole to a journal beside the wallet and flushed.
// A write torn by a power cut is then finished from the journal when the
// wallet is next opened for writing, and a torn journal is simply dropped:
// the wallet itself was not touched yet. Either way a header is never left
// half old and half new.
//
// Journal file "<wallet>.journal":
//   "TBJ1", u32 count, then count times {u64 offset, u32 length, bytes},
//   then the MD5 of everything before it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/file.h"

namespace tb::storage {

struct InPlaceWrite {
  uint64_t offset = 0;
  std::vector<uint8_t> bytes;
};

std::string JournalPath(const std::string& walletPath);

// Writes the journal and flushes it to the disk.
bool WriteJournal(const std::string& walletPath, const std::vector<InPlaceWrite>& writes);
// Removes the journal and makes the removal durable.
bool RemoveJournal(const std::string& walletPath);

enum class JournalRecovery {
  None,        // there was no journal
  Applied,     // a complete journal was written into the wallet
  Discarded,   // a torn or foreign journal was dropped
  Failed,      // a complete journal could not be applied; it stays
};

// Finishes what a journal left beside the wallet describes. The wallet file
// must be open for writing. A journal that names bytes outside the wallet
// is not trusted.
JournalRecovery RecoverJournal(platform::File& wallet, const std::string& walletPath);

}  // namespace tb::storage
