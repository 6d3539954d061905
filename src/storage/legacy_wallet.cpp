// Converting an old ".wal" wallet into a new wallet beside it.
#include "storage/legacy_wallet.h"

#include <cstdio>
#include <unordered_map>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/card.h"
#include "storage/forms/builtin_forms.h"
#include "storage/forms/field_kinds.h"
#include "storage/forms/form_kinds.h"
#include "storage/legacy_file.h"
#include "storage/legacy_key.h"
#include "storage/legacy_layout.h"
#include "storage/record.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace L = legacy_layout;

namespace {

constexpr size_t kMinimumPathUnits = 6;
constexpr size_t kMaxPathUnits = 260;
constexpr size_t kMaxCustomFields = 50;
constexpr size_t kMaxCustomLabelUnits = 63;
constexpr size_t kMaxMediaNameUnits = 260;
// A definition file is a few pages of text; anything far larger is not one.
constexpr uint64_t kMaxDefinitionFileBytes = 16u << 20;
constexpr uint32_t kPicturePlacement = 9;
constexpr const char* kDocumentIconKey = "HKEY_CLASSES_ROOT\\ostreltamberlockfile\\DefaultIcon";
// The name the new wallet is filled under until it is complete.
constexpr int kPartialNameAttempts = 16;

size_t Utf16Length(const std::string& utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;
    if ((c & 0xF8) == 0xF0) ++units;
  }
  return units;
}

std::u16string_view View(const Text& t) { return std::u16string_view(t.data(), t.size()); }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

LegacyConversion Result(LegacyStatus status) { return {status, CreateStatus::Ok}; }
LegacyConversion CreateResult(CreateStatus status) { return {LegacyStatus::CreateFailed, status}; }

// Number of the built-in form with this legacy number, else form 0.
uint32_t BuiltInFormNumberFor(uint32_t legacyNumber) {
  for (int n = 0; n < kBuiltInFormCount; ++n)
    if (BuiltInFormAt(n)->head.legacyNumber == legacyNumber) return uint32_t(n);
  return 0;
}

// An old icon number as a new record's icon: a negative one would claim an
// icon picture of the record's own.
int32_t IconFrom(int32_t legacyIcon) { return legacyIcon < 0 ? 0 : legacyIcon; }

// Reads the definition file the head names, from the first folder that has
// it. Only the file's own name is used: the head may name any folder, and
// it comes from outside.
bool LoadCustomForms(const Text& named, const LegacyConvertOptions& options, std::vector<LegacyCustomForm>* forms) {
  const std::u16string_view base = BaseName(View(named));
  if (base.empty() || base == u"." || base == u"..") return false;
  const std::string name = platform::ToUtf8(base);
  for (const std::string* folder : {&options.programFolder, &options.oldInstallFolder}) {
    if (folder->empty()) continue;
    std::string bytes;
    if (!platform::ReadWholeFile(JoinPath(*folder, name), &bytes, kMaxDefinitionFileBytes)) continue;
    if (options.readCustomForms) options.readCustomForms(bytes, forms);
    SecureWipe(bytes.data(), bytes.size());
    for (LegacyCustomForm& f : *forms) {
      if (f.fields.size() > kMaxCustomFields) f.fields.resize(kMaxCustomFields);
      for (LegacyCustomField& d : f.fields)
        if (d.label.size() > kMaxCustomLabelUnits) d.label.resize(kMaxCustomLabelUnits);
    }
    return true;
  }
  return false;
}

const LegacyCustomForm* CustomFormFor(const std::vector<LegacyCustomForm>& forms, uint32_t number) {
  for (const LegacyCustomForm& f : forms)
    if (uint32_t(f.number) == number) return &f;
  return nullptr;
}

void AddValueField(Card& card, FieldKind kind, std::u16string_view label, const Text& value, const TextSource* texts) {
  Field f;
  f.SetKind(uint16_t(kind), texts);
  f.SetLabel(label);
  if (!value.empty()) f.SetValue(View(value));
  f.changeFlags |= field_flags::kNew;
  card.AddField(std::move(f));
}

