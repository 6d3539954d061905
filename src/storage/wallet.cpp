// Creating, opening, saving and closing a wallet; its hint, view names and
// password.
#include "storage/wallet.h"

#include <cstring>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/cipher/keys.h"
#include "storage/format_text.h"
#include "storage/record_scanner.h"
#include "storage/string_numbers.h"

namespace tb::storage {

namespace H = layout::header;

namespace {
constexpr int32_t kFormsFolderIcon = 55;
constexpr size_t kMinimumPathLength = 6;
constexpr size_t kMaxPathUnits = 260;

size_t Utf16Length(const std::string& utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;  // one per code point...
    if ((c & 0xF8) == 0xF0) ++units;  // ...two for those beyond the BMP
  }
  return units;
}

bool PathIsUsable(const std::string& path) {
  const size_t units = Utf16Length(path);
  return units >= kMinimumPathLength && units <= kMaxPathUnits;
}

// The seal key of a wallet whose header block this is, when the password
// opens it.
JournalKeyFor KeyForPassword(std::u16string_view password) {
  return [password](const uint8_t* block) -> std::optional<SealKey> {
    WalletHeader h;
    std::memcpy(h.raw.data(), block, h.raw.size());
    struct WipeAfter {
      WalletHeader& h;
      ~WipeAfter() { h.Wipe(); }
    } wipe{h};
    if (!h.SignaturesValid()) return std::nullopt;
    h.DeriveHeaderKey();
    if (!h.headerKey.IsSet()) return std::nullopt;
    if (!h.HasVerifier()) return JournalSealKey(h.dataKey, h.headerKey);
    if (VerifyAgainst(h.Verifier(), h.headerKey, password) == VerifyResult::Wrong) return std::nullopt;
    h.dataKey.SetKey(DeriveDataKey(h.headerKey, password));
    return JournalSealKey(h.dataKey, h.headerKey);
  };
}
}  // namespace

bool IsAcceptableNewPassword(std::u16string_view password) { return password.size() >= 3 && password.size() <= 23; }

Wallet::Wallet() { index_.SetRecordKey(&header_.dataKey); }
Wallet::~Wallet() { Close(); }

std::u16string_view Wallet::TextOf(uint32_t number) const {
  return texts_ ? texts_->Text(number) : std::u16string_view(u"?");
}

// --- blocks --------------------------------------------------------------

BlockStatus Wallet::ReadBlock(uint8_t* data, size_t size) {
  if (!file_.IsOpen()) return BlockStatus::NoFile;
  size_t got = 0;
  if (!file_.Read(data, size, &got)) return BlockStatus::IoFailed;
  if (got == 0) return BlockStatus::EndOfFile;
  if (got < size) return BlockStatus::Short;
  return BlockStatus::Ok;
}

bool Wallet::WriteBlocks(bool signature, bool header, bool options, bool journaled, SaveStatus* status) {
  *status = SaveStatus::Ok;
  if (header) header_.FillRandomFields();
  if (signature) signature_.SetCurrentVersion();
  struct Block {
    bool write;
    const uint8_t* data;
    size_t size;
    uint64_t offset;
    SaveStatus failure;
  };
  const Block blocks[] = {
      {signature, signature_.raw.data(), signature_.raw.size(), layout::kSignatureOffset,
       SaveStatus::SignatureWriteFailed},
      {header, header_.raw.data(), header_.raw.size(), layout::kHeaderOffset, SaveStatus::HeaderWriteFailed},
      {options, options_.raw.data(), options_.raw.size(), layout::kOptionsOffset, SaveStatus::OptionsWriteFailed},
  };
  if (journaled) {
    std::vector<InPlaceWrite> writes;
    SaveStatus first = SaveStatus::Ok;
    for (const Block& b : blocks) {
      if (!b.write) continue;
      if (first == SaveStatus::Ok) first = b.failure;
      writes.push_back({b.offset, std::vector<uint8_t>(b.data, b.data + b.size)});
    }
    if (!writes.empty() && !WriteInPlace(std::move(writes))) {
      *status = first;
      return false;
    }
  } else {
    for (const Block& b : blocks) {
      if (b.write && !file_.WriteAt(b.offset, b.data, b.size)) {
        *status = b.failure;
        return false;
      }
    }
  }
  if (signature) signature_.changed = false;
  if (header) header_.changed = false;
  if (options) options_.changed = false;
  return true;
}

