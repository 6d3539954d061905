// Records in the wallet file: finding, appending, replacing, deleting,
// loading, and cutting bytes out of the file.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/card_codec.h"
#include "storage/record_scanner.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace R = layout::record;

namespace {

// What every write of a header does first: a header with no change flags
// gets "created" and the time; without an own icon there is no payload.
void PrepareForWrite(RecordHeader& h) {
  if (h.ChangeFlags() == 0) {
    h.SetChangeFlagsRaw(R::kFlagCreated);
    h.SetModified(platform::LocalTime());
  }
  if (h.Icon() != -1) h.ClearPayloadFields();
}

void AppendHeaderBytes(const RecordHeader& h, std::vector<uint8_t>* out) {
  out->insert(out->end(), h.Bytes().begin(), h.Bytes().end());
  if (h.Icon() == -1) out->insert(out->end(), h.Payload().begin(), h.Payload().end());
}

struct Located {
  uint64_t offset;
  uint64_t extent;
  RecordHeader header;
};

}  // namespace

void Wallet::NotifyIcon(const RecordHeader& h) {
  if (!iconObserver_ || h.Icon() != -1) return;
  const std::vector<uint8_t> picture = h.IconPicture();
  if (!picture.empty()) iconObserver_->OwnIconPicture(h.Id().bytes.data(), picture.data(), picture.size());
}

// Every live record with this id, in file order.
static std::vector<Located> FindAllLive(platform::File& file, const RecordId& id) {
  std::vector<Located> found;
  RecordScanner scan(file, layout::kFirstRecordOffset);
  RecordHeader h;
  uint64_t offset = 0;
  while (scan.Next(&h, &offset) == RecordScanner::Step::Record) {
    scan.SkipBody(h.BodyLength());
    if (!h.IsDeleted() && h.Id() == id) found.push_back({offset, h.Extent(), h});
  }
  return found;
}

bool Wallet::FindRecordInFile(const RecordId& id, FoundRecord* found) {
  if (!open_ || id.IsZero()) return false;
  // The index knows where its records start; check the bytes there before
  // trusting it, and fall back to a walk over the file.
  const RecordHeader* known = At(FindRecord(id));
  if (known && known->fileOffset >= layout::kFirstRecordOffset) {
    RecordScanner scan(file_, known->fileOffset);
    RecordHeader h;
    uint64_t offset = 0;
    if (scan.Next(&h, &offset) == RecordScanner::Step::Record && !h.IsDeleted() && h.Id() == id) {
      // A later live copy would win over this one; the index always holds
      // the later one, so this is it.
      h.SetKey(&header_.dataKey);
      found->header = h;
      found->offset = offset;
      found->extent = h.Extent();
      return true;
    }
  }
  std::vector<Located> all = FindAllLive(file_, id);
  if (all.empty()) return false;
  Located& last = all.back();
  last.header.SetKey(&header_.dataKey);
  found->header = last.header;
  found->offset = last.offset;
  found->extent = last.extent;
  return true;
}

bool Wallet::AppendBytes(const RecordHeader& header, const std::vector<uint8_t>* body, uint64_t* offset) {
  uint64_t end = 0;
  if (!file_.Size(&end)) return false;
  std::vector<uint8_t> bytes;
  bytes.reserve(R::kSize + header.Payload().size() + (body ? body->size() : 0));
  AppendHeaderBytes(header, &bytes);
  if (body) bytes.insert(bytes.end(), body->begin(), body->end());
  if (!file_.WriteAt(end, bytes.data(), bytes.size())) {
    // Take back whatever part of the record reached the file.
    file_.Truncate(end);
    return false;
  }
  *offset = end;
  return true;
}

int Wallet::AppendRecord(RecordHeader header) {
  if (!open_ || readOnly_) return -1;
  header.SetBodyLength(0);
  header.SetTrailer(0);
  PrepareForWrite(header);
  uint64_t offset = 0;
  if (!AppendBytes(header, nullptr, &offset)) return -1;
  header.changedInMemory = false;
  header.fileOffset = offset;
  const int position = AddOrReplace(header);
  NotifyIcon(header);
  return position;
}

int Wallet::AppendCard(Card& card, const KeyContext* key) {
  if (!open_ || readOnly_) return -1;
  const KeyContext& k = key ? *key : header_.dataKey;
  std::vector<uint8_t> body;
  EncodeCardBody(card, k, &body);
  if (body.size() > UINT32_MAX) return -1;
  RecordHeader& header = card.record;
  header.SetKind(RecordKind::Card);
  header.SetBodyLength(uint32_t(body.size()));
  header.SetTrailer(0);
  PrepareForWrite(header);
  uint64_t offset = 0;
  if (!AppendBytes(header, &body, &offset)) return -1;
  header.changedInMemory = false;
  header.fileOffset = offset;
  card.changed = false;
  for (Field& f : card.fields) f.changeFlags = 0;
  if (card.picture) card.picture->changed = false;
  if (card.sound) card.sound->changed = false;
  const int position = AddOrReplace(header);
  NotifyIcon(header);
  return position;
}

