#include "storage/record.h"

#include <cstring>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/cipher/md5.h"

namespace tb::storage {

namespace R = layout::record;

RecordKind KindFromSignature(const uint8_t* sig) {
  if (std::memcmp(sig, R::kCardSig.data(), 16) == 0) return RecordKind::Card;
  if (std::memcmp(sig, R::kFolderSig.data(), 16) == 0) return RecordKind::Folder;
  if (std::memcmp(sig, R::kFormsFolderSig.data(), 16) == 0) return RecordKind::FormsFolder;
  return RecordKind::None;
}

const layout::Sig16& SignatureOf(RecordKind kind) {
  switch (kind) {
    case RecordKind::Folder: return R::kFolderSig;
    case RecordKind::FormsFolder: return R::kFormsFolderSig;
    default: return R::kCardSig;
  }
}

bool LooksLikeRecord(const uint8_t* bytes) {
  return KindFromSignature(bytes) != RecordKind::None && !AllZero(bytes + R::kId, 16);
}

bool RecordHeader::Decode(const uint8_t* bytes) {
  const RecordKind kind = KindFromSignature(bytes);
  if (kind == RecordKind::None) return false;
  std::memcpy(raw_.data(), bytes, R::kSize);
  kind_ = kind;
  payload_.clear();
  changedInMemory = false;
  return true;
}

void RecordHeader::SetKind(RecordKind kind) {
  kind_ = kind;
  std::memcpy(raw_.data() + R::kKind, SignatureOf(kind).data(), 16);
}

uint32_t RecordHeader::ChangeFlags() const { return LoadU32(raw_.data() + R::kChangeFlags); }
void RecordHeader::SetChangeFlagsRaw(uint32_t flags) { StoreU32(raw_.data() + R::kChangeFlags, flags); }
void RecordHeader::MarkChanged(uint32_t flags) {
  SetChangeFlagsRaw(ChangeFlags() | flags);
  SetModified(platform::LocalTime());
  changedInMemory = true;
}

platform::SystemTime RecordHeader::Created() const { return platform::SystemTime::LoadFrom(raw_.data() + R::kCreated); }
platform::SystemTime RecordHeader::Modified() const {
  return platform::SystemTime::LoadFrom(raw_.data() + R::kModified);
}
platform::SystemTime RecordHeader::DeletedAt() const {
  return platform::SystemTime::LoadFrom(raw_.data() + R::kDeletedAt);
}
void RecordHeader::SetCreated(const platform::SystemTime& t) { t.StoreTo(raw_.data() + R::kCreated); }
void RecordHeader::SetModified(const platform::SystemTime& t) { t.StoreTo(raw_.data() + R::kModified); }
void RecordHeader::SetDeletedAt(const platform::SystemTime& t) { t.StoreTo(raw_.data() + R::kDeletedAt); }

bool RecordHeader::IsDeleted() const { return LoadU32(raw_.data() + R::kDeleted) != 0; }
void RecordHeader::SetDeletedFlag(uint32_t v) { StoreU32(raw_.data() + R::kDeleted, v); }
int32_t RecordHeader::CreationMarker() const { return LoadI32(raw_.data() + R::kCreationMarker); }
void RecordHeader::SetCreationMarker(int32_t v) { StoreI32(raw_.data() + R::kCreationMarker, v); }
FormId RecordHeader::DefaultForm() const { return RecordId::FromBytes(raw_.data() + R::kDefaultForm); }
int32_t RecordHeader::Icon() const { return LoadI32(raw_.data() + R::kIcon); }
void RecordHeader::SetIconRaw(int32_t icon) { StoreI32(raw_.data() + R::kIcon, icon); }
uint32_t RecordHeader::PayloadLength() const { return LoadU32(raw_.data() + R::kPayloadLength); }
uint32_t RecordHeader::PayloadPadding() const { return LoadU32(raw_.data() + R::kPayloadPadding); }
uint32_t RecordHeader::BodyLength() const { return LoadU32(raw_.data() + R::kBodyLength); }
void RecordHeader::SetBodyLength(uint32_t n) { StoreU32(raw_.data() + R::kBodyLength, n); }
void RecordHeader::SetTrailer(uint32_t v) { StoreU32(raw_.data() + R::kTrailer, v); }

std::vector<uint8_t> RecordHeader::IconPicture() const {
  const uint32_t padding = PayloadPadding();
  if (payload_.empty() || padding > payload_.size()) return {};
  return std::vector<uint8_t>(payload_.begin(), payload_.end() - padding);
}

void RecordHeader::ClearPayloadFields() {
  std::memset(raw_.data() + R::kPayloadLength, 0, R::kBodyLength - R::kPayloadLength);
  payload_.clear();
}

bool RecordHeader::GetName(Text* name) const {
  name->clear();
  if (!key_ || !key_->IsSet()) return false;
  const uint8_t* buffer = raw_.data() + R::kName;
  if (AllZero(buffer, R::kNameSize)) return true;
  uint8_t clear[R::kNameSize];
  key_->Apply(buffer, R::kNameSize, clear);
  // The name ends at its first NUL; the buffer always holds one at unit 255
  // when written by us, but a foreign file may not.
  size_t units = 0;
  while (units < R::kNameUnits - 1 && LoadU16(clear + 2 * units) != 0) ++units;
  name->resize(units);
  for (size_t i = 0; i < units; ++i) (*name)[i] = char16_t(LoadU16(clear + 2 * i));
  SecureWipe(clear, sizeof clear);
  return true;
}

Text RecordHeader::Name() const {
  Text name;
  GetName(&name);
  return name;
}

bool RecordHeader::SetName(std::u16string_view name) {
  if (!key_ || !key_->IsSet()) return false;
  if (name.size() > R::kNameUnits - 1) name = name.substr(0, R::kNameUnits - 1);
  Text old;
  GetName(&old);
  if (std::u16string_view(old.data(), old.size()) == name) return true;
  uint8_t* buffer = raw_.data() + R::kName;
  if (name.empty()) {
    std::memset(buffer, 0, R::kNameSize);
  } else {
    uint8_t clear[R::kNameSize] = {};
    for (size_t i = 0; i < name.size(); ++i) StoreU16(clear + 2 * i, name[i]);
    key_->Apply(clear, R::kNameSize, buffer);
    SecureWipe(clear, sizeof clear);
  }
  MarkChanged(R::kFlagNameChanged);
  return true;
}

void RecordHeader::SetParent(const RecordId& parent) {
  parent.StoreTo(raw_.data() + R::kParent);
  MarkChanged(R::kFlagParentChanged);
}

void RecordHeader::ClearParent() {
  if (kind_ == RecordKind::Card) return;
  SetParent(RecordId{});
}

void RecordHeader::SetIcon(int32_t number) {
  if (number == Icon() && payload_.empty()) return;
  SetIconRaw(number);
  ClearPayloadFields();
  MarkChanged(R::kFlagIconChanged);
}

void RecordHeader::SetIconPicture(const uint8_t* bytes, size_t length) {
  if (length == 0) {
    SetIconRaw(0);
    ClearPayloadFields();
    MarkChanged(R::kFlagIconChanged);
    return;
  }
  const uint32_t padding = PaddingForBytes(length);
  payload_.assign(bytes, bytes + length);
  payload_.resize(length + padding, 0);
  SetIconRaw(-1);
  StoreU32(raw_.data() + R::kPayloadLength, uint32_t(payload_.size()));
  StoreU32(raw_.data() + R::kPayloadPadding, padding);
  const Digest digest = Md5(bytes, length);
  std::memcpy(raw_.data() + R::kPayloadDigest, digest.data(), 16);
  MarkChanged(R::kFlagIconChanged);
}

bool RecordHeader::SetIconPictureFromFile(const std::string& path, uint64_t maxBytes) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes, maxBytes)) return false;
  SetIconPicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

