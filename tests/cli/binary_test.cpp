// The built tbwallet program with its answers on a pipe: one line per
// answer, a CR before the LF dropped, secrets never in the arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli_harness.h"

namespace tb::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

class BinaryTest : public ::testing::Test {
 protected:
  Outcome Run(const std::string& args, const std::string& answers) {
    const std::string command = "LC_ALL=C TB_REGISTRY_FILE=" + Quote(dir.File("registry.reg")) + " " +
                                Quote(TB_MODULE_DIR "/tbwallet") + " " + args + " >" + Quote(dir.File("out")) + " 2>" +
                                Quote(dir.File("err"));
    FILE* pipe = popen(command.c_str(), "w");
    Outcome o;
    if (!pipe) return o;
    fwrite(answers.data(), 1, answers.size(), pipe);
    const int status = pclose(pipe);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = Slurp(dir.File("out"));
    o.err = Slurp(dir.File("err"));
    return o;
  }
  TempDir dir;
};

TEST_F(BinaryTest, AnswersComeFromStandardInputLineByLine) {
  const std::string w = Quote(dir.File("Piped.tb5"));
  Outcome o = Run("create " + w, "pipe-pass\r\n");
  ASSERT_EQ(o.status, 0) << o.err;
  ASSERT_EQ(Run("mkdir " + w + " Box", "pipe-pass\n").status, 0);
  ASSERT_EQ(Run("new-card " + w + " Box Key", "pipe-pass\n").status, 0);
  // The password, then the secret value, the last line without its LF.
  o = Run("set " + w + " Box/Key Password=-", "pipe-pass\nhidden value\r\n");
  ASSERT_EQ(o.status, 0) << o.err;
  o = Run("show " + w + " Box/Key --reveal", "pipe-pass\r\n");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Contains(o.out, "Password: hidden value\n"));

  o = Run("show " + w + " Box/Key", "pipe-pass\n");
  EXPECT_TRUE(Contains(o.out, "Password: ********\n"));
  o = Run("info " + w, "pipe-pass\r\r\n");  // only one CR is dropped
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Contains(o.err, "status 10 (wrong password)"));
  EXPECT_EQ(Run("info " + w, "").status, 1);
  EXPECT_EQ(Run("info", "").status, 2);
}

}  // namespace
}  // namespace tb::test
