#pragma once
// A whole file mapped read-only into memory, for data read in place (the
// language modules). Move-only; the mapping ends with the object.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tb::platform {

class MappedFile {
 public:
  enum class Result { Ok, NotFound, Unreadable, BadSize };

  MappedFile() = default;
  ~MappedFile() { Unmap(); }
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps a regular file whose size lies in [minSize, maxSize].
  Result Map(const std::string& path, uint64_t minSize, uint64_t maxSize);
  void Unmap();
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tb::platform
