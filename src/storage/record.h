#pragma once
// One stored object of the wallet: its 748-byte header, and for a record
// with its own icon picture the payload that follows it. The header bytes
// are kept exactly as read; the accessors read and write them in place, so
// every byte this program does not interpret survives a rewrite.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/system_time.h"
#include "storage/cipher/cipher.h"
#include "storage/cipher/secure.h"
#include "storage/layout.h"
#include "storage/record_id.h"

namespace tb::storage {

enum class RecordKind : uint32_t { None = 0, Card = 1, Folder = 2, FormsFolder = 3 };

// Kind from the 16-byte kind signature; None when it is none of the three.
RecordKind KindFromSignature(const uint8_t* sig16);
const layout::Sig16& SignatureOf(RecordKind kind);

// True when 748 bytes start with a kind signature and a non-zero id.
bool LooksLikeRecord(const uint8_t* bytes748);

class RecordHeader {
 public:
  RecordHeader() = default;

  // From 748 bytes read from a file; false when the kind signature is unknown.
  bool Decode(const uint8_t* bytes748);
  const std::array<uint8_t, layout::record::kSize>& Bytes() const { return raw_; }
  std::array<uint8_t, layout::record::kSize>& MutableBytes() { return raw_; }

  RecordKind Kind() const { return kind_; }
  void SetKind(RecordKind kind);
  bool IsCard() const { return kind_ == RecordKind::Card; }
  bool IsFolderLike() const { return kind_ == RecordKind::Folder || kind_ == RecordKind::FormsFolder; }

  RecordId Id() const { return RecordId::FromBytes(raw_.data() + layout::record::kId); }
  void SetId(const RecordId& id) { id.StoreTo(raw_.data() + layout::record::kId); }
  RecordId Parent() const { return RecordId::FromBytes(raw_.data() + layout::record::kParent); }

  uint32_t ChangeFlags() const;
  // Adds change flags and refreshes the modified time.
  void MarkChanged(uint32_t flags);
  void SetChangeFlagsRaw(uint32_t flags);

  platform::SystemTime Created() const;
  platform::SystemTime Modified() const;
  platform::SystemTime DeletedAt() const;
  void SetCreated(const platform::SystemTime& t);
  void SetModified(const platform::SystemTime& t);
  void SetDeletedAt(const platform::SystemTime& t);

  bool IsDeleted() const;
  void SetDeletedFlag(uint32_t value);
  int32_t CreationMarker() const;
  void SetCreationMarker(int32_t v);
  FormId DefaultForm() const;
  int32_t Icon() const;
  void SetIconRaw(int32_t icon);
  uint32_t PayloadLength() const;
  uint32_t PayloadPadding() const;
  uint32_t BodyLength() const;
  void SetBodyLength(uint32_t n);
  void SetTrailer(uint32_t v);

  // The icon picture payload as stored (picture bytes, then padding).
  const std::vector<uint8_t>& Payload() const { return payload_; }
  // The unpadded picture bytes, or empty.
  std::vector<uint8_t> IconPicture() const;
  // Takes a payload read from the file (length = PayloadLength()).
  void AdoptPayload(std::vector<uint8_t> payload) { payload_ = std::move(payload); }
  // Clears payload length, padding, digest and offset 736 (no payload).
  void ClearPayloadFields();

  // --- the key the name is enciphered with (not owned) ---
  const KeyContext* Key() const { return key_; }
  void SetKey(const KeyContext* key) { key_ = key; }

  // --- operations on the record ---
  // Deciphers the 256-unit name; an all-zero buffer is the empty name.
  // False when no key is set.
  bool GetName(Text* name) const;
  Text Name() const;  // empty on failure
  // Enciphers a name cut to 255 units; an empty name zeroes the buffer.
  // Does nothing when the name is unchanged; otherwise change flag 4.
  bool SetName(std::u16string_view name);
  void SetParent(const RecordId& parent);                    // flag 2
  void ClearParent();                                        // folders only; flag 2
  void SetIcon(int32_t number);                              // flag 16 when different; drops any picture
  void SetIconPicture(const uint8_t* bytes, size_t length);  // flag 16
  // Reads the whole file (at most maxBytes) and sets it as the icon picture.
  bool SetIconPictureFromFile(const std::string& path, uint64_t maxBytes);
  void SetDefaultForm(const FormId& form);  // flag 64

  // Extent in the file: header, payload and body.
  uint64_t Extent() const { return layout::record::kSize + uint64_t(PayloadLength()) + BodyLength(); }

  bool changedInMemory = false;
  // Where the record starts in the file, kept up to date by the wallet
  // (0 = not known).
  uint64_t fileOffset = 0;

 private:
  std::array<uint8_t, layout::record::kSize> raw_{};
  RecordKind kind_ = RecordKind::None;
  std::vector<uint8_t> payload_;
  const KeyContext* key_ = nullptr;
};

// A card or folder made now: new id, the given parent, created = modified
// = now, change flag 1, creation marker -1.
RecordHeader NewCardRecord(const RecordId& parent, const KeyContext* key);
RecordHeader NewFolderRecord(const RecordId& parent, bool formsFolder, const KeyContext* key);
// The icon of a folder the user makes, of the starter folder and of the
// folders an import makes.
inline constexpr int32_t kNewFolderIcon = 72;
// Makes the record a card with a new id under the parent (copies of cards).
void Reidentify(RecordHeader& header, const RecordId& parent);

}  // namespace tb::storage