bool Wallet::WriteInPlace(std::vector<InPlaceWrite> writes) {
  if (!file_.IsOpen() || file_.IsReadOnly()) return false;
  // What is there now: the journal carries it beside the new bytes, and it
  // is put back if a write fails on the way.
  std::vector<JournalEntry> entries;
  for (InPlaceWrite& w : writes) {
    JournalEntry e{w.offset, std::vector<uint8_t>(w.bytes.size()), std::move(w.bytes)};
    size_t got = 0;
    if (!file_.ReadAt(e.offset, e.before.data(), e.before.size(), &got) || got != e.before.size()) return false;
    entries.push_back(std::move(e));
  }
  std::vector<uint8_t> headerNow(layout::header::kSize);
  uint64_t size = 0;
  size_t got = 0;
  if (!file_.Size(&size) || !file_.ReadAt(layout::kHeaderOffset, headerNow.data(), headerNow.size(), &got) ||
      got != headerNow.size())
    return false;
  SealKey key = JournalSealKey(header_.dataKey, header_.headerKey);
  const bool journaled = WriteJournal(realPath_, BindingOf(headerNow.data(), size), key, entries);
  SecureWipe(key.data(), key.size());
  if (!journaled) return false;
  bool written = true;
  for (const JournalEntry& e : entries)
    if (written && !file_.WriteAt(e.offset, e.after.data(), e.after.size())) written = false;
  if (written && file_.Flush()) {
    RemoveJournal(realPath_);
    return true;
  }
  // Take it back; only if that fails too does the journal stay, to finish
  // the change at the next open.
  bool restored = true;
  for (const JournalEntry& e : entries)
    if (!file_.WriteAt(e.offset, e.before.data(), e.before.size())) restored = false;
  if (restored && file_.Flush()) RemoveJournal(realPath_);
  return false;
}

// --- create ----------------------------------------------------------------

CreateStatus Wallet::Create(const std::string& path, std::u16string_view password,
                            std::optional<std::u16string_view> hint, bool withStarterFolder) {
  Close();
  if (!PathIsUsable(path)) return CreateStatus::BadPath;
  if (password.empty()) return CreateStatus::NoPassword;
  if (!IsAcceptableNewPassword(password)) return CreateStatus::BadPasswordLength;
  if (platform::FileExists(path)) return CreateStatus::Exists;
  // The wallet is written under a private name of its own and given its
  // real name only when complete, so that it appears whole or not at all.
  platform::RemoveLeftoverPartialFiles(path, {kCreatingTag});
  std::string partialPath;
  if (!platform::CreatePartialFile(path, kCreatingTag, &file_, &partialPath)) return CreateStatus::CannotCreate;
  path_ = realPath_ = partialPath;
  // A create that fails leaves no half-made wallet behind.
  auto fail = [&](CreateStatus status) {
    Close();
    platform::RemoveFile(partialPath);
    return status;
  };
  const platform::SystemTime now = platform::LocalTime();

  signature_.SetNew();
  header_.SetNew(now);
  header_.DeriveHeaderKey();
  if (!header_.headerKey.IsSet()) return fail(CreateStatus::HeaderSetupFailed);
  header_.dataKey.SetKey(DeriveDataKey(header_.headerKey, password));
  header_.SetVerifier(MakeVerifier(header_.dataKey));
  std::memset(header_.raw.data() + H::kLegacyKey, 0, 16);
  StoreU32(header_.raw.data() + H::kCreatedMarker, 1);
  for (int n = 0; n < 3; ++n) {
    header_.SetViewName(n, TextOf(H::kDefaultViewName[n]));
    header_.SetViewIcon(n, H::kDefaultViewIcon[n]);
  }
  header_.SetHint(hint);
  header_.AddFlags(H::kFlagPasswordSet | H::kFlagHintSet | H::kFlagViewChanged);
  header_.passwordVerified = true;
  options_.SetNew(now);

  SaveStatus saved;
  if (!WriteBlocks(true, false, false, false, &saved)) return fail(CreateStatus::SignatureWriteFailed);
  if (!WriteBlocks(false, true, false, false, &saved)) return fail(CreateStatus::HeaderWriteFailed);
  if (!WriteBlocks(false, false, true, false, &saved)) return fail(CreateStatus::OptionsWriteFailed);
  open_ = true;
  if (withStarterFolder) {
    RecordHeader starter = NewFolderRecord(RecordId{}, false, &header_.dataKey);
    starter.SetName(TextOf(kStrStarterFolderName));
    starter.SetIconRaw(kNewFolderIcon);
    if (AppendRecord(std::move(starter)) < 0) return fail(CreateStatus::CannotCreate);
  }
  RecordHeader forms = NewFolderRecord(RecordId{}, true, &header_.dataKey);
  forms.SetName(TextOf(kStrFormsFolderName));
  forms.SetIconRaw(kFormsFolderIcon);
  if (AppendRecord(std::move(forms)) < 0 || !file_.Flush()) return fail(CreateStatus::CannotCreate);
  // Published while still locked: nobody takes it for a leftover meanwhile.
  const platform::PublishResult published = platform::PublishFileNoReplace(partialPath, path);
  if (published == platform::PublishResult::Ok) {
    Close();
    return CreateStatus::Ok;
  }
  return fail(published == platform::PublishResult::Exists ? CreateStatus::Exists : CreateStatus::CannotCreate);
}

