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

// Every live record with this id, in file order. *complete is false when
// the walk could not read the whole file: callers that change the file
// then stop, rather than act on half the copies.
static std::vector<Located> FindAllLive(platform::File& file, const RecordId& id, bool* complete = nullptr) {
  std::vector<Located> found;
  RecordScanner scan(file, layout::kFirstRecordOffset);
  RecordHeader h;
  uint64_t offset = 0;
  RecordScanner::Step step;
  while ((step = scan.Next(&h, &offset)) == RecordScanner::Step::Record) {
    scan.SkipBody(h.BodyLength());
    if (!h.IsDeleted() && h.Id() == id) found.push_back({offset, h.Extent(), h});
  }
  if (complete) *complete = step == RecordScanner::Step::End;
  return found;
}

bool Wallet::FindRecordInFile(const RecordId& id, FoundRecord* found) {
  if (!open_ || id.IsZero()) return false;
  // The index knows where its records start; check the bytes there before
  // trusting it, and fall back to a walk over the file.
  const uint64_t knownOffset = FileOffsetAt(FindRecord(id));
  if (knownOffset >= layout::kFirstRecordOffset) {
    RecordScanner scan(file_, knownOffset);
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

bool Wallet::AppendBytes(const std::vector<uint8_t>& bytes, uint64_t* offset) {
  uint64_t end = 0;
  if (!file_.Size(&end)) return false;
  // On the disk before it counts as written: a power cut must not take
  // away a record the caller was told is there.
  if (!file_.WriteAt(end, bytes.data(), bytes.size()) || !file_.Flush()) {
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
  std::vector<uint8_t> bytes;
  AppendHeaderBytes(header, &bytes);
  uint64_t offset = 0;
  if (!AppendBytes(bytes, &offset)) return -1;
  header.changedInMemory = false;
  header.fileOffset = offset;
  const int position = AddOrReplace(header);
  NotifyIcon(header);
  return position;
}

bool Wallet::CardRecordBytes(Card& card, const KeyContext& key, std::vector<uint8_t>* bytes) {
  std::vector<uint8_t> body;
  EncodeCardBody(card, key, &body);
  if (body.size() > UINT32_MAX) return false;
  RecordHeader& header = card.record;
  header.SetKind(RecordKind::Card);
  header.SetBodyLength(uint32_t(body.size()));
  header.SetTrailer(0);
  PrepareForWrite(header);
  bytes->clear();
  bytes->reserve(R::kSize + header.Payload().size() + body.size());
  AppendHeaderBytes(header, bytes);
  bytes->insert(bytes->end(), body.begin(), body.end());
  SecureWipe(body.data(), body.size());
  return true;
}

void Wallet::RecordWritten(Card& card, uint64_t offset) {
  card.record.changedInMemory = false;
  card.record.fileOffset = offset;
  card.changed = false;
  for (Field& f : card.fields) f.changeFlags = 0;
  if (card.picture) card.picture->changed = false;
  if (card.sound) card.sound->changed = false;
}

int Wallet::AppendCard(Card& card, const KeyContext* key) {
  if (!open_ || readOnly_) return -1;
  std::vector<uint8_t> bytes;
  if (!CardRecordBytes(card, key ? *key : header_.dataKey, &bytes)) return -1;
  uint64_t end = 0;
  const bool written = AppendBytes(bytes, &end);
  SecureWipe(bytes.data(), bytes.size());
  if (!written) return -1;
  RecordWritten(card, end);
  const int position = AddOrReplace(card.record);
  NotifyIcon(card.record);
  return position;
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
  std::vector<uint8_t> bytes;
  AppendHeaderBytes(h, &bytes);
  if (!WriteInPlace({{found.offset, std::move(bytes)}})) return false;
  h.changedInMemory = false;
  h.fileOffset = found.offset;
  const int position = FindRecord(h.Id());
  if (position >= 0) {
    h.SetKey(&header_.dataKey);
    index_.Replace(position, h);
  }
  return true;
}

namespace {
// Removal edits for every old copy, then the new version appended.
std::vector<Wallet::FileEdit> ReplacementEdits(const std::vector<Located>& old, uint64_t end,
                                               std::vector<uint8_t> bytes) {
  std::vector<Wallet::FileEdit> edits;
  for (const Located& l : old) edits.push_back({l.offset, l.extent, {}, 0});
  edits.push_back({end, 0, std::move(bytes), 0});
  return edits;
}
}  // namespace

int Wallet::ReplaceFolder(RecordHeader header) {
  if (!open_ || readOnly_) return -1;
  bool complete = false;
  const std::vector<Located> old = FindAllLive(file_, header.Id(), &complete);
  if (!complete) return -1;
  if (old.empty()) return AppendRecord(std::move(header));
  header.SetBodyLength(0);
  header.SetTrailer(0);
  PrepareForWrite(header);
  std::vector<uint8_t> bytes;
  AppendHeaderBytes(header, &bytes);
  uint64_t end = 0;
  if (!file_.Size(&end)) return -1;
  // The new layout, the old copies cut out and the new version at the end,
  // replaces the wallet in one step.
  std::vector<FileEdit> edits = ReplacementEdits(old, end, std::move(bytes));
  if (!RewriteFile(edits)) return -1;
  header.changedInMemory = false;
  header.fileOffset = edits.back().newOffset;
  const int position = AddOrReplace(header);
  NotifyIcon(header);
  return position;
}

int Wallet::ReplaceCard(Card& card) {
  if (!open_ || readOnly_) return -1;
  bool complete = false;
  const std::vector<Located> old = FindAllLive(file_, card.record.Id(), &complete);
  if (!complete) return -1;
  if (old.empty()) return AppendCard(card);
  std::vector<uint8_t> bytes;
  if (!CardRecordBytes(card, header_.dataKey, &bytes)) return -1;
  uint64_t end = 0;
  if (!file_.Size(&end)) return -1;
  std::vector<FileEdit> edits = ReplacementEdits(old, end, std::move(bytes));
  const bool written = RewriteFile(edits);
  SecureWipe(edits.back().insert.data(), edits.back().insert.size());
  if (!written) return -1;
  RecordWritten(card, edits.back().newOffset);
  const int position = AddOrReplace(card.record);
  NotifyIcon(card.record);
  return position;
}

bool Wallet::DeleteRecord(int position) {
  if (!open_ || readOnly_) return false;
  RecordHeader* h = At(position);
  if (!h || h->IsDeleted()) return false;
  const RecordId id = h->Id();
  bool complete = false;
  std::vector<Located> copies = FindAllLive(file_, id, &complete);
  if (!complete || copies.empty()) return false;
  const platform::SystemTime now = platform::LocalTime();
  std::vector<FileEdit> edits;
  for (const Located& copy : copies) {
    RecordHeader tomb = copy.header;
    tomb.SetDeletedFlag(1);
    tomb.SetDeletedAt(now);
    tomb.SetModified(now);
    tomb.SetChangeFlagsRaw(tomb.ChangeFlags() | R::kFlagDeleted);
    tomb.SetBodyLength(0);
    tomb.SetTrailer(0);
    if (copy.header.BodyLength() == 0) {
      // Nothing to cut: the tombstone is written over the header in place.
      if (!WriteInPlace({{copy.offset, std::vector<uint8_t>(tomb.Bytes().begin(), tomb.Bytes().end())}})) return false;
      continue;
    }
    FileEdit edit{copy.offset, copy.extent, {}, 0};
    AppendHeaderBytes(tomb, &edit.insert);
    edits.push_back(std::move(edit));
  }
  // The tombstone and the cut of the body it leaves behind go to the file in
  // one step.
  if (!edits.empty() && !RewriteFile(edits)) return false;
  // Only a record that is gone leaves the favourites and the find results,
  // so a delete that fails loses nothing.
  RemoveFavourite(id);
  RemoveFindResult(position);
  h->SetDeletedFlag(1);
  h->SetDeletedAt(now);
  h->MarkChanged(R::kFlagDeleted);
  h->changedInMemory = false;
  byId_.Erase(id);
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
  if (length == 0) {
    // A card Repair kept without its body (the body ran into the next
    // record): the tree lists it, so it loads, empty, with its name.
    *card = Card();
    card->record = found.header;
    card->record.SetKey(&header_.dataKey);
    card->attributes = options_.DefaultAttributes();
    card->loaded = true;
    return true;
  }
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

namespace {
constexpr uint64_t kSampleRecords = 65;
}

OpenStatus Wallet::LoadAllRecords() {
  index_.Clear();
  byId_.Clear();
  try {
    RecordScanner scan(file_, layout::kFirstRecordOffset);
    if (!scan.Valid()) return OpenStatus::RecordsUnreadable;
    bool observed = loadObserver_ != nullptr;
    if (observed) loadObserver_->LoadStarted();
    RecordHeader h;
    uint64_t seen = 0;
    for (;;) {
      uint64_t offset = 0;
      if (++seen == kSampleRecords) {
        // The records so far tell roughly how many the file holds: the
        // index is sized for that once instead of growing step by step (a
        // guess too large costs address space, not memory).
        const uint64_t average = (scan.Offset() - layout::kFirstRecordOffset) / (seen - 1);
        if (average > 0) {
          const size_t guess = size_t(std::min<uint64_t>(scan.FileSize() / average + 16, 1u << 22));
          index_.Reserve(guess);
        }
      }
      switch (scan.Next(&h, &offset)) {
        case RecordScanner::Step::End: return OpenStatus::Ok;
        case RecordScanner::Step::Damaged: return OpenStatus::Damaged;
        case RecordScanner::Step::IoError: return OpenStatus::RecordsUnreadable;
        case RecordScanner::Step::Record: break;
      }
      const uint64_t bodyStart = scan.Offset();
      const uint32_t length = h.BodyLength();
      if (h.IsDeleted()) {
        scan.SkipBody(length);
        continue;
      }
      h.SetKey(&header_.dataKey);
      NotifyIcon(h);
      IndexLoadedRecord(h);
      if (observed) {
        bool bodyRead = false;
        const BodyReader reader = [&](ByteSpan* body) {
          if (bodyRead) return false;
          bodyRead = true;
          return scan.Body(length, body);
        };
        observed = loadObserver_->RecordLoaded(h, reader);
      }
      scan.SetOffset(bodyStart + length);
    }
  } catch (const std::bad_alloc&) {
    index_.Clear();
    byId_.Clear();
    return OpenStatus::OutOfMemory;
  }
}

bool Wallet::FileCut(uint64_t position, uint64_t length) {
  if (!file_.IsOpen() || file_.IsReadOnly()) return false;
  if (length == 0) return true;
  std::vector<FileEdit> edits{{position, length, {}, 0}};
  return RewriteFile(edits);
}

bool Wallet::RewriteFile(std::vector<FileEdit>& edits) {
  if (!file_.IsOpen() || file_.IsReadOnly() || realPath_.empty()) return false;
  uint64_t size = 0;
  if (!file_.Size(&size)) return false;
  uint64_t cursor = 0;
  for (const FileEdit& e : edits) {
    if (e.offset < cursor || e.offset > size || e.remove > size - e.offset) return false;
    cursor = e.offset + e.remove;
  }
  // Moving bytes takes a buffer of a quarter of the free memory,
  // at most 1 MiB, halved until it can be had; below 1 KiB the rewrite
  // gives up with the file untouched.
  size_t chunk = size_t(std::min<uint64_t>(platform::AvailablePhysicalMemory() / 4, 1u << 20));
  std::unique_ptr<uint8_t[]> probe;
  while (chunk >= 1024 && !(probe.reset(new (std::nothrow) uint8_t[chunk]), probe)) chunk /= 2;
  if (chunk < 1024) return false;
  probe.reset();
  std::string partialPath;
  platform::File out;
  if (!platform::CreatePartialFile(realPath_, kCutTag, &out, &partialPath)) return false;
  auto fail = [&] {
    out.Close();
    platform::RemoveFile(partialPath);
    return false;
  };
  uint64_t written = 0;
  cursor = 0;
  for (FileEdit& e : edits) {
    if (!out.CopyFrom(file_, cursor, e.offset - cursor, written, chunk)) return fail();
    written += e.offset - cursor;
    e.newOffset = written;
    if (!e.insert.empty() && !out.WriteAt(written, e.insert.data(), e.insert.size())) return fail();
    written += e.insert.size();
    cursor = e.offset + e.remove;
  }
  if (!out.CopyFrom(file_, cursor, size - cursor, written, chunk)) return fail();
  if (!out.Flush() || !platform::ReplaceFileAtomically(partialPath, realPath_)) return fail();
  // The new file is the wallet now; it was locked by us from its creation.
  file_.Close();
  file_ = std::move(out);
  ShiftOffsets(edits);
  return true;
}

void Wallet::ShiftOffsets(const std::vector<FileEdit>& edits) {
  for (int i = 0; i < Count(); ++i) {
    const uint64_t o = index_.FileOffset(i);
    if (o == 0) continue;
    int64_t shift = 0;
    bool removed = false;
    for (const FileEdit& e : edits) {
      if (e.remove > 0 && o >= e.offset && o < e.offset + e.remove) removed = true;  // this record was cut or replaced
      else if (e.offset + e.remove <= o) shift += int64_t(e.insert.size()) - int64_t(e.remove);
    }
    index_.SetFileOffset(i, removed ? 0 : uint64_t(int64_t(o) + shift));
  }
}

int Wallet::PurgeTombstones() {
  if (!file_.IsOpen() || file_.IsReadOnly()) return 0;
  // Every card and folder tombstone goes in one rewrite of the file: the
  // same file as cutting them one at a time from the first on.
  std::vector<FileEdit> edits;
  RecordScanner scan(file_, layout::kFirstRecordOffset);
  RecordHeader h;
  uint64_t offset = 0;
  while (scan.Next(&h, &offset) == RecordScanner::Step::Record) {
    scan.SkipBody(h.BodyLength());
    if (h.IsDeleted() && (h.Kind() == RecordKind::Card || h.Kind() == RecordKind::Folder))
      edits.push_back({offset, h.Extent(), {}, 0});
  }
  if (edits.empty() || !RewriteFile(edits)) return 0;
  return int(edits.size());
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
