#include "interchange/text_import.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/card.h"
#include "storage/format_text.h"
#include "storage/forms/field_kinds.h"

namespace tb::interchange {

namespace {

constexpr size_t kPreviewColumns = 5;
constexpr size_t kPreviewLabelUnits = 50;
constexpr size_t kPreviewValueUnits = 110;
constexpr size_t kMaxPreviewUnits = 2047;
constexpr size_t kBulkFromRow = 5;
constexpr size_t kBulkMinRows = 10;

enum class CellEnd { Tab, Row, Text };

// Calls close(start, end, how) for every cell of the text in order. A CR
// ends the row and the LF after it belongs to the line end; a LF alone
// ends a row too, as tables written on this platform have it.
template <typename Close>
void WalkCells(std::u16string_view text, Close&& close) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\t') {
      close(start, i, CellEnd::Tab);
      start = i + 1;
    } else if (text[i] == u'\n') {
      close(start, i, CellEnd::Row);
      start = i + 1;
    } else if (text[i] == u'\r') {
      close(start, i, CellEnd::Row);
      start = i + 1;
      if (start < text.size() && text[start] == u'\n') {
        ++start;
        ++i;
      }
    }
  }
  close(start, text.size(), CellEnd::Text);
}

std::u16string_view WithoutQuotes(std::u16string_view cell) {
  if (!cell.empty() && cell.front() == u'"') cell.remove_prefix(1);
  if (!cell.empty() && cell.back() == u'"') cell.remove_suffix(1);
  return cell;
}

bool IsCardNameHeader(std::u16string_view cell) {
  std::u16string lowered(cell);
  platform::ToLowerInPlace(lowered);
  return lowered == u"cardname" || lowered == u"card name";
}

std::u16string_view TextOf(const storage::TextSource* texts, uint32_t number) {
  return texts ? texts->Text(number) : std::u16string_view(u"?");
}

void Wipe(std::u16string& s) { storage::SecureWipe(s.data(), s.size() * sizeof(char16_t)); }

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
  Wipe(m.text);  // a preview shows values in clear
  return answer;
}

void Stop(storage::Prompter& prompter, uint32_t number, const storage::TextSource* texts) {
  Ask(prompter, std::u16string(TextOf(texts, number)), storage::Buttons::Ok, storage::MessageIcon::Stop, number,
      import_text::kErrorCaption, texts);
}

}  // namespace

// ---------------------------------------------------------------- the table

void TabTable::Clear() {
  text_.clear();
  text_.shrink_to_fit();
  cells_.clear();
  rowStarts_.clear();
  rowSurplus_.clear();
  columns_ = 0;
  rowsWithSurplus_ = 0;
  swapped_ = false;
  loaded_ = false;
}

int TabTable::Load(const std::string& path) {
  Clear();
  // Only a plain file: opening a pipe or a device for reading could wait
  // for ever.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return kCannotOpen;
  platform::File file;
  if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok) return kCannotOpen;
  uint64_t size = 0;
  if (!file.Size(&size)) return kReadError;
  if (size == 0) return kCannotOpen;
  if (size > kMaxImportFileBytes) return kTooLarge;
  storage::SecureBytes bytes;
  try {
    bytes.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    return kTooLarge;
  }
  size_t got = 0;
  if (!file.ReadAt(0, bytes.data(), bytes.size(), &got) || got != bytes.size()) return kReadError;
  return LoadBytes(bytes.data(), bytes.size());
}

int TabTable::LoadBytes(const uint8_t* data, size_t size) {
  Clear();
  if (size == 0) return kCannotOpen;
  if (size > kMaxImportFileBytes) return kTooLarge;
  try {
    const bool little = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const bool big = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
    if (little || big) {
      // An odd last byte is half a unit: left out.
      swapped_ = big;
      const size_t units = (size - 2) / 2;
      text_.reserve(units);
      for (size_t i = 0; i < units; ++i) {
        const uint8_t a = data[2 + 2 * i], b = data[3 + 2 * i];
        const char16_t unit = big ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
        if (unit == 0) break;
        text_.push_back(unit);
      }
    } else {
      const size_t length = std::find(data, data + size, uint8_t(0)) - data;
      std::u16string converted =
          platform::FromWindows1252(std::string_view(reinterpret_cast<const char*>(data), length));
      text_.assign(converted.data(), converted.size());
      Wipe(converted);
    }
    return Parse();
  } catch (const std::bad_alloc&) {
    Clear();
    return kTooLarge;
  }
}

