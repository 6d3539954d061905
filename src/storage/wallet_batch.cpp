// Many new records added to the wallet file in one step (an import): the
// new file is written beside the wallet and renamed over it, so a failure
// or a power cut at any moment leaves the wallet as it was or with every
// new record in it, never with a part of them.
#include <new>

#include "platform/core/system.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace R = layout::record;

namespace {
// As every append prepares a header: one with no change flags is "created"
// now; without an own icon there is no payload.
void PrepareHeader(RecordHeader& h) {
  if (h.ChangeFlags() == 0) {
    h.SetChangeFlagsRaw(R::kFlagCreated);
    h.SetModified(platform::LocalTime());
  }
  if (h.Icon() != -1) h.ClearPayloadFields();
}
}  // namespace

bool Wallet::AppendAllAtomically(std::vector<RecordHeader>& records, std::vector<Card>& cards) {
  if (!open_ || readOnly_) return false;
  uint64_t end = 0;
  if (!file_.Size(&end)) return false;
  std::vector<FileEdit> edits(1);
  FileEdit& edit = edits[0];
  edit.offset = end;
  std::vector<uint64_t> starts;
  try {
    starts.reserve(records.size() + cards.size());
    for (RecordHeader& h : records) {
      h.SetBodyLength(0);
      h.SetTrailer(0);
      PrepareHeader(h);
      starts.push_back(edit.insert.size());
      edit.insert.insert(edit.insert.end(), h.Bytes().begin(), h.Bytes().end());
      if (h.Icon() == -1) edit.insert.insert(edit.insert.end(), h.Payload().begin(), h.Payload().end());
    }
    std::vector<uint8_t> bytes;
    for (Card& card : cards) {
      if (!CardRecordBytes(card, header_.dataKey, &bytes)) return false;
      starts.push_back(edit.insert.size());
      edit.insert.insert(edit.insert.end(), bytes.begin(), bytes.end());
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (edit.insert.empty()) return true;
  const bool written = RewriteFile(edits);
  const uint64_t base = edits[0].newOffset;
  edits.clear();
  if (!written) return false;
  size_t next = 0;
  for (RecordHeader& h : records) {
    h.changedInMemory = false;
    h.fileOffset = base + starts[next++];
    AddOrReplace(h);
    NotifyIcon(h);
  }
  for (Card& card : cards) {
    RecordWritten(card, base + starts[next++]);
    AddOrReplace(card.record);
    NotifyIcon(card.record);
  }
  return true;
}

}  // namespace tb::storage
