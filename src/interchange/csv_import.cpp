#include "interchange/csv_import.h"

#include <algorithm>
#include <map>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/format_text.h"
#include "storage/forms/builtin_forms.h"
#include "storage/forms/field_kinds.h"
#include "storage/record.h"

namespace tb::interchange {

namespace {

using storage::Text;

constexpr uint32_t kWebLoginForm = 4;
constexpr uint32_t kWebSiteLabel = 30000, kUserNameLabel = 30006, kPasswordLabel = 30011, kCommentsLabel = 31404;
constexpr size_t kPreviewFields = 4;
constexpr size_t kPreviewLabelUnits = 50;
constexpr size_t kPreviewValueUnits = 110;
constexpr size_t kMaxPreviewUnits = 2047;
constexpr size_t kBulkFromRow = 5;
constexpr size_t kBulkMinRows = 10;
constexpr size_t kListedSkippedRows = 20;
// Groups nested deeper than this below the new folder are kept in the
// name of the last folder: a hostile file could otherwise nest folders
// deeper than the tree shows.
constexpr size_t kMaxFolderDepth = 64;
constexpr std::u16string_view kMasked = u"********";
constexpr std::u16string_view kTotpLabel = u"TOTP";

std::u16string_view View(const Text& t) { return std::u16string_view(t.data(), t.size()); }

std::u16string_view TextOf(const storage::TextSource* texts, uint32_t number) {
  return texts ? texts->Text(number) : std::u16string_view(u"?");
}

std::u16string Lowered(std::u16string_view s) {
  std::u16string out(s);
  platform::ToLowerInPlace(out);
  return out;
}

std::u16string_view Trimmed(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

// A card on its way into the wallet, with the folder path it goes to.
struct PendingCard {
  storage::Card card;
  std::vector<std::u16string> folder;
  size_t line = 0;
};

struct Built {
  std::optional<PendingCard> card;
  CsvSkipReason reason = CsvSkipReason::Row;
};

bool AddField(storage::Card& card, uint16_t kind, std::u16string_view label, std::u16string_view value,
              const storage::TextSource* texts) {
  storage::Field f;
  f.SetKind(kind, texts);
  f.SetLabel(label);
  f.SetValue(value);
  f.changeFlags |= storage::field_flags::kNew;
  return card.AddField(std::move(f));
}

// The folder path of a group or folder column: "/"-separated names, empty
// names dropped; the first name too when it is KeePassXC's root group.
std::vector<std::u16string> SlashPath(std::u16string_view text, bool dropRoot) {
  std::vector<std::u16string> names;
  size_t start = 0;
  for (;;) {
    const size_t slash = text.find(u'/', start);
    const std::u16string_view name =
        Trimmed(text.substr(start, slash == std::u16string_view::npos ? slash : slash - start));
    if (!name.empty()) names.emplace_back(name);
    if (slash == std::u16string_view::npos) break;
    start = slash + 1;
  }
  if (dropRoot && !names.empty()) names.erase(names.begin());
  return names;
}

// Maps the columns of one of the other managers' tables onto Web Login cards.
class WebLoginBuilder {
 public:
  WebLoginBuilder(storage::Wallet& wallet, const CsvTable& table, CsvFormat format, const storage::RecordId& folder)
      : wallet_(wallet), table_(table), format_(format), folder_(folder) {
    const storage::BuiltInForm* form = storage::BuiltInFormAt(int(kWebLoginForm));
    for (size_t i = 0; form && i < form->fields.size(); ++i) {
      const uint32_t label = form->fields[i].labelString;
      if (label == kWebSiteLabel) webSite_ = i;
      if (label == kUserNameLabel) userName_ = i;
      if (label == kPasswordLabel) password_ = i;
      if (label == kCommentsLabel) comments_ = i;
    }
    const bool keepass = format == CsvFormat::KeePassXC;
    group_ = table.Column(keepass ? u"Group" : u"folder");
    title_ = table.Column(keepass ? u"Title" : u"name");
    user_ = table.Column(keepass ? u"Username" : u"login_username");
    pass_ = table.Column(keepass ? u"Password" : u"login_password");
    url_ = table.Column(keepass ? u"URL" : u"login_uri");
    notes_ = table.Column(keepass ? u"Notes" : u"notes");
    totp_ = table.Column(keepass ? u"TOTP" : u"login_totp");
    type_ = keepass ? -1 : table.Column(u"type");
    fields_ = keepass ? -1 : table.Column(u"fields");
    favorite_ = keepass ? -1 : table.Column(u"favorite");
    reprompt_ = keepass ? -1 : table.Column(u"reprompt");
  }

  Built Build(const CsvRow& row) {
    Built out;
    const storage::TextSource* texts = wallet_.Texts();
    if (type_ >= 0) {
      const std::u16string type = Lowered(Trimmed(Value(row, type_)));
      if (!type.empty() && type != u"login" && type != u"note") {
        out.reason = CsvSkipReason::UnknownType;
        return out;
      }
    }
    PendingCard p;
    p.line = row.line;
    if (!wallet_.NewCardFromForm(folder_, storage::BuiltInFormId(kWebLoginForm), &p.card)) return out;
    if (!Value(row, title_).empty()) p.card.record.SetName(Value(row, title_));
    Set(p.card, userName_, Value(row, user_));
    Set(p.card, password_, Value(row, pass_));
    Set(p.card, comments_, Value(row, notes_));
    bool fits = true;
    // The first web address goes to the form's field, any further ones
    // (one a line) to fields of their own.
    std::u16string_view urls = Value(row, url_);
    for (bool first = true; !urls.empty() || first; first = false) {
      const size_t end = urls.find_first_of(u"\r\n");
      const std::u16string_view url = Trimmed(urls.substr(0, end));
      if (first) Set(p.card, webSite_, url);
      else if (!url.empty())
        fits = fits && AddField(p.card, uint16_t(storage::FieldKind::Text), ColumnName(url_), url, texts);
      urls = end == std::u16string_view::npos ? std::u16string_view() : urls.substr(end + 1);
    }
    for (size_t c = 0; c < table_.Header().size(); ++c) {
      const int column = int(c);
      if (Consumed(column)) continue;
      const std::u16string_view value = Value(row, column);
      if (value.empty() || ((column == favorite_ || column == reprompt_) && value == u"0")) continue;
      fits = fits && AddField(p.card, uint16_t(storage::FieldKind::Text), ColumnName(column), value, texts);
    }
    if (fields_ >= 0) fits = fits && AddCustomFields(p.card, Value(row, fields_));
    if (!Value(row, totp_).empty())
      fits = fits && AddField(p.card, uint16_t(storage::FieldKind::Password), kTotpLabel, Value(row, totp_), texts);
    if (!fits) {
      out.reason = CsvSkipReason::TooManyFields;
      return out;
    }
    p.folder = SlashPath(Value(row, group_), format_ == CsvFormat::KeePassXC);
    out.card = std::move(p);
    return out;
  }

 private:
  std::u16string_view Value(const CsvRow& row, int column) const {
    return column >= 0 && size_t(column) < row.values.size() ? View(row.values[size_t(column)]) : std::u16string_view();
  }
  std::u16string_view ColumnName(int column) const { return Trimmed(View(table_.Header()[size_t(column)])); }
  bool Consumed(int column) const {
    for (const int c : {group_, title_, user_, pass_, url_, notes_, totp_, type_, fields_})
      if (c == column) return true;
    return false;
  }
  void Set(storage::Card& card, size_t field, std::u16string_view value) {
    if (field < card.fields.size() && !value.empty()) card.fields[field].SetValue(value);
  }
  // Bitwarden's custom fields: one "name: value" a line.
  bool AddCustomFields(storage::Card& card, std::u16string_view text) {
    while (!text.empty()) {
      const size_t end = text.find_first_of(u"\r\n");
      const std::u16string_view line = text.substr(0, end);
      text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
      if (Trimmed(line).empty()) continue;
      const size_t colon = line.find(u": ");
      const std::u16string_view label =
          colon == std::u16string_view::npos ? ColumnName(fields_) : Trimmed(line.substr(0, colon));
      const std::u16string_view value = colon == std::u16string_view::npos ? line : line.substr(colon + 2);
      if (!AddField(card, uint16_t(storage::FieldKind::Text), label.empty() ? ColumnName(fields_) : label, value,
                    wallet_.Texts()))
        return false;
    }
    return true;
  }

  storage::Wallet& wallet_;
  const CsvTable& table_;
  CsvFormat format_;
  storage::RecordId folder_;
  size_t webSite_ = SIZE_MAX, userName_ = SIZE_MAX, password_ = SIZE_MAX, comments_ = SIZE_MAX;
  int group_, title_, user_, pass_, url_, notes_, totp_, type_, fields_, favorite_, reprompt_;
};

// Rows of our own export: the card's fields come back as they were.
class OwnBuilder {
 public:
  OwnBuilder(storage::Wallet& wallet, const CsvTable& table, const storage::RecordId& folder)
      : wallet_(wallet), folder_(folder) {
    folderColumn_ = table.Column(u"Folder");
    card_ = table.Column(u"Card");
    form_ = table.Column(u"Form");
    for (size_t i = 1;; ++i) {
      const std::u16string n = storage::FormatText(u"%d", {int64_t(i)});
      const int label = table.Column(u"Label " + n), value = table.Column(u"Value " + n);
      if (label < 0 || value < 0) break;
      pairs_.emplace_back(label, value);
    }
  }

  Built Build(const CsvRow& row) {
    Built out;
    const storage::TextSource* texts = wallet_.Texts();
    std::vector<uint16_t> kinds;
    const std::u16string_view kindsText = Trimmed(Value(row, form_));
    if (!kindsText.empty() && (!ParseKinds(kindsText, &kinds) || kinds.size() > pairs_.size())) {
      out.reason = CsvSkipReason::BadKinds;
      return out;
    }
    size_t count = kinds.size();
    if (kindsText.empty()) {
      // Without the kinds: every pair up to the last one holding anything.
      for (size_t i = 0; i < pairs_.size(); ++i)
        if (!Value(row, pairs_[i].first).empty() || !Value(row, pairs_[i].second).empty()) count = i + 1;
      kinds.assign(count, uint16_t(storage::FieldKind::Text));
    }
    if (count > storage::kMaxFields) {
      out.reason = CsvSkipReason::TooManyFields;
      return out;
    }
    PendingCard p;
    p.line = row.line;
    p.card = wallet_.NewEmptyCard(folder_);
    p.card.record.SetName(Value(row, card_));
    p.card.record.SetIconRaw(kImportCardIcon);
    for (size_t i = 0; i < count; ++i) {
      const std::u16string_view label = Value(row, pairs_[i].first);
      const std::u16string_view value = Value(row, pairs_[i].second);
      uint16_t kind = kinds[i];
      platform::SystemTime t;
      const bool dated = storage::IsDateTimeKind(storage::FieldKind(kind));
      // A date that does not read as one is kept as text, not lost.
      if (dated && !value.empty() && !ParseIsoDateTimeText(kind, value, &t)) kind = uint16_t(storage::FieldKind::Text);
      storage::Field f;
      f.SetKind(kind, texts);
      f.SetLabel(label);
      if (storage::IsDateTimeKind(storage::FieldKind(kind))) {
        if (!value.empty()) f.SetDateTime(t);
      } else {
        f.SetValue(value);
      }
      f.changeFlags |= storage::field_flags::kNew;
      p.card.AddField(std::move(f));
    }
    p.folder = SplitFolderPath(Value(row, folderColumn_));
    out.card = std::move(p);
    return out;
  }

 private:
  std::u16string_view Value(const CsvRow& row, int column) const {
    return column >= 0 && size_t(column) < row.values.size() ? View(row.values[size_t(column)]) : std::u16string_view();
  }

  storage::Wallet& wallet_;
  storage::RecordId folder_;
  int folderColumn_, card_, form_;
  std::vector<std::pair<int, int>> pairs_;
};

bool HasAnyColumn(const CsvTable& table, CsvFormat format) {
  auto any = [&](const auto& names) {
    return std::any_of(std::begin(names), std::end(names), [&](const char16_t* n) { return table.Column(n) >= 0; });
  };
  switch (format) {
    case CsvFormat::Own: return table.Column(u"Card") >= 0;
    case CsvFormat::KeePassXC: return any(kKeePassXcColumns);
    case CsvFormat::Bitwarden: return any(kBitwardenColumns);
  }
  return false;
}

storage::Answer Ask(storage::Prompter& prompter, std::u16string text, storage::Buttons buttons,
                    storage::MessageIcon icon, uint32_t textNumber, uint32_t captionNumber,
                    const storage::TextSource* texts) {
  storage::Message m;
  m.textNumber = textNumber;
  m.text = std::move(text);
  m.captionNumber = captionNumber;
  m.caption = std::u16string(TextOf(texts, captionNumber));
  m.buttons = buttons;
  m.icon = icon;
  const storage::Answer answer = prompter.Show(m);
  storage::SecureWipe(m.text.data(), m.text.size() * sizeof(char16_t));  // a preview shows values
  return answer;
}

void Stop(storage::Prompter& prompter, std::u16string text, uint32_t number, const storage::TextSource* texts) {
  Ask(prompter, std::move(text), storage::Buttons::Ok, storage::MessageIcon::Stop, number, import_text::kErrorCaption,
      texts);
}

void AppendCut(std::u16string& out, std::u16string_view text, size_t units, std::u16string_view ellipsis) {
  if (text.size() > units) {
    out += text.substr(0, units);
    out += ellipsis;
  } else {
    out += text;
  }
}

// The question for one card: its name and its first fields with a value,
// passwords masked.
std::u16string PreviewOfCard(const storage::Card& card, const storage::TextSource* texts) {
  std::u16string out(TextOf(texts, import_text::kCardQuestion));
  out += u"\n\n";
  AppendCut(out, TextOf(texts, import_text::kCardNameLabel), kPreviewLabelUnits, u"...");
  out += u": ";
  const Text name = card.record.Name();
  AppendCut(out, View(name), kPreviewValueUnits, u"...");
  out += u'\n';
  size_t shown = 0, withValue = 0;
  for (const storage::Field& f : card.fields) {
    const Text display = storage::DisplayText(f, texts);
    if (display.empty()) continue;
    ++withValue;
    if (shown == kPreviewFields || out.size() >= kMaxPreviewUnits) continue;
    ++shown;
    AppendCut(out, View(f.label), kPreviewLabelUnits, u"...");
    out += u": ";
    if (f.kind == uint16_t(storage::FieldKind::Password)) out += kMasked;
    else AppendCut(out, View(display), kPreviewValueUnits, u"...");
    out += u'\n';
  }
  if (withValue > shown)
    out += storage::FormatText(TextOf(texts, import_text::kMoreColumns), {int64_t(withValue - shown)});
  if (out.size() > kMaxPreviewUnits) {
    storage::SecureWipe(out.data() + kMaxPreviewUnits, (out.size() - kMaxPreviewUnits) * sizeof(char16_t));
    out.resize(kMaxPreviewUnits);
  }
  return out;
}

// The cards the user takes, in order; stops at Cancel.
std::vector<size_t> AskForCards(const std::vector<PendingCard>& cards, storage::Prompter& prompter,
                                const storage::TextSource* texts) {
  std::vector<size_t> taken;
  bool askEach = true;
  bool bulkAsked = false;
  for (size_t i = 0; i < cards.size(); ++i) {
    const size_t r = i + 1;
    if (askEach && !bulkAsked && r >= kBulkFromRow && cards.size() >= kBulkMinRows) {
      bulkAsked = true;
      const storage::Answer answer =
          Ask(prompter, storage::FormatText(TextOf(texts, import_text::kBulkQuestion), {int64_t(cards.size() - i)}),
              storage::Buttons::YesNoCancel, storage::MessageIcon::Question, import_text::kBulkQuestion,
              import_text::kQuestionCaption, texts);
      if (answer == storage::Answer::Yes) askEach = false;
      else if (answer != storage::Answer::No) break;
    }
    if (askEach) {
      const storage::Answer answer =
          Ask(prompter, PreviewOfCard(cards[i].card, texts), storage::Buttons::YesNoCancel,
              storage::MessageIcon::Question, import_text::kCardQuestion, import_text::kQuestionCaption, texts);
      if (answer == storage::Answer::No) continue;
      if (answer != storage::Answer::Yes) break;
    }
    taken.push_back(i);
  }
  return taken;
}

uint32_t ReasonString(const CsvSkippedRow& row) {
  switch (row.reason) {
    case CsvSkipReason::UnknownType: return csv_text::kUnknownType;
    case CsvSkipReason::TooManyFields: return csv_text::kTooManyFields;
    case CsvSkipReason::BadKinds: return csv_text::kBadKinds;
    case CsvSkipReason::Row: break;
  }
  switch (row.rowError) {
    case CsvRowError::UnclosedQuote: return csv_text::kUnclosedQuote;
    case CsvRowError::TextAfterQuote: return csv_text::kTextAfterQuote;
    case CsvRowError::NulCharacter: return csv_text::kNulCharacter;
    case CsvRowError::ByteOrderMark: return csv_text::kByteOrderMark;
    case CsvRowError::NotUtf8: return csv_text::kNotUtf8;
    case CsvRowError::WrongWidth: return csv_text::kWrongWidth;
    case CsvRowError::None: break;
  }
  return csv_text::kNotUtf8;
}

// Makes the folders of the accepted cards below the new folder, each path
// once, parents before children.
class FolderMaker {
 public:
  FolderMaker(storage::Wallet& wallet, std::vector<storage::RecordHeader>& folders)
      : wallet_(wallet), folders_(folders) {}

  storage::RecordId Under(const storage::RecordId& top, std::vector<std::u16string> path) {
    if (path.size() > kMaxFolderDepth) {
      for (size_t i = kMaxFolderDepth; i < path.size(); ++i) path[kMaxFolderDepth - 1] += u"/" + path[i];
      path.resize(kMaxFolderDepth);
    }
    storage::RecordId parent = top;
    std::vector<std::u16string> key;
    for (const std::u16string& name : path) {
      key.push_back(name);
      auto it = made_.find(key);
      if (it == made_.end()) {
        storage::RecordHeader folder = storage::NewFolderRecord(parent, false, &wallet_.DataKey());
        folder.SetName(name);
        folder.SetIconRaw(kImportFolderIcon);
        it = made_.emplace(key, folder.Id()).first;
        folders_.push_back(std::move(folder));
      }
      parent = it->second;
    }
    return parent;
  }

 private:
  storage::Wallet& wallet_;
  std::vector<storage::RecordHeader>& folders_;
  std::map<std::vector<std::u16string>, storage::RecordId> made_;
};

}  // namespace

std::optional<CsvFormat> DetectCsvFormat(const CsvTable& table) {
  const auto& h = table.Header();
  auto named = [&](size_t i, std::u16string_view name) {
    return i < h.size() && Lowered(Trimmed(View(h[i]))) == Lowered(name);
  };
  if (named(0, u"Folder") && named(1, u"Card") && named(2, u"Form")) return CsvFormat::Own;
  auto has = [&](std::initializer_list<const char16_t*> names) {
    return std::all_of(names.begin(), names.end(), [&](const char16_t* n) { return table.Column(n) >= 0; });
  };
  if (has({u"Title", u"Username", u"Password", u"URL"})) return CsvFormat::KeePassXC;
  if (has({u"type", u"name", u"login_password"})) return CsvFormat::Bitwarden;
  return std::nullopt;
}

std::u16string SkippedRowsText(const std::vector<CsvSkippedRow>& skipped, const storage::TextSource* texts) {
  std::u16string out = storage::FormatText(TextOf(texts, csv_text::kRowsLeftOut), {int64_t(skipped.size())});
  for (size_t i = 0; i < skipped.size() && i < kListedSkippedRows; ++i) {
    const CsvSkippedRow& row = skipped[i];
    const std::u16string reason = storage::FormatText(TextOf(texts, ReasonString(row)), {int64_t(row.width)});
    out += u'\n';
    out += storage::FormatText(TextOf(texts, csv_text::kRowLine), {int64_t(row.line), std::u16string_view(reason)});
  }
  if (skipped.size() > kListedSkippedRows) {
    out += u'\n';
    out +=
        storage::FormatText(TextOf(texts, csv_text::kMoreRowsLeftOut), {int64_t(skipped.size() - kListedSkippedRows)});
  }
  return out;
}

CsvImportResult ImportCsvTable(storage::Wallet& wallet, const CsvTable& table, CsvFormat format,
                               storage::Prompter& prompter) {
  const storage::TextSource* texts = wallet.Texts();
  CsvImportResult result;
  if (!HasAnyColumn(table, format)) {
    Stop(prompter, std::u16string(TextOf(texts, csv_text::kUnknownTable)), csv_text::kUnknownTable, texts);
    result.status = ImportStatus::WrongLayout;
    return result;
  }

  std::vector<storage::RecordHeader> folders;
  std::vector<PendingCard> pending;
  try {
    storage::RecordHeader top = storage::NewFolderRecord({}, false, &wallet.DataKey());
    const std::u16string date = platform::FormatShortDate(platform::LocalTime());
    top.SetName(storage::FormatText(u"%s %s", {TextOf(texts, import_text::kFolderName), std::u16string_view(date)}));
    top.SetIconRaw(kImportFolderIcon);
    result.folder = top.Id();
    folders.push_back(std::move(top));

    std::optional<WebLoginBuilder> web;
    std::optional<OwnBuilder> own;
    if (format == CsvFormat::Own) own.emplace(wallet, table, result.folder);
    else web.emplace(wallet, table, format, result.folder);
    for (const CsvRow& row : table.Rows()) {
      if (row.error != CsvRowError::None) {
        result.skipped.push_back({row.line, CsvSkipReason::Row, row.error, row.width});
        continue;
      }
      Built built = own ? own->Build(row) : web->Build(row);
      if (!built.card) {
        result.skipped.push_back({row.line, built.reason, CsvRowError::None, row.width});
        continue;
      }
      pending.push_back(std::move(*built.card));
    }
  } catch (const std::bad_alloc&) {
    Stop(prompter, std::u16string(TextOf(texts, csv_text::kTooLarge)), csv_text::kTooLarge, texts);
    result = CsvImportResult{};
    result.status = ImportStatus::Unreadable;
    result.loadStatus = CsvStatus::TooLarge;
    return result;
  }

  if (!result.skipped.empty())
    Ask(prompter, SkippedRowsText(result.skipped, texts), storage::Buttons::Ok, storage::MessageIcon::Warning,
        csv_text::kRowsLeftOut, import_text::kErrorCaption, texts);
  const std::vector<size_t> taken = AskForCards(pending, prompter, texts);
  if (taken.empty()) {
    result.folder = {};
    return result;
  }

  std::vector<storage::RecordHeader> written;
  std::vector<storage::Card> cards;
  try {
    written.push_back(folders.front());
    FolderMaker maker(wallet, written);
    cards.reserve(taken.size());
    for (const size_t i : taken) {
      PendingCard& p = pending[i];
      p.card.record.SetParent(maker.Under(result.folder, std::move(p.folder)));
      cards.push_back(std::move(p.card));
    }
  } catch (const std::bad_alloc&) {
    written.clear();
  }
  if (written.empty() || !wallet.AppendAllAtomically(written, cards)) {
    Stop(prompter, std::u16string(TextOf(texts, import_text::kNotWritten)), import_text::kNotWritten, texts);
    const std::vector<CsvSkippedRow> skipped = std::move(result.skipped);
    result = CsvImportResult{};
    result.status = ImportStatus::NotWritten;
    result.skipped = skipped;
    return result;
  }
  result.status = ImportStatus::Imported;
  result.imported = int(cards.size());
  Ask(prompter, storage::FormatText(TextOf(texts, import_text::kImported), {int64_t(result.imported)}),
      storage::Buttons::Ok, storage::MessageIcon::Information, import_text::kImported, import_text::kDoneCaption,
      texts);
  return result;
}

namespace {

// A file that could not be loaded as a table: told why, nothing taken.
CsvImportResult NotLoaded(const storage::TextSource* texts, CsvStatus status, storage::Prompter& prompter) {
  CsvImportResult result;
  result.loadStatus = status;
  switch (status) {
    case CsvStatus::TooLarge:
    case CsvStatus::TooManyColumns:
      result.status = ImportStatus::Unreadable;
      Stop(prompter, std::u16string(TextOf(texts, csv_text::kTooLarge)), csv_text::kTooLarge, texts);
      break;
    case CsvStatus::BadHeader:
      result.status = ImportStatus::WrongLayout;
      Stop(prompter, std::u16string(TextOf(texts, csv_text::kUnknownTable)), csv_text::kUnknownTable, texts);
      break;
    default:
      result.status = ImportStatus::Unreadable;
      Stop(prompter, std::u16string(TextOf(texts, import_text::kUnreadable)), import_text::kUnreadable, texts);
      break;
  }
  return result;
}

}  // namespace

CsvImportResult ImportCsv(storage::Wallet& wallet, const std::string& path, CsvFormat format,
                          storage::Prompter& prompter) {
  CsvTable table;
  const CsvStatus status = table.Load(path);
  if (status != CsvStatus::Ok) return NotLoaded(wallet.Texts(), status, prompter);
  return ImportCsvTable(wallet, table, format, prompter);
}

CsvImportResult ImportCsvDetected(storage::Wallet& wallet, const std::string& path, storage::Prompter& prompter) {
  const storage::TextSource* texts = wallet.Texts();
  CsvTable table;
  const CsvStatus status = table.Load(path);
  if (status != CsvStatus::Ok) return NotLoaded(texts, status, prompter);
  const std::optional<CsvFormat> format = DetectCsvFormat(table);
  if (!format) {
    CsvImportResult result;
    result.status = ImportStatus::WrongLayout;
    Stop(prompter, std::u16string(TextOf(texts, csv_text::kUnknownTable)), csv_text::kUnknownTable, texts);
    return result;
  }
  return ImportCsvTable(wallet, table, *format, prompter);
}

// ---------------------------------------------------------------- shared with the export

std::u16string KindsText(const std::vector<uint16_t>& kinds) {
  std::u16string out;
  for (const uint16_t k : kinds) {
    if (!out.empty()) out += u' ';
    out += storage::FormatText(u"%d", {int64_t(k)});
  }
  return out;
}

bool ParseKinds(std::u16string_view text, std::vector<uint16_t>* kinds) {
  kinds->clear();
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u' ') {
      ++i;
      continue;
    }
    uint32_t k = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && digits < 3) {
      k = k * 10 + uint32_t(text[i++] - u'0');
      ++digits;
    }
    if (digits == 0 || (i < text.size() && text[i] != u' ') || k < 1 || k > 16) return false;
    if (kinds->size() >= storage::kMaxFields) return false;
    kinds->push_back(uint16_t(k));
  }
  return true;
}