void CutName(Text& name) {
  if (name.size() > kMaxMediaNameUnits) name.resize(kMaxMediaNameUnits);
}

// The old codes are 1 bmp, 2 gif, 3 jpeg; a card picture's types are
// 1 bmp, 2 jpeg, 3 gif. 0: not a picture.
uint32_t PictureTypeFromCode(uint32_t code) {
  switch (code) {
    case L::picture_code::kBmp: return 1;
    case L::picture_code::kGif: return 3;
    case L::picture_code::kJpeg: return 2;
    default: return 0;
  }
}

void AddMedia(Card& card, const LegacyEntries& entries, const LegacyConvertOptions& options) {
  if (options.pictures) {
    const std::optional<ByteSpan> bytes = entries.Find(L::entry::kPictureBytes);
    const std::optional<ByteSpan> code = entries.Find(L::entry::kPictureType);
    const uint32_t type = code && code->size() >= 4 ? PictureTypeFromCode(LoadU32(code->data())) : 0;
    if (bytes && type != 0) {
      const Text name = entries.TextOf(L::entry::kPictureName);
      card.SetPicture(SecureBytes(bytes->data(), bytes->data() + bytes->size()), View(name), kPicturePlacement);
      card.picture->type = type;
      CutName(card.picture->fileName);
    }
  }
  if (options.sounds) {
    if (const std::optional<ByteSpan> bytes = entries.Find(L::entry::kSoundBytes)) {
      const Text name = entries.TextOf(L::entry::kSoundName);
      card.SetSound(SecureBytes(bytes->data(), bytes->data() + bytes->size()), View(name), false);
      CutName(card.sound->fileName);
    }
  }
}

class Conversion {
 public:
  Conversion(platform::File& old, const Key128& key, const std::vector<LegacyCustomForm>& customForms,
             const LegacyConvertOptions& options, Wallet& wallet)
      : old_(old), key_(key), customForms_(customForms), options_(options), wallet_(wallet) {}
  ~Conversion() { SecureWipe(key_.data(), key_.size()); }

  bool Run(const LegacyRecords& records) {
    // Each card goes into the first folder with its number.
    std::unordered_map<uint32_t, size_t> folderByNumber;
    for (size_t i = 0; i < records.folders.size(); ++i) folderByNumber.emplace(records.folders[i].number, i);
    std::vector<std::vector<size_t>> cardsOf(records.folders.size());
    for (size_t j = 0; j < records.cards.size(); ++j) {
      const auto it = folderByNumber.find(records.cards[j].folder);
      if (it != folderByNumber.end()) cardsOf[it->second].push_back(j);
    }
    for (size_t i = 0; i < records.folders.size(); ++i) {
      const LegacyFolder& f = records.folders[i];
      RecordHeader folder = NewFolderRecord(RecordId{}, false, &wallet_.DataKey());
      folder.SetName(View(f.name));
      folder.SetIconRaw(IconFrom(f.icon));
      folder.SetDefaultForm(BuiltInFormId(BuiltInFormNumberFor(f.defaultForm)));
      const RecordId folderId = folder.Id();
      if (wallet_.AppendRecord(std::move(folder)) < 0) return false;
      for (size_t j : cardsOf[i])
        if (!ConvertCard(records.cards[j], folderId)) return false;
    }
    return true;
  }

