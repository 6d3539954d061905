#pragma once
// Walks the record sequence of a wallet file from a given offset: reads each
// header (and its payload), reports damage instead of trusting a length that
// runs past the end of the file, and skips or hands out bodies. Reads go
// through one large buffer so a walk over thousands of records costs a few
// big reads, not thousands of small ones.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/file.h"
#include "storage/bytes.h"
#include "storage/record.h"

namespace tb::storage {

class RecordScanner {
 public:
  enum class Step {
    Record,   // a whole header (and payload) was read
    End,      // the file ends here, between records
    Damaged,  // a short header, an unknown kind, or an extent past the end
    IoError,
  };

  RecordScanner(platform::File& file, uint64_t start);
  bool Valid() const { return sizeKnown_; }

  // Reads the record at the current offset. On Record, *offset is where it
  // starts and the scanner stands before its body.
  Step Next(RecordHeader* header, uint64_t* offset);
  // The body of the record just read (length from its header), in place.
  bool Body(uint32_t length, ByteSpan* body);
  void SkipBody(uint32_t length) { offset_ += length; }

  uint64_t Offset() const { return offset_; }
  void SetOffset(uint64_t offset) { offset_ = offset; }
  uint64_t FileSize() const { return size_; }

 private:
  // Makes [offset_, offset_ + n) available in the buffer.
  bool Ensure(uint64_t n, const uint8_t** data);

  platform::File& file_;
  uint64_t offset_;
  uint64_t size_ = 0;
  bool sizeKnown_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;
  uint64_t bufferStart_ = 0;
  size_t bufferLength_ = 0;
  size_t readSize_ = 0;  // bytes the next read asks for
};

}  // namespace tb::storage
