#include "shell/core/string_table_compiler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/core/language_module.h"
#include "shell_fixture.h"

namespace tb::shell {
namespace {

using tb::test::TempDir;
using test::ReadFile;
using test::WriteFile;

StringTable MustParse(std::string_view source, std::optional<uint16_t> lang = 0x0409) {
  StringTable table;
  CompileError error;
  EXPECT_TRUE(ParseStringTable(source, lang, &table, &error)) << error.line << ": " << error.message;
  return table;
}

std::u16string TextOf(const StringTable& table, uint32_t number) {
  for (const auto& e : table.entries)
    if (e.number == number) return e.text;
  return u"<missing>";
}

TEST(StringTableCompiler, ReadsEntriesEscapesAndUtf8) {
  const auto table = MustParse(
      "\xEF\xBB\xBF# English\r\n"
      "\r\n"
      "[Main window]\r\n"
      "  20001   =   Tamberlock Pro   \r\n"
      "22164 = The wallet file %s is damaged.\\nRepair it now?\n"
      "5 = a\\tb\\rc\\\\d\n"
      "6 = \\sframed\\s\n"
      "7 = Gr\xC3\xBC\xC3\x9F"
      "e \xF0\x9F\x94\x91\n"
      "8 =\n"
      "65535 = x = y\n"
      "0 = zero");
  EXPECT_EQ(table.languageId, 0x0409);
  ASSERT_EQ(table.entries.size(), 8u);
  EXPECT_EQ(table.entries.front().number, 0u);  // sorted
  EXPECT_EQ(table.entries.back().number, 65535u);
  EXPECT_EQ(TextOf(table, 20001), u"Tamberlock Pro");
  EXPECT_EQ(TextOf(table, 22164), u"The wallet file %s is damaged.\nRepair it now?");
  EXPECT_EQ(TextOf(table, 5), u"a\tb\rc\\d");
  EXPECT_EQ(TextOf(table, 6), u" framed ");
  EXPECT_EQ(TextOf(table, 7), u"Grüße \U0001F511");
  EXPECT_EQ(TextOf(table, 8), u"");
  EXPECT_EQ(TextOf(table, 65535), u"x = y");
  EXPECT_EQ(TextOf(table, 0), u"zero");
}

TEST(StringTableCompiler, RefusesBadSourcesNamingTheLine) {
  using namespace std::string_view_literals;
  struct Case {
    std::string_view source;
    size_t line;
  };
  const Case cases[] = {
      {"1 = a\n# c\n1 = b\n"sv, 3},  // duplicate
      {"1 = a\njust words\n"sv, 2},  // no '='
      {"= text\n"sv, 1},             // no number
      {"65536 = too big\n"sv, 1},
      {"-1 = negative\n"sv, 1},
      {"12a = x\n"sv, 1},
      {"1 = unknown \\q escape\n"sv, 1},
      {"1 = ends in \\\n"sv, 1},
      {"\n\n1 = \xC0\xAF overlong\n"sv, 3},
      {"1 = \x80 stray continuation\n"sv, 1},
      {"1 = \xED\xA0\x80 surrogate\n"sv, 1},
      {"1 = cut \xE2\x82\n"sv, 1},
      {"1 = nul \0 inside\n"sv, 1},
      {"[Main window\n"sv, 1},
      {"#lang 40\n"sv, 1},
  };
  for (const auto& c : cases) {
    StringTable table;
    CompileError error;
    EXPECT_FALSE(ParseStringTable(c.source, 0x0409, &table, &error)) << c.source;
    EXPECT_EQ(error.line, c.line) << c.source;
    EXPECT_FALSE(error.message.empty());
  }
}

TEST(StringTableCompiler, LanguageComesFromTheNameOrALangLine) {
  EXPECT_EQ(LanguageIdFromFileName("/src/resources/strings/0407.txt"), 0x0407);
  EXPECT_EQ(LanguageIdFromFileName("040c.txt"), 0x040C);
  EXPECT_EQ(LanguageIdFromFileName("english.txt"), std::nullopt);
  EXPECT_EQ(LanguageIdFromFileName("0409.txt.bak"), std::nullopt);

  EXPECT_EQ(MustParse("#lang 0407\n1 = a\n", 0x0409).languageId, 0x0407);
  EXPECT_EQ(MustParse("#language is a comment\n1 = a\n", 0x0409).languageId, 0x0409);

  StringTable table;
  CompileError error;
  EXPECT_FALSE(ParseStringTable("1 = a\n", std::nullopt, &table, &error));
}

TEST(StringTableCompiler, CompilesAFileAndLeavesNothingBehindOnError) {
  TempDir dir;
  WriteFile(dir.File("0407.txt"), "20000 = Tamberlock Pro\n20001 = Brieftasche\n");
  std::string message;
  ASSERT_TRUE(CompileStringTableFile(dir.File("0407.txt"), dir.File("out.mui"), &message)) << message;
  LanguageModule module;
  ASSERT_EQ(module.Load(dir.File("out.mui")), ModuleStatus::Ok);
  EXPECT_EQ(module.LanguageId(), 0x0407);
  EXPECT_EQ(module.Text(20001), u"Brieftasche");

  WriteFile(dir.File("0409.txt"), "1 = a\n2 = b\n1 = c\n");
  EXPECT_FALSE(CompileStringTableFile(dir.File("0409.txt"), dir.File("bad.mui"), &message));
  EXPECT_NE(message.find("0409.txt:3:"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.mui")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.mui.tmp")));
}

TEST(StringTableCompiler, ShippedModulesAreBuiltAndLoad) {
  for (uint16_t lang : {uint16_t{0x0409}, uint16_t{0x0407}}) {
    LanguageModule module;
    ASSERT_EQ(module.Load(ModulePath(TB_MODULE_DIR, "ostreltbpro2006", lang)), ModuleStatus::Ok) << lang;
    EXPECT_EQ(module.LanguageId(), lang);
    EXPECT_NE(module.Text(20000), u"?");
  }
}

}  // namespace
}  // namespace tb::shell