// --- open ------------------------------------------------------------------

OpenStatus Wallet::ReadHeaders(std::u16string_view password, bool readOnly, Prompter* prompter, bool upgradeAccepted) {
  uint64_t size = 0;
  if (!file_.Size(&size) || size < layout::signature::kSize) return OpenStatus::NotAWallet;
  file_.Seek(0);
  if (ReadBlock(signature_.raw.data(), signature_.raw.size()) != BlockStatus::Ok || !signature_.TextIsValid())
    return OpenStatus::NotAWallet;
  const FormatVersion version = signature_.Version();
  if (version == FormatVersion::Unsupported) return OpenStatus::UnsupportedVersion;
  const bool five = version == FormatVersion::Five;

  if (ReadBlock(header_.raw.data(), header_.raw.size()) != BlockStatus::Ok || !header_.SignaturesValid())
    return OpenStatus::BadHeader;
  header_.DeriveHeaderKey();
  header_.changed = false;
  // The previous format keeps its records' key at offset 56, hidden under
  // the header key.
  if (five) header_.headerKey.Apply(header_.raw.data() + H::kLegacyKey, 16, header_.legacyKey.data());

  bool upgrade = false;
  if (header_.HasVerifier()) {
    const VerifyResult verified = VerifyAgainst(header_.Verifier(), header_.headerKey, password);
    switch (verified) {
      case VerifyResult::Wrong: return OpenStatus::WrongPassword;
      case VerifyResult::VerifiedLegacyForm:
        header_.dataKey.SetKey(DeriveDataKey(header_.headerKey, password));
        header_.SetVerifier(MakeVerifier(header_.dataKey));
        header_.changed = true;
        break;
      case VerifyResult::Verified: break;
    }
    header_.passwordVerified = true;
    if (five) {
      // Nothing is written for a caller that cannot be asked.
      if (readOnly || !prompter) return OpenStatus::NeedsUpgrade;
      // The current form of the verifier speaks for the password's key,
      // which a version-5 file's records are not under: converting them
      // from the old key would turn them into noise.
      if (verified != VerifyResult::VerifiedLegacyForm) return OpenStatus::BadHeader;
      if (!upgradeAccepted) {
        Message question;
        question.text = u"Tamberlock Pro would like to upgrade the wallet file format.\r\nContinue?";
        question.caption = FormatText(u"%s %d", {std::u16string_view(u"Tamberlock Pro"), int64_t(6)});
        question.buttons = Buttons::OkCancel;
        question.icon = MessageIcon::Question;
        const bool accepted = prompter->Show(question) == Answer::Ok;
        // Whatever the answer, the deleted cards and folders go.
        PurgeTombstones();
        if (!accepted) return OpenStatus::UpgradeDeclined;
      }
      upgrade = true;
      signature_.changed = true;
    }
    header_.dataKey.SetKey(DeriveDataKey(header_.headerKey, password));
  } else if (five) {
    // Without a password there is nothing to upgrade to; the records stay
    // readable under the key they were written with.
    header_.dataKey.SetKey(header_.legacyKey);
  }
  // The purge may have put a new file in place: read the options at their
  // offset, not where the last read ended.
  if (!file_.Seek(layout::kOptionsOffset) || ReadBlock(options_.raw.data(), options_.raw.size()) != BlockStatus::Ok ||
      !options_.SignaturesValid())
    return OpenStatus::BadOptions;
  options_.changed = false;
  return upgrade ? OpenStatus::UpgradeAccepted : OpenStatus::Ok;
}