std::u16string IsoDateTimeText(uint16_t kind, const platform::SystemTime& t) {
  if (t.IsZero()) return {};
  auto padded = [](unsigned value, size_t width) {
    std::u16string digits;
    for (; value > 0 || digits.empty(); value /= 10) digits.insert(digits.begin(), char16_t(u'0' + value % 10));
    if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
    return digits;
  };
  const std::u16string date = padded(t.year, 4) + u"-" + padded(t.month, 2) + u"-" + padded(t.day, 2);
  const std::u16string time = padded(t.hour, 2) + u":" + padded(t.minute, 2) + u":" + padded(t.second, 2);
  switch (storage::FieldKind(kind)) {
    case storage::FieldKind::Date: return date;
    case storage::FieldKind::Time: return time;
    default: return date + u"T" + time;
  }
}

bool ParseIsoDateTimeText(uint16_t kind, std::u16string_view text, platform::SystemTime* out) {
  auto digits = [&](size_t at, size_t n, int* v) {
    if (at + n > text.size()) return false;
    *v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < u'0' || text[i] > u'9') return false;
      *v = *v * 10 + (text[i] - u'0');
    }
    return true;
  };
  platform::SystemTime t;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  auto date = [&](size_t at) {
    return digits(at, 4, &y) && text[at + 4] == u'-' && digits(at + 5, 2, &mo) && text[at + 7] == u'-' &&
           digits(at + 8, 2, &d);
  };
  auto time = [&](size_t at) {
    if (!digits(at, 2, &h) || text.size() < at + 5 || text[at + 2] != u':' || !digits(at + 3, 2, &mi)) return false;
    if (text.size() == at + 5) return true;
    return text.size() == at + 8 && text[at + 5] == u':' && digits(at + 6, 2, &s);
  };
  const storage::FieldKind k = storage::FieldKind(kind);
  if (text.size() == 10 && k != storage::FieldKind::Time && date(0)) {
    // a date alone
  } else if ((text.size() == 5 || text.size() == 8) && k == storage::FieldKind::Time && time(0)) {
    const platform::SystemTime today = platform::LocalTime();
    y = today.year;
    mo = today.month;
    d = today.day;
  } else if (text.size() > 11 && (text[10] == u'T' || text[10] == u' ') && date(0) && time(11)) {
    // date and time
  } else {
    return false;
  }
  if (h > 23 || mi > 59 || s > 59) return false;
  t.year = uint16_t(y);
  t.month = uint16_t(mo);
  t.day = uint16_t(d);
  t.hour = uint16_t(h);
  t.minute = uint16_t(mi);
  t.second = uint16_t(s);
  if (!platform::IsValidSystemTime(t)) return false;
  t.dayOfWeek = platform::FromEpochSeconds(platform::ToEpochSeconds(t)).dayOfWeek;
  *out = t;
  return true;
}

std::u16string JoinFolderPath(const std::vector<std::u16string>& names) {
  std::u16string out;
  for (const std::u16string& name : names) {
    if (!out.empty()) out += u'/';
    for (const char16_t c : name) {
      if (c == u'/' || c == u'\\') out += u'\\';
      out += c;
    }
  }
  return out;
}

std::vector<std::u16string> SplitFolderPath(std::u16string_view path) {
  std::vector<std::u16string> names;
  std::u16string current;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == u'\\' && i + 1 < path.size()) {
      current += path[++i];
    } else if (path[i] == u'/') {
      if (!current.empty()) names.push_back(std::move(current));
      current.clear();
    } else {
      current += path[i];
    }
  }
  if (!current.empty()) names.push_back(std::move(current));
  return names;
}

}  // namespace tb::interchange
