#pragma once
// A file with the open and sharing rules the wallet needs:
//  - CreateNew fails when the file exists (exclusive create) and, like
//    ReadWrite, holds an exclusive lock so a second writer is refused; the
//    lock is checked to hold the file that has the name now (a writer that
//    renamed a new file over it meanwhile is not missed);
//  - ReadOnly takes no lock and refuses every write;
//  - only regular files open: a pipe, a device or a folder is refused
//    without waiting for anything, and a link where none is expected too.
// Every call returns success or failure; nothing throws.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/core/system_time.h"

namespace tb::platform {

enum class OpenMode { ReadOnly, ReadWrite, CreateNew };

enum class OpenResult {
  Ok,
  NotFound,    // no such file
  Exists,      // CreateNew over an existing file
  Locked,      // another writer holds the file
  Denied,      // permissions or any other failure
  NotRegular,  // a folder, pipe, device or socket, or a link where none may be
};

// Whether the last part of a path may be a symbolic link. Paths the user
// names may be; files the program makes and finds by name beside a wallet
// (journals, partial files) and a wallet whose path was resolved may not.
enum class Links { Follow, Refuse };

// What the system knows of an open file.
struct FileFacts {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint32_t owner = 0;
  uint64_t links = 0;  // names the file has (hard links)
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
  OpenResult Open(const std::string& path, OpenMode mode, Links links = Links::Follow);
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
  bool Facts(FileFacts* facts) const;
  bool Truncate(uint64_t size);
  bool Flush();  // to the disk (fsync)

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
// How many names (hard links) the regular file at path has; 0 when it is
// not one.
uint64_t LinkCount(const std::string& path);
// The user's id, to compare with FileFacts::owner.
uint32_t CurrentUser();
// The path with every link, "." and ".." resolved (realpath); false when
// it cannot be resolved (a missing file, a dangling link).
bool RealPath(const std::string& path, std::string* resolved);
// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path);

// A new private file beside besides, named "<besides>.<tag>-" and eight
// random hexadecimal digits: created exclusively, owner-only and locked,
// so that nobody can guess, block or share it. False when none could be
// made.
bool CreatePartialFile(const std::string& besides, const char* tag, File* file, std::string* path);
// Removes files left by work that never finished: those named
// "<besides>.<tag>-XXXXXXXX" for one of the tags (or "<besides>.<tag>", as
// earlier builds named them) that are regular files of this user which no
// one holds locked. Anything else is left alone. Returns how many went.
// A leftover that is another name of the file held (a publish that could
// not drop its partial name) goes too, though it is locked: by us.
int RemoveLeftoverPartialFiles(const std::string& besides, std::initializer_list<const char*> tags,
                               const FileFacts* held = nullptr);
// Gives the file at path a new name "<path>.<tag>-XXXXXXXX" that nothing
// had, without following a link; the new name in *moved.
bool SetAside(const std::string& path, const char* tag, std::string* moved);
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
