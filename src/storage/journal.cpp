#include "storage/journal.h"

#include <cstring>

#include "storage/bytes.h"
#include "storage/cipher/md5.h"

namespace tb::storage {

namespace {
constexpr char kMagic[4] = {'T', 'B', 'J', '1'};
// In-place writes are a few kilobytes at most; anything larger is not ours.
constexpr uint64_t kMaxJournalSize = 1 << 20;
constexpr size_t kEntryHead = 12;
}  // namespace

std::string JournalPath(const std::string& walletPath) { return walletPath + ".journal"; }

bool WriteJournal(const std::string& walletPath, const std::vector<InPlaceWrite>& writes) {
  std::vector<uint8_t> bytes(kMagic, kMagic + 4);
  bytes.resize(8);
  StoreU32(bytes.data() + 4, uint32_t(writes.size()));
  for (const InPlaceWrite& w : writes) {
    const size_t at = bytes.size();
    bytes.resize(at + kEntryHead);
    StoreU32(bytes.data() + at, uint32_t(w.offset));
    StoreU32(bytes.data() + at + 4, uint32_t(w.offset >> 32));
    StoreU32(bytes.data() + at + 8, uint32_t(w.bytes.size()));
    bytes.insert(bytes.end(), w.bytes.begin(), w.bytes.end());
  }
  const Digest digest = Md5(bytes.data(), bytes.size());
  bytes.insert(bytes.end(), digest.begin(), digest.end());

  const std::string path = JournalPath(walletPath);
  platform::RemoveFile(path);
  platform::File journal;
  if (journal.Open(path, platform::OpenMode::CreateNew) != platform::OpenResult::Ok) return false;
  if (!journal.WriteAt(0, bytes.data(), bytes.size()) || !journal.Flush()) {
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

JournalRecovery RecoverJournal(platform::File& wallet, const std::string& walletPath) {
  const std::string path = JournalPath(walletPath);
  if (!platform::FileExists(path)) return JournalRecovery::None;
  std::string text;
  if (!platform::ReadWholeFile(path, &text, kMaxJournalSize)) {
    RemoveJournal(walletPath);
    return JournalRecovery::Discarded;
  }
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  const size_t size = text.size();
  uint64_t walletSize = 0;
  bool sound = size >= 8 + 16 && std::memcmp(data, kMagic, 4) == 0 && wallet.Size(&walletSize);
  std::vector<InPlaceWrite> writes;
  if (sound) {
    const Digest digest = Md5(data, size - 16);
    sound = std::memcmp(digest.data(), data + size - 16, 16) == 0;
  }
  if (sound) {
    const ByteSpan body(data, size - 16);
    const uint32_t count = LoadU32(data + 4);
    size_t at = 8;
    for (uint32_t i = 0; sound && i < count; ++i) {
      if (!body.Has(at, kEntryHead)) {
        sound = false;
        break;
      }
      const uint64_t offset = LoadU32(data + at) | (uint64_t(LoadU32(data + at + 4)) << 32);
      const uint32_t length = LoadU32(data + at + 8);
      at += kEntryHead;
      // In-place writes never reach past the end of the wallet.
      if (!body.Has(at, length) || offset > walletSize || length > walletSize - offset) {
        sound = false;
        break;
      }
      writes.push_back({offset, std::vector<uint8_t>(data + at, data + at + length)});
      at += length;
    }
    if (at != body.size()) sound = false;
  }
  if (!sound) {
    RemoveJournal(walletPath);
    return JournalRecovery::Discarded;
  }
  for (const InPlaceWrite& w : writes)
    if (!wallet.WriteAt(w.offset, w.bytes.data(), w.bytes.size())) return JournalRecovery::Failed;
  if (!wallet.Flush()) return JournalRecovery::Failed;
  RemoveJournal(walletPath);
  return JournalRecovery::Applied;
}

}  // namespace tb::storage