bool Wallet::WriteRecordAt(uint64_t offset, RecordHeader& header, const std::vector<uint8_t>* body) {
  PrepareForWrite(header);
  std::vector<uint8_t> bytes;
  AppendHeaderBytes(header, &bytes);
  if (body) bytes.insert(bytes.end(), body->begin(), body->end());
  return file_.WriteAt(offset, bytes.data(), bytes.size());
}

bool Wallet::RewriteRecordInPlace(const RecordHeader& header) {
  if (!open_ || readOnly_) return false;
  FoundRecord found;
  if (!FindRecordInFile(header.Id(), &found)) return false;
  RecordHeader h = header;
  // Only changes that keep the record's size may be written in place.
  PrepareForWrite(h);
  if (h.PayloadLength() != found.header.PayloadLength()) return false;
  h.SetBodyLength(found.header.BodyLength());
  if (!WriteRecordAt(found.offset, h, nullptr)) return false;
  h.changedInMemory = false;
  h.fileOffset = found.offset;
  const int position = FindRecord(h.Id());
  if (position >= 0) {
    h.SetKey(&header_.dataKey);
    *index_[size_t(position)] = h;
  }
  return true;
}

int Wallet::ReplaceFolder(RecordHeader header) {
  if (!open_ || readOnly_) return -1;
  const std::vector<Located> old = FindAllLive(file_, header.Id());
  // The new version goes to the end first: at every moment one live copy
  // of the folder is in the file, and the later one wins when both are.
  const int position = AppendRecord(std::move(header));
  if (position < 0) return -1;
  for (auto it = old.rbegin(); it != old.rend(); ++it) FileCut(it->offset, it->extent);
  return position;
}

int Wallet::ReplaceCard(Card& card) {
  if (!open_ || readOnly_) return -1;
  const std::vector<Located> old = FindAllLive(file_, card.record.Id());
  const int position = AppendCard(card);
  if (position < 0) return -1;
  // Cut from the back so the earlier offsets stay right. A failed cut
  // leaves an older copy behind, which the new one outranks.
  for (auto it = old.rbegin(); it != old.rend(); ++it) FileCut(it->offset, it->extent);
  if (RecordHeader* h = At(position)) card.record.fileOffset = h->fileOffset;
  return position;
}

bool Wallet::DeleteRecord(int position) {
  if (!open_ || readOnly_) return false;
  RecordHeader* h = At(position);
  if (!h || h->IsDeleted()) return false;
  const RecordId id = h->Id();
  RemoveFavourite(id);
  RemoveFindResult(position);
  std::vector<Located> copies = FindAllLive(file_, id);
  if (copies.empty()) return false;
  const platform::SystemTime now = platform::LocalTime();
  for (auto it = copies.rbegin(); it != copies.rend(); ++it) {
    RecordHeader tomb = it->header;
    const uint32_t bodyLength = tomb.BodyLength();
    tomb.SetDeletedFlag(1);
    tomb.SetDeletedAt(now);
    tomb.SetModified(now);
    tomb.SetChangeFlagsRaw(tomb.ChangeFlags() | R::kFlagDeleted);
    tomb.SetBodyLength(0);
    tomb.SetTrailer(0);
    if (!file_.WriteAt(it->offset, tomb.Bytes().data(), R::kSize)) return false;
    if (bodyLength == 0) continue;
    const uint64_t bodyAt = it->offset + R::kSize + tomb.PayloadLength();
    if (!FileCut(bodyAt, bodyLength)) {
      // Put the record back as it was: live, with its body.
      file_.WriteAt(it->offset, it->header.Bytes().data(), R::kSize);
      return false;
    }
  }
  h->SetDeletedFlag(1);
  h->SetDeletedAt(now);
  h->MarkChanged(R::kFlagDeleted);
  h->changedInMemory = false;
  byId_.erase(id);
  return true;
}

bool Wallet::ReadBody(uint64_t offset, uint32_t length, std::vector<uint8_t>* body) {
  uint64_t size = 0;
  if (!file_.Size(&size) || offset > size || length > size - offset) return false;
  body->resize(length);
  size_t got = 0;
  return file_.ReadAt(offset, body->data(), length, &got) && got == length;
}

bool Wallet::LoadCard(const RecordId& id, Card* card) {
  FoundRecord found;
  if (!FindRecordInFile(id, &found) || !found.header.IsCard()) return false;
  const uint32_t length = found.header.BodyLength();
  if (length < layout::attributes::kSize) return false;
  std::vector<uint8_t> body;
  if (!ReadBody(found.offset + R::kSize + found.header.PayloadLength(), length, &body)) return false;
  *card = Card();
  card->record = found.header;
  card->record.SetKey(&header_.dataKey);
  DecodeCardBody(ByteSpan(body.data(), body.size()), header_.dataKey, card);
  SecureWipe(body.data(), body.size());
  return true;
}

