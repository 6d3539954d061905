// tbwallet upgrade, and every other command's refusal of a version-5 wallet.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cli_harness.h"
#include "upgrade/five_wallet_writer.h"

namespace tb::test {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class UpgradeCommand : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    FiveWalletWriter w(u"pass-word");
    const storage::RecordId personal = w.AddFolder(u"Personal");
    storage::Card card = w.NewCard(personal, u"Mail");
    storage::Field f;
    f.SetLabel(u"User");
    f.SetValue(u"ada");
    card.AddField(f);
    w.AddCard(card);
    w.AddTombstone(true, u"Gone");
    five = w.Bytes();
    purged = w.Bytes(false);
    passwordless = w.Bytes(false, false);
    ASSERT_TRUE(w.Write(wallet));
  }
  std::string Version() const { return ReadBytes(wallet).substr(64, 7); }

  std::string five, purged, passwordless;
};

TEST_F(UpgradeCommand, UpgradesWithTheAnswerFromStandardInput) {
  CliResult r = On("upgrade", {}, "ok\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "would like to upgrade the wallet file format"));
  EXPECT_TRUE(Contains(r.out, "Your wallet file format has been updated."));
  EXPECT_FALSE(Contains(r.err, "Upgrading ["));  // no terminal, no bar
  EXPECT_EQ(Version(), "(6.50) ");
  r = On("show", {"Personal/Mail"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "User: ada"));
  r = On("upgrade");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "already has the current format"));
}

TEST_F(UpgradeCommand, ProgressBarOnATerminal) {
  env.stderrIsTerminal = true;
  const CliResult r = On("upgrade", {"--yes"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "\rUpgrading [" + std::string(40, '#') + "] 100%\n"));
  EXPECT_EQ(Version(), "(6.50) ");
}

TEST_F(UpgradeCommand, DeclinedUpgradeKeepsTheVersionFiveFile) {
  for (const char* answer : {"cancel\n", ""}) {
    std::ofstream(wallet, std::ios::binary | std::ios::trunc) << five;
    const CliResult r = On("upgrade", {}, answer);
    EXPECT_EQ(r.rc, 1) << answer;
    EXPECT_TRUE(Contains(r.err, "declined")) << answer;
    EXPECT_EQ(ReadBytes(wallet), purged) << answer;
  }
}

TEST_F(UpgradeCommand, OtherCommandsRefuseAVersionFiveWalletAndWriteNothing) {
  const std::vector<std::vector<std::string>> commands = {
      {"ls"}, {"info"}, {"mkdir", "New"}, {"rename", "Personal", "Other"}, {"passwd"}, {"dump"}, {"repair", "--yes"}};
  for (const auto& c : commands) {
    const CliResult r = On(c[0], std::vector<std::string>(c.begin() + 1, c.end()), "new-pass\nnew-pass\n\n");
    EXPECT_EQ(r.rc, 1) << c[0];
    EXPECT_TRUE(Contains(r.err, "tbwallet upgrade " + wallet)) << c[0];
    EXPECT_EQ(ReadBytes(wallet), five) << c[0] << " wrote to the file";
  }
  // Without a password it can be read, but neither written nor upgraded.
  std::ofstream(wallet, std::ios::binary | std::ios::trunc) << passwordless;
  CliResult r = On("show", {"Personal/Mail"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "User: ada"));
  for (const char* command : {"mkdir", "upgrade"}) {
    r = On(command, command == std::string("mkdir") ? std::vector<std::string>{"New"} : std::vector<std::string>{});
    EXPECT_EQ(r.rc, 1) << command;
    EXPECT_TRUE(Contains(r.err, "no password")) << command;
  }
  EXPECT_EQ(ReadBytes(wallet), passwordless);
}

}  // namespace
}  // namespace tb::test
