#pragma once
// The password health report of an open wallet: every Password field whose
// value is empty, very weak or weak, used on another card too, or on a card
// not changed for more than a year. tbwallet prints it; the program's
// report dialog lists it. Values are compared and estimated here and never
// leave this unit: the report names cards and fields only.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/core/system_time.h"
#include "storage/cipher/secure.h"
#include "storage/record_id.h"
#include "storage/wallet.h"
#include "strength/strength.h"

namespace tb::strength {

// Findings of one field, combined as bits.
inline constexpr uint32_t kFindingEmpty = 1, kFindingVeryWeak = 2, kFindingWeak = 4, kFindingReused = 8,
                          kFindingOld = 16;
inline constexpr int kFindingCount = 5;
// The findings in report order, with their machine-readable names.
inline constexpr uint32_t kFindingBits[kFindingCount] = {kFindingEmpty, kFindingVeryWeak, kFindingWeak, kFindingReused,
                                                         kFindingOld};
std::string_view FindingKey(uint32_t finding);  // "empty", "very_weak", "weak", "reused", "old"
// The language string naming a finding in the report.
uint32_t FindingNameString(uint32_t finding);

inline constexpr int kDefaultStaleDays = 365;

struct AuditOptions {
  platform::SystemTime now;  // zero: the local time
  int staleDays = kDefaultStaleDays;
  // Worker threads for the estimates; 0: as many as the machine has (at most 8).
  unsigned threads = 0;
};

struct AuditEntry {
  storage::RecordId card;
  int position = -1;  // the card's index position
  size_t field = 0;   // the field's place on the card
  storage::Text label;
  uint32_t findings = 0;
  Strength strength;    // of a non-empty value
  int reuseGroup = -1;  // index into AuditReport::reuseGroups
};

struct AuditCounts {
  int cards = 0;                                               // cards with at least one Password field
  int fields = 0;                                              // Password fields looked at
  int flaggedCards = 0;                                        // cards with at least one finding
  int empty = 0, veryWeak = 0, weak = 0, reused = 0, old = 0;  // fields with each finding
  int Of(uint32_t finding) const;
};

struct AuditReport {
  AuditCounts counts;
  // The fields with findings, in the browser's order of their cards.
  std::vector<AuditEntry> entries;
  // Entries sharing one value across two or more cards, in report order.
  std::vector<std::vector<size_t>> reuseGroups;
  // Cards that could not be read; they are not in the report.
  int unreadableCards = 0;
  bool Clean() const { return entries.empty() && unreadableCards == 0; }
};

// Looks at every card in the wallet's folders (the forms folder left out).
AuditReport AuditPasswords(storage::Wallet& wallet, const AuditOptions& options = {});

// The other cards holding the value of a reused entry, in report order, at
// most limit of them (a wallet with one password on thousands of cards
// would otherwise list millions of pairs); *total, when given, counts all.
std::vector<storage::RecordId> ReusedWith(const AuditReport& report, size_t entry, size_t limit = SIZE_MAX,
                                          size_t* total = nullptr);

// The language strings of the report.
namespace audit_text {
inline constexpr uint32_t kEmpty = 41200, kVeryWeak = 41201, kWeak = 41202, kReused = 41203, kOld = 41204;
}

}  // namespace tb::strength
