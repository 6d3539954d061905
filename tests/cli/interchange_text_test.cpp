// tbwallet export and import end to end: where the export goes and what
// it prints, the import's answers from --yes or standard input, and
// refusals that leave the wallet file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli_harness.h"
#include "platform/core/system.h"

namespace tb::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The UTF-16LE bytes of an ASCII text, without a byte-order mark.
std::string Wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

class TextCommands : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Bank"}).rc, 0);
    const CliResult r = On("new-card", {"Bank", "Visa", "--form", "0", "--field", "Number=4111"});
    ASSERT_EQ(r.rc, 0) << r.err;
    out = dir.File("out");
    std::filesystem::create_directory(out);
    table = dir.File("table.txt");
  }

  void WriteTable(const std::string& bytes) { std::ofstream(table, std::ios::binary) << bytes; }

  std::string Path(const CliResult& r) const {
    std::string s = r.out;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }

  platform::TestClock clock{platform::SystemTime{2026, 12, 0, 6, 9, 30, 0, 0}};
  platform::ScopedDateTimeFormats formats{{u"yyyy-MM-dd", u"HH:mm:ss"}};
  std::string out;
  std::string table;
};

TEST_F(TextCommands, ExportPrintsTheFileWrittenAndLeavesTheWalletAlone) {
  const std::string before = Slurp(wallet);
  CliResult r = On("export", {"--out", out});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(Path(r), out + "/Mine/Mine_06122026.txt");
  const std::string text = Slurp(Path(r));
  EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");
  EXPECT_TRUE(Contains(text, Wide("Number: 4111\r\n")));
  EXPECT_TRUE(Contains(text, Wide("Exported: 2026-12-06  09:30\r\n")));

  r = On("export", {"Bank/Visa", "--out", out, "--passwords"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(Path(r), out + "/Mine/Visa_06122026.txt");
  r = On("export", {"Bank", "--out", out});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(Path(r), out + "/Mine/Bank_06122026.txt");
  EXPECT_EQ(Slurp(wallet), before);

  EXPECT_EQ(On("export", {}).rc, 2);  // no --out
  EXPECT_EQ(On("export", {"--out", dir.File("missing")}).rc, 1);
  EXPECT_EQ(On("export", {"Nowhere", "--out", out}).rc, 1);
}

TEST_F(TextCommands, AnExportMissingPartsSaysWhatAndFails) {
  const std::string copy = dir.File("every-kind.tb5");
  std::filesystem::copy_file(TB_SOURCE_DIR "/tests/data/every-kind.tb5", copy);
  // A folder stands where the first attachment's file would go.
  std::filesystem::create_directories(out + "/every-kind/000_statement-1.pdf/inside");
  const CliResult r =
      Exec({"export", copy, "Money/Every kind of field", "--out", out, "--attachments"}, "fixture pass 6\n");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(Path(r), out + "/every-kind/Every kind of field_06122026.txt");
  EXPECT_TRUE(Contains(r.err, "0 card(s) could not be read and 1 attachment(s) could not be saved"));
  const std::string text = Slurp(Path(r));
  EXPECT_TRUE(Contains(text, Wide("000_statement-2.pdf")));
  EXPECT_TRUE(Contains(text, Wide("001_statement-3.pdf")));
}

TEST_F(TextCommands, ImportTakesYesFromTheFlagOrAnswersFromStandardInput) {
  WriteTable("Card Name\tUser\r\nMail\tbob\r\nShop\tann\r\nGym\tcid\r\n");
  CliResult r = On("import", {table, "--yes"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "3 cards were imported."));
  r = On("ls");
  EXPECT_TRUE(Contains(r.out, "Imported Cards 2026-12-06/Gym\t"));

  // yes, no, cancel: one card, and the questions show the row.
  r = On("import", {table}, "y\nn\ncancel\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "1 cards were imported."));
  EXPECT_TRUE(Contains(r.err, "User: bob"));

  // Answers running out end the import as cancel does, and say so.
  r = On("import", {table}, "yes\n");
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.out, "1 cards were imported."));
  EXPECT_TRUE(Contains(r.err, "no answer on standard input"));
}

TEST_F(TextCommands, RefusedTablesChangeNothing) {
  const std::string before = Slurp(wallet);
  WriteTable("Name\tUser\r\nMail\tbob\r\n");
  CliResult r = On("import", {table, "--yes"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "cannot be imported"));
  r = On("import", {dir.File("missing.txt"), "--yes"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "missing.txt: cannot be opened"));
  WriteTable("Card Name\tUser\r\nMail\tbob\r\n");
  r = On("import", {table}, "no\n");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "no cards were imported"));
  EXPECT_EQ(Slurp(wallet), before);
}

}  // namespace
}  // namespace tb::test
