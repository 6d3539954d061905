// Commands over text files: export (the wallet, a folder or a card to a
// readable text file) and import (cards from a tab-separated table).
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/import_prompter.h"
#include "cli/item_paths.h"
#include "interchange/text_export.h"
#include "interchange/text_import.h"

namespace tb::cli {

namespace {

const char* LoadErrorText(int error) {
  switch (error) {
    case interchange::TabTable::kReadError: return "read error";
    case interchange::TabTable::kTooLarge: return "too large to import (at most 16 MiB and 2,097,152 cells)";
    default: return "cannot be opened, or is empty";
  }
}

}  // namespace

int CmdExport(Session& s, const ParsedArgs& a) {
  if (const std::string* format = a.Value("--format"); format && *format != "text") {
    if (*format == "csv") return CmdExportCsv(s, a);
    return s.Usage("--format takes text or csv");
  }
  const std::string& walletArg = a.positional[0];
  const std::string* out = a.Value("--out");
  if (!out || out->empty()) return s.Usage("--out DIR is needed: the folder the export is written under");
  std::error_code ec;
  if (!std::filesystem::is_directory(*out, ec)) return s.Fail(*out + " is not a folder; nothing was written");
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;

  interchange::ExportOptions options;
  options.outputPlace = AbsolutePath(*out);
  options.includePasswords = a.Has("--passwords");
  options.includeAttachments = a.Has("--attachments");
  std::string written;
  interchange::ExportReport report;
  bool ok = false;
  if (a.positional.size() > 1) {
    int position = -1;
    if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) {
      wallet.Close();
      return rc;
    }
    const storage::RecordHeader* h = wallet.At(position);
    ok = h->IsCard() ? interchange::ExportCard(wallet, h->Id(), options, &written, &report)
                     : interchange::ExportFolder(wallet, h->Id(), options, &written, &report);
  } else {
    ok = interchange::ExportWallet(wallet, options, &written, &report);
  }
  wallet.Close();
  if (!ok) return s.Fail("cannot write the export under " + *out + "; nothing was written");
  s.out << written << "\n";
  if (report.Complete()) return kExitOk;
  // The file is there but not whole: say what is missing and fail.
  return s.Fail("the export is incomplete: " + std::to_string(report.cardsLeftOut) + " card(s) could not be read and " +
                std::to_string(report.attachmentsLeftOut) +
                " attachment(s) could not be saved; they are missing from " + written);
}

int CmdImport(Session& s, const ParsedArgs& a) {
  if (const std::string* from = a.Value("--from"); from && *from != "tsv") return CmdImportCsv(s, a, *from);
  const std::string& walletArg = a.positional[0];
  const std::string& table = a.positional[1];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  ImportPrompter prompter(s, a.Has("--yes"));
  const interchange::ImportResult result = interchange::ImportText(wallet, table, prompter);
  if (int rc = CloseWallet(s, walletArg, wallet); rc != kExitOk) return rc;
  switch (result.status) {
    case interchange::ImportStatus::Imported: break;
    case interchange::ImportStatus::NothingTaken: s.out << "no cards were imported\n"; break;
    case interchange::ImportStatus::Unreadable:
      return s.Fail(table + ": " + LoadErrorText(result.loadError) + "; nothing was imported");
    case interchange::ImportStatus::WrongLayout:
    case interchange::ImportStatus::NotWritten: return kExitFailed;
  }
  return prompter.RanOut() ? kExitFailed : kExitOk;
}

}  // namespace tb::cli
