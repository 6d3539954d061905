#include "storage/card.h"

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/forms/field_kinds.h"
#include "storage/services.h"
#include "storage/string_numbers.h"

namespace tb::storage {

namespace {

bool IsDateTimeKind(uint16_t k) { return IsDateTimeKind(AsFieldKind(k)); }

Text ToTextFromU16(const std::u16string& s) { return Text(s.data(), s.size()); }
}  // namespace

void Field::SetKind(uint16_t newKind, const TextSource* texts) {
  if (newKind == kind) return;
  const uint16_t old = kind;
  kind = newKind;
  changeFlags |= field_flags::kKindChanged;
  if (!IsDateTimeKind(old) && IsDateTimeKind(newKind)) {
    dateTime = {};
    value.clear();
    changeFlags |= field_flags::kDateCleared;
  }
  if (AsFieldKind(newKind) == FieldKind::YesNo) {
    items.clear();
    if (texts) {
      AddItem(texts->Text(kStrYes));
      AddItem(texts->Text(kStrNo));
    }
    changeFlags |= field_flags::kItemsChanged;
  }
}

void Field::SetLabel(std::u16string_view text) {
  if (std::u16string_view(label.data(), label.size()) == text) return;
  label.assign(text.data(), text.size());
  changeFlags |= field_flags::kLabelChanged;
}

void Field::SetValue(std::u16string_view text) {
  if (text.empty()) {
    if (!value.empty() || !dateTime.IsZero()) changeFlags |= field_flags::kValueChanged;
    value.clear();
    dateTime = {};
    return;
  }
  if (std::u16string_view(value.data(), value.size()) == text) return;
  value.assign(text.data(), text.size());
  changeFlags |= field_flags::kValueChanged;
}

bool Field::SetDateTime(const platform::SystemTime& t) {
  if (!IsDateTimeKind(kind)) return false;
  if (dateTime != t) {
    dateTime = t;
    changeFlags |= field_flags::kValueChanged;
  }
  return true;
}

bool Field::AddItem(std::u16string_view item) {
  if (!HasItemList(AsFieldKind(kind))) return false;
  if (item.empty() || items.size() >= kMaxItems) return false;
  Text t(item.data(), item.size());
  for (auto& c : t)
    if (c == u'^') c = u' ';
  items.push_back(std::move(t));
  changeFlags |= field_flags::kItemsChanged;
  return true;
}

void Field::ClearItems() {
  if (items.empty()) return;
  items.clear();
  changeFlags |= field_flags::kItemsChanged;
}

void Field::SetItemsFromJoined(std::u16string_view joined) {
  ClearItems();
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find(u'^', start);
    if (end == std::u16string_view::npos) end = joined.size();
    if (end > start) AddItem(joined.substr(start, end - start));
    start = end + 1;
  }
}

Text DisplayText(const Field& f, const TextSource* texts) {
  switch (AsFieldKind(f.kind)) {
    case FieldKind::Date: return f.dateTime.IsZero() ? Text() : ToTextFromU16(platform::FormatShortDate(f.dateTime));
    case FieldKind::Time: return f.dateTime.IsZero() ? Text() : ToTextFromU16(platform::FormatTime(f.dateTime));
    case FieldKind::DateTime: {
      if (f.dateTime.IsZero()) return Text();
      Text t = ToTextFromU16(platform::FormatShortDate(f.dateTime));
      t += u"  ";
      const std::u16string time = platform::FormatTime(f.dateTime);
      t.append(time.data(), time.size());
      return t;
    }
    case FieldKind::CheckBox: {
      if (!texts) return Text();
      std::u16string_view v(f.value.data(), f.value.size());
      if (v == u"1") return ToText(texts->Text(kStrYes));
      if (v == u"0") return ToText(texts->Text(kStrNo));
      return Text();
    }
    default: return f.value;
  }
}

std::u16string_view BaseName(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

namespace {
std::u16string LowerExtension(std::u16string_view name) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  std::u16string ext(name.substr(dot + 1));
  for (auto& c : ext)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return ext;
}
}  // namespace

uint32_t PictureTypeFromName(std::u16string_view fileName) {
  const std::u16string ext = LowerExtension(fileName);
  if (ext == u"bmp") return 1;
  if (ext == u"gif") return 3;
  if (ext == u"jpg" || ext == u"jpeg") return 2;
  return 0;
}

uint32_t SoundTypeFromName(std::u16string_view fileName) { return LowerExtension(fileName) == u"wav" ? 1 : 0; }

