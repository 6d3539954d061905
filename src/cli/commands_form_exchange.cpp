// form-export and form-import: sharing custom forms as form exchange files.
#include <ostream>

#include "cli/commands.h"
#include "cli/item_paths.h"
#include "interchange/form_exchange.h"

namespace tb::cli {

int CmdFormExport(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  interchange::FormExportOptions options;
  const std::string* out = a.Value("--out");
  if (!out || out->empty()) return s.Usage("--out DIR is required");
  options.folder = *out;
  if (const std::string* d = a.Value("--description"); d && !ArgumentText(*d, &options.description))
    return s.Usage("the description is not UTF-8");
  if (const std::string* au = a.Value("--author"); au && !ArgumentText(*au, &options.author))
    return s.Usage("the author is not UTF-8");
  options.includeData = a.Has("--with-data");

  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;
  int card = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &card); rc != kExitOk) return rc;
  if (!wallet.At(card)->IsCard()) return s.Fail(a.positional[1] + " is a folder, not a card");
  std::string path;
  const interchange::FormExportStatus status = interchange::ExportAsForm(wallet, card, options, &path);
  wallet.Close();
  if (status != interchange::FormExportStatus::Ok)
    return s.Fail("cannot export " + a.positional[1] + " as a form: " + interchange::Describe(status));
  s.out << Printable(path) << "\n";
  return kExitOk;
}

int CmdFormImport(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  const std::string& file = a.positional[1];
  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, false, wallet); rc != kExitOk) return rc;
  AnswerPrompter prompter(s, a.Has("--yes"));
  const interchange::FormImportResult r = interchange::ImportForm(wallet, AbsolutePath(file), &prompter);
  switch (r.status) {
    case interchange::FormImportStatus::Imported: {
      const std::string id = wallet.At(r.position)->Id().Hex();
      if (int rc = CloseWallet(s, walletArg, wallet); rc != kExitOk) return rc;
      s.out << id << "\n";
      return kExitOk;
    }
    case interchange::FormImportStatus::Declined:
      wallet.Close();
      if (prompter.NoAnswer()) return kExitFailed;  // the missing answer was reported
      return s.Fail("the import was declined; nothing was written");
    case interchange::FormImportStatus::Unreadable:
      wallet.Close();
      return s.Fail("cannot import " + file + ": " +
                    (r.readStatus == interchange::FormReadStatus::NoFile ? std::string("cannot open the file")
                                                                         : interchange::Describe(r.readStatus)) +
                    "; nothing was written");
    default: wallet.Close(); return s.Fail("cannot import " + file + ": " + interchange::Describe(r.status));
  }
}

}  // namespace tb::cli
