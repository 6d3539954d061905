#include "shell/core/wallets_manager.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <system_error>
#include <utility>

#include "platform/core/documents.h"
#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/format_text.h"
#include "storage/wallet.h"

namespace tb::shell {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (LowerAscii(text[text.size() - tail.size() + i]) != LowerAscii(tail[i])) return false;
  return true;
}

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The file name up to its last dot.
std::string_view StemOf(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

WalletEntry MakeEntry(const std::string& path) {
  WalletEntry entry;
  entry.path = path;
  const std::string_view name = FileNameOf(path);
  entry.displayName = platform::FromUtf8(StemOf(name));
  entry.icon = EndsWithNoCase(name, "tb5") ? kWalletFileIcon : kLegacyWalletFileIcon;
  entry.legacy = IsLegacyWalletPath(path);
  entry.readOnly = !platform::IsWritable(path);
  return entry;
}

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  platform::ToLowerInPlace(folded);
  return folded;
}

// The error number the last failing call left, never 0.
int LastError() { return errno != 0 ? errno : EIO; }

CopyOutcome Failure(CopyStatus status, int errorCode) {
  CopyOutcome outcome;
  outcome.status = status;
  outcome.errorCode = errorCode;
  return outcome;
}

// "D" "N" "(k)" "E" of the copy's name.
std::string CopyName(std::string_view folder, std::string_view stem, int k, std::string_view extension) {
  return std::string(folder) + std::string(stem) + "(" + std::to_string(k) + ")" + std::string(extension);
}

// The first number from k on whose copy name is free; 0 when none is.
int FreeCopyNumber(std::string_view folder, std::string_view stem, std::string_view extension, int k) {
  for (; k <= kLastCopyNumber; ++k)
    if (platform::ProbePath(CopyName(folder, stem, k, extension)) == platform::PathState::Missing) return k;
  return 0;
}

// A hidden file beside the copy's place, owner-only and locked; the copy is
// written here in full before it gets its name. Its name is short so that
// a long wallet name cannot make it too long.
bool CreateScratchFile(const std::string& folder, platform::File* file, std::string* path, int* error) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", unsigned(platform::Random32()));
    *path = folder + ".tbcopy-" + suffix;
    errno = 0;
    switch (file->Open(*path, platform::OpenMode::CreateNew)) {
      case platform::OpenResult::Ok: return true;
      case platform::OpenResult::Exists: continue;
      default: *error = LastError(); return false;
    }
  }
  *error = EEXIST;
  return false;
}

bool CopyContents(platform::File& source, platform::File& target, int* error) {
  uint64_t size = 0;
  errno = 0;
  if (!source.Size(&size)) {
    *error = LastError();
    return false;
  }
  errno = 0;
  if (!target.CopyFrom(source, 0, size, 0)) {
    *error = LastError();
    return false;
  }
  uint64_t written = 0;
  errno = 0;
  if (!target.Size(&written) || written != size || !target.Flush()) {
    *error = LastError();
    return false;
  }
  return true;
}

storage::Message StopMessage(uint32_t textNumber, uint32_t captionNumber, std::u16string caption = {}) {
  storage::Message m;
  m.textNumber = textNumber;
  m.captionNumber = captionNumber;
  m.caption = std::move(caption);
  m.buttons = storage::Buttons::Ok;
  m.icon = storage::MessageIcon::Stop;
  return m;
}

// Characters a file name cannot hold where wallets travel, control
// characters (a NUL would cut the path short) and halves of a character.
bool IsForbiddenInName(std::u16string_view name, size_t i) {
  const char16_t c = name[i];
  if (c < 0x20 || c == 0x7F) return true;
  if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) return true;
  if (c >= 0xD800 && c <= 0xDBFF) return i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF;
  if (c >= 0xDC00 && c <= 0xDFFF) return i == 0 || name[i - 1] < 0xD800 || name[i - 1] > 0xDBFF;
  return false;
}

}  // namespace

bool IsLegacyWalletPath(std::string_view path) { return path.size() >= 6 && EndsWithNoCase(path, ".wal"); }

std::vector<WalletEntry> ListWalletFiles() {
  std::vector<WalletEntry> entries;
  std::set<std::string> paths;
  std::vector<platform::FileIdentity> identities;
  for (const std::string& path : platform::FindDocuments({"wal", "tb5"})) {
    // A file reached twice (places that overlap, a link, a card that
    // ignores letter case) is listed once, where it was found first.
    if (!paths.insert(path).second) continue;
    platform::FileIdentity identity;
    if (platform::IdentityOf(path, &identity)) {
      if (std::find(identities.begin(), identities.end(), identity) != identities.end()) continue;
      identities.push_back(identity);
    }
    entries.push_back(MakeEntry(path));
  }
  std::vector<std::u16string> keys;
  keys.reserve(entries.size());
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    keys.push_back(Folded(entries[i].displayName));
    order[i] = i;
  }
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (entries[a].legacy != entries[b].legacy) return !entries[a].legacy;
    if (keys[a] != keys[b]) return keys[a] < keys[b];
    return entries[a].path < entries[b].path;
  });
  std::vector<WalletEntry> sorted;
  sorted.reserve(entries.size());
  for (size_t i : order) sorted.push_back(std::move(entries[i]));
  return sorted;
}