OpenStatus Wallet::OpenOnce(const std::string& path, std::u16string_view password, bool readOnly, Prompter* prompter,
                            bool upgradeAccepted) {
  Close();
  if (!PathIsUsable(path)) return OpenStatus::BadPath;
  // Resolved once: a wallet reached through a link is written where it
  // really is, never beside the link.
  std::string real;
  if (!platform::RealPath(path, &real)) return OpenStatus::CannotOpen;
  switch (file_.Open(real, readOnly ? platform::OpenMode::ReadOnly : platform::OpenMode::ReadWrite,
                     platform::Links::Refuse)) {
    case platform::OpenResult::Ok: break;
    case platform::OpenResult::Locked: return OpenStatus::InUse;
    case platform::OpenResult::NotRegular: return OpenStatus::NotAFile;
    default: return OpenStatus::CannotOpen;
  }
  path_ = path;
  realPath_ = real;
  if (!readOnly) {
    // Leftovers of work that never finished go first: a name a publish
    // could not drop would otherwise count as a second name of the wallet.
    platform::FileFacts identity;
    if (file_.Facts(&identity))
      platform::RemoveLeftoverPartialFiles(realPath_, {kCreatingTag, kConvertingTag, kCutTag, kRekeyTag, kUpgradeTag},
                                           &identity);
    if (!file_.Facts(&identity)) {
      Close();
      return OpenStatus::CannotOpen;
    }
    if (identity.links > 1) {
      // Changes replace the file, and appends would go to every name:
      // with the caller's agreement this name gets a file of its own now,
      // so that every change of this session goes to it alone.
      std::vector<FileEdit> none;
      if (!breakLinksAllowed_ || !RewriteFile(none)) {
        Close();
        return breakLinksAllowed_ ? OpenStatus::CannotOpen : OpenStatus::HardLinked;
      }
    }
    // An in-place write that a power cut interrupted is finished first,
    // once the password shows the journal to be the wallet's own.
    const JournalReport report = RecoverJournal(file_, realPath_, KeyForPassword(password));
    if (report.status != JournalRecovery::None) journalReport_ = report;
    if (report.status == JournalRecovery::Failed) {
      Close();
      return OpenStatus::RecordsUnreadable;
    }
  }
  const OpenStatus headers = ReadHeaders(password, readOnly, prompter, upgradeAccepted);
  if (headers == OpenStatus::UpgradeAccepted) return headers;  // open for the upgrade
  if (headers == OpenStatus::WrongPassword || headers == OpenStatus::NeedsUpgrade) {
    // A wallet that only wants its password (or its upgrade) keeps its
    // header block, though not the file: the password prompt checks what
    // is typed against it and shows its hint. Nothing in it is secret.
    if (file_.IsOpen()) file_.Close();
    return headers;
  }
  if (headers != OpenStatus::Ok) {
    Close();
    return headers;
  }
  open_ = true;
  // This build writes the current format only; a version-5 file that opens
  // (one without a password) is read, never written.
  readOnly_ = readOnly || signature_.Version() == FormatVersion::Five;
  const OpenStatus loaded = LoadAllRecords();
  if (loaded != OpenStatus::Ok && loaded != OpenStatus::Damaged) Close();
  return loaded;
}

