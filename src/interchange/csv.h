#pragma once
// Comma-separated tables as RFC 4180 writes them: values in double quotes
// may hold commas, line breaks and doubled quotes; rows end with CR LF or
// LF (a lone CR ends a row too); UTF-8 with or without a byte-order mark.
//
// A table is an outside file: its size is limited before it is read, its
// columns and values are counted before they are kept, and a row that
// breaks the rules is kept as an error with its line number instead of
// stopping the whole table. Values live in wiped memory: tables of other
// password managers hold passwords in clear.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/cipher/secure.h"

namespace tb::interchange {

// Files larger than this are refused before anything is read.
inline constexpr uint64_t kMaxCsvFileBytes = 16u << 20;
// More columns than this in the first row, and the table is refused: the
// widest table we write has 3 + 2 × 255.
inline constexpr size_t kMaxCsvColumns = 1024;
// The most values a table may keep, a row that keeps none (a broken one)
// counting as one: 10,000 cards of our own widest export stay far below.
inline constexpr size_t kMaxCsvValues = size_t(1) << 20;

enum class CsvStatus {
  Ok,
  CannotOpen,  // missing, not a plain file, unreadable
  ReadError,
  Empty,           // nothing but white space and line ends
  TooLarge,        // over kMaxCsvFileBytes, or more than kMaxCsvValues values or rows
  TooManyColumns,  // the first row has more than kMaxCsvColumns
  BadHeader,       // the first row itself breaks the rules
};

// Why a row could not be read.
enum class CsvRowError {
  None,
  UnclosedQuote,   // a quoted value runs to the end of the file
  TextAfterQuote,  // a closing quote is followed by something else than , or a line end
  NulCharacter,
  ByteOrderMark,  // a byte-order mark inside the text: two files joined together?
  NotUtf8,
  WrongWidth,  // not as many values as the first row has names
};

struct CsvRow {
  size_t line = 0;                    // the line the row starts on, from 1
  std::vector<storage::Text> values;  // empty when the row has an error
  CsvRowError error = CsvRowError::None;
  size_t width = 0;  // values the row had (for WrongWidth)
};

class CsvTable {
 public:
  CsvStatus Load(const std::string& path);
  CsvStatus LoadBytes(std::string_view bytes);

  // The first row: the column names.
  const std::vector<storage::Text>& Header() const { return header_; }
  // Every further row, empty lines left out, in file order.
  const std::vector<CsvRow>& Rows() const { return rows_; }
  // The column with this name (compared without regard to case, spaces
  // around it ignored); -1 when none.
  int Column(std::u16string_view name) const;

 private:
  void Clear();
  std::vector<storage::Text> header_;
  std::vector<CsvRow> rows_;
};

// Writes a table: every value quoted, quotes doubled, CR LF after every
// row, UTF-8 after a byte-order mark. The bytes live in wiped memory.
class CsvWriter {
 public:
  CsvWriter();
  void Value(std::u16string_view value);
  void EndRow();
  const storage::SecureBytes& Bytes() const { return bytes_; }

 private:
  storage::SecureBytes bytes_;
  bool rowStarted_ = false;
};

}  // namespace tb::interchange
