#pragma once
// Moving in from other password managers: the CSV exports of KeePassXC and
// Bitwarden, and our own CSV export, read into a new folder of the open
// wallet. Columns are found by their names in the first row.
//
// KeePassXC and Bitwarden rows become cards of the Web Login form: the
// title or name is the card's name, user name, password and web address go
// to those fields, notes to Comments, a TOTP secret to a Password field
// "TOTP", and every other column with a value (Bitwarden's custom fields
// too) to a text field labelled with its name. Their groups and folders
// become folders (KeePassXC's root group dropped). Rows of our own export
// get back their fields, labels, values and kinds.
//
// Everything goes below one new top-level folder named as the tab-separated
// import names its folder, and is asked for in the same way (a preview of
// each card, Yes/No/Cancel, from the fifth of ten or more cards once for
// all the rest). Rows that cannot be read are reported by line and left
// out; the accepted cards and their folders are written in one step, so
// the wallet holds all of them or none.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interchange/csv.h"
#include "interchange/text_import.h"
#include "storage/services.h"
#include "storage/wallet.h"

namespace tb::interchange {

enum class CsvFormat { Own, KeePassXC, Bitwarden };

// Module strings of the CSV import and export.
namespace csv_text {
inline constexpr uint32_t kUnknownTable = 41300, kTooLarge = 41301, kRowsLeftOut = 41302, kRowLine = 41303,
                          kMoreRowsLeftOut = 41304, kFormatEntry = 41320;
// Why a row was left out, in CsvRowError order from UnclosedQuote, then
// the importer's own reasons.
inline constexpr uint32_t kUnclosedQuote = 41310, kTextAfterQuote = 41311, kNulCharacter = 41312,
                          kByteOrderMark = 41313, kNotUtf8 = 41314, kWrongWidth = 41315, kUnknownType = 41316,
                          kTooManyFields = 41317, kBadKinds = 41318;
}  // namespace csv_text

// The columns each format is known by.
inline constexpr const char16_t* kKeePassXcColumns[] = {u"Group", u"Title", u"Username", u"Password",      u"URL",
                                                        u"Notes", u"TOTP",  u"Icon",     u"Last Modified", u"Created"};
inline constexpr const char16_t* kBitwardenColumns[] = {
    u"folder",   u"favorite",  u"type",           u"name",           u"notes",     u"fields",
    u"reprompt", u"login_uri", u"login_username", u"login_password", u"login_totp"};
// Ours: "Folder", "Card", "Form", then "Label 1", "Value 1", "Label 2", ...
inline constexpr const char16_t* kOwnColumns[] = {u"Folder", u"Card", u"Form"};

// The format a table's first row names: ours when it begins with Folder,
// Card and Form; KeePassXC when it has Title, Username, Password and URL;
// Bitwarden when it has type, name and login_password. None otherwise.
std::optional<CsvFormat> DetectCsvFormat(const CsvTable& table);

// Why a row is left out beyond what the reader finds.
enum class CsvSkipReason { Row, UnknownType, TooManyFields, BadKinds };

struct CsvSkippedRow {
  size_t line = 0;
  CsvSkipReason reason = CsvSkipReason::Row;
  CsvRowError rowError = CsvRowError::None;  // for Row
  size_t width = 0;                          // for WrongWidth
};

struct CsvImportResult {
  ImportStatus status = ImportStatus::NothingTaken;
  CsvStatus loadStatus = CsvStatus::Ok;
  int imported = 0;
  storage::RecordId folder;            // the new top-level folder
  std::vector<CsvSkippedRow> skipped;  // rows that could not be read, by line
};

// Runs the whole import of the file; messages and questions go through
// the prompter. WrongLayout when the first row names no column of the
// format.
CsvImportResult ImportCsv(storage::Wallet& wallet, const std::string& path, CsvFormat format,
                          storage::Prompter& prompter);
CsvImportResult ImportCsvTable(storage::Wallet& wallet, const CsvTable& table, CsvFormat format,
                               storage::Prompter& prompter);
// The same for a file whose format its first row tells (DetectCsvFormat):
// WrongLayout, with the message, when it names none of them.
CsvImportResult ImportCsvDetected(storage::Wallet& wallet, const std::string& path, storage::Prompter& prompter);

// The message listing the rows left out (at most 20 lines, then how many more).
std::u16string SkippedRowsText(const std::vector<CsvSkippedRow>& skipped, const storage::TextSource* texts);

// Field kinds as our export writes them in its Form column: "3 1 7".
std::u16string KindsText(const std::vector<uint16_t>& kinds);
bool ParseKinds(std::u16string_view text, std::vector<uint16_t>* kinds);

// Dates and times of a field as our export writes them: "2026-12-10",
// "14:30:05", "2026-12-10T14:30:05"; empty for no date.
std::u16string IsoDateTimeText(uint16_t kind, const platform::SystemTime& t);
// The same read back (a time alone takes today's date); false when the
// text is none of them.
bool ParseIsoDateTimeText(uint16_t kind, std::u16string_view text, platform::SystemTime* t);

// Folder paths in our Folder column: names joined by "/", a "/" in a name
// written "\/" and a backslash "\\".
std::u16string JoinFolderPath(const std::vector<std::u16string>& names);
std::vector<std::u16string> SplitFolderPath(std::u16string_view path);

}  // namespace tb::interchange
