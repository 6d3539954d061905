#pragma once
// What the program's command line asks for at start: the options the
// desktop program takes for itself, and the request a wallet path or a
// synchronisation keyword makes.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/core/settings.h"

namespace tb::shell {

// The longest command line text kept, in UTF-16 units (longer text is cut).
inline constexpr size_t kMaxCommandText = 259;

// The program's arguments split into the options it takes for itself and
// the rest, which forms the command line text.
struct ProgramArguments {
  std::optional<std::string> platform;       // "--platform X"
  std::optional<std::string> screenshotDir;  // "--screenshot DIR" (developer aid)
  bool close = false;                        // "--close": ask the running copy to close, then end
  std::u16string commandText;                // every other argument, joined by spaces
};

// args excludes the program name. An option given without its value is
// taken as ordinary text.
ProgramArguments SplitProgramArguments(const std::vector<std::string>& args);

struct StartupRequest {
  bool syncStart = false;
  bool syncEnd = false;
  std::u16string commandText;  // as given (cut to kMaxCommandText), or empty
  std::u16string fileToOpen;   // the named file once checked to exist, else empty
  // The command line named something (not a synchronisation keyword), even
  // when commandText was emptied because the file is missing: such a start
  // never falls back on the MRU wallet.
  bool named = false;
  // The form file (".tbx") the command line names: the wallet decision is
  // then that of an empty command line, and the form is imported into the
  // wallet once one is open.
  std::u16string formFile;
};

using FileExistsFn = std::function<bool(const std::u16string&)>;
// Whether a regular file exists at a UTF-16 path.
bool WalletFileExists(const std::u16string& path);

// Fills request from the command line text. Returns the length of
// fileToOpen, or -1 when the text names a custom form file (".tbx"). An
// empty text falls back on the most recently used wallet when OpenLast is
// on and that file exists.
int ParseCommandLine(StartupRequest& request, std::u16string_view commandLine, const Settings& settings,
                     const FileExistsFn& exists = WalletFileExists);

// The wallet start-up opens before anything else: the command line's file
// when the text names an existing file, the MRU wallet when the command
// line was empty (OpenLast on, file present); else empty, and the wallets
// manager follows. A command line naming a missing file wins over the MRU
// wallet: the user asked for that file, not for the last one. A form file
// is no wallet: it starts as an empty command line does.
// A synchronisation request opens nothing.
std::u16string StartWalletPath(const StartupRequest& request, const Settings& settings,
                               const FileExistsFn& exists = WalletFileExists);

}  // namespace tb::shell
