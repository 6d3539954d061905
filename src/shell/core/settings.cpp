#include "shell/core/settings.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/core/text_convert.h"

namespace tb::shell {
namespace {

using tb::platform::Registry;
using tb::platform::RegistryValue;

// Virtual-key code of each Keys slot: "0".."9", then star and pound.
constexpr std::array<uint32_t, kKeyCount> kKeySlots = {48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 119, 120};

// A DWORD, or any value of at most 4 bytes, as a number; nothing else fits.
std::optional<uint32_t> ReadDword(const Registry& registry, const std::string& key, const char16_t* name) {
  auto value = registry.Get(key, name);
  if (!value) return std::nullopt;
  if (value->type == RegistryValue::Type::Dword) return value->dword;
  if (value->type == RegistryValue::Type::Binary && !value->bytes.empty() && value->bytes.size() <= 4) {
    uint32_t v = 0;
    for (size_t i = 0; i < value->bytes.size(); ++i) v |= uint32_t{value->bytes[i]} << (8 * i);
    return v;
  }
  return std::nullopt;
}

void ReadInto(const Registry& registry, const std::string& key, const char16_t* name, uint32_t* member) {
  if (auto v = ReadDword(registry, key, name)) *member = *v;
}

std::u16string RunningProgramPath() {
  std::error_code ec;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::u16string() : tb::platform::FromUtf8(path.string());
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

Settings::Settings(PlatformVariant platform) : platform_(platform) { ResetToDefaults(); }

void Settings::ResetToDefaults() {
  fontMain = 9;
  fontMainStyle = 0;
  fontCard = 9;
  fontCardFieldNmStyle = 1;
  fontCardDataStyle = 0;
  noteFont = 9;
  noteFontStyle = 0;
  noteWrap = 1;
  clearType = 1;
  exitMenu = 0;
  noteZoom = 9;
  colorBarStart = 0xFEECDD;
  colorBarEnd = 0xE2A981;
  colorBarText = 0;
  colorFolderSpecial = 0x9933FF;
  colorFolderForms = 0x8000;
  passAutoOK = 1;
  openLast = 1;
  passNumeric = IsSmartphone() ? 1 : 0;
  menusExpanded = 0;
  info = 0;
  clipboardClearSeconds = 30;
  securityCloseOnLock = 1;
  generatorMode = 0;
  generatorLength = 20;
  generatorClasses = 15;
  generatorExcludeLookalikes = 0;
  generatorWords = 6;
  generatorSeparator = u"-";
  generatorCapitalise = 0;
  count6 = 0;
  keys.fill(0);
  SetKeyAction(49, 2);
  SetKeyAction(51, 1);
  SetKeyAction(119, 6);
  SetKeyAction(120, 3);
  mru.clear();
  version = 0;
}

void Settings::SetKeyAction(uint32_t virtualKey, uint32_t action) {
  for (size_t slot = 0; slot < kKeySlots.size(); ++slot) {
    if (kKeySlots[slot] == virtualKey) {
      keys[slot] = action;
      return;
    }
  }
}

void Settings::WriteFileTypeRegistrations(Registry& registry, std::u16string_view programPath) {
  const std::string root = std::string(kClassesRoot) + "\\";
  const std::u16string p(programPath);
  const std::u16string openCommand = u"\"" + p + u"\" %1";
  struct Type {
    const char* extension;
    const char* className;
    const char16_t* classNameText;
    const char16_t* description;
    const char16_t* icon;
  };
  const Type types[] = {
      {".tb5", "TamberlockProDocument", u"TamberlockProDocument", u"Tamberlock Pro Wallet", u",-201"},
      {".tbx", "TamberlockProForm", u"TamberlockProForm", u"Tamberlock Pro Form Layout", u",-203"},
  };
  for (const Type& t : types) {
    const std::string cls = root + t.className;
    registry.SetString(root + t.extension, u"", t.classNameText);
    registry.SetString(cls, u"", t.description);
    registry.SetString(cls + "\\DefaultIcon", u"", p + t.icon);
    registry.SetString(cls + "\\Shell\\Open\\Command", u"", openCommand);
  }
}

bool Settings::Load(Registry& registry, const LoadOptions& options) {
  if (registry.LoadFailed()) return false;
  if (registryKey.empty()) return true;
  const std::string& key = registryKey;
  if (options.writeRegistrations) registry.CreateKey(key);
  else if (!registry.KeyExists(key)) return true;  // nothing to read, and nothing may be written

  ReadInto(registry, key, u"Count6", &count6);
  ReadInto(registry, key, u"Info", &info);
  langPref = 0;
  ReadInto(registry, key, u"LangPref", &langPref);
  ReadInto(registry, key, u"FontMain", &fontMain);
  ReadInto(registry, key, u"FontMainStyle", &fontMainStyle);
  ReadInto(registry, key, u"FontCard", &fontCard);
  ReadInto(registry, key, u"FontCardFieldNmStyle", &fontCardFieldNmStyle);
  ReadInto(registry, key, u"FontCardDataStyle", &fontCardDataStyle);
  ReadInto(registry, key, u"NoteFont", &noteFont);
  ReadInto(registry, key, u"NoteFontStyle", &noteFontStyle);
  ReadInto(registry, key, u"NoteWrap", &noteWrap);
  ReadInto(registry, key, u"ClearType", &clearType);
  ReadInto(registry, key, u"NoteZoom", &noteZoom);
  ReadInto(registry, key, u"Color.BarStart", &colorBarStart);
  ReadInto(registry, key, u"Color.BarEnd", &colorBarEnd);
  ReadInto(registry, key, u"Color.BarText", &colorBarText);
  ReadInto(registry, key, u"Color.FolderSpecial", &colorFolderSpecial);
  ReadInto(registry, key, u"Color.FolderForms", &colorFolderForms);
  ReadInto(registry, key, u"Pass.AutoOK", &passAutoOK);
  ReadInto(registry, key, u"OpenLast", &openLast);
  ReadInto(registry, key, u"Clipboard.ClearSeconds", &clipboardClearSeconds);
  ReadInto(registry, key, u"Security.CloseOnLock", &securityCloseOnLock);
  ReadInto(registry, key, u"Generator.Mode", &generatorMode);
  ReadInto(registry, key, u"Generator.Length", &generatorLength);
  ReadInto(registry, key, u"Generator.Classes", &generatorClasses);
  ReadInto(registry, key, u"Generator.ExcludeLookalikes", &generatorExcludeLookalikes);
  ReadInto(registry, key, u"Generator.Words", &generatorWords);
  ReadInto(registry, key, u"Generator.Capitalise", &generatorCapitalise);
  // The separator is one character at most; a longer text is not read.
  if (auto v = registry.Get(key, u"Generator.Separator");
      v && v->type == RegistryValue::Type::String && v->text.size() <= 1) {
    generatorSeparator = v->text;
  }
  ReadInto(registry, key, u"Version", &version);
  if (IsSmartphone()) ReadInto(registry, key, u"Pass.Numeric", &passNumeric);

  // A path longer than the buffer the program gives it is not read at all.
  if (auto v = registry.Get(key, u"MRU");
      v && v->type == RegistryValue::Type::String && v->text.size() <= kMaxMruLength) {
    mru = v->text.substr(0, v->text.find(u'\0'));
  }

  if (options.writeRegistrations) {
    WriteFileTypeRegistrations(registry, options.programPath.empty() ? RunningProgramPath() : options.programPath);
    registry.SetDword(key, u"Setup6", 7);
  }

  if (IsSmartphone()) {
    if (auto v = registry.Get(key, u"Keys");
        v && v->type == RegistryValue::Type::Binary && v->bytes.size() == kKeyCount * 4) {
      for (size_t slot = 0; slot < kKeyCount; ++slot) {
        const uint8_t* b = v->bytes.data() + slot * 4;
        keys[slot] = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
      }
    }
  }
  ReadInto(registry, key, u"ExitMenu", &exitMenu);
  if (IsPocketPC()) ReadInto(registry, key, u"Menus.Expanded", &menusExpanded);
  return true;
}

SaveResult Settings::Save(Registry& registry) {
  ++count6;
  if (registryKey.empty()) return SaveResult::NoKey;
  // A registry file that could not be read is the user's, not ours to replace.
  if (registry.LoadFailed()) return SaveResult::Refused;
  const std::string& key = registryKey;
  registry.CreateKey(key);

  registry.SetDword(key, u"Count6", count6);
  registry.SetDword(key, u"Info", info);
  registry.SetDword(key, u"FontMain", fontMain);
  registry.SetDword(key, u"FontMainStyle", fontMainStyle);
  registry.SetDword(key, u"FontCard", fontCard);
  registry.SetDword(key, u"FontCardFieldNmStyle", fontCardFieldNmStyle);
  registry.SetDword(key, u"FontCardDataStyle", fontCardDataStyle);
  registry.SetDword(key, u"NoteFont", noteFont);
  registry.SetDword(key, u"NoteFontStyle", noteFontStyle);
  registry.SetDword(key, u"NoteWrap", noteWrap);
  registry.SetDword(key, u"ClearType", clearType);
  registry.SetString(key, u"MRU", mru);
  registry.SetDword(key, u"NoteZoom", noteZoom);
  registry.SetDword(key, u"OpenLast", openLast);
  registry.SetDword(key, u"Clipboard.ClearSeconds", clipboardClearSeconds);
  registry.SetDword(key, u"Security.CloseOnLock", securityCloseOnLock);
  registry.SetDword(key, u"Generator.Mode", generatorMode);
  registry.SetDword(key, u"Generator.Length", generatorLength);
  registry.SetDword(key, u"Generator.Classes", generatorClasses);
  registry.SetDword(key, u"Generator.ExcludeLookalikes", generatorExcludeLookalikes);
  registry.SetDword(key, u"Generator.Words", generatorWords);
  registry.SetString(key, u"Generator.Separator", generatorSeparator);
  registry.SetDword(key, u"Generator.Capitalise", generatorCapitalise);
  version = kSettingsVersion;
  registry.SetDword(key, u"Version", version);
  if (IsSmartphone()) {
    registry.SetDword(key, u"Pass.Numeric", passNumeric);
    std::vector<uint8_t> bytes(kKeyCount * 4);
    for (size_t slot = 0; slot < kKeyCount; ++slot)
      for (size_t i = 0; i < 4; ++i) bytes[slot * 4 + i] = static_cast<uint8_t>(keys[slot] >> (8 * i));
    registry.SetBinary(key, u"Keys", std::move(bytes));
  } else {
    registry.SetDword(key, u"Menus.Expanded", menusExpanded);
  }
  return registry.Save() ? SaveResult::Saved : SaveResult::WriteFailed;
}

bool RunHiddenCommand(Settings& settings, std::u16string_view text) {
  if (EqualsIgnoringAsciiCase(text, u"::reset")) {
    settings.ResetToDefaults();
    return true;
  }
  if (EqualsIgnoringAsciiCase(text, u"::cleartype")) {
    settings.clearType = settings.clearType ? 0 : 1;
    return true;
  }
  if (EqualsIgnoringAsciiCase(text, u"::openlast")) {
    settings.openLast = settings.openLast ? 0 : 1;
    return true;
  }
  return false;
}

}  // namespace tb::shell
