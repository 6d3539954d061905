#pragma once
// tbwallet, the command line over a wallet: `tbwallet COMMAND WALLET [ARGS]`.
// Exit status 0 on success, 1 when the operation failed, 2 for a usage
// error. The commands run on the given streams, so tests call them
// in-process.
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
  // Standard input's descriptor. Answers are then read from it with
  // read(2), a byte at a time into wiping storage (a stream's buffer would
  // keep a copy of every answer), and secrets without echo when
  // stdinIsTerminal. -1: answers come from the in stream.
  int inputFd = -1;
};

int RunTbwallet(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                const CliEnvironment& env);

}  // namespace tb::cli
