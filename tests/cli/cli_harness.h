#pragma once
// Runs tbwallet commands in-process on string streams, against a wallet in
// a temporary folder, with the built language modules and a registry file
// of the test's own.
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/tbwallet.h"
#include "platform/core/system.h"
#include "support/temp_dir.h"

namespace tb::test {

// Whether text holds part; says what it held when not.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << part << "\" is not in:\n" << text;
}

struct CliResult {
  int rc = -1;
  std::string out;
  std::string err;
};

class CliHarness {
 public:
  CliHarness() : wallet(dir.File("Mine.tb5")) {
    env.stdinIsTerminal = false;
    env.moduleFolder = TB_MODULE_DIR;
    env.registryPath = dir.File("registry.reg");
  }

  // args are the words after "tbwallet"; input is standard input.
  CliResult Exec(std::vector<std::string> args, const std::string& input = "") const {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliResult r;
    r.rc = cli::RunTbwallet(args, in, out, err, env);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  // The command on the test wallet with its password as the first answer.
  CliResult On(const std::string& command, std::vector<std::string> rest = {},
               const std::string& moreInput = "") const {
    std::vector<std::string> args{command, wallet};
    args.insert(args.end(), rest.begin(), rest.end());
    return Exec(args, password + "\n" + moreInput);
  }

  // The record id a command printed (its last line).
  static std::string PrintedId(const CliResult& r) {
    std::string s = r.out;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    const size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
  }

  // The module choice falls back on the user's language: keep it English
  // whatever the machine's locale.
  platform::ScopedUserLanguage language{0x0409};
  TempDir dir;
  std::string wallet;
  std::string password = "pass-word";
  cli::CliEnvironment env;
};

}  // namespace tb::test