int TabTable::Parse() {
  const std::u16string_view text = Text();
  const size_t firstRowEnd = std::min(text.find_first_of(u"\r\n"), text.size());
  columns_ = size_t(std::count(text.begin(), text.begin() + ptrdiff_t(firstRowEnd), u'\t')) + 1;

  // Count the cells kept before anything is allocated for them.
  size_t kept = 0, inRow = 0;
  WalkCells(text, [&](size_t, size_t, CellEnd how) {
    if (inRow++ < columns_) ++kept;
    if (how != CellEnd::Tab) inRow = 0;
  });
  if (kept > kMaxImportCells) {
    Clear();
    return kTooLarge;
  }
  cells_.reserve(kept);

  rowStarts_.push_back(0);
  inRow = 0;
  bool surplus = false;
  WalkCells(text, [&](size_t start, size_t end, CellEnd how) {
    if (inRow++ < columns_) cells_.push_back({uint32_t(start), uint32_t(end - start)});
    else surplus = true;
    if (how == CellEnd::Tab) return;
    rowSurplus_.push_back(surplus);
    if (surplus) ++rowsWithSurplus_;
    if (how == CellEnd::Row) rowStarts_.push_back(uint32_t(cells_.size()));
    inRow = 0;
    surplus = false;
  });
  loaded_ = true;
  return kLoaded;
}

size_t TabTable::CellsInRow(size_t row) const {
  if (row >= rowStarts_.size()) return 0;
  const size_t end = row + 1 < rowStarts_.size() ? rowStarts_[row + 1] : cells_.size();
  return end - rowStarts_[row];
}

bool TabTable::RowHadSurplus(size_t row) const { return row < rowSurplus_.size() && rowSurplus_[row]; }

std::u16string_view TabTable::Cell(size_t row, size_t column) const {
  if (column >= CellsInRow(row)) return {};
  const Span& span = cells_[rowStarts_[row] + column];
  return WithoutQuotes(Text().substr(span.start, span.length));
}

std::u16string_view TabTable::Cell(size_t index) const {
  if (columns_ == 0) return {};
  return Cell(index / columns_, index % columns_);
}

// ---------------------------------------------------------------- the import

std::u16string PreviewText(const TabTable& table, size_t row, const storage::TextSource* texts) {
  std::u16string out(TextOf(texts, import_text::kCardQuestion));
  out += u"\n\n";
  const size_t shown = std::min(table.Columns(), kPreviewColumns);
  for (size_t c = 0; c < shown && out.size() < kMaxPreviewUnits; ++c) {
    const std::u16string_view label = c == 0 ? TextOf(texts, import_text::kCardNameLabel) : table.Cell(0, c);
    if (label.size() > kPreviewLabelUnits) {
      out += label.substr(0, kPreviewLabelUnits);
      out += u"...:";
    } else {
      out += label;
      out += u":";
    }
    out += u' ';
    const std::u16string_view value = table.Cell(row, c);
    if (value.size() > kPreviewValueUnits) {
      out += value.substr(0, kPreviewValueUnits);
      out += u"...";
    } else {
      out += value;
    }
    out += u'\n';
  }
  if (table.Columns() > kPreviewColumns)
    out += storage::FormatText(TextOf(texts, import_text::kMoreColumns), {int64_t(table.Columns() - kPreviewColumns)});
  if (out.size() > kMaxPreviewUnits) {
    storage::SecureWipe(out.data() + kMaxPreviewUnits, (out.size() - kMaxPreviewUnits) * sizeof(char16_t));
    out.resize(kMaxPreviewUnits);
  }
  return out;
}

