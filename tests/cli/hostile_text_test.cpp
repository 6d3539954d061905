// Texts from outside the program (a form file's description, a language
// module beside the program) never reach the terminal as control
// sequences, and never make tbwallet work for long.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cli/session.h"
#include "cli_harness.h"
#include "shell/core/string_table_compiler.h"

namespace tb::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// No escape, bell or C1 control (U+009B is a one-character CSI).
::testing::AssertionResult Tame(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F || c1)
      return ::testing::AssertionFailure() << "control at " << i << " in:\n" << text;
  }
  return ::testing::AssertionSuccess();
}

TEST(PrintableTest, ControlsBecomeQuestionMarks) {
  const struct {
    const char* in;
    bool keepLineBreaks;
    const char* out;
  } cases[] = {
      {"a\x1b]0;t\x07"
       "b",
       false, "a?]0;t?b"},
      {"csi \xc2\x9b"
       "31m, nbsp \xc2\xa0, \xc3\xa9",
       false, "csi ?31m, nbsp \xc2\xa0, \xc3\xa9"},
      {"one\ttwo\nthree", false, "one?two?three"},
      {"one\ttwo\nthree\r\nfour\rfive\x7f", true, "one\ttwo\nthree\nfour?five?"},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::Printable(c.in, c.keepLineBreaks), c.out) << c.in;
}

class HostileText : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Bank"}).rc, 0);
    ASSERT_EQ(On("new-card", {"Bank", "Visa", "--form", "0"}).rc, 0);
  }
};

TEST_F(HostileText, AFormFilesTextsAreShownTamed) {
  const std::string title = "\x1b]0;owned\x07";
  CliResult r = On("form-export", {"Bank/Visa", "--out", dir.Path(), "--description",
                                   title + "Cards\x1b[2J \xc2\x9b"
                                           "31m",
                                   "--author", "\x1b[31mMe"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string file = PrintedId(r);
  for (const std::string& answer : {std::string("no\n"), std::string("yes\n")}) {
    r = On("form-import", {file}, answer);
    EXPECT_TRUE(Tame(r.err)) << answer;
    EXPECT_TRUE(Tame(r.out)) << answer;
    EXPECT_TRUE(Contains(r.err, "?]0;owned?Cards?[2J ?31m")) << answer;
    EXPECT_TRUE(Contains(r.err, "?[31mMe")) << answer;
  }
  EXPECT_EQ(r.rc, 0) << r.err;
}

// A language module whose strings ask for absurd widths: they are not
// placeholders and stay as written; the import is not held up.
TEST_F(HostileText, HugeWidthsInAModuleAreLeftAsWritten) {
  shell::StringTable table;
  shell::CompileError error;
  ASSERT_TRUE(shell::ParseStringTable(Slurp(TB_SOURCE_DIR "/resources/strings/0409.txt"), 0x0409, &table, &error))
      << error.message;
  for (shell::StringEntry& e : table.entries)
    if (e.number == 22075) e.text = u"%0999999d cards were imported; %99999999999999999999d \x1b[31m %32d.";
  TempDir modules;
  std::ofstream(modules.File("ostreltbpro2006.exe.0409.mui"), std::ios::binary) << shell::BuildModule(table);
  env.moduleFolder = modules.Path();

  const std::string tablePath = dir.File("table.txt");
  std::ofstream(tablePath, std::ios::binary) << "Card Name\tUser\r\nMail\tbob\r\n";
  const CliResult r = On("import", {tablePath, "--yes"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Tame(r.out));
  EXPECT_TRUE(
      Contains(r.out, "%0999999d cards were imported; %99999999999999999999d ?[31m " + std::string(31, ' ') + "1."));
}

}  // namespace
}  // namespace tb::test