bool Card::Modified() {
  bool fieldChanged = false;
  for (const Field& f : fields)
    if (f.changeFlags) fieldChanged = true;
  if (fieldChanged) changed = true;
  return changed || (picture && picture->changed) || (sound && sound->changed) || record.changedInMemory;
}

bool Card::AddField(Field field, int position) {
  if (fields.size() >= kMaxFields) return false;
  if (position < 0 || size_t(position) >= fields.size()) fields.push_back(std::move(field));
  else fields.insert(fields.begin() + position, std::move(field));
  changed = true;
  return true;
}

bool Card::DuplicateField(size_t position) {
  if (position >= fields.size() || fields.size() >= kMaxFields) return false;
  Field copy = fields[position];
  fields.insert(fields.begin() + position + 1, std::move(copy));
  changed = true;
  return true;
}

bool Card::MoveFieldToEnd(size_t position) {
  if (position >= fields.size()) return false;
  Field f = std::move(fields[position]);
  fields.erase(fields.begin() + position);
  fields.push_back(std::move(f));
  changed = true;
  return true;
}

void Card::RemoveAllContents() {
  fields.clear();
  picture.reset();
  sound.reset();
  for (auto& a : attachments) a.reset();
  changed = true;
}

void Card::SetPicture(SecureBytes bytes, std::u16string_view fileName, uint32_t placement) {
  CardPicture p;
  p.bytes = std::move(bytes);
  const std::u16string_view base = BaseName(fileName);
  p.fileName.assign(base.data(), base.size());
  p.type = PictureTypeFromName(base);
  p.placement = (placement >= 1 && placement <= 10) ? placement : 9;
  p.changed = true;
  picture = std::move(p);
}

void Card::SetSound(SecureBytes bytes, std::u16string_view fileName, bool play) {
  CardSound s;
  s.bytes = std::move(bytes);
  const std::u16string_view base = BaseName(fileName);
  s.fileName.assign(base.data(), base.size());
  s.type = SoundTypeFromName(base);
  s.play = play ? 1 : 0;
  s.changed = true;
  sound = std::move(s);
}

bool Card::AddAttachment(Attachment a) {
  for (auto& slot : attachments) {
    if (!slot || !slot->InUse()) {
      slot = std::move(a);
      changed = true;
      return true;
    }
  }
  return false;
}

namespace {
bool ReadSecret(const std::string& path, uint64_t maxBytes, SecureBytes* out) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes, maxBytes) || bytes.empty()) {
    SecureWipe(bytes.data(), bytes.size());
    return false;
  }
  out->assign(bytes.begin(), bytes.end());
  SecureWipe(bytes.data(), bytes.size());
  return true;
}
}  // namespace

bool Card::SetPictureFromFile(const std::string& path, uint32_t placement, uint64_t maxBytes) {
  SecureBytes bytes;
  if (!ReadSecret(path, maxBytes, &bytes)) return false;
  SetPicture(std::move(bytes), platform::FromUtf8(path), placement);
  return true;
}

bool Card::SetSoundFromFile(const std::string& path, bool play, uint64_t maxBytes) {
  SecureBytes bytes;
  if (!ReadSecret(path, maxBytes, &bytes)) return false;
  SetSound(std::move(bytes), platform::FromUtf8(path), play);
  return true;
}

bool Card::AddAttachmentFromFile(const std::string& path, uint64_t maxBytes) {
  Attachment a;
  if (!ReadSecret(path, maxBytes, &a.bytes)) return false;
  const std::u16string name = platform::FromUtf8(path);
  const std::u16string_view base = BaseName(name);
  a.fileName.assign(base.data(), base.size());
  a.timeAdded = platform::LocalTime();
  if (!platform::FileModifiedTime(path, &a.fileTime)) a.fileTime = a.timeAdded;
  return AddAttachment(std::move(a));
}

void Card::ClearPicture() {
  if (picture) changed = true;
  picture.reset();
}

void Card::ClearSound() {
  if (sound) changed = true;
  sound.reset();
}

bool Card::RemoveAttachment(size_t slot) {
  if (slot >= attachments.size() || !attachments[slot]) return false;
  attachments[slot].reset();
  changed = true;
  return true;
}

bool CopyOut(const SecureBytes& bytes, const std::string& path) {
  return platform::WriteNewFile(path, bytes.data(), bytes.size());
}

}  // namespace tb::storage
