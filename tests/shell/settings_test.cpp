#include "shell/core/settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "shell_fixture.h"

namespace tb::shell {
namespace {

using tb::platform::Registry;
using tb::platform::RegistryValue;
using tb::test::TempDir;
using test::ReadFile;
using test::WriteFile;

const LoadOptions kAtStart{true, u"/opt/tamberlock/ostreltbpro2006"};

std::optional<uint32_t> Dword(const Registry& r, const char16_t* name) {
  auto v = r.Get(kSettingsKey, name);
  if (!v || v->type != RegistryValue::Type::Dword) return std::nullopt;
  return v->dword;
}

std::u16string DefaultValue(const Registry& r, const std::string& key) {
  auto v = r.Get(std::string(kClassesRoot) + "\\" + key, u"");
  return v && v->type == RegistryValue::Type::String ? v->text : u"<none>";
}

std::vector<uint8_t> KeysBytes(uint32_t first) {
  std::vector<uint8_t> bytes(48, 0);
  bytes[0] = static_cast<uint8_t>(first);
  return bytes;
}

TEST(Settings, FirstStartWritesOnlyWhatTheProgramOwns) {
  TempDir dir;
  {
    Registry registry(dir.File("registry.reg"));
    Settings settings;
    ASSERT_TRUE(settings.Load(registry, kAtStart));
    EXPECT_EQ(settings.count6, 0u);
    EXPECT_EQ(settings.openLast, 1u);
    EXPECT_EQ(settings.colorBarStart, 0xFEECDDu);
    ASSERT_EQ(settings.Save(registry), SaveResult::Saved);
  }
  Registry saved(dir.File("registry.reg"));
  ASSERT_FALSE(saved.LoadFailed());
  EXPECT_EQ(Dword(saved, u"Count6"), 1u);
  EXPECT_EQ(Dword(saved, u"Version"), 662u);
  EXPECT_EQ(Dword(saved, u"Setup6"), 7u);
  const std::pair<const char16_t*, uint32_t> written[] = {{u"Info", 0},
                                                          {u"FontMain", 9},
                                                          {u"FontMainStyle", 0},
                                                          {u"FontCard", 9},
                                                          {u"FontCardFieldNmStyle", 1},
                                                          {u"FontCardDataStyle", 0},
                                                          {u"NoteFont", 9},
                                                          {u"NoteFontStyle", 0},
                                                          {u"NoteWrap", 1},
                                                          {u"ClearType", 1},
                                                          {u"NoteZoom", 9},
                                                          {u"OpenLast", 1},
                                                          {u"Menus.Expanded", 0},
                                                          {u"Clipboard.ClearSeconds", 30}};
  for (const auto& [name, value] : written) EXPECT_EQ(Dword(saved, name), value);
  for (const char16_t* absent :
       {u"Color.BarStart", u"Color.BarEnd", u"Color.BarText", u"Color.FolderSpecial", u"Color.FolderForms",
        u"Pass.AutoOK", u"ExitMenu", u"LangPref", u"Pass.Numeric", u"Keys"})
    EXPECT_FALSE(saved.Get(kSettingsKey, absent).has_value()) << std::string(absent, absent + 4);
  auto mru = saved.Get(kSettingsKey, u"MRU");
  ASSERT_TRUE(mru.has_value());
  EXPECT_EQ(mru->text, u"");
}

TEST(Settings, FileTypeRegistrations) {
  Registry registry("");
  Settings settings;
  settings.Load(registry, kAtStart);
  EXPECT_EQ(DefaultValue(registry, ".tb5"), u"TamberlockProDocument");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProDocument"), u"Tamberlock Pro Wallet");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProDocument\\DefaultIcon"), u"/opt/tamberlock/ostreltbpro2006,-201");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProDocument\\Shell\\Open\\Command"),
            u"\"/opt/tamberlock/ostreltbpro2006\" %1");
  EXPECT_EQ(DefaultValue(registry, ".tbx"), u"TamberlockProForm");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProForm"), u"Tamberlock Pro Form Layout");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProForm\\DefaultIcon"), u"/opt/tamberlock/ostreltbpro2006,-203");
  EXPECT_EQ(DefaultValue(registry, "TamberlockProForm\\Shell\\Open\\Command"),
            u"\"/opt/tamberlock/ostreltbpro2006\" %1");
}

