// tbwallet form-export and form-import end to end: the file written, the
// form that arrives in another wallet, and refusals that write nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cli_harness.h"
#include "platform/core/file.h"

namespace tb::test {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string LastLine(const std::string& text) { return CliHarness::PrintedId(CliResult{0, text, ""}); }

class FormExchangeCli : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(Exec({"create", other}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Bank"}).rc, 0);
    const CliResult r = On("new-card", {"Bank", "Visa", "--form", "0", "--field", "Number=4111 1111"});
    ASSERT_EQ(r.rc, 0) << r.err;
  }
  std::string Export(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"Bank/Visa", "--out", dir.File("out"), "--description", "Cards", "--author", "Me"};
    args.insert(args.end(), extra.begin(), extra.end());
    const CliResult r = On("form-export", args);
    EXPECT_EQ(r.rc, 0) << r.err;
    return LastLine(r.out);
  }
  CliResult Import(const std::string& file, const std::string& answers, bool yes) {
    std::vector<std::string> args{"form-import", other, file};
    if (yes) args.push_back("--yes");
    return Exec(args, password + "\n" + answers);
  }
  std::string other = dir.File("Other.tb5");
  platform::TestClock clock{{2026, 4, 0, 12, 8, 0, 0, 0}};
};

TEST_F(FormExchangeCli, FormTravelsToAnotherWallet) {
  const std::string plain = Export();
  EXPECT_EQ(plain, dir.File("out") + "/Visa_12042026.tbx");
  EXPECT_TRUE(platform::FileExists(plain));

  CliResult r = Import(plain, "", true);
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Visa"));
  EXPECT_TRUE(Contains(r.err, "Cards"));
  const std::string id = LastLine(r.out);
  r = Exec({"forms", other}, password + "\n");
  EXPECT_TRUE(Contains(r.out, id + "\tVisa\n"));
  r = Exec({"show", other, id}, password + "\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_FALSE(Contains(r.out, "4111"));

  // With the data the values come along too.
  ASSERT_EQ(Exec({"rm", other, id}, password + "\n").rc, 0);
  clock.AdvanceSeconds(86400);
  const std::string withData = Export({"--with-data"});
  r = Import(withData, "", true);
  ASSERT_EQ(r.rc, 0) << r.err;
  r = Exec({"show", other, LastLine(r.out)}, password + "\n");
  EXPECT_TRUE(Contains(r.out, "4111 1111"));
}

TEST_F(FormExchangeCli, RefusedOrDeclinedImportsWriteNothing) {
  const std::string form = Export();
  const std::string bad = dir.File("bad.tbx");
  std::string damaged = FileBytes(form);
  damaged.resize(damaged.size() - 10);
  std::ofstream(bad, std::ios::binary) << damaged;
  const std::string before = FileBytes(other);

  CliResult r = Import(bad, "", true);
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "runs past the end of the file; nothing was written"));
  r = Import(dir.File("missing.tbx"), "", true);
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "cannot open the file"));
  r = Import(form, "no\n", false);
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "declined"));
  r = Import(form, "", false);  // no answer at all
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(FileBytes(other), before);

  r = Import(form, "yes\n", false);
  EXPECT_EQ(r.rc, 0) << r.err;
}

TEST_F(FormExchangeCli, ExportRefusals) {
  const std::string help = Exec({"--help"}).out;
  EXPECT_TRUE(Contains(help, "  form-export "));
  EXPECT_TRUE(Contains(help, "  form-import "));
  const std::string exportHelp = Exec({"form-export", "--help"}).out;
  EXPECT_TRUE(Contains(exportHelp, "picture and sound"));
  EXPECT_TRUE(Contains(exportHelp, "attachments are left out unless --with-data"));
  EXPECT_EQ(On("form-export", {"Bank/Visa"}).rc, 2);  // --out is required
  CliResult r = On("form-export", {"Bank", "--out", dir.File("out")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "not a card"));
  const std::string first = Export();
  const std::string bytes = FileBytes(first);
  r = On("form-export", {"Bank/Visa", "--out", dir.File("out")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "it is not replaced"));
  EXPECT_EQ(FileBytes(first), bytes);
}

}  // namespace
}  // namespace tb::test
