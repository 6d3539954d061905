// tbwallet export --format csv and import --from: the file written, the
// round trip between two wallets, exit statuses and refused options.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "cli_harness.h"

namespace tb::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CsvCommands : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Web"}).rc, 0);
    ASSERT_EQ(On("new-card", {"Web", "Shop", "--form", "4", "--field", "User name=ann, \"the\" user"}).rc, 0);
    ASSERT_EQ(On("set", {"Web/Shop", "Password=-"}, "pa,ss\"wd\n").rc, 0);
  }
};

TEST_F(CsvCommands, ExportThenImportIntoAnotherWallet) {
  CliResult r = On("export", {"--out", dir.Path(), "--format", "csv", "--passwords"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string path = dir.File("Mine.csv");
  EXPECT_EQ(r.out, path + "\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(Slurp(path).find("\"pa,ss\"\"wd\""), std::string::npos);

  const std::string other = dir.File("Other.tb5");
  ASSERT_EQ(Exec({"create", other}, "other-pw\n").rc, 0);
  r = Exec({"import", other, path, "--from", "csv", "--yes"}, "other-pw\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "1 cards were imported."));
  r = Exec({"ls", other}, "other-pw\n");
  const size_t at = r.out.find("/Web/Shop\t");
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::string shop = r.out.substr(at + 10, 32);
  r = Exec({"show", other, shop, "--reveal"}, "other-pw\n");
  EXPECT_TRUE(Contains(r.out, "User name: ann, \"the\" user\n"));
  EXPECT_TRUE(Contains(r.out, "Password: pa,ss\"wd\n"));

  // Without --passwords the value is not in the file.
  ASSERT_EQ(On("export", {"Web", "--out", dir.Path(), "--format=csv"}).rc, 0);
  EXPECT_EQ(Slurp(dir.File("Web.csv")).find("pa,ss"), std::string::npos);
}

TEST_F(CsvCommands, ImportReportsLeftOutRowsAndExitsOne) {
  const std::string table = dir.File("kp.csv");
  std::ofstream(table, std::ios::binary) << "\"Group\",\"Title\",\"Username\",\"Password\"\r\n"
                                         << "\"Root\",\"Mail\",\"ann\",\"pw\"\r\n"
                                         << "\"Root\",\"Broken\"\r\n";
  CliResult r = On("import", {table, "--from", "keepassxc", "--yes"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "line 3: it has 2 values, not as many as the first line names"));
  EXPECT_TRUE(Contains(r.out, "1 cards were imported."));

  // Answers from standard input, as for the tab-separated import.
  std::ofstream(table, std::ios::binary | std::ios::trunc)
      << "folder,type,name,login_password\n,login,A,x\n,login,B,y\n";
  r = On("import", {table, "--from", "bitwarden"}, "no\nyes\n");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "1 cards were imported."));

  std::ofstream(table, std::ios::binary | std::ios::trunc) << "a,b\n1,2\n";
  r = On("import", {table, "--from", "bitwarden", "--yes"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "tbwallet: This file cannot be imported."));
}

TEST_F(CsvCommands, RefusedOptions) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"import", wallet, "x.csv", "--from", "lastpass"}, "--from takes tsv, keepassxc, bitwarden or csv"},
      {{"export", wallet, "--out", "/tmp", "--format", "xml"}, "--format takes text or csv"},
      {{"export", wallet, "--out", "/tmp", "--format", "csv", "--attachments"}, "no attachments"},
  };
  for (const auto& c : cases) {
    const CliResult r = Exec(c.args, password + "\n");
    EXPECT_EQ(r.rc, 2);
    EXPECT_TRUE(Contains(r.err, c.message));
  }
}

}  // namespace
}  // namespace tb::test
