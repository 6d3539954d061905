// What tbwallet says about the file behind a wallet's name: a pipe or a
// folder, a file with other names, a wallet another program is changing,
// a journal beside it that is not the wallet's own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "cli_harness.h"
#include "platform/core/file.h"
#include "storage/cipher/sha256.h"
#include "storage/journal.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"

namespace tb::test {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

class WalletFilesCli : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override { ASSERT_EQ(Exec({"create", wallet, "--starter-folder"}, password + "\n").rc, 0); }
};

TEST_F(WalletFilesCli, PipesAndFoldersAreRefusedWithoutWaiting) {
  alarm(30);  // a pipe that is waited on would hang the test: end it instead
  const std::string pipe = dir.File("Pipe.tb5"), folder = dir.File("Folder.tb5"), form = dir.File("Form.tbx"),
                    table = dir.File("Table.txt"), old = dir.File("Old.wal");
  for (const std::string& p : {pipe, form, table, old}) ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string& name : {pipe, folder}) {
    for (const char* command : {"info", "mkdir"}) {
      std::vector<std::string> args{command, name};
      if (std::string(command) == "mkdir") args.push_back("New");
      const CliResult r = Exec(args, password + "\n");
      EXPECT_EQ(r.rc, 1) << command;
      EXPECT_TRUE(Contains(r.err, "status 19 (not a regular file")) << command;
    }
  }
  const std::string before = ReadAll(wallet);
  EXPECT_EQ(On("form-import", {form, "--yes"}).rc, 1);
  EXPECT_EQ(On("import", {table, "--yes"}).rc, 1);
  EXPECT_EQ(Exec({"convert", old}, password + "\n").rc, 1);
  EXPECT_EQ(ReadAll(wallet), before);
  alarm(0);
}

TEST_F(WalletFilesCli, HardLinkedWalletIsChangedOnlyWithBreakLinks) {
  const std::string other = dir.File("Other.tb5");
  ASSERT_EQ(link(wallet.c_str(), other.c_str()), 0);
  const std::string before = ReadAll(wallet);
  const CliResult refused = On("mkdir", {"New"});
  EXPECT_EQ(refused.rc, 1);
  EXPECT_TRUE(Contains(refused.err, "status 20 (the wallet file has other names (hard links))"));
  EXPECT_TRUE(Contains(refused.err, "--break-links"));
  EXPECT_TRUE(ReadAll(wallet) == before);
  EXPECT_EQ(On("info").rc, 0) << "reading needs no agreement";

  const CliResult agreed = On("mkdir", {"New", "--break-links"});
  EXPECT_EQ(agreed.rc, 0) << agreed.err;
  EXPECT_TRUE(ReadAll(wallet) != before);
  EXPECT_TRUE(ReadAll(other) == before) << "the other name keeps the wallet as it was";
  EXPECT_EQ(On("mkdir", {"Newer"}).rc, 0) << "this name has a file of its own now";
  EXPECT_TRUE(Contains(Exec({"mkdir", "--help"}).out, "--break-links"));
  EXPECT_FALSE(Contains(Exec({"info", "--help"}).out, "--break-links"));
  const std::string help = Exec({"--help"}).out;
  EXPECT_TRUE(Contains(help, "has no MAC"));
  EXPECT_TRUE(Contains(help, "whoever can write the wallet file can damage"));
  EXPECT_EQ(Exec({"info", wallet, "--break-links"}, password + "\n").rc, 2);
}

TEST_F(WalletFilesCli, SecondWriterIsToldTheWalletIsInUse) {
  FixedTexts texts;
  storage::Wallet holder;
  holder.SetTextSource(&texts);
  ASSERT_EQ(holder.Open(wallet, u"pass-word", false, nullptr), storage::OpenStatus::Ok);
  const CliResult r = On("mkdir", {"New"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "status 18 (the wallet is in use by another program"));
  EXPECT_EQ(On("ls").rc, 0);
}

TEST_F(WalletFilesCli, ForeignJournalIsSetAsideAndReported) {
  std::string real;
  ASSERT_TRUE(platform::RealPath(wallet, &real));
  const std::string journal = storage::JournalPath(real);
  // Laid out as a journal, whole, but sealed by someone without the key.
  std::string planted = "TBJ2" + std::string(64 + 32, '\0');
  planted[4] = char(planted.size() + 32);
  const storage::Sha256Digest sum =
      storage::HmacSha256Of(nullptr, 0, reinterpret_cast<const uint8_t*>(planted.data()), 0);  // any bytes
  planted.replace(68, 32, std::string(sum.begin(), sum.end()));
  storage::Sha256 checksum;
  checksum.Update(reinterpret_cast<const uint8_t*>(planted.data()), planted.size());
  const storage::Sha256Digest c = checksum.Finish();
  planted += std::string(c.begin(), c.end());
  { std::ofstream(journal, std::ios::binary) << planted; }
  const std::string before = ReadAll(wallet);
  password = "not-it";
  EXPECT_EQ(On("mkdir", {"New"}).rc, 1);
  EXPECT_EQ(ReadAll(wallet), before);
  EXPECT_EQ(ReadAll(journal), planted) << "kept until the password is known";

  password = "pass-word";
  const CliResult r = On("mkdir", {"New"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "warning: journal status 11"));
  EXPECT_TRUE(Contains(r.err, "it was moved aside to " + journal + ".refused-"));
  EXPECT_FALSE(platform::FileExists(journal));
  EXPECT_EQ(ReadAll(wallet).substr(0, 76), before.substr(0, 76));
}

}  // namespace
}  // namespace tb::test
