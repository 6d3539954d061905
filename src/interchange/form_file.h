#pragma once
// The form exchange file (".tbx"): a custom form shared between copies of
// the program. A 468-byte header (signature, version, description, author,
// export time) is followed by exactly one card written as the wallet writes
// a card, with every enciphered piece under a fixed key that every copy of
// the program knows instead of a wallet's data key.
//
//   offset   0   64  signature, single-byte text, NUL-terminated, zero-filled
//   offset  64    4  format version (1)
//   offset  68  256  description: UTF-16, at most 127 units, NUL-terminated
//   offset 324  128  author: UTF-16, at most 63 units, NUL-terminated
//   offset 452   16  export time (local SYSTEMTIME)
//   offset 468       RecordHeader (748), [icon payload], card body
//
// A form file comes from outside: the reader checks every length against
// the file before it reads or allocates anything.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/file.h"
#include "platform/core/system_time.h"
#include "storage/card.h"
#include "storage/cipher/cipher.h"

namespace tb::interchange {

namespace form_layout {
inline constexpr size_t kHeaderSize = 468;
inline constexpr size_t kSignatureOffset = 0, kSignatureSize = 64;
inline constexpr size_t kVersionOffset = 64;
inline constexpr size_t kDescriptionOffset = 68, kDescriptionSize = 256;
inline constexpr size_t kAuthorOffset = 324, kAuthorSize = 128;
inline constexpr size_t kExportTimeOffset = 452;
inline constexpr size_t kMaxDescriptionUnits = 127;
inline constexpr size_t kMaxAuthorUnits = 63;
inline constexpr uint32_t kVersion = 1;
// "Quillimarsten® Tamberlock® Pro Form" in single bytes (35 of them).
inline constexpr char kSignature[] = "Quillimarsten\xAE Tamberlock\xAE Pro Form";
inline constexpr size_t kSignatureLength = sizeof kSignature - 1;
}  // namespace form_layout

struct FormFileHeader {
  uint32_t version = form_layout::kVersion;
  std::u16string description;  // at most 127 units
  std::u16string author;       // at most 63 units
  platform::SystemTime exportTime;
};

// The key every form file is enciphered with: MD5 of the first eight
// UTF-16LE units of the program's fixed form word.
const storage::KeyContext& FormFileKey();

// 0, 1 and 6 are the writer's own; any other value is the card write's.
enum class FormWriteStatus : int {
  Ok = 0,
  HeaderNotWritten = 1,
  CardTooLarge = 2,    // the body does not fit a record's 32-bit length
  CardNotWritten = 3,  // the card's bytes did not all reach the file
  NoCardOrFile = 6,
};

// Writes the header (the current local time as export time) and the card at
// the file's current position. The card is copied: its id, parent and
// default form are cleared in the copy, its name enciphered again under the
// form file key, and without includeData every field value (and date)
// emptied. The caller's card is left as it was.
FormWriteStatus WriteFormFile(const storage::Card* card, platform::File* file, bool includeData,
                              std::u16string_view author, std::u16string_view description);

enum class FormReadStatus : int {
  Ok = 0,
  NoFile,       // no open file
  NoKey,        // the wallet's data key is not set
  ReadFailed,   // the platform read failed
  ShortHeader,  // fewer than 468 bytes
  WrongSignature,
  WrongVersion,
  BadRecord,      // short record header, unknown kind, or a tombstone
  LengthPastEnd,  // the payload or body runs past the end of the file
  BadBody,        // the body is shorter than its attributes, or an item runs past it
};

// Reads a form file from the file's current position into *card (which is
// replaced): the contents deciphered under the form file key and the name
// enciphered again under dataKey, which the card's record then refers to.
// *header (may be null) gets the file's header. On any status but Ok the
// card is left empty.
FormReadStatus ReadFormFile(storage::Card* card, platform::File* file, const storage::KeyContext& dataKey,
                            FormFileHeader* header);

const char* Describe(FormReadStatus status);

}  // namespace tb::interchange
