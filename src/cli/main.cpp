// tbwallet: the command line program. It keeps secrets out of core dumps,
// reads answers straight from standard input's descriptor (passwords
// without echo on a terminal), and hands everything else to the commands.
#include <stdio.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/tbwallet.h"
#include "platform/core/process.h"
#include "storage/cipher/secure.h"

namespace {

// Standard output's buffer is ours, so that what passed through it (show
// --reveal and dump print passwords) can be wiped before the process ends.
char g_outputBuffer[16384];

}  // namespace

int main(int argc, char** argv) {
  tb::platform::DisableCoreDumps();
  setvbuf(stdout, g_outputBuffer, _IOFBF, sizeof g_outputBuffer);
  tb::storage::LockSecretMemory(g_outputBuffer, sizeof g_outputBuffer);
  std::vector<std::string> args(argv + 1, argv + argc);
  tb::cli::CliEnvironment env;
  env.stdinIsTerminal = isatty(STDIN_FILENO) == 1;
  env.stderrIsTerminal = isatty(STDERR_FILENO) == 1;
  env.inputFd = STDIN_FILENO;
  const int rc = tb::cli::RunTbwallet(args, std::cin, std::cout, std::cerr, env);
  std::cout.flush();
  fflush(stdout);
  tb::storage::SecureWipe(g_outputBuffer, sizeof g_outputBuffer);
  return rc;
}
