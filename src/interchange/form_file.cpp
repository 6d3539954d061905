#include "interchange/form_file.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/card_codec.h"
#include "storage/cipher/md5.h"
#include "storage/layout.h"

namespace tb::interchange {

namespace F = form_layout;
namespace R = storage::layout::record;
using storage::LoadU32;
using storage::StoreU16;
using storage::StoreU32;

namespace {

// The word the form file key is made from. Only its first eight units
// take part, so it must have at least eight.
constexpr std::u16string_view kFormWord = u"mirthvane";
static_assert(kFormWord.size() >= 8);

void StoreUnits(uint8_t* out, size_t bufferBytes, std::u16string_view text, size_t maxUnits) {
  std::memset(out, 0, bufferBytes);
  if (text.size() > maxUnits) text = text.substr(0, maxUnits);
  for (size_t i = 0; i < text.size(); ++i) StoreU16(out + 2 * i, text[i]);
}

// Units up to the first NUL, at most maxUnits (a foreign file may leave
// out the terminator).
std::u16string LoadUnits(const uint8_t* in, size_t bufferBytes, size_t maxUnits) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bufferBytes && text.size() < maxUnits; i += 2) {
    const char16_t c = char16_t(storage::LoadU16(in + i));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// The name buffer is set from zero, so that it is enciphered under the
// record's present key even when the text is the one it already held.
bool EncipherNameAgain(storage::RecordHeader& h, const storage::KeyContext* newKey) {
  storage::Text name;
  if (!h.GetName(&name)) return false;
  h.SetKey(newKey);
  std::memset(h.MutableBytes().data() + R::kName, 0, R::kNameSize);
  return h.SetName(std::u16string_view(name.data(), name.size()));
}

// Reads exactly n bytes; ShortHeader-like failures are told apart by the caller.
bool ReadAll(platform::File& file, void* buffer, size_t n, bool* ioFailed) {
  size_t got = 0;
  *ioFailed = false;
  if (!file.Read(buffer, n, &got)) {
    *ioFailed = true;
    return false;
  }
  return got == n;
}

}  // namespace

const storage::KeyContext& FormFileKey() {
  static const storage::KeyContext key = [] {
    uint8_t word[16];
    for (size_t i = 0; i < 8; ++i) StoreU16(word + 2 * i, kFormWord[i]);
    const storage::Digest digest = storage::Md5(word, sizeof word);
    storage::KeyContext k;
    k.SetKey(digest);
    return k;
  }();
  return key;
}

FormWriteStatus WriteFormFile(const storage::Card* card, platform::File* file, bool includeData,
                              std::u16string_view author, std::u16string_view description) {
  if (!card || !file || !file->IsOpen()) return FormWriteStatus::NoCardOrFile;
  storage::Card form = *card;
  storage::RecordHeader& h = form.record;
  uint8_t* raw = h.MutableBytes().data();
  std::memset(raw + R::kId, 0, 16);
  std::memset(raw + R::kParent, 0, 16);
  std::memset(raw + R::kDefaultForm, 0, 16);
  if (!EncipherNameAgain(h, &FormFileKey())) return FormWriteStatus::NoCardOrFile;
  if (!includeData) {
    for (storage::Field& f : form.fields) {
      f.SetValue(u"");
      f.dateTime = {};
    }
    // Attachments are the card's data too (a scan, a notes file), and the
    // form file's key is every copy's: they stay behind. The picture and
    // the sound are part of the form's look and go with it.
    for (auto& a : form.attachments) a.reset();
  }

  std::vector<uint8_t> body;
  storage::EncodeCardBody(form, FormFileKey(), &body);
  if (body.size() > UINT32_MAX) return FormWriteStatus::CardTooLarge;
  h.SetKind(storage::RecordKind::Card);
  h.SetBodyLength(uint32_t(body.size()));
  h.SetTrailer(0);
  // As the wallet writes a record: a header without change flags is new,
  // and one without an own icon carries no payload.
  if (h.ChangeFlags() == 0) {
    h.SetChangeFlagsRaw(R::kFlagCreated);
    h.SetModified(platform::LocalTime());
  }
  if (h.Icon() != -1) h.ClearPayloadFields();

  std::array<uint8_t, F::kHeaderSize> head{};
  std::memcpy(head.data() + F::kSignatureOffset, F::kSignature, F::kSignatureLength);
  StoreU32(head.data() + F::kVersionOffset, F::kVersion);
  StoreUnits(head.data() + F::kDescriptionOffset, F::kDescriptionSize, description, F::kMaxDescriptionUnits);
  StoreUnits(head.data() + F::kAuthorOffset, F::kAuthorSize, author, F::kMaxAuthorUnits);
  platform::LocalTime().StoreTo(head.data() + F::kExportTimeOffset);
  if (!file->Write(head.data(), head.size())) return FormWriteStatus::HeaderNotWritten;

  std::vector<uint8_t> record(h.Bytes().begin(), h.Bytes().end());
  if (h.Icon() == -1) record.insert(record.end(), h.Payload().begin(), h.Payload().end());
  record.insert(record.end(), body.begin(), body.end());
  const bool written = file->Write(record.data(), record.size());
  storage::SecureWipe(body.data(), body.size());
  storage::SecureWipe(record.data(), record.size());
  return written ? FormWriteStatus::Ok : FormWriteStatus::CardNotWritten;
}

FormReadStatus ReadFormFile(storage::Card* card, platform::File* file, const storage::KeyContext& dataKey,
                            FormFileHeader* header) {
  if (card) *card = storage::Card();
  if (!card || !file || !file->IsOpen()) return FormReadStatus::NoFile;
  if (!dataKey.IsSet()) return FormReadStatus::NoKey;
  uint64_t size = 0;
  if (!file->Size(&size)) return FormReadStatus::ReadFailed;
  uint64_t left = size > file->Tell() ? size - file->Tell() : 0;
  bool ioFailed = false;

  std::array<uint8_t, F::kHeaderSize> head{};
  if (left < head.size()) return FormReadStatus::ShortHeader;
  if (!ReadAll(*file, head.data(), head.size(), &ioFailed))
    return ioFailed ? FormReadStatus::ReadFailed : FormReadStatus::ShortHeader;
  left -= head.size();
  // The signature is compared up to and including its terminating NUL.
  if (std::memcmp(head.data() + F::kSignatureOffset, F::kSignature, F::kSignatureLength + 1) != 0)
    return FormReadStatus::WrongSignature;
  FormFileHeader h;
  h.version = LoadU32(head.data() + F::kVersionOffset);
  if (h.version != F::kVersion) return FormReadStatus::WrongVersion;
  h.description = LoadUnits(head.data() + F::kDescriptionOffset, F::kDescriptionSize, F::kMaxDescriptionUnits);
  h.author = LoadUnits(head.data() + F::kAuthorOffset, F::kAuthorSize, F::kMaxAuthorUnits);
  h.exportTime = platform::SystemTime::LoadFrom(head.data() + F::kExportTimeOffset);

  std::array<uint8_t, R::kSize> recordBytes{};
  if (left < recordBytes.size()) return FormReadStatus::BadRecord;
  if (!ReadAll(*file, recordBytes.data(), recordBytes.size(), &ioFailed))
    return ioFailed ? FormReadStatus::ReadFailed : FormReadStatus::BadRecord;
  left -= recordBytes.size();
  storage::Card loaded;
  storage::RecordHeader& record = loaded.record;
  if (!record.Decode(recordBytes.data()) || record.IsDeleted()) return FormReadStatus::BadRecord;

  const uint32_t payloadLength = record.PayloadLength();
  if (payloadLength > left) return FormReadStatus::LengthPastEnd;
  if (payloadLength != 0) {
    std::vector<uint8_t> payload(payloadLength);
    if (!ReadAll(*file, payload.data(), payload.size(), &ioFailed))
      return ioFailed ? FormReadStatus::ReadFailed : FormReadStatus::LengthPastEnd;
    record.AdoptPayload(std::move(payload));
    left -= payloadLength;
  }

  const uint32_t bodyLength = record.BodyLength();
  if (bodyLength < storage::layout::attributes::kSize) return FormReadStatus::BadBody;
  if (bodyLength > left) return FormReadStatus::LengthPastEnd;
  storage::SecureBytes body(bodyLength);
  if (!ReadAll(*file, body.data(), body.size(), &ioFailed))
    return ioFailed ? FormReadStatus::ReadFailed : FormReadStatus::LengthPastEnd;
  const storage::BodyStatus decoded =
      storage::DecodeCardBody(storage::ByteSpan(body.data(), body.size()), FormFileKey(), &loaded);
  if (decoded != storage::BodyStatus::Ok) return FormReadStatus::BadBody;

  record.SetKey(&FormFileKey());
  if (!EncipherNameAgain(record, &dataKey)) return FormReadStatus::NoKey;
  record.changedInMemory = true;
  loaded.loaded = true;
  *card = std::move(loaded);
  if (header) *header = std::move(h);
  return FormReadStatus::Ok;
}

const char* Describe(FormReadStatus status) {
  switch (status) {
    case FormReadStatus::Ok: return "read";
    case FormReadStatus::NoFile: return "no file";
    case FormReadStatus::NoKey: return "the wallet is not unlocked";
    case FormReadStatus::ReadFailed: return "the file could not be read";
    case FormReadStatus::ShortHeader: return "the file is shorter than a form file's header";
    case FormReadStatus::WrongSignature: return "not a form file";
    case FormReadStatus::WrongVersion: return "a form file version this program does not read";
    case FormReadStatus::BadRecord: return "the form file holds no readable card";
    case FormReadStatus::LengthPastEnd: return "the card runs past the end of the file";
    case FormReadStatus::BadBody: return "the card's contents are damaged";
  }
  return "unknown";
}

}  // namespace tb::interchange
