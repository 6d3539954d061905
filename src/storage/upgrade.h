#pragma once
// The format upgrade of version-5 wallets. Their records are enciphered
// under an old random data key kept in the header; the upgrade enciphers
// every record again under the password's data key and gives the file the
// current leading blocks.
//
// The converted file is written beside the wallet and renamed over it only
// when every record is in it, so until then the untouched version-5 file
// is the copy to go back to: a failure or a power cut at any moment leaves
// a file that opens as the version-5 wallet (and can be upgraded again) or
// as the upgraded one.
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/core/file.h"
#include "platform/core/system_time.h"
#include "storage/cipher/cipher.h"
#include "storage/statuses.h"

namespace tb::storage {

// Picture and attachment bytes pass through buffers of this size.
inline constexpr size_t kUpgradeChunk = 128 * 1024;
// The caller hears of the progress no more often than this.
inline constexpr int kUpgradeReportMilliseconds = 50;

struct UpgradeCounts {
  int folders = 0;
  int cards = 0;
  int formsFolders = 0;
  int fields = 0;
  int pictures = 0;
  int sounds = 0;
  int attachments = 0;
  uint64_t largestAttachment = 0;
  int streamedChunks = 0;  // chunks of picture and attachment bytes
};

// The fraction done, 0 to 1; called on the thread that waits for the
// conversion, never on the conversion's own.
using UpgradeProgress = std::function<void(double fraction)>;

struct UpgradeJob {
  platform::File* source = nullptr;  // the version-5 wallet, open for reading
  platform::File* target = nullptr;  // the converted file, new and empty
  // Signature, header and options in their new form (4980 bytes).
  std::vector<uint8_t> leadingBlocks;
  const KeyContext* legacyKey = nullptr;
  const KeyContext* newKey = nullptr;
  platform::SystemTime now;  // every record's new modified time
  UpgradeCounts counts;
};

// Converts every record of the source into the target, on the calling
// thread; position follows the source offset reached. The target is
// written but not flushed.
UpgradeStatus ConvertRecords(UpgradeJob& job, std::atomic<uint64_t>* position);

// Runs ConvertRecords on a worker thread and waits for it, handing the
// progress to the callback (which may be empty) as it goes.
UpgradeStatus UpgradeWallet(UpgradeJob& job, const UpgradeProgress& progress);

// Tests stop a conversion at a chosen record with ScopedUpgradeInterruption
// (storage/wallet_testing.h).

}  // namespace tb::storage
