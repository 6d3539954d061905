#include "shell/core/language_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/core/system.h"
#include "shell/core/language_module_format.h"
#include "shell/core/string_table_compiler.h"
#include "shell_fixture.h"

namespace tb::shell {
namespace {

using tb::test::TempDir;
using test::WriteFile;

std::string SmallModule(uint16_t lang = 0x0409) {
  StringTable table;
  table.languageId = lang;
  table.entries = {{3, u"three"}, {20000, u"Tamberlock Pro"}, {20001, u""}, {22164, u"Grüße %s"}};
  return BuildModule(table);
}

void PutU32At(std::string& bytes, size_t at, uint32_t v) {
  module_format::PutU32(reinterpret_cast<uint8_t*>(bytes.data()) + at, v);
}

bool Accepts(const std::string& bytes) {
  return LanguageModule::Validate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(LanguageModule, TextsComeFromTheMappingInPlace) {
  TempDir dir;
  WriteFile(dir.File("m.mui"), SmallModule(0x0407));
  LanguageModule module;
  EXPECT_EQ(module.Text(20000), u"*");  // nothing loaded yet

  ASSERT_EQ(module.Load(dir.File("m.mui")), ModuleStatus::Ok);
  EXPECT_EQ(module.LanguageId(), 0x0407);
  EXPECT_EQ(module.Count(), 4u);
  EXPECT_EQ(module.Text(3), u"three");
  EXPECT_EQ(module.Text(22164), u"Grüße %s");
  EXPECT_EQ(module.Text(20001), u"?");  // empty
  EXPECT_EQ(module.Text(4), u"?");      // missing
  EXPECT_EQ(module.Text(0), u"?");
  EXPECT_EQ(module.Text(70000), u"?");

  const std::u16string_view text = module.Text(20000);
  EXPECT_EQ(text, u"Tamberlock Pro");
  EXPECT_EQ(text.data()[text.size()], u'\0');         // terminated in place
  EXPECT_EQ(module.Text(20000).data(), text.data());  // not a copy

  // A moved module keeps its mapping; the source is left empty.
  LanguageModule moved = std::move(module);
  EXPECT_EQ(moved.Text(20000).data(), text.data());
  EXPECT_EQ(module.Text(20000), u"*");

  // The storage reads its texts through the same interface.
  const tb::storage::TextSource& source = moved;
  EXPECT_EQ(source.Text(3), u"three");
}

TEST(LanguageModule, EveryCutOfAModuleIsRefused) {
  TempDir dir;
  const std::string whole = SmallModule();
  for (size_t n = 0; n < whole.size(); ++n) {
    WriteFile(dir.File("cut.mui"), whole.substr(0, n));
    LanguageModule module;
    EXPECT_EQ(module.Load(dir.File("cut.mui")), ModuleStatus::Malformed) << n;
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_EQ(module.Text(20000), u"*");
  }
}

TEST(LanguageModule, InconsistentModulesAreRefused) {
  namespace f = module_format;
  const std::string good = SmallModule();
  ASSERT_TRUE(Accepts(good));
  const size_t entry0 = f::kHeaderSize;
  const size_t entry1 = f::kHeaderSize + f::kEntrySize;
  const size_t tableEnd = f::kHeaderSize + 4 * f::kEntrySize;

  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> damage = {
      {"magic", [](std::string& b) { b[0] = 'X'; }},
      {"version", [](std::string& b) { b[f::kOffVersion] = 2; }},
      {"size field", [&](std::string& b) { PutU32At(b, f::kOffFileSize, static_cast<uint32_t>(b.size() + 2)); }},
      {"huge count", [](std::string& b) { PutU32At(b, f::kOffCount, 0xFFFFFFFF); }},
      {"count past the texts", [](std::string& b) { PutU32At(b, f::kOffCount, 5); }},
      {"odd offset", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffText, tableEnd + 1); }},
      {"offset into the table", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffText, f::kHeaderSize); }},
      {"offset past the end", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffText, 0xFFFFFFFE); }},
      {"length past the end", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffLength, 1000); }},
      {"length wraps", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffLength, 0xFFFFFFFF); }},
      {"no terminator", [&](std::string& b) { PutU32At(b, entry0 + f::kEntryOffLength, 4); }},
      {"numbers out of order", [&](std::string& b) { PutU32At(b, entry1 + f::kEntryOffNumber, 1); }},
      {"number repeated", [&](std::string& b) { PutU32At(b, entry1 + f::kEntryOffNumber, 3); }},
  };
  TempDir dir;
  for (const auto& [what, apply] : damage) {
    std::string bytes = good;
    apply(bytes);
    WriteFile(dir.File("bad.mui"), bytes);
    LanguageModule module;
    EXPECT_EQ(module.Load(dir.File("bad.mui")), ModuleStatus::Malformed) << what;
  }
}