TEST(Settings, LoadingWithoutRegistrationsChangesNothing) {
  TempDir dir;
  const std::string path = dir.File("registry.reg");
  {
    Registry registry(path);
    registry.SetDword(kSettingsKey, u"FontMain", 12);
    registry.SetDword(kSettingsKey, u"LangPref", 0x0407);
    ASSERT_TRUE(registry.Save());
  }
  const std::string before = ReadFile(path);
  Registry registry(path);
  const std::string inMemory = registry.Serialise();
  Settings settings;
  ASSERT_TRUE(settings.Load(registry));
  EXPECT_EQ(settings.fontMain, 12u);
  EXPECT_EQ(settings.langPref, 0x0407u);
  EXPECT_EQ(registry.Serialise(), inMemory);
  EXPECT_EQ(ReadFile(path), before);

  // With no key at all, not even the key is made.
  Registry empty(dir.File("none.reg"));
  ASSERT_TRUE(settings.Load(empty));
  EXPECT_FALSE(empty.KeyExists(kSettingsKey));
}

TEST(Settings, SaveAndLoadRoundTrip) {
  for (PlatformVariant platform : {PlatformVariant::PocketPC, PlatformVariant::Smartphone}) {
    TempDir dir;
    Settings out(platform);
    out.fontMain = 11;
    out.fontMainStyle = 1;
    out.fontCard = 8;
    out.fontCardFieldNmStyle = 0;
    out.fontCardDataStyle = 1;
    out.noteFont = 12;
    out.noteFontStyle = 1;
    out.noteWrap = 0;
    out.clearType = 0;
    out.noteZoom = 14;
    out.openLast = 0;
    out.info = 1;
    out.clipboardClearSeconds = 0xFFFFFFFF;
    out.passNumeric = 0;
    out.menusExpanded = 1;
    out.SetKeyAction(57, 9);
    out.mru = u"/home/me/" + std::u16string(kMaxMruLength - 13, u'ü') + u".tb5";
    ASSERT_EQ(out.mru.size(), kMaxMruLength);
    {
      Registry registry(dir.File("r.reg"));
      ASSERT_EQ(out.Save(registry), SaveResult::Saved);
    }
    Registry registry(dir.File("r.reg"));
    Settings in(platform);
    ASSERT_TRUE(in.Load(registry));
    EXPECT_EQ(in.count6, 1u);
    EXPECT_EQ(in.version, 662u);
    EXPECT_EQ(in.mru, out.mru);
    EXPECT_EQ(in.fontMain, 11u);
    EXPECT_EQ(in.fontMainStyle, 1u);
    EXPECT_EQ(in.fontCard, 8u);
    EXPECT_EQ(in.fontCardFieldNmStyle, 0u);
    EXPECT_EQ(in.fontCardDataStyle, 1u);
    EXPECT_EQ(in.noteFont, 12u);
    EXPECT_EQ(in.noteFontStyle, 1u);
    EXPECT_EQ(in.noteWrap, 0u);
    EXPECT_EQ(in.clearType, 0u);
    EXPECT_EQ(in.noteZoom, 14u);
    EXPECT_EQ(in.openLast, 0u);
    EXPECT_EQ(in.info, 1u);
    EXPECT_EQ(in.clipboardClearSeconds, 0xFFFFFFFFu);
    if (platform == PlatformVariant::Smartphone) {
      EXPECT_EQ(in.passNumeric, 0u);    // default there is 1
      EXPECT_EQ(in.menusExpanded, 0u);  // kept only on Pocket PC
      EXPECT_EQ(in.keys, out.keys);
    } else {
      EXPECT_EQ(in.menusExpanded, 1u);
    }
  }
}

