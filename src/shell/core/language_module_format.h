#pragma once
// The compiled language module: one file per language beside the program,
// named "<base>.exe.<langid as 4 lower-case hex digits>.mui". It is mapped
// read-only and its texts are handed out in place, so the layout keeps every
// text 2-byte aligned and NUL-terminated. All numbers are little-endian.
//
//   offset  size  field
//   0       4     magic "TBLM"
//   4       2     format version (1)
//   6       2     language identifier (0x0409, 0x0407, ...)
//   8       4     entry count N
//   12      4     total file size in bytes (a cut file is refused)
//   16      12*N  entries, strictly ascending by number:
//                   u32 number, u32 offset of the text from the start of the
//                   file (even, past the entry table), u32 length in UTF-16
//                   code units without the terminator
//   ...           the texts, UTF-16LE, each followed by one 0x0000 unit
//
// The loader trusts nothing: magic, version and size are checked, every
// entry's text (and its terminator) must lie inside the file after the
// table, and the numbers must ascend strictly so lookup can bisect.
#include <cstddef>
#include <cstdint>

namespace tb::shell::module_format {

inline constexpr char kMagic[4] = {'T', 'B', 'L', 'M'};
inline constexpr uint16_t kVersion = 1;

inline constexpr size_t kOffMagic = 0;
inline constexpr size_t kOffVersion = 4;
inline constexpr size_t kOffLanguage = 6;
inline constexpr size_t kOffCount = 8;
inline constexpr size_t kOffFileSize = 12;
inline constexpr size_t kHeaderSize = 16;

inline constexpr size_t kEntrySize = 12;
inline constexpr size_t kEntryOffNumber = 0;
inline constexpr size_t kEntryOffText = 4;
inline constexpr size_t kEntryOffLength = 8;

// Nothing the program ships comes near this; a bigger file is not a module.
inline constexpr uint64_t kMaxFileSize = 64u * 1024 * 1024;

inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace tb::shell::module_format