TEST(LanguageModule, AnyByteChangeIsRefusedOrStaysInBounds) {
  const std::string good = SmallModule();
  for (size_t at = 0; at < good.size(); ++at) {
    for (uint8_t v : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0x7F}, uint8_t{0xFF}}) {
      std::string bytes = good;
      bytes[at] = static_cast<char>(v);
      if (!Accepts(bytes)) continue;
      // Accepted: every entry's text must sit inside the buffer, terminated.
      const auto* base = reinterpret_cast<const uint8_t*>(bytes.data());
      const uint32_t count = module_format::GetU32(base + module_format::kOffCount);
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = base + module_format::kHeaderSize + i * module_format::kEntrySize;
        const uint64_t off = module_format::GetU32(e + 4), len = module_format::GetU32(e + 8);
        ASSERT_LE(off + 2 * len + 2, bytes.size()) << at;
        ASSERT_EQ(module_format::GetU16(base + off + 2 * len), 0) << at;
      }
    }
  }
}

TEST(LanguageModule, AFailedLoadReleasesTheModuleBefore) {
  TempDir dir;
  WriteFile(dir.File("good.mui"), SmallModule());
  WriteFile(dir.File("bad.mui"), "TBLM");
  LanguageModule module;
  ASSERT_EQ(module.Load(dir.File("good.mui")), ModuleStatus::Ok);
  EXPECT_EQ(module.Load(dir.File("bad.mui")), ModuleStatus::Malformed);
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_EQ(module.Load(dir.File("absent.mui")), ModuleStatus::NotFound);
  EXPECT_EQ(module.Load(dir.Path()), ModuleStatus::Unreadable);  // a folder
}

// ---------------------------------------------------------------- choosing

class ModuleChoiceTest : public ::testing::Test {
 protected:
  void Put(uint16_t lang) { WriteFile(ModulePath(dir_.Path(), "ostreltbpro2006", lang), SmallModule(lang)); }
  ModuleChoice Choose(uint32_t langPref, uint16_t user) {
    tb::platform::ScopedUserLanguage language(user);
    return LoadLanguageModule(module_, {langPref, dir_.Path()});
  }
  TempDir dir_;
  LanguageModule module_;
};

TEST_F(ModuleChoiceTest, PreferredLanguageWinsWhateverTheUser) {
  Put(0x0407);
  Put(0x0409);
  for (uint16_t user : {uint16_t{0x0409}, uint16_t{0x040C}, uint16_t{0}}) {
    LanguageModule fresh;
    tb::platform::ScopedUserLanguage language(user);
    const auto choice = LoadLanguageModule(fresh, {0x0407, dir_.Path()});
    EXPECT_TRUE(choice.loaded);
    EXPECT_EQ(fresh.LanguageId(), 0x0407) << user;
  }
  // Only the low 16 bits of the setting name the language.
  EXPECT_TRUE(Choose(0x00010407, 0x0409).loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0407);
}

