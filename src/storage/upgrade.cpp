// The format upgrade: the records of a version-5 file enciphered again from
// the old key to the password's key, record by record, into a new file
// that takes the wallet's place when it is complete.
#include "storage/upgrade.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/format_text.h"
#include "storage/layout.h"
#include "storage/record.h"
#include "storage/wallet.h"
#include "storage/wallet_testing.h"

namespace tb::storage {

namespace R = layout::record;
namespace F = layout::field;

namespace detail {
InterruptionHook& UpgradeInterruption() {
  static InterruptionHook hook;
  return hook;
}
}  // namespace detail

ScopedUpgradeInterruption::ScopedUpgradeInterruption(InterruptionHook hook)
    : previous_(std::exchange(detail::UpgradeInterruption(), std::move(hook))) {}
ScopedUpgradeInterruption::~ScopedUpgradeInterruption() { detail::UpgradeInterruption() = std::move(previous_); }

namespace {

constexpr size_t kIoBuffer = 1 << 20;

// Reads the source from front to back through one large buffer.
class Reader {
 public:
  explicit Reader(platform::File& file) : file_(file) { sizeKnown_ = file_.Size(&size_); }
  bool SizeKnown() const { return sizeKnown_; }
  uint64_t Size() const { return size_; }
  uint64_t Offset() const { return offset_; }
  void SetOffset(uint64_t offset) { offset_ = offset; }

  // The next n bytes (n <= kIoBuffer), valid until the next call.
  const uint8_t* Take(size_t n) {
    if (offset_ > size_ || n > size_ - offset_ || n > kIoBuffer) return nullptr;
    if (offset_ < start_ || offset_ + n > start_ + length_) {
      const size_t want = size_t(std::min<uint64_t>(kIoBuffer, size_ - offset_));
      buffer_.resize(kIoBuffer);
      size_t got = 0;
      if (!file_.ReadAt(offset_, buffer_.data(), want, &got) || got < n) {
        length_ = 0;
        return nullptr;
      }
      start_ = offset_;
      length_ = got;
    }
    const uint8_t* p = buffer_.data() + (offset_ - start_);
    offset_ += n;
    return p;
  }

  ~Reader() { SecureWipe(buffer_.data(), buffer_.size()); }

 private:
  platform::File& file_;
  uint64_t size_ = 0;
  bool sizeKnown_ = false;
  uint64_t offset_ = 0;
  SecureBytes buffer_;
  uint64_t start_ = 0;
  size_t length_ = 0;
};

// Appends to the target through one large buffer.
class Writer {
 public:
  explicit Writer(platform::File& file) : file_(file) { buffer_.reserve(kIoBuffer + kUpgradeChunk); }
  ~Writer() { SecureWipe(buffer_.data(), buffer_.size()); }

  // Room for n more bytes at the end; null when an earlier write failed.
  uint8_t* Reserve(size_t n) {
    if (buffer_.size() + n > kIoBuffer && !Flush()) return nullptr;
    const size_t at = buffer_.size();
    buffer_.resize(at + n);
    return buffer_.data() + at;
  }
  bool Flush() {
    if (failed_) return false;
    if (buffer_.empty()) return true;
    if (!file_.WriteAt(written_, buffer_.data(), buffer_.size())) {
      failed_ = true;
      return false;
    }
    written_ += buffer_.size();
    SecureWipe(buffer_.data(), buffer_.size());
    buffer_.clear();
    return true;
  }

 private:
  platform::File& file_;
  SecureBytes buffer_;
  uint64_t written_ = 0;
  bool failed_ = false;
};

class Converter {
 public:
  Converter(UpgradeJob& job, std::atomic<uint64_t>* position)
      : job_(job), in_(*job.source), out_(*job.target), position_(position) {}

  UpgradeStatus Run();

