// What tbwallet must never do: write a file it could not unlock, touch a
// file it cannot read correctly, or run without its texts; and how it
// repairs a damaged file when asked.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "cli_harness.h"
#include "support/wallet_fixture.h"

namespace tb::test {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class SafetyTest : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet, "--starter-folder"}, password + "\n").rc, 0);
    ASSERT_EQ(On("new-card", {"Personal", "One"}).rc, 0);
    ASSERT_EQ(On("new-card", {"Personal", "Two"}).rc, 0);
  }
};

TEST_F(SafetyTest, RefusedCommandsWriteNothing) {
  const std::vector<uint8_t> before = ReadAll(wallet);
  password = "not-it";
  const std::vector<std::vector<std::string>> commands = {
      {"info"},
      {"mkdir", "New"},
      {"set", "Personal/One", "Number=1"},
      {"rm", "Personal"},
      {"rename", "Personal", "X"},
      {"passwd"},
      {"repair", "--yes"},
      {"dump"},
  };
  for (const auto& c : commands) {
    const CliResult r = On(c[0], std::vector<std::string>(c.begin() + 1, c.end()), "newpass\nnewpass\n\n");
    EXPECT_EQ(r.rc, 1) << c[0];
    EXPECT_TRUE(Contains(r.err, "cannot open " + wallet + ": status 10 (wrong password)")) << c[0];
    EXPECT_EQ(r.out, "") << c[0];
  }
  const CliResult again = Exec({"create", wallet}, "other-pass\n");
  EXPECT_EQ(again.rc, 1);
  EXPECT_TRUE(Contains(again.err, "status 4 (a file with this path already exists)"));
  EXPECT_EQ(ReadAll(wallet), before);
  // No answer at all is a failure too, not an empty password.
  const CliResult silent = Exec({"info", wallet}, "");
  EXPECT_EQ(silent.rc, 1);
  EXPECT_TRUE(Contains(silent.err, "no answer"));
}

TEST_F(SafetyTest, PreviousFormatIsRefusedUntouched) {
  std::vector<uint8_t> bytes = ReadAll(wallet);
  const char five[8] = {'(', '5', '.', '0', '0', ')', ' ', 0};
  std::copy(five, five + 8, bytes.begin() + 64);
  WriteAll(wallet, bytes);
  for (const char* command : {"info", "mkdir", "repair"}) {
    const CliResult r =
        On(command, command == std::string("mkdir") ? std::vector<std::string>{"X"} : std::vector<std::string>{});
    EXPECT_EQ(r.rc, 1) << command;
    EXPECT_TRUE(Contains(r.err, "status 15")) << command;
  }
  EXPECT_EQ(ReadAll(wallet), bytes);
}

TEST_F(SafetyTest, RepairAsksTwiceAndReportsTheCount) {
  // Spoil the kind signature of the first card (after the starter folder
  // and the forms folder).
  std::vector<uint8_t> damaged = ReadAll(wallet);
  damaged[4980 + 2 * 748] ^= 0xFF;
  WriteAll(wallet, damaged);

  CliResult r = On("ls");
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "status 13"));
  EXPECT_TRUE(Contains(r.err, "tbwallet repair " + wallet));

  for (const char* answers : {"no\n", "yes\ncancel\n", "yes\n"}) {
    r = On("repair", {}, answers);
    EXPECT_EQ(r.rc, 1) << answers;
    EXPECT_EQ(ReadAll(wallet), damaged) << answers;
  }
  r = On("repair", {}, "yes\nyes\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "1 repairs were made to the wallet file Mine.tb5"));
  r = On("ls");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "Personal/Two\t"));
  EXPECT_EQ(On("repair").out, "no damage found in " + wallet + "\n");

  WriteAll(wallet, damaged);
  r = On("repair", {"--yes"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "repairs were made"));
}

TEST_F(SafetyTest, WithoutALanguageModuleNothingRuns) {
  TempDir empty;
  env.moduleFolder = empty.Path();
  const CliResult r = On("info");
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "Failed to load resources"));
}

TEST_F(SafetyTest, LanguagePreferenceIsReadButNeverWritten) {
  const std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5]\r\n"
      "\"LangPref\"=dword:00000407\r\n";
  std::ofstream(env.registryPath, std::ios::binary) << reg;
  const std::vector<uint8_t> regBefore = ReadAll(env.registryPath);
  const std::string german = dir.File("Deutsch.tb5");
  ASSERT_EQ(Exec({"create", german}, "kennwort\n").rc, 0);
  const CliResult r = Exec({"ls", german}, "kennwort\n");
  EXPECT_TRUE(Contains(r.out, "Meine Formulare\t"));
  EXPECT_EQ(ReadAll(env.registryPath), regBefore);
  // In English the forms folder keeps its German name, and answers to the
  // English one as well.
  std::remove(env.registryPath.c_str());
  EXPECT_EQ(Exec({"new-card", german, "My Forms", "Vorlage"}, "kennwort\n").rc, 0);
  EXPECT_TRUE(Contains(Exec({"ls", german}, "kennwort\n").out, "Meine Formulare/Vorlage\t"));
}

}  // namespace
}  // namespace tb::test
