// tbwallet: the command line program. It keeps secrets out of core dumps,
// reads passwords from a terminal without echo, and hands everything else
// to the commands.
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/tbwallet.h"
#include "platform/core/process.h"

namespace {

bool ReadHiddenLine(std::string* line) {
  termios saved{};
  const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool ok = bool(std::getline(std::cin, *line));
  if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  tb::platform::DisableCoreDumps();
  std::vector<std::string> args(argv + 1, argv + argc);
  tb::cli::CliEnvironment env;
  env.stdinIsTerminal = isatty(STDIN_FILENO) == 1;
  env.stderrIsTerminal = isatty(STDERR_FILENO) == 1;
  env.readHiddenLine = ReadHiddenLine;
  const int rc = tb::cli::RunTbwallet(args, std::cin, std::cout, std::cerr, env);
  std::cout.flush();
  return rc;
}
