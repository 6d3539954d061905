// tbwallet convert: an old ".wal" wallet into a new wallet beside it.
#include <ostream>

#include "cli/commands.h"
#include "interchange/custom_form_text.h"
#include "platform/core/registry.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/format_text.h"
#include "storage/legacy_wallet.h"
#include "storage/string_numbers.h"

namespace tb::cli {

namespace {

// The message the program shows for a conversion that did not go through.
std::string FailureText(Session& s, const storage::LegacyConversion& result, const std::string& programFolder) {
  const int n = result.number();
  switch (n) {
    case 2: return Utf8(s.Text(storage::kStrConvertNeedsPassword));
    case 4: return Utf8(s.Text(storage::kStrNotConverted));
    case 7: return Utf8(s.Text(storage::kStrNotALegacyWallet));
    case 9: return Utf8(s.Text(storage::kStrConvertWrongPassword));
    case 10: {
      const std::u16string folder = platform::FromUtf8(programFolder);
      return Utf8(storage::FormatText(s.Text(storage::kStrNoDefinitionFile), {std::u16string_view(folder)}));
    }
    default: return Utf8(s.Text(storage::kStrNotConverted)) + " (" + std::to_string(n) + ")";
  }
}

}  // namespace

int CmdConvert(Session& s, const ParsedArgs& a) {
  const std::string& walArg = a.positional[0];
  storage::LegacyConvertOptions options;
  options.programFolder = platform::ProgramDirectory();
  {
    // Only read: the registry file is never written here.
    const platform::Registry registry(s.env.registryPath.empty() ? platform::Registry::DefaultPath()
                                                                 : s.env.registryPath);
    options.oldInstallFolder = storage::LegacyInstallFolder(registry);
  }
  options.readCustomForms = interchange::ReadLegacyCustomForms;
  options.texts = &s.Texts();

  storage::Text password;
  if (!s.ReadSecret("Password for " + walArg + ": ", &password)) return kExitFailed;
  std::string newPath;
  const storage::LegacyConversion result =
      storage::ConvertLegacyWallet(AbsolutePath(walArg), View(password), options, &newPath);
  if (!result.ok()) {
    std::string why = storage::Describe(result.status);
    if (result.status == storage::LegacyStatus::CreateFailed) why = storage::Describe(result.create);
    return s.Fail("cannot convert " + walArg + ": " + Printable(FailureText(s, result, options.programFolder), true) +
                  "\ntbwallet: status " + std::to_string(result.number()) + " (" + why + ")");
  }
  s.out << Printable(newPath) << "\n";
  return kExitOk;
}

}  // namespace tb::cli
