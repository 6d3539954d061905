#pragma once
// The wallet file of the older product generation (".wal"), byte by byte.
// Only the conversion reads it, and it never writes it.
//
//   offset 0     file head      844 bytes   maker text, magics, custom-form
//                                           file name, password salt and check
//   offset 844   records of 252 bytes, one after another; a card record is
//                followed by its card data (length at card offset 68)
//
// Integers are little-endian; texts in records and card data UTF-16LE.
#include <cstddef>
#include <cstdint>

namespace tb::storage::legacy_layout {

// --- file head (844) ------------------------------------------------------
namespace head {
inline constexpr size_t kSize = 844;
// The maker text the file begins with; its first kTextCompared bytes decide.
inline constexpr char kText[] = "Quillimarsten\xAE Tamberlock\xAE File\r\nwww.quillimarsten.example\r\n";
inline constexpr size_t kTextCompared = 40;
inline constexpr size_t kMagic1 = 76;
inline constexpr uint32_t kMagic1Value = 0xB8161967u;
inline constexpr size_t kUsesCustomForms = 124;
inline constexpr size_t kCustomFormFile = 128, kCustomFormFileSize = 520;  // UTF-16, NUL-terminated
inline constexpr size_t kSalt = 752, kSaltSize = 8;
inline constexpr size_t kCheckValue = 816, kCheckValueSize = 16;
inline constexpr size_t kMagic2 = 840;
inline constexpr uint32_t kMagic2Value = 0xB1281966u;
}  // namespace head

inline constexpr uint64_t kFirstRecordOffset = head::kSize;

// --- records (252) --------------------------------------------------------
namespace record {
inline constexpr size_t kSize = 252;
inline constexpr size_t kTag = 0;
inline constexpr uint32_t kFolderTag = 0x404F4F40u;
inline constexpr uint32_t kCardTag = 0x26F4F426u;
}  // namespace record

namespace folder {
inline constexpr size_t kNumber = 4;
inline constexpr size_t kDefaultForm = 28;  // legacy form number 500..542
inline constexpr size_t kIcon = 32;
inline constexpr size_t kName = 36;  // UTF-16 to the end of the record
}  // namespace folder

namespace card {
inline constexpr size_t kNumber = 4;
inline constexpr size_t kEnciphered = 24;  // 1: the card data is enciphered
inline constexpr size_t kFolder = 28;
inline constexpr size_t kForm = 32;  // legacy form number
inline constexpr size_t kIcon = 36;
inline constexpr size_t kDataLength = 68;  // bytes of card data after the record
inline constexpr size_t kName = 76;        // UTF-16 to the end of the record
}  // namespace card

// --- card data: entries {u32 tag, u32 length, length bytes} ---------------
namespace entry {
inline constexpr size_t kHeadSize = 8;
inline constexpr uint32_t kFirstFieldTag = 501;  // legacy field numbers upward
inline constexpr uint32_t kNotes = 400;
inline constexpr uint32_t kPictureBytes = 450;
inline constexpr uint32_t kPictureType = 451;  // u32: 1 bmp, 2 gif, 3 jpeg
inline constexpr uint32_t kPictureName = 452;
inline constexpr uint32_t kSoundBytes = 460;
inline constexpr uint32_t kSoundName = 461;
}  // namespace entry

// Picture type codes of the old files.
namespace picture_code {
inline constexpr uint32_t kBmp = 1, kGif = 2, kJpeg = 3;
}

}  // namespace tb::storage::legacy_layout
