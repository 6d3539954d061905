#include "interchange/text_export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/format_text.h"
#include "storage/forms/field_kinds.h"
#include "storage/tree_order.h"

namespace tb::interchange {

namespace {

using storage::Text;

constexpr size_t kFlushBytes = 64 * 1024;
constexpr size_t kMaxFieldLines = 256;
constexpr int kTemporaryAttempts = 16;

std::u16string_view View(const Text& t) { return std::u16string_view(t.data(), t.size()); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// A new private file beside the one it will become, so that the finished
// file can replace an older one by a rename.
bool CreateTemporary(const std::string& folder, platform::File* file, std::string* path) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, ".tbexport-%08x.tmp", unsigned(platform::Random32()));
    const std::string candidate = folder + "/" + name;
    switch (file->Open(candidate, platform::OpenMode::CreateNew)) {
      case platform::OpenResult::Ok: *path = candidate; return true;
      case platform::OpenResult::Exists: continue;
      default: return false;
    }
  }
  return false;
}

bool MakeExportFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::create_directory(folder, ec)) {
    // It will hold secrets in clear.
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    return true;
  }
  return !ec && fs::is_directory(folder, ec);
}

void AppendUnits(Text& line, std::u16string_view text) { line.append(text.data(), text.size()); }

}  // namespace