OpenStatus Wallet::Open(const std::string& path, std::u16string_view password, bool readOnly, Prompter* prompter) {
  journalReport_ = JournalReport();
  OpenStatus status = OpenOnce(path, password, readOnly, prompter, false);
  bool upgraded = false;
  if (status == OpenStatus::UpgradeAccepted) {
    status = UpgradeOpenFile(path, password, prompter);
    if (status != OpenStatus::Ok) return status;
    upgraded = true;
    // The file has the current format now; it opens like any other.
    status = OpenOnce(path, password, readOnly, nullptr, false);
  }
  if (status == OpenStatus::Damaged) {
    if (readOnly || !prompter) {
      Close();
      status = OpenStatus::Damaged;
    } else if (Repair(prompter) != RepairStatus::Repaired) {
      Close();
      status = OpenStatus::Damaged;
    } else {
      // Load again once; what that finds is the answer.
      status = OpenOnce(path, password, readOnly, nullptr, false);
      if (status == OpenStatus::Damaged) Close();
    }
  }
  if (upgraded && prompter) {
    Message done;
    done.text =
        u"Your wallet file format has been updated.\n\nIf you are also using Tamberlock Pro Desktop Edition,\n"
        u"please open/unlock your wallet file(s) with the Desktop Edition\nto update the files before "
        u"synchronizing.";
    done.caption = u"Tamberlock Pro";
    done.buttons = Buttons::Ok;
    done.icon = MessageIcon::Information;
    prompter->Show(done);
  }
  return status;
}

SaveStatus Wallet::SaveHeaders(AfterFailedSave onFailure) {
  if (!open_ || !file_.IsOpen()) return SaveStatus::NotOpen;
  if (readOnly_) return SaveStatus::ReadOnly;
  SaveStatus status = SaveStatus::Ok;
  if (!WriteBlocks(signature_.changed, header_.changed, options_.changed, true, &status)) {
    if (onFailure == AfterFailedSave::Close) Close();
    return status;
  }
  return SaveStatus::Ok;
}

void Wallet::Close() {
  if (file_.IsOpen()) {
    if (!file_.IsReadOnly()) file_.Flush();
    file_.Close();
  }
  index_.Clear();
  byId_.Clear();
  path_.clear();
  realPath_.clear();
  signature_ = FileSignature();
  header_.Wipe();
  SecureWipe(options_.raw.data(), options_.raw.size());
  options_ = WalletOptions();
  ClearFindResults();
  open_ = false;
  readOnly_ = false;
}

// --- password, hint, views -----------------------------------------------

bool Wallet::CheckPassword(std::u16string_view password) {
  if (!header_.headerKey.IsSet()) return false;
  const VerifyResult r = VerifyAgainst(header_.Verifier(), header_.headerKey, password);
  if (r == VerifyResult::Wrong) return false;
  header_.passwordVerified = true;
  return true;
}

std::optional<Text> Wallet::GetHint() const { return header_.Hint(); }

void Wallet::SetHint(std::optional<std::u16string_view> hint) { header_.SetHint(hint); }

std::optional<Text> Wallet::GetSpecialViewName(int n) const { return header_.ViewName(n - 1); }

Text Wallet::SpecialViewDisplayName(int n) const {
  if (auto name = GetSpecialViewName(n); name && !name->empty()) return *name;
  if (n < 1 || n > 3) return Text();
  return ToText(TextOf(H::kDefaultViewName[n - 1]));
}

int32_t Wallet::GetSpecialViewIcon(int n) const { return header_.ViewIcon(n - 1); }

void Wallet::SetSpecialView(int n, std::optional<std::u16string_view> name, int32_t icon) {
  if (n < 1 || n > 3) return;
  header_.SetViewName(n - 1, name);
  header_.SetViewIcon(n - 1, icon);
}

}  // namespace tb::storage
