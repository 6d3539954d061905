#pragma once
// The per-user settings of the program: one record for the process, kept in
// the registry key kSettingsKey. Loaded once at start and saved once at the
// normal end; in between the record is the only truth.
//
// Loading never writes the registry file. With writeRegistrations it puts
// the file-type registrations and Setup6 into the in-memory registry (the
// desktop program, which saves at its end); the command line loads without
// them and never saves, so it leaves the file as it found it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/registry.h"

namespace tb::shell {

inline constexpr const char* kSettingsKey = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
inline constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT";
// Written as Version by every save: the major and minor version, "%d%02d".
inline constexpr uint32_t kSettingsVersion = 662;
inline constexpr size_t kKeyCount = 12;
inline constexpr size_t kMaxMruLength = 259;  // characters, without the terminator

enum class PlatformVariant { PocketPC, Smartphone };

struct LoadOptions {
  // Write the file-type registrations under HKEY_CLASSES_ROOT and Setup6 = 7
  // into the in-memory registry, as every start of the program does.
  bool writeRegistrations = false;
  // P of the registrations: the program's full path. Empty: the running
  // executable.
  std::u16string programPath;
};

enum class SaveResult {
  Saved,
  NoKey,        // the key path is empty: nothing written
  Refused,      // the registry file could not be read at start; it is kept as it is
  WriteFailed,  // the file could not be written
};

class Settings {
 public:
  explicit Settings(PlatformVariant platform = PlatformVariant::PocketPC);

  PlatformVariant Platform() const { return platform_; }
  bool IsSmartphone() const { return platform_ == PlatformVariant::Smartphone; }
  bool IsPocketPC() const { return platform_ == PlatformVariant::PocketPC; }

  // Every member back to its default, LangPref and the key path excepted.
  void ResetToDefaults();
  // Reads the key; a missing key or value (or one of the wrong size) keeps
  // the member. False when the registry file itself could not be read (the
  // members are then left as they were).
  bool Load(tb::platform::Registry& registry, const LoadOptions& options = {});
  // Adds one to Count6, writes the values into the registry and the registry
  // to its file.
  SaveResult Save(tb::platform::Registry& registry);
  // Stores action in the Keys slot of a virtual-key code; other codes are
  // ignored.
  void SetKeyAction(uint32_t virtualKey, uint32_t action);

  // Writes the file-type registrations for the program at programPath.
  static void WriteFileTypeRegistrations(tb::platform::Registry& registry, std::u16string_view programPath);

  std::string registryKey = kSettingsKey;

  uint32_t fontMain = 9;
  uint32_t fontMainStyle = 0;
  uint32_t fontCard = 9;
  uint32_t fontCardFieldNmStyle = 1;
  uint32_t fontCardDataStyle = 0;
  uint32_t noteFont = 9;
  uint32_t noteFontStyle = 0;
  uint32_t noteWrap = 1;
  uint32_t clearType = 1;
  uint32_t exitMenu = 0;
  uint32_t noteZoom = 9;
  uint32_t colorBarStart = 0xFEECDD;
  uint32_t colorBarEnd = 0xE2A981;
  uint32_t colorBarText = 0;
  uint32_t colorFolderSpecial = 0x9933FF;
  uint32_t colorFolderForms = 0x8000;
  uint32_t passAutoOK = 1;
  uint32_t openLast = 1;
  uint32_t passNumeric = 0;
  uint32_t menusExpanded = 0;
  uint32_t info = 0;
  // Seconds after which a copy of wallet content leaves the clipboard; 0 = never.
  uint32_t clipboardClearSeconds = 30;
  // Close the open wallet when the desktop session locks or the machine
  // goes to sleep; 0 = keep it open.
  uint32_t securityCloseOnLock = 1;
  // The password generator's last settings: mode 0 characters, 1 words;
  // classes as bits (1 lower, 2 upper, 4 digits, 8 symbols). Whoever uses
  // them checks the ranges: the file may hold anything.
  uint32_t generatorMode = 0;
  uint32_t generatorLength = 20;
  uint32_t generatorClasses = 15;
  uint32_t generatorExcludeLookalikes = 0;
  uint32_t generatorWords = 6;
  std::u16string generatorSeparator = u"-";
  uint32_t generatorCapitalise = 0;
  uint32_t count6 = 0;
  uint32_t langPref = 0;
  std::array<uint32_t, kKeyCount> keys{};
  std::u16string mru;
  uint32_t version = 0;

 private:
  PlatformVariant platform_;
};

// The hidden commands of the find box: "::reset", "::cleartype" and
// "::openlast", compared case-insensitively with the whole text. Returns
// whether text was one of them (the caller beeps after "::reset").
bool RunHiddenCommand(Settings& settings, std::u16string_view text);

}  // namespace tb::shell