 private:
  bool ConvertCard(const LegacyCard& c, const RecordId& folderId) {
    Card card = wallet_.NewEmptyCard(folderId);
    card.record.SetName(View(c.name));
    SecureBytes data;
    const LegacyCardData read = ReadLegacyCardData(old_, c, key_, &data);
    // A card the old file holds no data for is kept without it; one whose
    // data could not be read fails the conversion rather than lose it.
    if (read == LegacyCardData::Unreadable) return false;
    const bool readable = read == LegacyCardData::Read;
    const LegacyEntries entries(ByteSpan(data.data(), data.size()));
    const TextSource* texts = options_.texts;
    bool matched = false;
    if (const BuiltInForm* form = BuiltInFormByLegacyNumber(c.form)) {
      matched = true;
      if (readable)
        for (const FormFieldDef& d : form->fields)
          AddValueField(card, LegacyFieldKind(int(d.formKind), d.masked != 0), wallet_.TextOf(d.labelString),
                        entries.TextOf(d.legacyNumber), texts);
    } else if (const LegacyCustomForm* custom = CustomFormFor(customForms_, c.form)) {
      matched = true;
      if (readable)
        for (const LegacyCustomField& d : custom->fields)
          AddValueField(card, LegacyFieldKind(d.formKind, d.masked), View(d.label), entries.TextOf(uint32_t(d.number)),
                        texts);
    }
    if (matched) {
      card.record.SetIconRaw(IconFrom(c.icon));
      const Text notes = entries.TextOf(L::entry::kNotes);
      if (!notes.empty()) {
        Field f;
        f.SetKind(uint16_t(FieldKind::Text), texts);
        f.SetLabel(wallet_.TextOf(kNotesLabelString));
        f.SetValue(View(notes));
        f.flags |= kNotesFieldFlag;
        f.changeFlags |= field_flags::kNew;
        card.AddField(std::move(f));
      }
    }
    AddMedia(card, entries, options_);
    return wallet_.AppendCard(card) >= 0;
  }

  platform::File& old_;
  Key128 key_;
  const std::vector<LegacyCustomForm>& customForms_;
  const LegacyConvertOptions& options_;
  Wallet& wallet_;
};

// CreateWallet's checks of the new wallet's path and password, made before
// anything is written.
CreateStatus PrecheckNewWallet(const std::string& newPath, std::u16string_view password) {
  const size_t units = Utf16Length(newPath);
  if (units < kMinimumPathUnits || units > kMaxPathUnits) return CreateStatus::BadPath;
  if (password.empty()) return CreateStatus::NoPassword;
  if (!IsAcceptableNewPassword(password)) return CreateStatus::BadPasswordLength;
  if (platform::FileExists(newPath)) return CreateStatus::Exists;
  return CreateStatus::Ok;
}

// Fills a new wallet at partialPath and gives it the name newPath once it
// is complete; the partial file is removed on every failure.
LegacyConversion WriteNewWallet(platform::File& old, const Key128& key, const LegacyRecords& records,
                                const std::vector<LegacyCustomForm>& customForms, const LegacyConvertOptions& options,
                                std::u16string_view password, const std::string& newPath) {
  if (const CreateStatus s = PrecheckNewWallet(newPath, password); s != CreateStatus::Ok) return CreateResult(s);
  // A private name with a random part: nobody can guess it in advance to
  // block the conversion or to have us publish a file of theirs.
  platform::RemoveLeftoverPartialFiles(newPath, {kConvertingTag});
  Wallet wallet;
  wallet.SetTextSource(options.texts);
  std::string partialPath;
  CreateStatus created = CreateStatus::Exists;
  for (int attempt = 0; attempt < kPartialNameAttempts && created == CreateStatus::Exists; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", unsigned(platform::Random32()));
    partialPath = newPath + "." + kConvertingTag + suffix;
    created = wallet.Create(partialPath, password, std::nullopt, false);
  }
  if (created != CreateStatus::Ok)
    return CreateResult(created == CreateStatus::Exists ? CreateStatus::CannotCreate : created);
  auto fail = [&](CreateStatus status) {
    wallet.Close();
    platform::RemoveFile(partialPath);
    return CreateResult(status);
  };
  if (wallet.Open(partialPath, password, false, nullptr) != OpenStatus::Ok) return fail(CreateStatus::CannotCreate);
  {
    Conversion conversion(old, key, customForms, options, wallet);
    if (!conversion.Run(records)) return fail(CreateStatus::CannotCreate);
  }
  if (wallet.SaveHeaders() != SaveStatus::Ok) return fail(CreateStatus::CannotCreate);
  wallet.Close();
  switch (platform::PublishFileNoReplace(partialPath, newPath)) {
    case platform::PublishResult::Ok: return Result(LegacyStatus::Converted);
    case platform::PublishResult::Exists: platform::RemoveFile(partialPath); return CreateResult(CreateStatus::Exists);
    case platform::PublishResult::Failed: break;
  }
  platform::RemoveFile(partialPath);
  return CreateResult(CreateStatus::CannotCreate);
}

