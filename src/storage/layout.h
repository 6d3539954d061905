#pragma once
// The wallet file, byte by byte. This is the one place that knows where
// anything lives; everything else reads and writes through these names.
//
//   offset 0     FileSignature   76 bytes   maker text, version text, tag
//   offset 76    WalletHeader  3148 bytes   keys' sources, hint, view names
//   offset 3224  WalletOptions 1756 bytes   card defaults, auto-close, favourites
//   offset 4980  records, one after another, to the end of the file:
//                RecordHeader (748) [payload when icon = -1] [card body]
//
// Integers are little-endian; texts UTF-16LE; times 16-byte SYSTEMTIME.
#include <array>
#include <cstdint>

namespace tb::storage::layout {

using Sig16 = std::array<uint8_t, 16>;

// --- file ---------------------------------------------------------------
inline constexpr uint64_t kSignatureOffset = 0;
inline constexpr uint64_t kHeaderOffset = 76;
inline constexpr uint64_t kOptionsOffset = 3224;
inline constexpr uint64_t kFirstRecordOffset = 4980;

// --- FileSignature (76) -------------------------------------------------
namespace signature {
inline constexpr size_t kSize = 76;
inline constexpr size_t kTextOffset = 0, kTextSize = 64;
inline constexpr size_t kVersionOffset = 64, kVersionSize = 8;
inline constexpr size_t kTagOffset = 72, kTagSize = 4;
// "Quillimarsten® Tamberlock® File\r\n" + maker's address + "\r\n", single-byte.
inline constexpr char kText[] = "Quillimarsten\xAE Tamberlock\xAE File\r\nwww.quillimarsten.example\r\n";
inline constexpr char kCurrentVersion[] = "(6.50) ";
inline constexpr char kTag[4] = {'W', 'M', 0, 0};
}  // namespace signature

// --- WalletHeader (3148) ------------------------------------------------
namespace header {
inline constexpr size_t kSize = 3148;
inline constexpr size_t kSignature1 = 0;
inline constexpr size_t kModified = 16;
inline constexpr size_t kFlags = 32;
inline constexpr size_t kCreatedMarker = 36;  // 1 once created
inline constexpr size_t kVerifier = 40;       // 16
inline constexpr size_t kLegacyKey = 56;      // 16: random, or the old data key
inline constexpr size_t kRandom72 = 72;       // 4
inline constexpr size_t kCreated = 76;        // SYSTEMTIME, source of HeaderKey
inline constexpr size_t kRandom108 = 108;     // 4
inline constexpr size_t kRandom124 = 124;     // 4
inline constexpr size_t kRandom400 = 400;     // 8 x u32
inline constexpr size_t kHint = 432, kHintSize = 512, kHintUnits = 256;
inline constexpr size_t kViewName[3] = {2608, 2736, 2864};
inline constexpr size_t kViewNameSize = 128, kViewNameUnits = 64;
// The icon numbers are not stored in view order: view 1, view 3, view 2.
inline constexpr size_t kViewIcon[3] = {2992, 3000, 2996};
inline constexpr size_t kSignature2 = 3132;

inline constexpr uint32_t kFlagPasswordSet = 1;
inline constexpr uint32_t kFlagHintSet = 2;
inline constexpr uint32_t kFlagViewChanged = 16;

inline constexpr Sig16 kSig1 = {0x12, 0xA2, 0x42, 0x5D, 0x1B, 0x03, 0xD9, 0x44,
                                0xA2, 0xCA, 0xDC, 0x16, 0xCA, 0xE4, 0xF9, 0x27};
inline constexpr Sig16 kSig2 = {0x41, 0xFB, 0x38, 0x90, 0x92, 0xB5, 0xFC, 0x47,
                                0x82, 0x5D, 0xAF, 0x74, 0x93, 0xAC, 0x18, 0xAF};
inline constexpr int32_t kDefaultViewIcon[3] = {88, 128, 78};
inline constexpr uint32_t kDefaultViewName[3] = {20200, 20201, 20202};
}  // namespace header

// --- WalletOptions (1756) -----------------------------------------------
namespace options {
inline constexpr size_t kSize = 1756;
inline constexpr size_t kSignature1 = 0;
inline constexpr size_t kModified = 16;
inline constexpr size_t kFlags = 32;
inline constexpr size_t kDefaultAttributes = 36;  // 64
inline constexpr size_t kValue100 = 100, kValue104 = 104;
inline constexpr size_t kCloseOnSwitch = 108;
inline constexpr size_t kAutoCloseMinutes = 112;
inline constexpr size_t kFolderNameColour = 124, kCardNameColour = 128;  // 0x00BBGGRR
inline constexpr size_t kFavourites = 300, kFavouriteCount = 32;
inline constexpr size_t kSignature2 = 1740;

inline constexpr uint32_t kFlagAutoCloseChanged = 0x10000;
inline constexpr uint32_t kFlagFavouritesChanged = 0x10000000;

inline constexpr Sig16 kSig1 = {0xC8, 0xF7, 0x82, 0x4E, 0x69, 0x0D, 0x11, 0x44,
                                0x99, 0x85, 0x9E, 0xDC, 0x14, 0x20, 0xE9, 0xAB};
inline constexpr Sig16 kSig2 = {0xAA, 0x01, 0xB0, 0x68, 0x0F, 0x55, 0xCE, 0x4E,
                                0x9D, 0x3B, 0xEA, 0x38, 0x14, 0xC6, 0xE6, 0xEE};
}  // namespace options

// --- CardAttributes (64): sixteen u32 at the start of every card body ----
namespace attributes {
inline constexpr size_t kSize = 64;
inline constexpr std::array<uint32_t, 16> kDefaults = {0, 0xFFFFFF, 0x800000, 0xFFFFFF, 0, 0xFFFFFF, 0xFF0000, 9,
                                                       0, 0,        0,        9,        0, 0,        0,        0};
}  // namespace attributes

// --- RecordHeader (748) -------------------------------------------------
namespace record {
inline constexpr size_t kSize = 748;
inline constexpr size_t kKind = 0;
inline constexpr size_t kId = 16;
inline constexpr size_t kParent = 32;
inline constexpr size_t kChangeFlags = 48;
inline constexpr size_t kCreated = 52;
inline constexpr size_t kModified = 68;
inline constexpr size_t kDeletedAt = 84;
inline constexpr size_t kName = 100, kNameSize = 512, kNameUnits = 256;
inline constexpr size_t kDeleted = 612;
inline constexpr size_t kCreationMarker = 624;
inline constexpr size_t kDefaultForm = 628;
inline constexpr size_t kIcon = 708;
inline constexpr size_t kPayloadLength = 712;
inline constexpr size_t kPayloadPadding = 716;
inline constexpr size_t kPayloadDigest = 720;
inline constexpr size_t kPayloadExtra = 736;  // zero without a payload
inline constexpr size_t kBodyLength = 740;
inline constexpr size_t kTrailer = 744;  // zero when appended or deleted
// What Repair clears when a record's stated extent runs into the next one.
inline constexpr size_t kExtentFieldsBegin = 712, kExtentFieldsEnd = 748;

inline constexpr Sig16 kCardSig = {0xED, 0xBC, 0x16, 0x9C, 0x56, 0xC2, 0xB4, 0x40,
                                   0x8D, 0x46, 0xEF, 0xA4, 0xFD, 0x93, 0xFC, 0x3F};
inline constexpr Sig16 kFolderSig = {0x7B, 0x59, 0x5D, 0x8B, 0xE8, 0x58, 0xB9, 0x48,
                                     0xA9, 0x09, 0x9A, 0x2E, 0xF5, 0x84, 0x5A, 0x60};
inline constexpr Sig16 kFormsFolderSig = {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x11, 0x11,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x02, 0x03};

inline constexpr uint32_t kFlagCreated = 1;
inline constexpr uint32_t kFlagParentChanged = 2;
inline constexpr uint32_t kFlagNameChanged = 4;
inline constexpr uint32_t kFlagDeleted = 8;
inline constexpr uint32_t kFlagIconChanged = 16;
inline constexpr uint32_t kFlagContentsChanged = 32;
inline constexpr uint32_t kFlagDefaultFormChanged = 64;
}  // namespace record

// --- card body items ----------------------------------------------------
namespace item {
inline constexpr size_t kHeadSize = 12;  // 0, type, content length
inline constexpr size_t kType = 4, kLength = 8;
inline constexpr uint32_t kField = 1, kPicture = 3, kSound = 4, kAttachment = 6;
}  // namespace item

namespace field {
inline constexpr size_t kHeadSize = 72;
inline constexpr size_t kKind = 0, kFlags = 2;
inline constexpr size_t kLabelColour = 8, kValueColour = 12;
inline constexpr size_t kLabelLength = 16, kLabelPadding = 20;
inline constexpr size_t kDateTime = 24;
inline constexpr size_t kValueLength = 40, kValuePadding = 44;
inline constexpr size_t kItemsLength = 48, kItemsPadding = 52;
inline constexpr size_t kFollowing = 56;
}  // namespace field

namespace picture {
inline constexpr size_t kHeadSize = 48;
inline constexpr size_t kPlacement = 0, kScaleToFit = 8, kType = 12;
inline constexpr size_t kBytesLength = 16, kBytesPadding = 20;
inline constexpr size_t kNameLength = 24, kNamePadding = 28;
}  // namespace picture

namespace sound {
inline constexpr size_t kHeadSize = 32;
inline constexpr size_t kType = 0, kPlay = 4;
inline constexpr size_t kBytesLength = 8, kBytesPadding = 12;
inline constexpr size_t kNameLength = 16, kNamePadding = 20;
}  // namespace sound

namespace attachment {
inline constexpr size_t kHeadSize = 68;
inline constexpr size_t kFileTime = 4, kTimeAdded = 20;
inline constexpr size_t kBytesLength = 36, kBytesPadding = 40;
inline constexpr size_t kNameLength = 44, kNamePadding = 48;
inline constexpr size_t kSlots = 10;
}  // namespace attachment

// Pictures, sounds and attachments share one shape: a fixed head holding
// the stored length and padding of the bytes and of the file name, then
// the bytes, then the name.
struct MediaItemLayout {
  uint32_t type;
  size_t headSize;
  size_t bytesLength, bytesPadding;
  size_t nameLength, namePadding;
};
inline constexpr MediaItemLayout kPictureItem{item::kPicture,         picture::kHeadSize,   picture::kBytesLength,
                                              picture::kBytesPadding, picture::kNameLength, picture::kNamePadding};
inline constexpr MediaItemLayout kSoundItem{item::kSound,         sound::kHeadSize,   sound::kBytesLength,
                                            sound::kBytesPadding, sound::kNameLength, sound::kNamePadding};
inline constexpr MediaItemLayout kAttachmentItem{item::kAttachment,        attachment::kHeadSize,
                                                 attachment::kBytesLength, attachment::kBytesPadding,
                                                 attachment::kNameLength,  attachment::kNamePadding};
// --- redo journal "<wallet>.journal" (this program's own file) -----------
//
//   0    4   magic "TBJ2"
//   4    4   length of the whole file
//   8    4   entry count
//   12   16  the wallet's creation time (header offset 76)
//   28   32  the header's random words (header offset 400) before the write
//   60   8   the wallet's size
//   68       entries: u64 offset, u32 length, before[length], after[length]
//   then 32  HMAC-SHA-256 of all bytes before it, under the wallet's seal key
//   then 32  SHA-256 of all bytes before it: a journal torn while it was
//            written fails this, before any byte of the wallet changed
namespace journal {
inline constexpr char kMagic[4] = {'T', 'B', 'J', '2'};
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kLength = 4;
inline constexpr size_t kCount = 8;
inline constexpr size_t kCreated = 12, kCreatedSize = 16;
inline constexpr size_t kRandom = 28, kRandomSize = 32;
inline constexpr size_t kWalletSize = 60;
inline constexpr size_t kHeadSize = 68;
inline constexpr size_t kEntryHeadSize = 12;  // u64 offset, u32 length
inline constexpr size_t kSealSize = 32, kChecksumSize = 32;
}  // namespace journal

// The layout of a media item type, or nullptr for fields and unknown types.
inline constexpr const MediaItemLayout* MediaItemOfType(uint32_t type) {
  return type == item::kPicture      ? &kPictureItem
         : type == item::kSound      ? &kSoundItem
         : type == item::kAttachment ? &kAttachmentItem
                                     : nullptr;
}

}  // namespace tb::storage::layout
