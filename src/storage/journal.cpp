#include "storage/journal.h"

#include <cerrno>
#include <cstring>

#include "storage/bytes.h"
#include "storage/cipher/secure.h"
#include "storage/cipher/sha256.h"
#include "storage/layout.h"

namespace tb::storage {

namespace J = layout::journal;
namespace H = layout::header;

namespace {
// In-place writes are a few kilobytes at most; anything larger is not ours.
constexpr uint64_t kMaxJournalSize = 1 << 20;
constexpr char kSealLabel[] = "Tamberlock journal seal";
constexpr char kSealLabelNoPassword[] = "Tamberlock journal seal, no password";
constexpr const char* kSetAsideTag = "refused";

void StoreU64(uint8_t* p, uint64_t v) {
  StoreU32(p, uint32_t(v));
  StoreU32(p + 4, uint32_t(v >> 32));
}
uint64_t LoadU64(const uint8_t* p) { return LoadU32(p) | (uint64_t(LoadU32(p + 4)) << 32); }

const uint8_t* Label(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

struct Parsed {
  JournalBinding binding;
  std::vector<JournalEntry> entries;
};

// The entries and binding of a journal whose length and checksum were
// checked; false for anything not laid out as ours.
bool Parse(const std::vector<uint8_t>& bytes, Parsed* out) {
  const size_t end = bytes.size() - J::kSealSize - J::kChecksumSize;
  const uint8_t* p = bytes.data();
  if (std::memcmp(p + J::kMagicOffset, J::kMagic, sizeof J::kMagic) != 0) return false;
  std::memcpy(out->binding.created.data(), p + J::kCreated, J::kCreatedSize);
  std::memcpy(out->binding.random.data(), p + J::kRandom, J::kRandomSize);
  out->binding.walletSize = LoadU64(p + J::kWalletSize);
  const ByteSpan body(p, end);
  const uint32_t count = LoadU32(p + J::kCount);
  size_t at = J::kHeadSize;
  for (uint32_t i = 0; i < count; ++i) {
    if (!body.Has(at, J::kEntryHeadSize)) return false;
    const uint64_t offset = LoadU64(p + at);
    const uint32_t length = LoadU32(p + at + 8);
    at += J::kEntryHeadSize;
    if (!body.Has(at, length) || !body.Has(at + length, length)) return false;
    JournalEntry e;
    e.offset = offset;
    e.before.assign(p + at, p + at + length);
    e.after.assign(p + at + length, p + at + 2 * size_t(length));
    at += 2 * size_t(length);
    out->entries.push_back(std::move(e));
  }
  return at == end;
}

// The header block with the given images put over it.
std::vector<uint8_t> HeaderWith(const std::vector<uint8_t>& current, const std::vector<JournalEntry>& entries,
                                bool after) {
  std::vector<uint8_t> h = current;
  const uint64_t start = layout::kHeaderOffset, stop = start + H::kSize;
  for (const JournalEntry& e : entries) {
    const std::vector<uint8_t>& image = after ? e.after : e.before;
    for (size_t i = 0; i < image.size(); ++i) {
      const uint64_t at = e.offset + i;
      if (at >= start && at < stop) h[size_t(at - start)] = image[i];
    }
  }
  return h;
}
}  // namespace

JournalBinding BindingOf(const uint8_t* headerBlock, uint64_t walletSize) {
  JournalBinding b;
  std::memcpy(b.created.data(), headerBlock + H::kCreated, b.created.size());
  std::memcpy(b.random.data(), headerBlock + H::kRandom400, b.random.size());
  b.walletSize = walletSize;
  return b;
}

SealKey JournalSealKey(const KeyContext& dataKey, const KeyContext& headerKey) {
  if (dataKey.IsSet())
    return HmacSha256Of(dataKey.Key().data(), dataKey.Key().size(), Label(kSealLabel), sizeof kSealLabel - 1);
  return HmacSha256Of(headerKey.Key().data(), headerKey.Key().size(), Label(kSealLabelNoPassword),
                      sizeof kSealLabelNoPassword - 1);
}

std::string JournalPath(const std::string& walletPath) { return walletPath + ".journal"; }

bool WriteJournal(const std::string& walletPath, const JournalBinding& binding, const SealKey& key,
                  const std::vector<JournalEntry>& entries) {
  std::vector<uint8_t> bytes(J::kHeadSize);
  std::memcpy(bytes.data() + J::kMagicOffset, J::kMagic, sizeof J::kMagic);
  StoreU32(bytes.data() + J::kCount, uint32_t(entries.size()));
  std::memcpy(bytes.data() + J::kCreated, binding.created.data(), J::kCreatedSize);
  std::memcpy(bytes.data() + J::kRandom, binding.random.data(), J::kRandomSize);
  StoreU64(bytes.data() + J::kWalletSize, binding.walletSize);
  for (const JournalEntry& e : entries) {
    if (e.before.size() != e.after.size() || e.after.size() > UINT32_MAX) return false;
    const size_t at = bytes.size();
    bytes.resize(at + J::kEntryHeadSize);
    StoreU64(bytes.data() + at, e.offset);
    StoreU32(bytes.data() + at + 8, uint32_t(e.after.size()));
    bytes.insert(bytes.end(), e.before.begin(), e.before.end());
    bytes.insert(bytes.end(), e.after.begin(), e.after.end());
  }
  const uint64_t total = bytes.size() + J::kSealSize + J::kChecksumSize;
  if (total > kMaxJournalSize) return false;
  StoreU32(bytes.data() + J::kLength, uint32_t(total));
  const Sha256Digest seal = HmacSha256Of(key.data(), key.size(), bytes.data(), bytes.size());
  bytes.insert(bytes.end(), seal.begin(), seal.end());
  Sha256 sum;
  sum.Update(bytes.data(), bytes.size());
  const Sha256Digest checksum = sum.Finish();
  bytes.insert(bytes.end(), checksum.begin(), checksum.end());

  const std::string path = JournalPath(walletPath);
  platform::File journal;
  platform::OpenResult opened = journal.Open(path, platform::OpenMode::CreateNew, platform::Links::Refuse);
  if (opened == platform::OpenResult::Exists) {
    // Not ours: we hold the wallet's lock, and our own journals go before
    // the write that made them returns.
    std::string moved;
    if (!platform::SetAside(path, kSetAsideTag, &moved)) return false;
    opened = journal.Open(path, platform::OpenMode::CreateNew, platform::Links::Refuse);
  }
  if (opened != platform::OpenResult::Ok) return false;
  // The journal must be on the disk under its name before the wallet is
  // touched: a write torn by a power cut is finished from it.
  const bool written =
      journal.WriteAt(0, bytes.data(), bytes.size()) && journal.Flush() && platform::SyncFolderOf(path);
  SecureWipe(bytes.data(), bytes.size());
  if (!written) {
    journal.Close();
    platform::RemoveFile(path);
    return false;
  }
  return true;
}

bool RemoveJournal(const std::string& walletPath) {
  const std::string path = JournalPath(walletPath);
  if (!platform::RemoveFile(path)) return !platform::FileExists(path);
  return platform::SyncFolderOf(path);
}

JournalReport RecoverJournal(platform::File& wallet, const std::string& walletPath, const JournalKeyFor& keyFor) {
  JournalReport report;
  const std::string path = JournalPath(walletPath);
  auto refuse = [&](JournalRecovery why) {
    report.status = why;
    if (!platform::SetAside(path, kSetAsideTag, &report.setAsidePath)) report.setAsidePath.clear();
    return report;
  };
  // A file that could not be read says nothing about whose it is: it may
  // be the journal of a torn write. It stays where it is, and the open
  // fails, rather than open a wallet the journal was needed for.
  auto unread = [&] {
    report.status = JournalRecovery::Failed;
    return report;
  };

  platform::File journal;
  switch (journal.Open(path, platform::OpenMode::ReadOnly, platform::Links::Refuse)) {
    case platform::OpenResult::Ok: break;
    case platform::OpenResult::NotFound: return report;
    case platform::OpenResult::Denied:
      // Another user's file we may not read is refused; any other failure
      // to open it is a failure to read.
      if (errno != EACCES && errno != EPERM) return unread();
      return refuse(JournalRecovery::RefusedUnsafe);
    default: return refuse(JournalRecovery::RefusedUnsafe);
  }
  platform::FileFacts mine, its;
  uint64_t size = 0, walletSize = 0;
  if (!wallet.Facts(&mine) || !journal.Facts(&its) || !journal.Size(&size) || !wallet.Size(&walletSize))
    return unread();
  if (its.owner != mine.owner) return refuse(JournalRecovery::RefusedUnsafe);
  if (size > kMaxJournalSize) return refuse(JournalRecovery::RefusedForeign);
  std::vector<uint8_t> bytes(size_t(size), 0);
  size_t got = 0;
  if (!journal.ReadAt(0, bytes.data(), bytes.size(), &got)) return unread();
  // Shorter than it was a moment ago: someone else is at it.
  if (got != bytes.size()) return refuse(JournalRecovery::RefusedUnsafe);
  journal.Close();

  // Another file's magic: not a journal of ours, torn or whole.
  if (bytes.size() >= sizeof J::kMagic && std::memcmp(bytes.data(), J::kMagic, sizeof J::kMagic) != 0 &&
      !AllZero(bytes.data(), sizeof J::kMagic))
    return refuse(JournalRecovery::RefusedForeign);
  // Torn while it was written: its write never reached the wallet.
  const size_t tail = J::kSealSize + J::kChecksumSize;
  bool torn = bytes.size() < J::kHeadSize + tail || LoadU32(bytes.data() + J::kLength) != bytes.size();
  if (!torn) {
    Sha256 sum;
    sum.Update(bytes.data(), bytes.size() - J::kChecksumSize);
    const Sha256Digest checksum = sum.Finish();
    torn = !EqualInConstantTime(checksum.data(), bytes.data() + bytes.size() - J::kChecksumSize, J::kChecksumSize);
  }
  if (torn) {
    RemoveJournal(walletPath);
    report.status = JournalRecovery::Discarded;
    return report;
  }
  Parsed parsed;
  if (!Parse(bytes, &parsed)) return refuse(JournalRecovery::RefusedForeign);

  // The password is checked against the header as it stands and as the
  // journal would leave it (a torn header write may have changed it).
  std::vector<uint8_t> current(H::kSize, 0);
  if (!wallet.ReadAt(layout::kHeaderOffset, current.data(), current.size(), &got)) return unread();
  const std::vector<uint8_t> before = HeaderWith(current, parsed.entries, false);
  const std::vector<uint8_t> after = HeaderWith(current, parsed.entries, true);
  std::optional<SealKey> key = keyFor(before.data());
  if (!key) key = keyFor(after.data());
  if (!key) key = keyFor(current.data());
  if (!key) {
    report.status = JournalRecovery::Waiting;
    return report;
  }
  const size_t sealed = bytes.size() - tail;
  const Sha256Digest seal = HmacSha256Of(key->data(), key->size(), bytes.data(), sealed);
  SecureWipe(key->data(), key->size());
  if (!EqualInConstantTime(seal.data(), bytes.data() + sealed, J::kSealSize))
    return refuse(JournalRecovery::RefusedForeign);

  // Made for this wallet, by someone who had the password: it must also be
  // for the wallet as it is, and describe a write that was under way.
  const JournalBinding now = BindingOf(before.data(), walletSize);
  if (now.created != parsed.binding.created || now.random != parsed.binding.random ||
      now.walletSize != parsed.binding.walletSize)
    return refuse(JournalRecovery::RefusedStale);
  bool allBefore = true, allAfter = true;
  for (const JournalEntry& e : parsed.entries) {
    if (e.offset > walletSize || e.after.size() > walletSize - e.offset) return refuse(JournalRecovery::RefusedStale);
    std::vector<uint8_t> there(e.after.size());
    if (!wallet.ReadAt(e.offset, there.data(), there.size(), &got)) return unread();
    if (got != there.size()) return refuse(JournalRecovery::RefusedStale);
    for (size_t i = 0; i < there.size(); ++i) {
      if (there[i] != e.before[i] && there[i] != e.after[i]) return refuse(JournalRecovery::RefusedStale);
      if (there[i] != e.before[i]) allBefore = false;
      if (there[i] != e.after[i]) allAfter = false;
    }
  }
  if (allBefore || allAfter) {
    // The write never began, or it finished: the wallet is whole as it is.
    RemoveJournal(walletPath);
    report.status = JournalRecovery::Settled;
    return report;
  }
  for (const JournalEntry& e : parsed.entries) {
    if (!wallet.WriteAt(e.offset, e.after.data(), e.after.size())) {
      report.status = JournalRecovery::Failed;
      return report;
    }
  }
  if (!wallet.Flush()) {
    report.status = JournalRecovery::Failed;
    return report;
  }
  RemoveJournal(walletPath);
  report.status = JournalRecovery::Applied;
  return report;
}

const char* Describe(JournalRecovery r) {
  switch (r) {
    case JournalRecovery::None: return "no journal";
    case JournalRecovery::Applied: return "an interrupted write was finished from the journal";
    case JournalRecovery::Settled: return "the journal was no longer needed";
    case JournalRecovery::Discarded: return "a journal torn while it was written was dropped";
    case JournalRecovery::Failed: return "the journal could not be applied";
    case JournalRecovery::Waiting: return "the journal waits for the wallet's password";
    case JournalRecovery::RefusedUnsafe:
      return "the journal beside the wallet is not a regular file of the wallet's owner";
    case JournalRecovery::RefusedForeign:
      return "the journal beside the wallet was not made for this wallet with its password";
    case JournalRecovery::RefusedStale: return "the journal beside the wallet does not match the wallet as it is";
  }
  return "unknown journal status";
}

}  // namespace tb::storage