// Hash and key of the old wallet's password, wiped when done with.
struct LegacySecrets {
  Digest hash{};
  Key128 key{};
  ~LegacySecrets() {
    SecureWipe(hash.data(), hash.size());
    SecureWipe(key.data(), key.size());
  }
};

}  // namespace

std::string LegacyConvertedPath(const std::string& walPath) {
  const size_t slash = walPath.find_last_of('/');
  const size_t dot = walPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? walPath.substr(0, dot) : walPath) + ".tb5";
}

LegacyConversion ConvertLegacyWallet(const std::string& walPath, std::u16string_view password,
                                     const LegacyConvertOptions& options, std::string* newPathOut) {
  const std::string newPath = LegacyConvertedPath(walPath);
  if (newPathOut) *newPathOut = newPath;
  // Read access only: the old file is never written.
  platform::File old;
  if (old.Open(walPath, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok)
    return Result(LegacyStatus::CannotOpen);
  uint64_t size = 0;
  if (!old.Size(&size)) return Result(LegacyStatus::CannotOpen);
  if (size < L::head::kSize) return Result(LegacyStatus::NotALegacyWallet);
  uint8_t headBytes[L::head::kSize];
  size_t got = 0;
  if (!old.ReadAt(0, headBytes, sizeof headBytes, &got) || got != sizeof headBytes)
    return Result(LegacyStatus::CannotOpen);
  LegacyHead head;
  const bool isLegacy = DecodeLegacyHead(ByteSpan(headBytes, sizeof headBytes), &head);
  SecureWipe(headBytes, sizeof headBytes);
  if (!isLegacy) return Result(LegacyStatus::NotALegacyWallet);

  LegacySecrets secrets;
  secrets.hash = LegacyPasswordHash(head.salt, password);
  secrets.key = LegacyKeyFromHash(secrets.hash);
  if (!LegacyPasswordMatches(secrets.key, secrets.hash, head.checkValue)) return Result(LegacyStatus::WrongPassword);

  std::vector<LegacyCustomForm> customForms;
  if (head.usesCustomForms && !LoadCustomForms(head.customFormFile, options, &customForms))
    return Result(LegacyStatus::NoCustomFormFile);

  LegacyRecords records;
  if (!ReadLegacyRecords(old, size, &records)) return Result(LegacyStatus::CannotOpen);
  return WriteNewWallet(old, secrets.key, records, customForms, options, password, newPath);
}

std::string LegacyInstallFolder(const platform::Registry& registry) {
  const std::optional<platform::RegistryValue> value = registry.Get(kDocumentIconKey, u"");
  if (!value || value->type != platform::RegistryValue::Type::String) return {};
  std::u16string_view icon = value->text;
  while (!icon.empty() && icon.front() == u' ') icon.remove_prefix(1);
  if (!icon.empty() && icon.front() == u'"') {
    icon.remove_prefix(1);
    icon = icon.substr(0, icon.find(u'"'));
  }
  const size_t slash = icon.find_last_of(u"/\\");
  if (slash == std::u16string_view::npos) return {};
  return platform::ToUtf8(slash == 0 ? icon.substr(0, 1) : icon.substr(0, slash));
}

const char* Describe(LegacyStatus s) {
  switch (s) {
    case LegacyStatus::Converted: return "converted";
    case LegacyStatus::CannotOpen: return "the old wallet cannot be opened";
    case LegacyStatus::NotALegacyWallet: return "not a wallet of the older generation";
    case LegacyStatus::WrongPassword: return "wrong password";
    case LegacyStatus::NoCustomFormFile: return "the custom-form definition file was not found";
    case LegacyStatus::CreateFailed: return "the new wallet could not be created";
  }
  return "unknown status";
}

}  // namespace tb::storage