std::u16string SystemErrorText(int errorCode) { return platform::FromUtf8(std::generic_category().message(errorCode)); }

// --- WalletsManager ----------------------------------------------------------

std::vector<std::string> WalletsManager::Fill() {
  std::vector<WalletEntry> fresh = ListWalletFiles();
  std::set<std::string> now;
  for (const WalletEntry& e : fresh) now.insert(e.path);
  std::vector<std::string> gone;
  for (const WalletEntry& e : entries_)
    if (now.count(e.path) == 0) gone.push_back(e.path);
  entries_ = std::move(fresh);
  filled_ = true;
  Select(-1);
  return gone;
}

void WalletsManager::Select(int index) {
  if (index < 0 || size_t(index) >= entries_.size()) {
    selected_ = -1;
    chosenPath_.clear();
    return;
  }
  selected_ = index;
  chosenPath_ = entries_[size_t(index)].path;
}

const WalletEntry* WalletsManager::SelectedEntry() const {
  if (selected_ < 0 || size_t(selected_) >= entries_.size()) return nullptr;
  return &entries_[size_t(selected_)];
}

void WalletsManager::DropEntry(size_t index) {
  if (index >= entries_.size()) return;
  entries_.erase(entries_.begin() + std::ptrdiff_t(index));
  Select(-1);
}

std::optional<ManagerChoice> WalletsManager::Open() {
  const WalletEntry* entry = SelectedEntry();
  if (entry == nullptr) return std::nullopt;
  chosenPath_ = entry->path;
  isNew_ = false;
  return Confirm();
}

ManagerChoice WalletsManager::Confirm() {
  if (chosenPath_.empty()) {
    Cancel();
    return ManagerChoice::Cancel;
  }
  if (isNew_) return ManagerChoice::Create;
  if (platform::ProbePath(chosenPath_) == platform::PathState::Missing) {
    const std::string gone = chosenPath_;
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].path == gone) {
        DropEntry(i);
        break;
      }
    chosenPath_.clear();
    return ManagerChoice::Gone;
  }
  return IsLegacyWalletPath(chosenPath_) ? ManagerChoice::ConvertLegacy : ManagerChoice::Open;
}

ManagerChoice WalletsManager::ChooseNewWallet(const std::string& path) {
  if (path.empty()) return ManagerChoice::Cancel;
  chosenPath_ = path;
  isNew_ = true;
  return ManagerChoice::Create;
}

void WalletsManager::Cancel() {
  chosenPath_.clear();
  isNew_ = false;
}

std::optional<storage::Message> WalletsManager::DeleteQuestion(const storage::TextSource& texts) const {
  const WalletEntry* entry = SelectedEntry();
  if (entry == nullptr) return std::nullopt;
  storage::Message m;
  m.textNumber = kDeleteWalletQuestion;
  const std::u16string path = platform::FromUtf8(entry->path);
  m.text = storage::FormatText(texts.Text(kDeleteWalletQuestion), {std::u16string_view(path)});
  m.captionNumber = kDeleteWalletCaption;
  m.buttons = storage::Buttons::YesNo;
  m.icon = storage::MessageIcon::Warning;
  return m;
}

DeleteStatus WalletsManager::DeleteSelected() {
  const WalletEntry* entry = SelectedEntry();
  if (entry == nullptr) return DeleteStatus::NoSelection;
  const size_t index = size_t(selected_);
  if (platform::RemoveFile(entry->path)) {
    DropEntry(index);
    return DeleteStatus::Deleted;
  }
  if (platform::ProbePath(entry->path) == platform::PathState::Missing) {
    DropEntry(index);
    return DeleteStatus::Gone;
  }
  return DeleteStatus::Failed;
}