void RecordHeader::SetDefaultForm(const FormId& form) {
  form.StoreTo(raw_.data() + R::kDefaultForm);
  MarkChanged(R::kFlagDefaultFormChanged);
}

namespace {
RecordHeader NewRecord(RecordKind kind, const RecordId& parent, const KeyContext* key) {
  RecordHeader h;
  h.SetKind(kind);
  h.SetId(NewRecordId());
  parent.StoreTo(h.MutableBytes().data() + R::kParent);
  const platform::SystemTime now = platform::LocalTime();
  h.SetCreated(now);
  h.SetModified(now);
  h.SetChangeFlagsRaw(R::kFlagCreated);
  h.SetCreationMarker(-1);
  h.SetKey(key);
  h.changedInMemory = true;
  return h;
}
}  // namespace

RecordHeader NewCardRecord(const RecordId& parent, const KeyContext* key) {
  return NewRecord(RecordKind::Card, parent, key);
}

RecordHeader NewFolderRecord(const RecordId& parent, bool formsFolder, const KeyContext* key) {
  return NewRecord(formsFolder ? RecordKind::FormsFolder : RecordKind::Folder, formsFolder ? RecordId{} : parent, key);
}

void Reidentify(RecordHeader& h, const RecordId& parent) {
  h.SetKind(RecordKind::Card);
  h.SetId(NewRecordId());
  parent.StoreTo(h.MutableBytes().data() + R::kParent);
  const platform::SystemTime now = platform::LocalTime();
  h.SetCreated(now);
  h.SetModified(now);
  h.SetChangeFlagsRaw(h.ChangeFlags() | R::kFlagCreated);
  h.changedInMemory = true;
}

}  // namespace tb::storage