OpenStatus Wallet::LoadAllRecords() {
  index_.clear();
  byId_.clear();
  try {
    RecordScanner scan(file_, layout::kFirstRecordOffset);
    if (!scan.Valid()) return OpenStatus::RecordsUnreadable;
    for (;;) {
      auto h = std::make_unique<RecordHeader>();
      uint64_t offset = 0;
      switch (scan.Next(h.get(), &offset)) {
        case RecordScanner::Step::End: return OpenStatus::Ok;
        case RecordScanner::Step::Damaged: return OpenStatus::Damaged;
        case RecordScanner::Step::IoError: return OpenStatus::RecordsUnreadable;
        case RecordScanner::Step::Record: break;
      }
      scan.SkipBody(h->BodyLength());
      if (h->IsDeleted()) continue;
      NotifyIcon(*h);
      IndexLoadedRecord(std::move(h));
    }
  } catch (const std::bad_alloc&) {
    index_.clear();
    byId_.clear();
    return OpenStatus::OutOfMemory;
  }
}

bool Wallet::FileCut(uint64_t position, uint64_t length) {
  if (!file_.IsOpen() || file_.IsReadOnly()) return false;
  if (length == 0) return true;
  uint64_t size = 0;
  if (!file_.Size(&size) || position > size || length > size - position) return false;
  // The chunk: a quarter of the free memory, at most 1 MiB, halved until an
  // allocation succeeds; below 1 KiB the cut gives up with the file untouched.
  uint64_t chunk = std::min<uint64_t>(platform::AvailablePhysicalMemory() / 4, 1u << 20);
  std::unique_ptr<uint8_t[]> buffer;
  while (chunk >= 1024) {
    buffer.reset(new (std::nothrow) uint8_t[size_t(chunk)]);
    if (buffer) break;
    chunk /= 2;
  }
  if (!buffer) return false;
  uint64_t moved = 0;
  const uint64_t rest = size - position - length;
  while (moved < rest) {
    const size_t want = size_t(std::min<uint64_t>(chunk, rest - moved));
    size_t got = 0;
    if (!file_.ReadAt(position + length + moved, buffer.get(), want, &got)) return false;
    if (got == 0) break;
    if (!file_.WriteAt(position + moved, buffer.get(), got)) return false;
    moved += got;
    if (got < want) break;
  }
  if (!file_.Truncate(position + moved)) return false;
  // Records behind the cut moved down.
  for (auto& h : index_) {
    if (h->fileOffset >= position + length)
      h->fileOffset -= length;
    else if (h->fileOffset >= position)
      h->fileOffset = 0;
  }
  return true;
}

int Wallet::PurgeTombstones() {
  if (!file_.IsOpen() || file_.IsReadOnly()) return 0;
  int removed = 0;
  uint64_t at = layout::kFirstRecordOffset;
  for (;;) {
    RecordScanner scan(file_, at);
    RecordHeader h;
    uint64_t offset = 0;
    bool cut = false;
    while (scan.Next(&h, &offset) == RecordScanner::Step::Record) {
      scan.SkipBody(h.BodyLength());
      if (h.IsDeleted() && (h.Kind() == RecordKind::Card || h.Kind() == RecordKind::Folder)) {
        if (!FileCut(offset, h.Extent())) return removed;
        ++removed;
        // Everything before the cut is unchanged; go on from where it was.
        at = offset;
        cut = true;
        break;
      }
    }
    if (!cut) return removed;
  }
}

}  // namespace tb::storage

namespace tb::storage {

bool Wallet::WalkRecords(const std::function<bool(const RecordHeader&, const BodyReader&)>& visit) {
  if (!open_) return false;
  RecordScanner scan(file_, layout::kFirstRecordOffset);
  RecordHeader h;
  uint64_t offset = 0;
  for (;;) {
    switch (scan.Next(&h, &offset)) {
      case RecordScanner::Step::End: return true;
      case RecordScanner::Step::Damaged:
      case RecordScanner::Step::IoError: return false;
      case RecordScanner::Step::Record: break;
    }
    h.SetKey(&header_.dataKey);
    const uint64_t bodyStart = scan.Offset();
    const uint32_t length = h.BodyLength();
    bool bodyRead = false;
    const BodyReader reader = [&](ByteSpan* body) {
      if (bodyRead) return false;
      bodyRead = true;
      return scan.Body(length, body);
    };
    const bool more = visit(h, reader);
    scan.SetOffset(bodyStart + length);
    if (!more) return true;
  }
}

}  // namespace tb::storage