CopyOutcome WalletsManager::CopySelected() {
  const WalletEntry* entry = SelectedEntry();
  if (entry == nullptr) return Failure(CopyStatus::NoSelection, 0);
  const std::string sourcePath = entry->path;
  const std::string_view name = FileNameOf(sourcePath);
  const std::string folder = sourcePath.substr(0, sourcePath.size() - name.size());
  const std::string stem(StemOf(name));
  const std::string extension(name.substr(stem.size()));

  if (!platform::IsRegularFile(sourcePath)) {
    if (platform::ProbePath(sourcePath) == platform::PathState::Missing) return Failure(CopyStatus::SourceGone, ENOENT);
    return Failure(CopyStatus::Failed, EINVAL);
  }
  int k = FreeCopyNumber(folder, stem, extension, kFirstCopyNumber);
  if (k == 0) return Failure(CopyStatus::AllNamesTaken, EEXIST);

  platform::File source;
  errno = 0;
  switch (source.Open(sourcePath, platform::OpenMode::ReadOnly)) {
    case platform::OpenResult::Ok: break;
    case platform::OpenResult::NotFound: return Failure(CopyStatus::SourceGone, ENOENT);
    default: return Failure(CopyStatus::Failed, LastError());
  }
  platform::File scratch;
  std::string scratchPath;
  int error = 0;
  if (!CreateScratchFile(folder, &scratch, &scratchPath, &error)) return Failure(CopyStatus::Failed, error);
  auto discard = [&](CopyStatus status, int code) {
    scratch.Close();
    platform::RemoveFile(scratchPath);
    return Failure(status, code);
  };
  if (!CopyContents(source, scratch, &error)) return discard(CopyStatus::Failed, error);
  source.Close();
  scratch.Close();
  platform::FileIdentity made;
  const bool knowsMade = platform::IdentityOf(scratchPath, &made);

  for (; k != 0; k = FreeCopyNumber(folder, stem, extension, k + 1)) {
    const std::string target = CopyName(folder, stem, k, extension);
    errno = 0;
    const platform::PublishResult published = platform::PublishFileNoReplace(scratchPath, target);
    error = LastError();
    if (published == platform::PublishResult::Exists) continue;  // taken meanwhile: the next number
    platform::FileIdentity there;
    // A failure after the copy got its name (flushing the folder) still
    // leaves a whole copy under it.
    const bool isOurs = published == platform::PublishResult::Ok ||
                        (knowsMade && platform::IdentityOf(target, &there) && there == made);
    if (!isOurs) return discard(CopyStatus::Failed, error);
    platform::RemoveFile(scratchPath);  // only left when the name was given but not dropped
    Fill();
    CopyOutcome outcome;
    outcome.status = CopyStatus::Copied;
    outcome.path = target;
    return outcome;
  }
  return discard(CopyStatus::AllNamesTaken, EEXIST);
}

// --- the new wallet ------------------------------------------------------------

std::vector<SaveInPlace> NewWalletPlaces(uint32_t osMajorVersion) {
  const platform::DocumentPlaces places = platform::CurrentDocumentPlaces();
  std::vector<SaveInPlace> list;
  list.push_back({kSaveInDocuments, places.documents, false});
  if (!places.storageCards.empty() && osMajorVersion >= 5) {
    list.push_back({kSaveInStorageCard,
                    platform::StorageCardDocumentsFolder(places.storageCards.front(), places.documents), true});
  }
  return list;
}

NameCheck CheckNewWalletName(std::u16string_view name, const SaveInPlace& place) {
  NameCheck check;
  if (name.empty()) {
    check.status = NameStatus::Empty;
    return check;
  }
  if (name.size() > kMaxNewWalletNameLength) {
    check.status = NameStatus::TooLong;
    check.message = StopMessage(kNameHasForbiddenCharacter, kNameHasForbiddenCharacterCaption);
    return check;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (IsForbiddenInName(name, i)) {
      check.status = NameStatus::Forbidden;
      check.message = StopMessage(kNameHasForbiddenCharacter, kNameHasForbiddenCharacterCaption);
      return check;
    }
  }
  const uint32_t takenText = place.storageCard ? kNameTakenOnStorageCard : kNameTakenInDocuments;
  auto taken = [&] {
    check.status = NameStatus::Taken;
    check.path.clear();
    check.message = StopMessage(takenText, 0, kProgramCaption);
    return check;
  };
  if (place.folder.empty() || !platform::EnsureFolder(place.folder)) return taken();
  check.path = place.folder + (place.folder.back() == '/' ? "" : "/") + platform::ToUtf8(name) + ".tb5";
  // Anything at that name, or a name the folder cannot take, is refused.
  if (platform::ProbePath(check.path) != platform::PathState::Missing) return taken();
  check.status = NameStatus::Ok;
  return check;
}

storage::CreateStatus CreateNewWallet(const std::string& path, std::u16string_view password,
                                      std::optional<std::u16string_view> hint, const storage::TextSource* texts,
                                      bool withStarterFolder) {
  storage::Wallet wallet;
  wallet.SetTextSource(texts);
  const storage::CreateStatus status = wallet.Create(path, password, hint, withStarterFolder);
  wallet.Close();
  return status;
}

}  // namespace tb::shell
