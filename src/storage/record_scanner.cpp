#include "storage/record_scanner.h"

#include <algorithm>
#include <new>

namespace tb::storage {

namespace {
// A lookup of one record reads a little; a walk over many doubles its
// read with every refill, up to the window.
constexpr size_t kFirstReadSize = 16 << 10;
constexpr size_t kWindowSize = 256 << 10;
}  // namespace

RecordScanner::RecordScanner(platform::File& file, uint64_t start) : file_(file), offset_(start) {
  sizeKnown_ = file_.Size(&size_);
}

bool RecordScanner::Ensure(uint64_t n, const uint8_t** data) {
  if (offset_ > size_ || n > size_ - offset_) return false;
  if (offset_ >= bufferStart_ && offset_ + n <= bufferStart_ + bufferLength_) {
    *data = buffer_.get() + (offset_ - bufferStart_);
    return true;
  }
  if (readSize_ == 0) readSize_ = kFirstReadSize;
  const size_t want = size_t(std::max<uint64_t>(n, std::min<uint64_t>(readSize_, size_ - offset_)));
  readSize_ = std::min(kWindowSize, readSize_ * 2);
  if (capacity_ < want) {
    // One window for the whole walk, allocated once (larger only for a
    // record bigger than the window). Its bytes are read into before they
    // are looked at, so they are not cleared first.
    const size_t capacity = std::max(want, std::min<size_t>(kWindowSize, size_t(size_ - offset_)));
    bufferLength_ = 0;
    buffer_.reset();
    capacity_ = 0;
    buffer_.reset(new uint8_t[capacity]);
    capacity_ = capacity;
  }
  size_t got = 0;
  if (!file_.ReadAt(offset_, buffer_.get(), want, &got) || got < n) {
    bufferLength_ = 0;
    return false;
  }
  bufferStart_ = offset_;
  bufferLength_ = got;
  *data = buffer_.get();
  return true;
}

RecordScanner::Step RecordScanner::Next(RecordHeader* header, uint64_t* offset) {
  if (!sizeKnown_) return Step::IoError;
  if (offset_ >= size_) return Step::End;
  const uint64_t left = size_ - offset_;
  if (left < layout::record::kSize) return Step::Damaged;
  const uint8_t* data = nullptr;
  if (!Ensure(layout::record::kSize, &data)) return Step::IoError;
  if (!header->Decode(data)) return Step::Damaged;
  // The stated payload and body must lie inside the file before anything is
  // allocated for them.
  const uint64_t payload = header->PayloadLength();
  const uint64_t extent = layout::record::kSize + payload + header->BodyLength();
  if (extent > left) return Step::Damaged;
  *offset = offset_;
  header->fileOffset = offset_;
  offset_ += layout::record::kSize;
  if (payload) {
    if (header->Icon() == -1) {
      const uint8_t* p = nullptr;
      if (!Ensure(payload, &p)) return Step::IoError;
      header->AdoptPayload(std::vector<uint8_t>(p, p + payload));
    }
    offset_ += payload;
  }
  return Step::Record;
}

bool RecordScanner::Body(uint32_t length, ByteSpan* body) {
  const uint8_t* data = nullptr;
  if (!Ensure(length, &data)) return false;
  *body = ByteSpan(data, length);
  offset_ += length;
  return true;
}

}  // namespace tb::storage
