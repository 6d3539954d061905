#pragma once
// Reading an old ".wal" wallet: its head, its folder and card records, and
// the tagged entries of a card's data. The file comes from outside: every
// length and offset is checked against the file before it is used, and
// nothing is allocated beyond what the file holds.
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/core/file.h"
#include "storage/bytes.h"
#include "storage/cipher/secure.h"

namespace tb::storage {

struct LegacyHead {
  bool usesCustomForms = false;
  Text customFormFile;  // as named in the head, folder and all
  std::array<uint8_t, 8> salt{};
  std::array<uint8_t, 16> checkValue{};
};

// From the first bytes of a file; false when they are not a legacy wallet
// (fewer than 844 bytes, another maker text, or either magic differs).
bool DecodeLegacyHead(ByteSpan bytes, LegacyHead* head);

struct LegacyFolder {
  uint32_t number = 0;
  uint32_t defaultForm = 0;  // legacy form number
  int32_t icon = 0;
  Text name;
};

struct LegacyCard {
  uint32_t number = 0;
  bool enciphered = false;
  uint32_t folder = 0;
  uint32_t form = 0;  // legacy form number
  int32_t icon = 0;
  Text name;
  uint64_t dataOffset = 0;  // where its card data starts in the file
  uint32_t dataLength = 0;
  bool dataInFile = false;  // false: the data would run past the end
};

struct LegacyRecords {
  std::vector<LegacyFolder> folders;  // in file order
  std::vector<LegacyCard> cards;      // in file order
  // The walk stopped at a record cut short or a card whose data runs past
  // the end of the file, rather than at the end or at an unknown tag.
  bool endedOnDamage = false;
};

// Walks the records after the head. An unknown tag ends the walk, as does
// a record cut short by the end of the file; a card whose data would run
// past the end is kept (without data) and ends it too, since nothing after
// it can be found. False only when the file could not be read.
bool ReadLegacyRecords(platform::File& file, uint64_t fileSize, LegacyRecords* records);

// Reads a card's data from the file and deciphers it when the record says
// so. NotInFile: the card has none, or the file does not hold it (the card
// is kept without data); Unreadable: reading the file failed.
enum class LegacyCardData { Read, NotInFile, Unreadable };
LegacyCardData ReadLegacyCardData(platform::File& file, const LegacyCard& card, const std::array<uint8_t, 16>& key,
                                  SecureBytes* data);

// The entries of one card's data, by tag. The first entry with a tag is
// the one that counts; one of length 0 counts as absent. An entry whose
// length runs past the end of the data ends the entries, like a head cut
// short does.
class LegacyEntries {
 public:
  explicit LegacyEntries(ByteSpan data);
  std::optional<ByteSpan> Find(uint32_t tag) const;
  // An entry's UTF-16 text, cut at its first NUL; empty when absent.
  Text TextOf(uint32_t tag) const;

 private:
  std::unordered_map<uint32_t, ByteSpan> first_;
};

// UTF-16LE bytes to text, cut at the first NUL; an odd last byte is dropped.
Text LegacyText(ByteSpan bytes);

}  // namespace tb::storage
