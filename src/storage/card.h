#pragma once
// A card loaded from the file: its own copy of the record header, its
// display attributes, up to 255 fields, a picture, a sound and ten
// attachment slots. Deciphered texts and bytes live in wiped storage.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/system_time.h"
#include "storage/cipher/secure.h"
#include "storage/layout.h"
#include "storage/record.h"

namespace tb::storage {

class TextSource;

inline constexpr size_t kMaxFields = 255;
inline constexpr size_t kMaxItems = 128;

// Field change flags (in memory).
namespace field_flags {
inline constexpr uint32_t kNew = 1, kKindChanged = 2, kLabelChanged = 16, kDateCleared = 32, kValueChanged = 64,
                          kItemsChanged = 0x200;
}

struct Field {
  uint16_t kind = 1;
  uint16_t flags = 0;        // bit 8: the notes field of a converted legacy card
  int32_t labelColour = -1;  // -1 = the card's default
  int32_t valueColour = -1;
  platform::SystemTime dateTime;  // kinds 8, 9, 10; zero = no value
  Text label;
  Text value;
  std::vector<Text> items;  // kinds 11 and 12
  uint32_t changeFlags = 0;
  // The 72-byte head as read, so that the bytes kept as read survive.
  std::array<uint8_t, layout::field::kHeadSize> head{};

  void SetKind(uint16_t kind, const TextSource* texts);
  void SetLabel(std::u16string_view text);
  void SetValue(std::u16string_view text);
  bool SetDateTime(const platform::SystemTime& t);  // kinds 8, 9, 10 only
  bool AddItem(std::u16string_view item);           // kinds 11, 12; at most 128
  void ClearItems();
  size_t ItemCount() const { return items.size(); }
  const Text* Item(size_t i) const { return i < items.size() ? &items[i] : nullptr; }
  void SetItemsFromJoined(std::u16string_view joined);  // split at '^'
};

// What a field shows: dates and times through the user's formats, a check
// box as the yes or no word, every other kind its value text.
Text DisplayText(const Field& field, const TextSource* texts);

struct CardPicture {
  uint32_t placement = 9;  // 1..10
  uint32_t scaleToFit = 0;
  uint32_t type = 1;  // 1 bmp, 2 jpeg, 3 gif
  SecureBytes bytes;
  Text fileName;
  bool changed = false;
  std::array<uint8_t, layout::picture::kHeadSize> head{};
};

struct CardSound {
  uint32_t type = 0;  // 1 wav
  uint32_t play = 0;
  SecureBytes bytes;
  Text fileName;
  bool changed = false;
  std::array<uint8_t, layout::sound::kHeadSize> head{};
};

struct Attachment {
  platform::SystemTime fileTime;
  platform::SystemTime timeAdded;
  SecureBytes bytes;
  Text fileName;
  std::array<uint8_t, layout::attachment::kHeadSize> head{};
  bool InUse() const { return !bytes.empty(); }
};

// Writes bytes to a new file readable by the owner only (copy out of a
// picture, sound or attachment); fails when the file exists.
bool CopyOut(const SecureBytes& bytes, const std::string& path);

// Picture type from a file name's extension: bmp 1, jpg/jpeg 2, gif 3; 0 otherwise.
uint32_t PictureTypeFromName(std::u16string_view fileName);
// Sound type: 1 for wav, else 0.
uint32_t SoundTypeFromName(std::u16string_view fileName);
// The part after the last path separator.
std::u16string_view BaseName(std::u16string_view path);

struct Card {
  RecordHeader record;
  std::array<uint32_t, 16> attributes = layout::attributes::kDefaults;
  std::vector<Field> fields;
  std::optional<CardPicture> picture;
  std::optional<CardSound> sound;
  std::array<std::optional<Attachment>, layout::attachment::kSlots> attachments;
  bool loaded = false;
  bool changed = false;

  bool Modified();                                // a changed field also marks the card changed
  bool AddField(Field field, int position = -1);  // -1 appends; refused at 255
  bool DuplicateField(size_t position);
  bool MoveFieldToEnd(size_t position);
  void RemoveAllContents();
  // Sets the picture from bytes and a file name (type from its extension).
  void SetPicture(SecureBytes bytes, std::u16string_view fileName, uint32_t placement);
  void SetSound(SecureBytes bytes, std::u16string_view fileName, bool play);
  // Puts an attachment into the first free slot; false when all ten are used.
  bool AddAttachment(Attachment a);

  // The same from files. Each reads the whole file (refusing one larger
  // than maxBytes or an empty one) and keeps only its name, not its folder.
  bool SetPictureFromFile(const std::string& path, uint32_t placement, uint64_t maxBytes);
  bool SetSoundFromFile(const std::string& path, bool play, uint64_t maxBytes);
  // The attachment's file time is the file's last-write time.
  bool AddAttachmentFromFile(const std::string& path, uint64_t maxBytes);
  void ClearPicture();
  void ClearSound();
  bool RemoveAttachment(size_t slot);
};

}  // namespace tb::storage