bool WriteReplacing(const std::string& folder, const std::string& path, const uint8_t* data, size_t size) {
  platform::File file;
  std::string temporary;
  if (!CreateTemporary(folder, &file, &temporary)) return false;
  const bool written = file.WriteAt(0, data, size) && file.Flush();
  file.Close();
  if (!written || !platform::ReplaceFileAtomically(temporary, path)) {
    platform::RemoveFile(temporary);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- names

std::u16string ReplaceNameCharacters(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
  return out;
}

std::u16string SafeFileName(std::u16string_view name, std::u16string_view fallback) {
  std::u16string out = ReplaceNameCharacters(name);
  for (char16_t& c : out)
    if (c < 0x20 || c == 0x7F) c = u'_';
  const size_t firstKept = out.find_first_not_of(u'.');
  out.erase(0, firstKept == std::u16string::npos ? out.size() : firstKept);
  return out.empty() ? std::u16string(fallback) : out;
}

std::string FitFileName(std::u16string_view prefix, std::u16string_view name, std::u16string_view suffix) {
  const std::string head = platform::ToUtf8(prefix);
  const std::string tail = platform::ToUtf8(suffix);
  std::u16string_view kept = name;
  std::string middle = platform::ToUtf8(kept);
  while (!kept.empty() && head.size() + middle.size() + tail.size() > kMaxFileNameBytes) {
    // Drop a whole character from the end: a pair of surrogates together.
    size_t cut = kept.size() - 1;
    if (cut > 0 && IsHighSurrogate(kept[cut - 1]) && !IsHighSurrogate(kept[cut])) --cut;
    kept = kept.substr(0, cut);
    middle = platform::ToUtf8(kept);
  }
  return head + middle + tail;
}

std::u16string WalletName(const std::string& walletPath) {
  std::string name = walletPath;
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return platform::FromUtf8(name);
}

std::u16string WithoutSeconds(std::u16string_view picture) {
  std::u16string out;
  size_t i = 0;
  bool lastWasElement = false;  // something kept since the last time element
  size_t keptAfterElement = 0;  // where the separators after the last element begin
  while (i < picture.size()) {
    const char16_t c = picture[i];
    if (c == u'\'') {
      // A quoted literal is copied whole.
      size_t j = i + 1;
      while (j < picture.size() && picture[j] != u'\'') ++j;
      out.append(picture.substr(i, std::min(j + 1, picture.size()) - i));
      i = j + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == u's') {
      // The separators between the minutes and the seconds go with them.
      if (lastWasElement) out.erase(keptAfterElement);
      i += run;
      // Seconds first in the picture: the separator after them goes instead.
      if (!lastWasElement)
        while (i < picture.size() && std::u16string_view(u":. ").find(picture[i]) != std::u16string_view::npos) ++i;
      continue;
    }
    out.append(picture.substr(i, run));
    if (c == u'h' || c == u'H' || c == u'm' || c == u't') {
      lastWasElement = true;
      keptAfterElement = out.size();
    }
    i += run;
  }
  return out;
}

// ---------------------------------------------------------------- the file

ExportFile::~ExportFile() {
  if (!temporaryPath_.empty()) Abandon();
  storage::SecureWipe(buffer_.data(), buffer_.size());
}

std::u16string_view ExportFile::TextOf(uint32_t number) const {
  return texts_ ? texts_->Text(number) : std::u16string_view(u"?");
}

bool ExportFile::Create(const storage::Wallet& wallet, const ExportOptions& options, std::u16string_view baseName,
                        int firstNumber) {
  options_ = options;
  texts_ = wallet.Texts();
  nextNumber_ = firstNumber;
  const std::u16string walletName = WalletName(wallet.Path());
  folder_ = options.outputPlace + "/" + FitFileName(u"", SafeFileName(walletName, u"Wallet"), u"");
  if (!MakeExportFolder(folder_)) return false;

  const platform::SystemTime now = platform::LocalTime();
  const std::u16string suffix =
      storage::FormatText(u"_%02d%02d%d.txt", {int64_t(now.day), int64_t(now.month), int64_t(now.year)});
  finalPath_ = folder_ + "/" + FitFileName(u"", SafeFileName(baseName, u"Export"), suffix);
  if (!CreateTemporary(folder_, &file_, &temporaryPath_)) return false;

  buffer_.push_back(0xFF);
  buffer_.push_back(0xFE);
  WriteLine(TextOf(export_text::kTitle));
  WriteLine(storage::FormatText(TextOf(export_text::kWalletLine), {std::u16string_view(walletName)}));
  const std::u16string fullPath = platform::FromUtf8(wallet.Path());
  WriteLine(storage::FormatText(TextOf(export_text::kFileLine), {std::u16string_view(fullPath)}));
  const std::u16string date = platform::FormatShortDate(now);
  const std::u16string time = platform::FormatWithPicture(now, WithoutSeconds(platform::UserDateTimeFormats().time));
  const std::u16string when = storage::FormatText(u"%s  %s", {std::u16string_view(date), std::u16string_view(time)});
  WriteLine(storage::FormatText(TextOf(export_text::kDateLine), {std::u16string_view(when)}));
  WriteLine(u"");
  WriteLine(u"");
  return true;
}

void ExportFile::WriteLine(std::u16string_view text) {
  for (const char16_t c : text) {
    buffer_.push_back(uint8_t(c & 0xFF));
    buffer_.push_back(uint8_t(c >> 8));
  }
  for (const uint8_t b : {0x0D, 0x00, 0x0A, 0x00}) buffer_.push_back(b);
  if (buffer_.size() >= kFlushBytes) Flush();
}

void ExportFile::Flush() {
  if (buffer_.empty()) return;
  if (!failed_ && file_.IsOpen() && file_.WriteAt(written_, buffer_.data(), buffer_.size())) written_ += buffer_.size();
  else failed_ = true;
  storage::SecureWipe(buffer_.data(), buffer_.size());
  buffer_.clear();
}

bool ExportFile::Finish(std::string* writtenPath) {
  if (temporaryPath_.empty()) return false;
  Flush();
  if (failed_ || !file_.Flush()) {
    Abandon();
    return false;
  }
  file_.Close();
  if (!platform::ReplaceFileAtomically(temporaryPath_, finalPath_)) {
    Abandon();
    return false;
  }
  temporaryPath_.clear();
  attachmentFiles_.clear();
  if (writtenPath) *writtenPath = finalPath_;
  return true;
}

void ExportFile::Abandon() {
  file_.Close();
  platform::RemoveFile(temporaryPath_);
  temporaryPath_.clear();
  // Attachments listed in a file that never appeared would only be
  // secrets lying about.
  for (const std::string& path : attachmentFiles_) platform::RemoveFile(path);
  attachmentFiles_.clear();
}

std::string ExportFile::SaveAttachment(const storage::SecureBytes& bytes, std::u16string_view name) {
  if (temporaryPath_.empty() || bytes.empty()) return {};
  const std::u16string prefix = storage::FormatText(u"%03d_", {int64_t(nextNumber_)});
  const std::string fileName = FitFileName(prefix, SafeFileName(name, u"attachment"), u"");
  const std::string path = folder_ + "/" + fileName;
  if (!WriteReplacing(folder_, path, bytes.data(), bytes.size())) return {};
  attachmentFiles_.push_back(path);
  ++nextNumber_;
  return fileName;
}

// ---------------------------------------------------------------- blocks

void WriteCardText(ExportFile& file, const storage::Card& card) {
  const std::u16string_view separator = file.TextOf(export_text::kSeparator);
  file.WriteLine(separator);
  file.WriteLine(View(card.record.Name()));
  file.WriteLine(separator);

  size_t fieldLines = 0;
  const size_t fields = std::min(card.fields.size(), kMaxFieldLines);
  for (size_t i = 0; i < fields; ++i) {
    const storage::Field& field = card.fields[i];
    const Text shown = storage::DisplayText(field, file.Texts());
    if (shown.empty()) continue;
    Text line = field.label;
    AppendUnits(line, u": ");
    const bool masked = field.kind == uint16_t(storage::FieldKind::Password) && !file.Options().includePasswords;
    AppendUnits(line, masked ? kMaskedPassword : View(shown));
    file.WriteLine(View(line));
    ++fieldLines;
  }
  file.WriteLine(fieldLines ? std::u16string_view(u"") : file.TextOf(export_text::kNoData));

  if (!file.Options().includeAttachments) return;
  bool saved = false;
  for (const auto& slot : card.attachments) {
    if (!slot || !slot->InUse()) continue;
    if (slot->bytes.empty()) continue;  // holds no data
    const std::string name = file.SaveAttachment(slot->bytes, View(slot->fileName));
    if (name.empty()) {
      ++file.Report().attachmentsLeftOut;
      continue;
    }
    const std::u16string shownName = platform::FromUtf8(name);
    file.WriteLine(storage::FormatText(file.TextOf(export_text::kAttachmentLine), {std::u16string_view(shownName)}));
    saved = true;
  }
  if (!saved) file.WriteLine(u"");
}

namespace {

using storage::TreeNode;

// The folder block's path: up to eight of the nearest ancestors, outermost
// first, each followed by " > ", then the folder's own name.
Text FolderPath(const std::vector<const Text*>& ancestors, const Text& name) {
  Text path;
  const size_t first = ancestors.size() > size_t(kMaxPathAncestors) ? ancestors.size() - kMaxPathAncestors : 0;
  for (size_t i = first; i < ancestors.size(); ++i) {
    path += *ancestors[i];
    AppendUnits(path, u" > ");
  }
  path += name;
  if (path.size() > kMaxFolderPath) {
    size_t keep = kMaxFolderPath;
    if (IsHighSurrogate(path[keep - 1])) --keep;
    storage::SecureWipe(path.data() + keep, (path.size() - keep) * sizeof(char16_t));
    path.resize(keep);
  }
  return path;
}

void WriteFolderBlock(ExportFile& file, const std::vector<const Text*>& ancestors, const Text& name) {
  const std::u16string_view separator = file.TextOf(export_text::kSeparator);
  file.WriteLine(u"");
  file.WriteLine(separator);
  Text line = storage::ToText(file.TextOf(export_text::kFolderCaption));
  AppendUnits(line, u": ");
  line += FolderPath(ancestors, name);
  file.WriteLine(View(line));
  file.WriteLine(separator);
}

bool IsFolderKind(int kind) {
  return kind == int(storage::RecordKind::Folder) || kind == int(storage::RecordKind::FormsFolder);
}

// The views (favourites, find results) and the cards shown inside them.
bool IsViewItem(const TreeNode& node) {
  return node.underView || storage::IsSpecialViewKind(node.kind) || storage::IsViewMarker(node.position);
}

// Cards are loaded one at a time and let go once their block is written.
void WriteCardOf(storage::Wallet& wallet, ExportFile& file, int position) {
  const storage::RecordHeader* h = wallet.At(position);
  if (!h) return;
  storage::Card card;
  if (wallet.LoadCard(h->Id(), &card)) WriteCardText(file, card);
  else ++file.Report().cardsLeftOut;
}

// An item and everything below it in tree order. parentKind is the kind
// of the item's parent (0 at the top level).
void VisitItem(storage::Wallet& wallet, ExportFile& file, const TreeNode& node, int parentKind,
               std::vector<const Text*>& ancestors) {
  if (IsViewItem(node)) return;  // a view and the references inside it
  const storage::RecordHeader* h = wallet.At(node.position);
  if (!h || h->IsDeleted()) return;
  if (IsFolderKind(node.kind)) {
    WriteFolderBlock(file, ancestors, node.name);
    ancestors.push_back(&node.name);
    for (const TreeNode& child : node.children) VisitItem(wallet, file, child, node.kind, ancestors);
    ancestors.pop_back();
  } else if (node.kind == int(storage::RecordKind::Card) && IsFolderKind(parentKind)) {
    WriteCardOf(wallet, file, node.position);
  }
}

// The folder's tree item and the names of its ancestors.
const TreeNode* FindFolderNode(const std::vector<TreeNode>& nodes, int position, std::vector<const Text*>& ancestors) {
  for (const TreeNode& node : nodes) {
    if (node.position == position) return &node;
    if (node.children.empty()) continue;
    ancestors.push_back(&node.name);
    if (const TreeNode* found = FindFolderNode(node.children, position, ancestors)) return found;
    ancestors.pop_back();
  }
  return nullptr;
}

}  // namespace

namespace {
bool FinishReporting(ExportFile& file, std::string* writtenPath, ExportReport* report) {
  if (!file.Finish(writtenPath)) return false;
  if (report) *report = file.Report();
  return true;
}
}  // namespace

bool ExportWallet(storage::Wallet& wallet, const ExportOptions& options, std::string* writtenPath,
                  ExportReport* report) {
  if (!wallet.IsOpen()) return false;
  const std::vector<TreeNode> tree = storage::BuildTree(wallet);
  ExportFile file;
  if (!file.Create(wallet, options, WalletName(wallet.Path()), 1)) return false;
  std::vector<const Text*> ancestors;
  for (const TreeNode& node : tree) VisitItem(wallet, file, node, 0, ancestors);
  return FinishReporting(file, writtenPath, report);
}

bool ExportFolder(storage::Wallet& wallet, const storage::RecordId& folder, const ExportOptions& options,
                  std::string* writtenPath, ExportReport* report) {
  if (!wallet.IsOpen()) return false;
  const int position = wallet.FindRecord(folder);
  const storage::RecordHeader* h = wallet.At(position);
  if (!h || !h->IsFolderLike()) return false;
  storage::TreeOptions treeOptions;
  treeOptions.favouritesView = false;
  treeOptions.findResultsView = false;
  const std::vector<TreeNode> tree = storage::BuildTree(wallet, treeOptions);
  std::vector<const Text*> ancestors;
  const TreeNode* node = FindFolderNode(tree, position, ancestors);
  if (!node) return false;  // not shown in the browser either
  ExportFile file;
  if (!file.Create(wallet, options, ReplaceNameCharacters(View(node->name)), 1)) return false;
  VisitItem(wallet, file, *node, 0, ancestors);
  return FinishReporting(file, writtenPath, report);
}

bool ExportCard(storage::Wallet& wallet, const storage::RecordId& cardId, const ExportOptions& options,
                std::string* writtenPath, ExportReport* report) {
  if (!wallet.IsOpen()) return false;
  const storage::RecordHeader* h = wallet.At(wallet.FindRecord(cardId));
  if (!h || !h->IsCard()) return false;
  storage::Card card;
  if (!wallet.LoadCard(cardId, &card)) return false;
  ExportFile file;
  if (!file.Create(wallet, options, ReplaceNameCharacters(View(card.record.Name())), 0)) return false;
  WriteCardText(file, card);
  return FinishReporting(file, writtenPath, report);
}

}  // namespace tb::interchange