TEST(Settings, ValuesThatDoNotFitAreIgnored) {
  Registry registry("");
  registry.SetString(kSettingsKey, u"FontMain", u"12");
  registry.SetBinary(kSettingsKey, u"FontCard", {1, 2, 3, 4, 5});
  registry.SetBinary(kSettingsKey, u"NoteFont", {14, 0, 0, 0});
  registry.SetDword(kSettingsKey, u"MRU", 5);
  Settings settings;
  settings.langPref = 0x0409;  // not in the registry: back to none
  ASSERT_TRUE(settings.Load(registry));
  EXPECT_EQ(settings.fontMain, 9u);
  EXPECT_EQ(settings.fontCard, 9u);
  EXPECT_EQ(settings.noteFont, 14u);
  EXPECT_EQ(settings.mru, u"");
  EXPECT_EQ(settings.langPref, 0u);

  // A path longer than 259 characters is not read; the current one stays.
  registry.SetString(kSettingsKey, u"MRU", std::u16string(kMaxMruLength + 1, u'a'));
  settings.mru = u"/kept.tb5";
  settings.Load(registry);
  EXPECT_EQ(settings.mru, u"/kept.tb5");
}

TEST(Settings, ResetThenSaveStartsTheRunCountAgain) {
  Registry registry("");
  registry.SetDword(kSettingsKey, u"Count6", 41);
  registry.SetDword(kSettingsKey, u"FontMain", 14);
  registry.SetDword(kSettingsKey, u"LangPref", 0x0407);
  registry.SetString(kSettingsKey, u"MRU", u"/w.tb5");
  Settings settings;
  settings.Load(registry);
  ASSERT_EQ(settings.count6, 41u);
  EXPECT_TRUE(RunHiddenCommand(settings, u"::ReSeT"));
  EXPECT_EQ(settings.langPref, 0x0407u);  // the language choice survives a reset
  settings.Save(registry);                // no file: the values are still written
  EXPECT_EQ(Dword(registry, u"Count6"), 1u);
  EXPECT_EQ(Dword(registry, u"FontMain"), 9u);
  EXPECT_EQ(registry.Get(kSettingsKey, u"MRU")->text, u"");
}

TEST(Settings, KeysBelongToTheSmartphoneOnly) {
  Registry registry("");
  registry.SetBinary(kSettingsKey, u"Keys", KeysBytes(77));
  registry.SetDword(kSettingsKey, u"Pass.Numeric", 1);

  Settings pocket(PlatformVariant::PocketPC);
  pocket.Load(registry);
  EXPECT_EQ(pocket.keys[0], 0u);
  EXPECT_EQ(pocket.passNumeric, 0u);
  pocket.keys[0] = 5;
  pocket.Save(registry);
  EXPECT_EQ(registry.Get(kSettingsKey, u"Keys")->bytes, KeysBytes(77));

  Settings phone(PlatformVariant::Smartphone);
  phone.Load(registry);
  EXPECT_EQ(phone.keys[0], 77u);
  EXPECT_EQ(phone.keys[1], 0u);  // every slot comes from the value

  // A Keys value of the wrong size leaves the defaults.
  registry.SetBinary(kSettingsKey, u"Keys", {1, 2, 3});
  Settings other(PlatformVariant::Smartphone);
  other.Load(registry);
  EXPECT_EQ(other.keys, Settings(PlatformVariant::Smartphone).keys);
}

TEST(Settings, DefaultKeyActionsGoThroughTheKeyTable) {
  Settings phone(PlatformVariant::Smartphone);
  const std::array<uint32_t, kKeyCount> expected = {0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 6, 3};
  EXPECT_EQ(phone.keys, expected);
  EXPECT_EQ(phone.passNumeric, 1u);
  phone.SetKeyAction(120, 9);  // pound
  phone.SetKeyAction(58, 4);   // not a keypad key
  phone.SetKeyAction(0, 4);
  EXPECT_EQ(phone.keys[11], 9u);
  EXPECT_EQ(std::count(phone.keys.begin(), phone.keys.end(), 4u), 0);
}