TEST_F(ModuleChoiceTest, UserLanguageThenEnglish) {
  Put(0x0407);
  Put(0x0409);
  EXPECT_TRUE(Choose(0, 0x0407).loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0407);
  module_.Unload();
  EXPECT_TRUE(Choose(0, 0x040C).loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0409);
  module_.Unload();
  EXPECT_TRUE(Choose(0x0410, 0x0407).loaded);  // preferred Italian missing
  EXPECT_EQ(module_.LanguageId(), 0x0407);
}

TEST_F(ModuleChoiceTest, AnyModuleInTheFolderIsTheLastResort) {
  Put(0x0407);
  const auto choice = Choose(0, 0x040C);
  ASSERT_TRUE(choice.loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0407);
  EXPECT_EQ(choice.path, ModulePath(dir_.Path(), "ostreltbpro2006", 0x0407));
}

TEST_F(ModuleChoiceTest, ADamagedCandidatePassesToTheNext) {
  Put(0x0409);
  WriteFile(ModulePath(dir_.Path(), "ostreltbpro2006", 0x0407), SmallModule(0x0407).substr(0, 40));
  EXPECT_TRUE(Choose(0x0407, 0x0407).loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0409);
}

TEST_F(ModuleChoiceTest, NothingUsableGivesTheFailureText) {
  // Names that only look like modules, and a module that is not one.
  WriteFile(dir_.File("other.exe.0407.mui"), SmallModule(0x0407));
  WriteFile(dir_.File("ostreltbpro2006.exe.07.mui"), SmallModule(0x0407));
  WriteFile(dir_.File("ostreltbpro2006.exe.0407.mui.bak"), SmallModule(0x0407));
  WriteFile(dir_.File("ostreltbpro2006.exe.040c.mui"), "not a module");
  const auto choice = Choose(0x0407, 0x040C);
  EXPECT_FALSE(choice.loaded);
  EXPECT_FALSE(module_.IsLoaded());
  EXPECT_EQ(choice.failureText, u"Failed to load resources.  Please re-install.");
  EXPECT_EQ(choice.failureCaption, u"Tamberlock Pro 2006");
  EXPECT_EQ(module_.Text(20000), u"*");
}

TEST_F(ModuleChoiceTest, ALoadedModuleIsKept) {
  Put(0x0407);
  Put(0x0409);
  ASSERT_TRUE(Choose(0x0407, 0x0407).loaded);
  EXPECT_TRUE(Choose(0x0409, 0x0409).loaded);
  EXPECT_EQ(module_.LanguageId(), 0x0407);
}

// ---------------------------------------------------------------- formatting

TEST(FormatMessage, FillsPlaceholdersAndNeverReadsPastTheArguments) {
  const std::u16string name = u"Mine.tb5";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {FormatMessage(u"The wallet file %s is damaged.", name), u"The wallet file Mine.tb5 is damaged."},
      {FormatMessage(u"%d cards, %u folders", -3, 7u), u"-3 cards, 7 folders"},
      {FormatMessage(u"%02d:%02d", 5, 42), u"05:42"},
      {FormatMessage(u"%02d", -5), u"-5"},
      {FormatMessage(u"%02d", 123), u"123"},
      {FormatMessage(u"%u", -1), u"4294967295"},
      {FormatMessage(u"100%% sure", 1), u"100% sure"},
      {FormatMessage(u"?", name, 5), u"?"},
      {FormatMessage(u"%s only", name, 1, 2), u"Mine.tb5 only"},
      {FormatMessage(u"[%s] [%d] [%s]", name), u"[Mine.tb5] [] []"},
      {FormatMessage(u"%d", u"text"), u"text"},
      {FormatMessage(u"%s", 42), u"42"},
      {FormatMessage(u"%x %", 1), u"%x %"},
      {FormatMessage(u"%999999999999d", 1), u"%999999999999d"},
      {FormatMessage(u"%s", static_cast<const char16_t*>(nullptr)), u""},
      {FormatMessage(u"%d", int64_t{-9223372036854775807 - 1}), u"-9223372036854775808"},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace tb::shell