 private:
  // Copies n bytes as they are; failure as the given reading status.
  bool Copy(uint64_t n, UpgradeStatus unreadable);
  // Deciphers n bytes under the old key and enciphers them under the new
  // one, each from the keystream's start. Long pieces go through chunks
  // with both keystreams carried on, which gives the same bytes.
  bool Transform(uint64_t n, UpgradeStatus unreadable, bool counted);
  // A stored piece: transformed for its unpadded length (or whole), the
  // rest copied.
  bool Piece(uint32_t stored, uint32_t padding, bool whole, UpgradeStatus unreadable, bool counted);
  bool ConvertBody(uint32_t length);
  bool ConvertItem(uint32_t type, uint32_t length);
  bool ConvertField(uint32_t length);
  bool ConvertMedia(const layout::MediaItemLayout& m, uint32_t length, bool wholeBytes, UpgradeStatus unreadable);
  void ConvertName(RecordHeader& h);
  bool Fail(UpgradeStatus s) {
    if (status_ == UpgradeStatus::Done) status_ = s;
    return false;
  }
  void Report() {
    if (position_) position_->store(in_.Offset(), std::memory_order_relaxed);
  }

  UpgradeJob& job_;
  Reader in_;
  Writer out_;
  std::atomic<uint64_t>* position_;
  UpgradeStatus status_ = UpgradeStatus::Done;
};

bool Converter::Copy(uint64_t n, UpgradeStatus unreadable) {
  while (n > 0) {
    const size_t k = size_t(std::min<uint64_t>(n, kUpgradeChunk));
    const uint8_t* p = in_.Take(k);
    if (!p) return Fail(unreadable);
    uint8_t* q = out_.Reserve(k);
    if (!q) return Fail(UpgradeStatus::WriteFailed);
    std::memcpy(q, p, k);
    n -= k;
  }
  return true;
}

bool Converter::Transform(uint64_t n, UpgradeStatus unreadable, bool counted) {
  if (n == 0) return true;
  if (n <= kUpgradeChunk) {
    const uint8_t* p = in_.Take(size_t(n));
    if (!p) return Fail(unreadable);
    uint8_t* q = out_.Reserve(size_t(n));
    if (!q) return Fail(UpgradeStatus::WriteFailed);
    job_.legacyKey->Apply(p, size_t(n), q);
    job_.newKey->Apply(q, size_t(n), q);
    if (counted) ++job_.counts.streamedChunks;
    return true;
  }
  Rc4State oldStream, newStream;
  oldStream.Schedule(job_.legacyKey->Key().data(), 16);
  newStream.Schedule(job_.newKey->Key().data(), 16);
  SecureBytes a(kUpgradeChunk), b(kUpgradeChunk);
  while (n > 0) {
    const size_t k = size_t(std::min<uint64_t>(n, kUpgradeChunk));
    Report();
    const uint8_t* p = in_.Take(k);
    if (!p) return Fail(unreadable);
    uint8_t* q = out_.Reserve(k);
    if (!q) return Fail(UpgradeStatus::WriteFailed);
    oldStream.Generate(a.data(), k);
    newStream.Generate(b.data(), k);
    for (size_t i = 0; i < k; ++i) q[i] = uint8_t(p[i] ^ a[i] ^ b[i]);
    if (counted) ++job_.counts.streamedChunks;
    n -= k;
  }
  return true;
}

bool Converter::Piece(uint32_t stored, uint32_t padding, bool whole, UpgradeStatus unreadable, bool counted) {
  if (stored == 0) return true;
  const uint32_t n = whole ? stored : stored - padding;
  return Transform(n, unreadable, counted) && Copy(stored - n, unreadable);
}

// The pieces lie one after another behind the head; a stated length that
// does not fit its item leaves the item as it is (readers skip it too).
bool PiecesFit(uint64_t room, std::initializer_list<std::pair<uint32_t, uint32_t>> pieces) {
  for (const auto& [stored, padding] : pieces) {
    if (padding > stored || stored > room) return false;
    room -= stored;
  }
  return true;
}

bool Converter::ConvertField(uint32_t length) {
  ++job_.counts.fields;
  if (length < F::kHeadSize) return Copy(length, UpgradeStatus::FieldHeadUnreadable);
  const uint8_t* p = in_.Take(F::kHeadSize);
  if (!p) return Fail(UpgradeStatus::FieldHeadUnreadable);
  uint8_t head[F::kHeadSize];
  std::memcpy(head, p, sizeof head);
  uint8_t* q = out_.Reserve(sizeof head);
  if (!q) return Fail(UpgradeStatus::WriteFailed);
  std::memcpy(q, head, sizeof head);
  const uint32_t ls = LoadU32(head + F::kLabelLength), lp = LoadU32(head + F::kLabelPadding);
  const uint32_t vs = LoadU32(head + F::kValueLength), vp = LoadU32(head + F::kValuePadding);
  const uint32_t is = LoadU32(head + F::kItemsLength), ip = LoadU32(head + F::kItemsPadding);
  const uint64_t room = length - F::kHeadSize;
  if (!PiecesFit(room, {{ls, lp}, {vs, vp}, {is, ip}})) return Copy(room, UpgradeStatus::FieldHeadUnreadable);
  return Piece(ls, lp, false, UpgradeStatus::FieldLabelUnreadable, false) &&
         Piece(vs, vp, false, UpgradeStatus::FieldValueUnreadable, false) &&
         Piece(is, ip, false, UpgradeStatus::FieldItemsUnreadable, false) &&
         Copy(room - uint64_t(ls) - vs - is, UpgradeStatus::FieldItemsUnreadable);
}

bool Converter::ConvertMedia(const layout::MediaItemLayout& m, uint32_t length, bool wholeBytes,
                             UpgradeStatus unreadable) {
  if (length < m.headSize) return Copy(length, unreadable);
  const uint8_t* p = in_.Take(m.headSize);
  if (!p) return Fail(unreadable);
  uint8_t head[layout::attachment::kHeadSize];  // the largest media head
  std::memcpy(head, p, m.headSize);
  uint8_t* q = out_.Reserve(m.headSize);
  if (!q) return Fail(UpgradeStatus::WriteFailed);
  std::memcpy(q, head, m.headSize);
  const uint32_t bs = LoadU32(head + m.bytesLength), bp = LoadU32(head + m.bytesPadding);
  const uint32_t ns = LoadU32(head + m.nameLength), np = LoadU32(head + m.namePadding);
  const uint64_t room = length - m.headSize;
  if (!PiecesFit(room, {{bs, bp}, {ns, np}})) return Copy(room, unreadable);
  if (m.type == layout::item::kAttachment)
    job_.counts.largestAttachment = std::max<uint64_t>(job_.counts.largestAttachment, bs - bp);
  // Picture and attachment bytes are transformed padding and all, as the
  // earlier program did; readers never look at the padding.
  return Piece(bs, bp, wholeBytes, unreadable, wholeBytes) && Piece(ns, np, false, unreadable, false) &&
         Copy(room - uint64_t(bs) - ns, unreadable);
}

bool Converter::ConvertItem(uint32_t type, uint32_t length) {
  switch (type) {
    case layout::item::kField: return ConvertField(length);
    case layout::item::kPicture:
      ++job_.counts.pictures;
      return ConvertMedia(layout::kPictureItem, length, true, UpgradeStatus::PictureUnreadable);
    case layout::item::kSound:
      ++job_.counts.sounds;
      return ConvertMedia(layout::kSoundItem, length, false, UpgradeStatus::SoundUnreadable);
    case layout::item::kAttachment:
      ++job_.counts.attachments;
      return ConvertMedia(layout::kAttachmentItem, length, true, UpgradeStatus::AttachmentUnreadable);
    default:
      // This program never writes other items; they are kept as they are.
      return Copy(length, UpgradeStatus::RecordUnreadable);
  }
}

bool Converter::ConvertBody(uint32_t length) {
  if (length == 0) return true;
  if (length < layout::attributes::kSize) return Fail(UpgradeStatus::BodyTooShort);
  if (!Copy(layout::attributes::kSize, UpgradeStatus::AttributesUnreadable)) return false;
  uint64_t left = length - layout::attributes::kSize;
  while (left > 0) {
    Report();
    // A head that does not fit, or an item running past the body's end,
    // ends the walk of this body; the rest stays as it is.
    if (left < layout::item::kHeadSize) return Copy(left, UpgradeStatus::RecordUnreadable);
    const uint8_t* p = in_.Take(layout::item::kHeadSize);
    if (!p) return Fail(UpgradeStatus::RecordUnreadable);
    const uint32_t type = LoadU32(p + layout::item::kType);
    const uint32_t itemLength = LoadU32(p + layout::item::kLength);
    uint8_t* q = out_.Reserve(layout::item::kHeadSize);
    if (!q) return Fail(UpgradeStatus::WriteFailed);
    std::memcpy(q, p, layout::item::kHeadSize);
    left -= layout::item::kHeadSize;
    if (itemLength > left) return Copy(left, UpgradeStatus::RecordUnreadable);
    if (itemLength && !ConvertItem(type, itemLength)) return false;
    left -= itemLength;
  }
  return true;
}

// The name deciphered under the old key and stored under the new one as
// a rename would store it: marked changed, modified now.
void Converter::ConvertName(RecordHeader& h) {
  h.SetKey(job_.legacyKey);
  Text name;
  h.GetName(&name);
  uint8_t* buffer = h.MutableBytes().data() + R::kName;
  std::memset(buffer, 0, R::kNameSize);
  if (!name.empty()) {
    uint8_t clear[R::kNameSize] = {};
    for (size_t i = 0; i < name.size(); ++i) StoreU16(clear + 2 * i, name[i]);
    job_.newKey->Apply(clear, R::kNameSize, buffer);
    SecureWipe(clear, sizeof clear);
  }
  h.SetChangeFlagsRaw(h.ChangeFlags() | R::kFlagNameChanged);
  h.SetModified(job_.now);
}

UpgradeStatus Converter::Run() {
  if (!in_.SizeKnown()) return UpgradeStatus::RecordUnreadable;
  if (job_.leadingBlocks.size() != layout::kFirstRecordOffset) return UpgradeStatus::NotStarted;
  uint8_t* q = out_.Reserve(job_.leadingBlocks.size());
  if (!q) return UpgradeStatus::WriteFailed;
  std::memcpy(q, job_.leadingBlocks.data(), job_.leadingBlocks.size());
  in_.SetOffset(layout::kFirstRecordOffset);
  auto& interrupt = detail::UpgradeInterruption();
  for (int number = 0;; ++number) {
    Report();
    if (in_.Offset() >= in_.Size()) break;
    if (interrupt && !interrupt(number)) return UpgradeStatus::Interrupted;
    const uint64_t left = in_.Size() - in_.Offset();
    if (left < R::kSize) return UpgradeStatus::RecordUnreadable;
    const uint8_t* p = in_.Take(R::kSize);
    RecordHeader h;
    if (!p || !h.Decode(p)) return UpgradeStatus::RecordUnreadable;
    if (h.Extent() > left) return UpgradeStatus::RecordUnreadable;
    ConvertName(h);
    switch (h.Kind()) {
      case RecordKind::Card: ++job_.counts.cards; break;
      case RecordKind::Folder: ++job_.counts.folders; break;
      case RecordKind::FormsFolder: ++job_.counts.formsFolders; break;
      case RecordKind::None: break;
    }
    q = out_.Reserve(R::kSize);
    if (!q) return UpgradeStatus::WriteFailed;
    std::memcpy(q, h.Bytes().data(), R::kSize);
    // An own icon picture is stored in clear.
    if (!Copy(h.PayloadLength(), UpgradeStatus::RecordUnreadable)) return status_;
    const bool body = h.IsCard() ? ConvertBody(h.BodyLength()) : Copy(h.BodyLength(), UpgradeStatus::RecordUnreadable);
    if (!body) return status_;
    Report();
  }
  return out_.Flush() ? UpgradeStatus::Done : UpgradeStatus::WriteFailed;
}

}  // namespace

UpgradeStatus ConvertRecords(UpgradeJob& job, std::atomic<uint64_t>* position) {
  if (!job.source || !job.target || !job.legacyKey || !job.newKey || !job.legacyKey->IsSet() || !job.newKey->IsSet())
    return UpgradeStatus::NotStarted;
  try {
    Converter converter(job, position);
    return converter.Run();
  } catch (const std::bad_alloc&) {
    return UpgradeStatus::OutOfMemory;
  }
}

UpgradeStatus UpgradeWallet(UpgradeJob& job, const UpgradeProgress& progress) {
  uint64_t size = 0;
  if (job.source && !job.source->Size(&size)) size = 0;
  std::atomic<uint64_t> position{0};
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  UpgradeStatus status = UpgradeStatus::NotStarted;
  std::thread worker;
  try {
    worker = std::thread([&] {
      const UpgradeStatus s = ConvertRecords(job, &position);
      std::lock_guard<std::mutex> lock(mutex);
      status = s;
      done = true;
      ended.notify_all();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the conversion runs here, without reports.
    return ConvertRecords(job, &position);
  }
  // The waiting thread hands out the progress; the worker never pauses.
  std::unique_lock<std::mutex> lock(mutex);
  uint64_t reported = UINT64_MAX;
  while (!ended.wait_for(lock, std::chrono::milliseconds(kUpgradeReportMilliseconds), [&] { return done; })) {
    const uint64_t at = position.load(std::memory_order_relaxed);
    if (!progress || at == reported || size == 0) continue;
    reported = at;
    lock.unlock();
    progress(std::min(1.0, double(at) / double(size)));
    lock.lock();
  }
  lock.unlock();
  worker.join();
  return status;
}

// --- the upgrade as part of opening ------------------------------------------

namespace {
void ShowUpgradeFailure(Prompter* prompter, UpgradeStatus status) {
  if (!prompter) return;
  Message m;
  m.text = FormatText(
      u"The wallet file format could not be updated (error %d).\n\nThe wallet file was left in its previous "
      u"format and can be upgraded again.",
      {int64_t(status)});
  m.caption = u"Tamberlock Pro";
  m.buttons = Buttons::Ok;
  m.icon = MessageIcon::Stop;
  prompter->Show(m);
}
}  // namespace

OpenStatus Wallet::UpgradeOpenFile(const std::string& path, std::u16string_view password, Prompter* prompter) {
  // Only a conversion that was tried leaves a status other than Done.
  lastUpgradeCounts_ = UpgradeCounts();
  lastUpgradeStatus_ = UpgradeStatus::Done;
  OpenStatus loaded = LoadAllRecords();
  if (loaded == OpenStatus::Damaged) {
    if (Repair(prompter) != RepairStatus::Repaired) {
      Close();
      return OpenStatus::Damaged;
    }
    const OpenStatus again = OpenOnce(path, password, false, prompter, true);
    if (again != OpenStatus::UpgradeAccepted) {
      Close();
      return again == OpenStatus::Ok ? OpenStatus::RecordsUnreadable : again;
    }
    loaded = LoadAllRecords();
  }
  if (loaded != OpenStatus::Ok) {
    Close();
    return loaded;
  }

  // The leading blocks as a save would write them now: the current version
  // text, the new verifier, fresh random numbers where the old key was.
  // They go into the new file, never over the old one, so the old key
  // stays in the version-5 file until the converted file replaces it.
  header_.FillRandomFields();
  signature_.SetCurrentVersion();
  UpgradeJob job;
  job.leadingBlocks.reserve(layout::kFirstRecordOffset);
  job.leadingBlocks.insert(job.leadingBlocks.end(), signature_.raw.begin(), signature_.raw.end());
  job.leadingBlocks.insert(job.leadingBlocks.end(), header_.raw.begin(), header_.raw.end());
  job.leadingBlocks.insert(job.leadingBlocks.end(), options_.raw.begin(), options_.raw.end());
  KeyContext legacy;
  legacy.SetKey(header_.legacyKey);
  job.legacyKey = &legacy;
  job.newKey = &header_.dataKey;
  job.now = platform::LocalTime();
  job.source = &file_;

  std::string partialPath;
  platform::File out;
  UpgradeStatus status = UpgradeStatus::NotStarted;
  if (platform::CreatePartialFile(realPath_, kUpgradeTag, &out, &partialPath)) {
    job.target = &out;
    status = UpgradeWallet(job, upgradeProgress_);
    if (status == UpgradeStatus::Done && (!out.Flush() || !platform::ReplaceFileAtomically(partialPath, realPath_)))
      status = UpgradeStatus::NotReplaced;
  }
  lastUpgradeStatus_ = status;
  lastUpgradeCounts_ = job.counts;
  out.Close();
  Close();
  if (status != UpgradeStatus::Done) {
    if (!partialPath.empty()) platform::RemoveFile(partialPath);
    ShowUpgradeFailure(prompter, status);
    return OpenStatus::UpgradeFailed;
  }
  return OpenStatus::Ok;
}

}  // namespace tb::storage