TEST(Settings, AnUnreadableRegistryFileIsLeftAlone) {
  TempDir dir;
  const std::string path = dir.File("registry.reg");
  WriteFile(path, "this is not a registry file\n[\n");
  Registry registry(path);
  ASSERT_TRUE(registry.LoadFailed());
  Settings settings;
  settings.fontMain = 9;
  EXPECT_FALSE(settings.Load(registry, kAtStart));
  EXPECT_EQ(settings.fontMain, 9u);
  EXPECT_EQ(settings.Save(registry), SaveResult::Refused);
  EXPECT_EQ(ReadFile(path), "this is not a registry file\n[\n");
}

TEST(Settings, GeneratorAndCloseOnLockRoundTrip) {
  TempDir dir;
  const std::string path = dir.File("registry.reg");
  {
    Registry registry(path);
    Settings out;
    EXPECT_EQ(out.securityCloseOnLock, 1u);
    out.securityCloseOnLock = 0;
    out.generatorMode = 1;
    out.generatorLength = 33;
    out.generatorClasses = 5;
    out.generatorExcludeLookalikes = 1;
    out.generatorWords = 9;
    out.generatorSeparator = u".";
    out.generatorCapitalise = 1;
    ASSERT_EQ(out.Save(registry), SaveResult::Saved);
  }
  {
    Registry registry(path);
    Settings in;
    ASSERT_TRUE(in.Load(registry));
    EXPECT_EQ(in.securityCloseOnLock, 0u);
    EXPECT_EQ(in.generatorMode, 1u);
    EXPECT_EQ(in.generatorLength, 33u);
    EXPECT_EQ(in.generatorClasses, 5u);
    EXPECT_EQ(in.generatorExcludeLookalikes, 1u);
    EXPECT_EQ(in.generatorWords, 9u);
    EXPECT_EQ(in.generatorSeparator, u".");
    EXPECT_EQ(in.generatorCapitalise, 1u);
    // An empty separator is a choice too; a longer text is not read.
    registry.SetString(kSettingsKey, u"Generator.Separator", u"");
    ASSERT_TRUE(in.Load(registry));
    EXPECT_EQ(in.generatorSeparator, u"");
    registry.SetString(kSettingsKey, u"Generator.Separator", u"--");
    ASSERT_TRUE(in.Load(registry));
    EXPECT_EQ(in.generatorSeparator, u"");
  }
}

TEST(Settings, HiddenCommands) {
  Settings settings;
  settings.fontMain = 20;
  struct Case {
    const char16_t* text;
    bool isCommand;
  };
  const Case cases[] = {{u"::reset ", false}, {u" ::reset", false}, {u"::res", false},
                        {u"reset", false},    {u"", false},         {u"::resets", false}};
  for (const auto& c : cases) EXPECT_EQ(RunHiddenCommand(settings, c.text), c.isCommand);
  EXPECT_EQ(settings.fontMain, 20u);

  EXPECT_TRUE(RunHiddenCommand(settings, u"::ClearType"));
  EXPECT_EQ(settings.clearType, 0u);
  EXPECT_TRUE(RunHiddenCommand(settings, u"::cleartype"));
  EXPECT_EQ(settings.clearType, 1u);
  EXPECT_TRUE(RunHiddenCommand(settings, u"::OPENLAST"));
  EXPECT_EQ(settings.openLast, 0u);
  EXPECT_TRUE(RunHiddenCommand(settings, u"::reset"));
  EXPECT_EQ(settings.fontMain, 9u);
  EXPECT_EQ(settings.openLast, 1u);
}

}  // namespace
}  // namespace tb::shell
