#pragma once
// A file with the open and sharing rules the wallet needs:
//  - CreateNew fails when the file exists (exclusive create) and, like
//    ReadWrite, holds an exclusive lock so a second writer is refused;
//  - ReadOnly takes no lock and refuses every write.
// Every call returns success or failure; nothing throws.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/system_time.h"

namespace tb::platform {

enum class OpenMode { ReadOnly, ReadWrite, CreateNew };

enum class OpenResult {
  Ok,
  NotFound,     // no such file
  Exists,       // CreateNew over an existing file
  Locked,       // another writer holds the file
  Denied,       // permissions or any other failure
};

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Files created here are readable and writable by the owner only:
  // wallets hold secrets.
  OpenResult Open(const std::string& path, OpenMode mode);
  bool IsOpen() const { return fd_ >= 0; }
  bool IsReadOnly() const { return readOnly_; }
  void Close();

  // Reads up to n bytes at the current position; *got is what was read
  // (0 at end of file). False only when the platform call failed.
  bool Read(void* buffer, size_t n, size_t* got);
  // Reads exactly n bytes or fails (short read = failure, *got says how many).
  bool ReadExact(void* buffer, size_t n, size_t* got = nullptr);
  bool Write(const void* data, size_t n);
  bool Seek(uint64_t position);
  bool SeekRelative(int64_t delta);
  uint64_t Tell() const { return position_; }
  bool Size(uint64_t* size) const;
  bool Truncate(uint64_t size);
  bool Flush();   // to the disk (fsync)

  // Positioned reads and writes that leave the current position alone.
  bool ReadAt(uint64_t position, void* buffer, size_t n, size_t* got);
  bool WriteAt(uint64_t position, const void* data, size_t n);

  // Every read and write is positioned at Tell(); the descriptor's own
  // offset is not used.
  // Copies length bytes of source, from sourceOffset, to offset in this
  // file: in the kernel where it can, else through a buffer of at most
  // bufferBytes.
  bool CopyFrom(File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset,
                size_t bufferBytes = size_t{1} << 20);

  int Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  bool readOnly_ = false;
  uint64_t position_ = 0;
  std::string path_;
};

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Reads a whole file, refusing one larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string* out, uint64_t maxBytes);

// Renames from over to and makes the rename durable by flushing the folder
// that holds them (both must be in the same folder).
bool ReplaceFileAtomically(const std::string& from, const std::string& to);
// The file's last-write time as local time.
bool FileModifiedTime(const std::string& path, SystemTime* out);
// Writes a new file readable and writable by the owner only; fails when
// the file exists. A file that could not be written whole is removed.
bool WriteNewFile(const std::string& path, const void* data, size_t n);

// Gives the file at from the name to as well, failing when to exists, then
// drops the name from; durable like ReplaceFileAtomically. A new file
// appears under its name whole or not at all.
enum class PublishResult { Ok, Exists, Failed };
PublishResult PublishFileNoReplace(const std::string& from, const std::string& to);
// Flushes a folder's entries to the disk.
bool SyncFolderOf(const std::string& path);

}  // namespace tb::platform
