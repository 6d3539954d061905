#pragma once
// The System seam: the facts the program asks of the machine it runs on.
// Each has a real source and a way for tests to fix it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/system_time.h"

namespace tb::platform {

// Local time now; the test clock replaces it while installed.
SystemTime LocalTime();

// A settable clock for tests. Installing one makes LocalTime() return its
// value; Advance moves it forward (carrying into minutes, hours, days...).
class TestClock {
 public:
  explicit TestClock(SystemTime start);
  ~TestClock();
  TestClock(const TestClock&) = delete;
  TestClock& operator=(const TestClock&) = delete;
  void Set(SystemTime t);
  void AdvanceSeconds(int64_t seconds);
  SystemTime Now() const;

 private:
  friend SystemTime LocalTime();
  SystemTime now_;
  TestClock* previous_ = nullptr;  // the clock this one stands in for
};

// Converts between SystemTime and seconds since 1970 (local, no zone).
int64_t ToEpochSeconds(const SystemTime& t);
SystemTime FromEpochSeconds(int64_t seconds, uint16_t milliseconds = 0);
// True when the date and time fields name a real calendar moment.
bool IsValidSystemTime(const SystemTime& t);

// A 32-bit random number from the platform's source (the kernel's
// generator; safe to call from any thread).
uint32_t Random32();
// Replaces the random source while the returned guard lives (tests).
class ScopedRandomSource {
 public:
  explicit ScopedRandomSource(std::function<uint32_t()> source);
  ~ScopedRandomSource();

 private:
  std::function<uint32_t()> previous_;
};

// Available physical memory in bytes (from /proc/meminfo's MemAvailable).
uint64_t AvailablePhysicalMemory();
class ScopedAvailableMemory {  // tests
 public:
  explicit ScopedAvailableMemory(uint64_t bytes);
  ~ScopedAvailableMemory();

 private:
  bool hadPrevious_;
  uint64_t previous_;
};

// The user's short date format and time format as Windows-style pictures
// ("M/d/yyyy", "h:mm:ss tt", "dd.MM.yyyy", "HH:mm:ss"), taken from the
// locale (LC_ALL, else LC_TIME, else LANG, read once) unless tests fix them.
struct DateTimeFormats {
  std::u16string shortDate;
  std::u16string time;
};
const DateTimeFormats& UserDateTimeFormats();
// The pictures for a locale name such as "de_DE.UTF-8"; C, POSIX and
// unknown locales get the US pictures.
DateTimeFormats DateTimeFormatsForLocale(const std::string& locale);
class ScopedDateTimeFormats {  // tests
 public:
  explicit ScopedDateTimeFormats(DateTimeFormats formats);
  ~ScopedDateTimeFormats();

 private:
  bool hadPrevious_;
  DateTimeFormats previous_;
};

// Display texts of a stored date/time through the user's formats.
std::u16string FormatShortDate(const SystemTime& t);
std::u16string FormatTime(const SystemTime& t);
// Formats with an explicit picture (d dd ddd dddd M MM MMM MMMM y yy yyyy,
// h hh H HH m mm s ss t tt, 'quoted' literals).
std::u16string FormatWithPicture(const SystemTime& t, const std::u16string& picture);

// The user's language as a Windows language identifier (de_DE -> 0x0407,
// en_US -> 0x0409), from LC_ALL, else LC_MESSAGES, else LANG; 0 when unknown.
uint16_t UserLanguageId();
// The identifier for a locale name ("de_DE.UTF-8" -> 0x0407, "de" -> 0x0407,
// an unknown territory -> its language's main identifier); 0 when unknown.
uint16_t LanguageIdForLocale(const std::string& locale);
// The other way: "de_DE" for 0x0407, "nb" for 0x0414; empty for an
// identifier the program does not know.
std::string LocaleForLanguageId(uint16_t id);
class ScopedUserLanguage {  // tests
 public:
  explicit ScopedUserLanguage(uint16_t langId);
  ~ScopedUserLanguage();

 private:
  int previous_;
};

// The folder the running program lives in (from /proc/self/exe).
std::string ProgramDirectory();

// The operating-system version the program and the setup library are told:
// 5.01 unless the environment variable TB_OS_VERSION gives another as
// "MAJOR.MINOR" ("6.0", "5.02"; the minor part read as a decimal number).
// A value that is no such version ("fail") makes the query fail.
inline constexpr const char* kOsVersionVariable = "TB_OS_VERSION";
struct OsVersion {
  uint32_t major = 5;
  uint32_t minor = 1;
};
bool QueryOsVersion(OsVersion* version);
// The version a text gives, by the rule above; false when it gives none.
bool ParseOsVersion(std::string_view text, OsVersion* version);

// The platform type: "PocketPC" unless the environment variable
// TB_PLATFORM names another ("Smartphone").
inline constexpr const char* kPlatformVariable = "TB_PLATFORM";
std::string PlatformType();

}  // namespace tb::platform
