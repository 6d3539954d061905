#pragma once
// Text import: a tab-separated table of cards (UTF-16 with a byte-order
// mark, or Windows-1252 text without one; rows end with CR LF) read into
// a new folder of the open wallet, one card per row, each confirmed by the
// user or all of them at once from the fifth row of a long table.
//
// The table is an outside file: its size is limited before it is read and
// the cell list can never outgrow the text. Each row keeps its own cells:
// a row with fewer cells than the header row has the missing ones empty
// (the next row's cells never move up into it), and the cells of a row
// beyond the header's count are left out and counted.
//
// The accepted cards go to the wallet file in one step when the questions
// are over, so the wallet holds either all of them or none.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/cipher/secure.h"
#include "storage/record_id.h"
#include "storage/services.h"
#include "storage/string_numbers.h"
#include "storage/wallet.h"

namespace tb::interchange {

// Files larger than this are refused before anything is read: a table of
// 10,000 cards with a dozen fields each takes a few megabytes.
inline constexpr uint64_t kMaxImportFileBytes = 16u << 20;
// The most cells a table may keep (16 MiB of cell list).
inline constexpr size_t kMaxImportCells = size_t(1) << 21;

// Module strings of the import.
namespace import_text {
inline constexpr uint32_t kQuestionCaption = storage::kStrCaptionConfirm, kErrorCaption = storage::kStrCaptionError,
                          kDoneCaption = storage::kStrCaptionProgram, kFolderName = 22041, kUnreadable = 22070,
                          kWrongLayout = 22071, kCardQuestion = 22072, kCardNameLabel = 20518, kMoreColumns = 22073,
                          kBulkQuestion = 22074, kImported = 22075, kSurplusCells = 22076, kNotWritten = 22077,
                          kColumnsLeftOut = 22194;
}

inline constexpr int32_t kImportFolderIcon = storage::kNewFolderIcon;
inline constexpr int32_t kImportCardIcon = 50;

class TabTable {
 public:
  enum LoadError : int {
    kLoaded = 0,
    kCannotOpen = 1,  // missing, unreadable or empty
    kReadError = 2,
    kTooLarge = 3,  // over kMaxImportFileBytes, or more than kMaxImportCells cells
  };

  // Reads and parses the file; 0 on success, else a LoadError.
  int Load(const std::string& path);
  // The same for the file's bytes already in memory.
  int LoadBytes(const uint8_t* data, size_t size);

  bool Loaded() const { return loaded_; }
  // TABs before the first CR, plus 1.
  size_t Columns() const { return columns_; }
  // 1 + the CRs of the whole text.
  size_t Rows() const { return rowStarts_.size(); }
  bool Swapped() const { return swapped_; }
  // Rows that had more cells than the header row; their surplus is left out.
  size_t RowsWithSurplus() const { return rowsWithSurplus_; }
  bool RowHadSurplus(size_t row) const;
  // The text as UTF-16, up to its first zero unit.
  std::u16string_view Text() const { return std::u16string_view(text_.data(), text_.size()); }

  // Cell (row, column) without one leading and one trailing double quote;
  // empty for a cell the row does not have.
  std::u16string_view Cell(size_t row, size_t column) const;
  // Cell number row × Columns() + column.
  std::u16string_view Cell(size_t index) const;
  // Cells the row has, at most Columns().
  size_t CellsInRow(size_t row) const;

 private:
  struct Span {
    uint32_t start;
    uint32_t length;
  };
  int Parse();
  void Clear();

  storage::Text text_;
  std::vector<Span> cells_;
  std::vector<uint32_t> rowStarts_;  // first cell of each row in cells_
  std::vector<bool> rowSurplus_;
  size_t columns_ = 0;
  size_t rowsWithSurplus_ = 0;
  bool swapped_ = false;
  bool loaded_ = false;
};

enum class ImportStatus {
  Imported,      // at least one card added
  NothingTaken,  // every row declined, or cancelled before the first card
  Unreadable,    // the file could not be read
  WrongLayout,   // header not "Card Name", or fewer than 2 rows or columns
  NotWritten,    // the cards could not be written; the wallet is unchanged
};

struct ImportResult {
  ImportStatus status = ImportStatus::NothingTaken;
  int imported = 0;
  storage::RecordId folder;    // the new folder, when cards were imported
  size_t rowsWithSurplus = 0;  // rows whose extra cells were left out
  size_t columnsLeftOut = 0;   // columns past the most fields a card holds
  int loadError = 0;           // TabTable::Load's error when Unreadable
};

// Runs the whole import of the file into the open wallet: the messages,
// the questions and the closing note go through the prompter.
ImportResult ImportText(storage::Wallet& wallet, const std::string& path, storage::Prompter& prompter);
// The same for a table already loaded.
ImportResult ImportTable(storage::Wallet& wallet, const TabTable& table, storage::Prompter& prompter);

// The question shown for one row (cut at 2047 characters).
std::u16string PreviewText(const TabTable& table, size_t row, const storage::TextSource* texts);

}  // namespace tb::interchange