namespace {

// The rows the user takes, in order; stops at Cancel.
std::vector<size_t> AskForRows(const TabTable& table, size_t dataRows, storage::Prompter& prompter,
                               const storage::TextSource* texts) {
  std::vector<size_t> taken;
  bool askEach = true;
  bool bulkAsked = false;
  for (size_t r = 1; r <= dataRows; ++r) {
    if (askEach && !bulkAsked && r >= kBulkFromRow && dataRows >= kBulkMinRows) {
      bulkAsked = true;
      const int64_t left = int64_t(dataRows - r + 1);
      const storage::Answer answer =
          Ask(prompter, storage::FormatText(TextOf(texts, import_text::kBulkQuestion), {left}),
              storage::Buttons::YesNoCancel, storage::MessageIcon::Question, import_text::kBulkQuestion,
              import_text::kQuestionCaption, texts);
      if (answer == storage::Answer::Yes) askEach = false;
      else if (answer != storage::Answer::No) break;  // Cancel, or anything unexpected
    }
    if (askEach) {
      const storage::Answer answer =
          Ask(prompter, PreviewText(table, r, texts), storage::Buttons::YesNoCancel, storage::MessageIcon::Question,
              import_text::kCardQuestion, import_text::kQuestionCaption, texts);
      if (answer == storage::Answer::No) continue;
      if (answer != storage::Answer::Yes) break;
    }
    taken.push_back(r);
  }
  return taken;
}

storage::Card CardOfRow(storage::Wallet& wallet, const TabTable& table, size_t row, const storage::RecordId& folder) {
  storage::Card card = wallet.NewEmptyCard(folder);
  card.record.SetName(table.Cell(row, 0));
  card.record.SetIconRaw(kImportCardIcon);
  const size_t fields = std::min(table.Columns() - 1, storage::kMaxFields);
  card.fields.reserve(fields);
  for (size_t c = 1; c <= fields; ++c) {
    storage::Field field;
    field.SetKind(uint16_t(storage::FieldKind::TextCapFirst), wallet.Texts());
    field.SetLabel(table.Cell(0, c));
    field.SetValue(table.Cell(row, c));
    field.changeFlags |= storage::field_flags::kNew;
    card.AddField(std::move(field));
  }
  return card;
}

}  // namespace

ImportResult ImportTable(storage::Wallet& wallet, const TabTable& table, storage::Prompter& prompter) {
  const storage::TextSource* texts = wallet.Texts();
  ImportResult result;
  if (!table.Loaded()) {
    Stop(prompter, import_text::kUnreadable, texts);
    result.status = ImportStatus::Unreadable;
    return result;
  }
  if (!IsCardNameHeader(table.Cell(0, 0)) || table.Rows() < 2 || table.Columns() < 2) {
    Stop(prompter, import_text::kWrongLayout, texts);
    result.status = ImportStatus::WrongLayout;
    return result;
  }
  const size_t last = table.Rows() - 1;
  const size_t dataRows = table.Cell(last, 0).empty() ? table.Rows() - 2 : table.Rows() - 1;

  const std::vector<size_t> rows = AskForRows(table, dataRows, prompter, texts);
  if (rows.empty()) return result;

  std::vector<storage::RecordHeader> folders;
  std::vector<storage::Card> cards;
  try {
    storage::RecordHeader folder = storage::NewFolderRecord({}, false, &wallet.DataKey());
    const std::u16string date = platform::FormatShortDate(platform::LocalTime());
    folder.SetName(storage::FormatText(u"%s %s", {TextOf(texts, import_text::kFolderName), std::u16string_view(date)}));
    folder.SetIconRaw(kImportFolderIcon);
    result.folder = folder.Id();
    folders.push_back(std::move(folder));
    cards.reserve(rows.size());
    for (const size_t r : rows) {
      cards.push_back(CardOfRow(wallet, table, r, result.folder));
      if (table.RowHadSurplus(r)) ++result.rowsWithSurplus;
    }
  } catch (const std::bad_alloc&) {
    folders.clear();
    cards.clear();
  }
  if (folders.empty() || !wallet.AppendAllAtomically(folders, cards)) {
    Stop(prompter, import_text::kNotWritten, texts);
    result = ImportResult{};
    result.status = ImportStatus::NotWritten;
    return result;
  }
  result.status = ImportStatus::Imported;
  result.imported = int(cards.size());
  std::u16string note = storage::FormatText(TextOf(texts, import_text::kImported), {int64_t(result.imported)});
  if (result.rowsWithSurplus > 0) {
    note += u"\n\n";
    note += storage::FormatText(TextOf(texts, import_text::kSurplusCells), {int64_t(result.rowsWithSurplus)});
  }
  // A card holds 255 fields: a wider table loses columns, and says so.
  result.columnsLeftOut = table.Columns() - 1 > storage::kMaxFields ? table.Columns() - 1 - storage::kMaxFields : 0;
  if (result.columnsLeftOut > 0) {
    note += u"\n\n";
    note += storage::FormatText(TextOf(texts, import_text::kColumnsLeftOut), {int64_t(result.columnsLeftOut)});
  }
  Ask(prompter, std::move(note), storage::Buttons::Ok, storage::MessageIcon::Information, import_text::kImported,
      import_text::kDoneCaption, texts);
  return result;
}

ImportResult ImportText(storage::Wallet& wallet, const std::string& path, storage::Prompter& prompter) {
  TabTable table;
  const int error = table.Load(path);
  ImportResult result = ImportTable(wallet, table, prompter);
  result.loadError = error;
  return result;
}

}  // namespace tb::interchange
