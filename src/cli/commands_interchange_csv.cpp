// CSV tables: import --from keepassxc|bitwarden|csv (cards from other
// password managers' exports and from ours) and export --format csv.
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/import_prompter.h"
#include "cli/item_paths.h"
#include "interchange/csv_export.h"
#include "interchange/csv_import.h"

namespace tb::cli {

int CmdImportCsv(Session& s, const ParsedArgs& a, const std::string& from) {
  interchange::CsvFormat format;
  if (from == "keepassxc") format = interchange::CsvFormat::KeePassXC;
  else if (from == "bitwarden") format = interchange::CsvFormat::Bitwarden;
  else if (from == "csv") format = interchange::CsvFormat::Own;
  else return s.Usage("--from takes tsv, keepassxc, bitwarden or csv");
  const std::string& walletArg = a.positional[0];
  const std::string& table = a.positional[1];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  ImportPrompter prompter(s, a.Has("--yes"));
  const interchange::CsvImportResult result = interchange::ImportCsv(wallet, table, format, prompter);
  if (int rc = CloseWallet(s, walletArg, wallet); rc != kExitOk) return rc;
  switch (result.status) {
    case interchange::ImportStatus::Imported: break;
    case interchange::ImportStatus::NothingTaken: s.out << "no cards were imported\n"; break;
    case interchange::ImportStatus::Unreadable:
    case interchange::ImportStatus::WrongLayout:
    case interchange::ImportStatus::NotWritten: return kExitFailed;
  }
  // Rows left out were reported; the import was not whole.
  return prompter.RanOut() || !result.skipped.empty() ? kExitFailed : kExitOk;
}

int CmdExportCsv(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  const std::string* out = a.Value("--out");
  if (!out || out->empty()) return s.Usage("--out DIR is needed: the folder the table is written to");
  if (a.Has("--attachments")) return s.Usage("a CSV table holds no attachments; --attachments is for --format text");
  std::error_code ec;
  if (!std::filesystem::is_directory(*out, ec)) return s.Fail(*out + " is not a folder; nothing was written");
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;
  std::optional<storage::RecordId> item;
  if (a.positional.size() > 1) {
    int position = -1;
    if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) {
      wallet.Close();
      return rc;
    }
    item = wallet.At(position)->Id();
  }
  interchange::CsvExportOptions options;
  options.outputFolder = AbsolutePath(*out);
  options.includePasswords = a.Has("--passwords");
  const interchange::CsvExportResult result = interchange::ExportCsv(wallet, item, options);
  wallet.Close();
  if (!result.written) return s.Fail("cannot write the table to " + *out + "; nothing was written");
  s.out << result.path << "\n";
  if (result.unreadableCards > 0)
    return s.Fail(std::to_string(result.unreadableCards) + " cards could not be read and are not in the table");
  return kExitOk;
}

}  // namespace tb::cli
