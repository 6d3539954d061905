#pragma once
// Moving out: the whole wallet, a folder or one card as a CSV table that
// spreadsheets and other password managers read, and that our own CSV
// import reads back. One row per card: "Folder" (the path of its folder),
// "Card" (its name), "Form" (its field kinds, "3 1 7"), then "Label 1",
// "Value 1", "Label 2", ... in the card's order, every row padded to the
// widest card. Dates and times are written as ISO 8601. Password values
// only when asked for, else empty.
//
// The file holds secrets in clear: it is readable by the owner only, and
// an older file of the same name is replaced by a rename, never written
// through. Forms (the forms folder) belong to form files, not to this
// table: the whole-wallet export leaves them out.
#include <optional>
#include <string>

#include "storage/record_id.h"
#include "storage/wallet.h"

namespace tb::interchange {

struct CsvExportOptions {
  std::string outputFolder;  // the file is made directly in it
  bool includePasswords = false;
};

struct CsvExportResult {
  bool written = false;
  std::string path;         // <outputFolder>/<wallet, folder or card name>.csv
  int cards = 0;            // rows written
  int unreadableCards = 0;  // cards that could not be read and are not in the file
};

// item: a folder or card of the wallet; none for the whole wallet.
CsvExportResult ExportCsv(storage::Wallet& wallet, const std::optional<storage::RecordId>& item,
                          const CsvExportOptions& options);

}  // namespace tb::interchange
