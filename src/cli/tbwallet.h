#pragma once
// tbwallet, the command line over a wallet: `tbwallet COMMAND WALLET [ARGS]`.
// Exit status 0 on success, 1 when the operation failed, 2 for a usage
// error. The commands run on the given streams, so tests call them
// in-process.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace tb::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CliEnvironment {
  // Standard input is a terminal: questions are shown as prompts and
  // passwords are read without echo.
  bool stdinIsTerminal = false;
  // Standard error is a terminal: long operations draw a progress bar there.
  bool stderrIsTerminal = false;
  // Where the language modules are; empty: beside the program.
  std::string moduleFolder;
  // The registry file LangPref is read from (never written); empty: the
  // default place.
  std::string registryPath;
  // Reads one line from the terminal without echoing it; used for secrets
  // when stdinIsTerminal. Unset: secrets are read like every other answer.
  std::function<bool(std::string* line)> readHiddenLine;
};

int RunTbwallet(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, const CliEnvironment& env);

}  // namespace tb::cli
