#include "platform/core/system.h"

#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string_view>

namespace tb::platform {

// ---------------------------------------------------------------- time

namespace {

std::mutex g_clockMutex;
TestClock* g_clock = nullptr;

// Days since 1970-01-01 of a proleptic Gregorian date (any int64 year).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp + (mp < 10 ? 3 : -9);
  *y = yoe + era * 400 + (*m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// 0 = Sunday; 1970-01-01 was a Thursday.
uint16_t WeekdayOfDays(int64_t days) { return static_cast<uint16_t>(((days % 7) + 11) % 7); }

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

SystemTime RealLocalTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  const time_t seconds = ts.tv_sec;
  tm local{};
  SystemTime t;
  if (localtime_r(&seconds, &local) == nullptr) {
    return FromEpochSeconds(ts.tv_sec, static_cast<uint16_t>(ts.tv_nsec / 1000000));
  }
  t.year = static_cast<uint16_t>(local.tm_year + 1900);
  t.month = static_cast<uint16_t>(local.tm_mon + 1);
  t.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
  t.day = static_cast<uint16_t>(local.tm_mday);
  t.hour = static_cast<uint16_t>(local.tm_hour);
  t.minute = static_cast<uint16_t>(local.tm_min);
  // A leap second shows as 59: the stored form knows no second 60.
  t.second = static_cast<uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
  t.milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
  return t;
}

}  // namespace

SystemTime LocalTime() {
  {
    std::lock_guard lock(g_clockMutex);
    if (g_clock != nullptr) return g_clock->now_;
  }
  return RealLocalTime();
}

// A clock installed over another stands in for it until it ends.
TestClock::TestClock(SystemTime start) : now_(start) {
  std::lock_guard lock(g_clockMutex);
  previous_ = g_clock;
  g_clock = this;
}

TestClock::~TestClock() {
  std::lock_guard lock(g_clockMutex);
  // Clocks usually end in reverse order; one ending early leaves the chain.
  for (TestClock** link = &g_clock; *link != nullptr; link = &(*link)->previous_) {
    if (*link == this) {
      *link = previous_;
      break;
    }
  }
}

SystemTime TestClock::Now() const {
  std::lock_guard lock(g_clockMutex);
  return now_;
}

void TestClock::Set(SystemTime t) {
  std::lock_guard lock(g_clockMutex);
  now_ = t;
}

void TestClock::AdvanceSeconds(int64_t seconds) {
  std::lock_guard lock(g_clockMutex);
  now_ = FromEpochSeconds(ToEpochSeconds(now_) + seconds, now_.milliseconds);
}

int64_t ToEpochSeconds(const SystemTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day);
  return days * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
}

SystemTime FromEpochSeconds(int64_t seconds, uint16_t milliseconds) {
  const int64_t days = FloorDiv(seconds, 86400);
  const int64_t rest = seconds - days * 86400;
  int64_t y, m, d;
  CivilFromDays(days, &y, &m, &d);
  SystemTime t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(m);
  t.day = static_cast<uint16_t>(d);
  t.dayOfWeek = WeekdayOfDays(days);
  t.hour = static_cast<uint16_t>(rest / 3600);
  t.minute = static_cast<uint16_t>(rest / 60 % 60);
  t.second = static_cast<uint16_t>(rest % 60);
  t.milliseconds = milliseconds;
  return t;
}

// The range of the platform's own file times (1601 to 30827). The day of
// the week is not checked: readers recompute it.
bool IsValidSystemTime(const SystemTime& t) {
  if (t.year < 1601 || t.year > 30827) return false;
  if (t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
  return t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

// ---------------------------------------------------------------- random

namespace {

std::mutex g_randomMutex;
std::function<uint32_t()> g_randomSource;

// Numbers from the kernel's generator, fetched a block at a time.
class KernelRandom {
 public:
  uint32_t Next() {
    if (used_ == kCount) Refill();
    const uint32_t v = buffer_[used_];
    buffer_[used_++] = 0;
    return v;
  }

 private:
  static constexpr size_t kCount = 64;

  void Refill() {
    size_t got = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(buffer_);
    while (got < sizeof(buffer_)) {
      const ssize_t n = getrandom(bytes + got, sizeof(buffer_) - got, 0);
      if (n > 0) {
        got += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;
      }
    }
    if (got < sizeof(buffer_)) {
      // Without getrandom (old kernels, sandboxes) the standard device.
      std::random_device device;
      for (size_t k = 0; k < kCount; ++k) buffer_[k] = device();
    }
    used_ = 0;
  }

  uint32_t buffer_[kCount] = {};
  size_t used_ = kCount;
};

KernelRandom g_kernelRandom;

}  // namespace

uint32_t Random32() {
  std::lock_guard lock(g_randomMutex);
  if (g_randomSource) return g_randomSource();
  return g_kernelRandom.Next();
}

ScopedRandomSource::ScopedRandomSource(std::function<uint32_t()> source) {
  std::lock_guard lock(g_randomMutex);
  previous_ = std::move(g_randomSource);
  g_randomSource = std::move(source);
}

ScopedRandomSource::~ScopedRandomSource() {
  std::lock_guard lock(g_randomMutex);
  g_randomSource = std::move(previous_);
}

// ---------------------------------------------------------------- memory

namespace {

std::mutex g_memoryMutex;
std::optional<uint64_t> g_memoryOverride;

std::optional<uint64_t> MemAvailableFromProc() {
  FILE* f = std::fopen("/proc/meminfo", "re");
  if (f == nullptr) return std::nullopt;
  std::optional<uint64_t> result;
  char line[256];
  while (std::fgets(line, sizeof(line), f) != nullptr) {
    unsigned long long kb = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
      result = static_cast<uint64_t>(kb) * 1024;
      break;
    }
  }
  std::fclose(f);
  return result;
}

}  // namespace

uint64_t AvailablePhysicalMemory() {
  {
    std::lock_guard lock(g_memoryMutex);
    if (g_memoryOverride) return *g_memoryOverride;
  }
  if (auto bytes = MemAvailableFromProc()) return *bytes;
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

ScopedAvailableMemory::ScopedAvailableMemory(uint64_t bytes) {
  std::lock_guard lock(g_memoryMutex);
  hadPrevious_ = g_memoryOverride.has_value();
  previous_ = g_memoryOverride.value_or(0);
  g_memoryOverride = bytes;
}

ScopedAvailableMemory::~ScopedAvailableMemory() {
  std::lock_guard lock(g_memoryMutex);
  if (hadPrevious_) g_memoryOverride = previous_;
  else g_memoryOverride.reset();
}

// ---------------------------------------------------------------- locale

namespace {

struct LocaleName {
  std::string language;   // lower case: "de"
  std::string territory;  // upper case: "DE", may be empty
};

// "de_DE.UTF-8@euro" -> {"de", "DE"}.
LocaleName SplitLocale(const std::string& locale) {
  std::string_view s = locale;
  s = s.substr(0, s.find_first_of(".@"));
  LocaleName name;
  const size_t sep = s.find_first_of("_-");
  for (char c : s.substr(0, sep))
    name.language.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (sep != std::string_view::npos) {
    for (char c : s.substr(sep + 1))
      name.territory.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return name;
}

// The first of the environment variables that is set and not empty.
std::string FirstLocaleVariable(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const char* v = std::getenv(n);
    if (v != nullptr && *v != '\0') return v;
  }
  return {};
}

struct FormatEntry {
  const char* language;
  const char* territory;  // nullptr: every territory without its own entry
  const char16_t* shortDate;
  const char16_t* time;
};

constexpr FormatEntry kFormats[] = {
    {"en", "US", u"M/d/yyyy", u"h:mm:ss tt"},    {"en", "GB", u"dd/MM/yyyy", u"HH:mm:ss"},
    {"en", "IE", u"dd/MM/yyyy", u"HH:mm:ss"},    {"en", "AU", u"d/MM/yyyy", u"h:mm:ss tt"},
    {"en", "NZ", u"d/MM/yyyy", u"h:mm:ss tt"},   {"en", "CA", u"yyyy-MM-dd", u"h:mm:ss tt"},
    {"en", nullptr, u"M/d/yyyy", u"h:mm:ss tt"}, {"de", nullptr, u"dd.MM.yyyy", u"HH:mm:ss"},
    {"fr", "CA", u"yyyy-MM-dd", u"HH:mm:ss"},    {"fr", "CH", u"dd.MM.yyyy", u"HH:mm:ss"},
    {"fr", nullptr, u"dd/MM/yyyy", u"HH:mm:ss"}, {"it", "CH", u"dd.MM.yyyy", u"HH:mm:ss"},
    {"it", nullptr, u"dd/MM/yyyy", u"HH:mm:ss"}, {"es", nullptr, u"dd/MM/yyyy", u"H:mm:ss"},
    {"nl", "BE", u"d/MM/yyyy", u"H:mm:ss"},      {"nl", nullptr, u"d-M-yyyy", u"HH:mm:ss"},
    {"pt", nullptr, u"dd/MM/yyyy", u"HH:mm:ss"}, {"sv", nullptr, u"yyyy-MM-dd", u"HH:mm:ss"},
    {"da", nullptr, u"dd-MM-yyyy", u"HH:mm:ss"}, {"nb", nullptr, u"dd.MM.yyyy", u"HH:mm:ss"},
    {"no", nullptr, u"dd.MM.yyyy", u"HH:mm:ss"}, {"fi", nullptr, u"d.M.yyyy", u"H:mm:ss"},
    {"pl", nullptr, u"dd.MM.yyyy", u"HH:mm:ss"}, {"cs", nullptr, u"d.M.yyyy", u"H:mm:ss"},
    {"ru", nullptr, u"dd.MM.yyyy", u"H:mm:ss"},  {"ja", nullptr, u"yyyy/MM/dd", u"H:mm:ss"},
    {"zh", nullptr, u"yyyy/M/d", u"H:mm:ss"},
};

struct LanguageEntry {
  const char* language;
  const char* territory;  // nullptr: the language's main identifier
  uint16_t id;
};

constexpr LanguageEntry kLanguages[] = {
    {"de", "DE", 0x0407},    {"de", "CH", 0x0807},    {"de", "AT", 0x0c07},    {"de", "LU", 0x1007},
    {"de", "LI", 0x1407},    {"de", nullptr, 0x0407}, {"en", "US", 0x0409},    {"en", "GB", 0x0809},
    {"en", "AU", 0x0c09},    {"en", "CA", 0x1009},    {"en", "NZ", 0x1409},    {"en", "IE", 0x1809},
    {"en", "ZA", 0x1c09},    {"en", nullptr, 0x0409}, {"fr", "FR", 0x040c},    {"fr", "BE", 0x080c},
    {"fr", "CA", 0x0c0c},    {"fr", "CH", 0x100c},    {"fr", "LU", 0x140c},    {"fr", nullptr, 0x040c},
    {"it", "IT", 0x0410},    {"it", "CH", 0x0810},    {"it", nullptr, 0x0410}, {"es", "ES", 0x0c0a},
    {"es", "MX", 0x080a},    {"es", "AR", 0x2c0a},    {"es", nullptr, 0x0c0a}, {"nl", "NL", 0x0413},
    {"nl", "BE", 0x0813},    {"nl", nullptr, 0x0413}, {"pt", "BR", 0x0416},    {"pt", "PT", 0x0816},
    {"pt", nullptr, 0x0816}, {"sv", "FI", 0x081d},    {"sv", nullptr, 0x041d}, {"da", nullptr, 0x0406},
    {"nb", nullptr, 0x0414}, {"no", nullptr, 0x0414}, {"nn", nullptr, 0x0814}, {"fi", nullptr, 0x040b},
    {"pl", nullptr, 0x0415}, {"cs", nullptr, 0x0405}, {"hu", nullptr, 0x040e}, {"el", nullptr, 0x0408},
    {"tr", nullptr, 0x041f}, {"ru", nullptr, 0x0419}, {"ja", nullptr, 0x0411}, {"ko", nullptr, 0x0412},
    {"zh", "TW", 0x0404},    {"zh", "HK", 0x0c04},    {"zh", nullptr, 0x0804},
};

// The entry for the territory, else the language's entry without one.
template <typename Entry, size_t N>
const Entry* FindLocale(const Entry (&table)[N], const LocaleName& name) {
  const Entry* general = nullptr;
  for (const Entry& e : table) {
    if (name.language != e.language) continue;
    if (e.territory == nullptr) {
      if (general == nullptr) general = &e;
    } else if (name.territory == e.territory) {
      return &e;
    }
  }
  return general;
}

std::mutex g_localeMutex;
std::optional<DateTimeFormats> g_formatsOverride;
int g_languageOverride = -1;

}  // namespace

DateTimeFormats DateTimeFormatsForLocale(const std::string& locale) {
  const FormatEntry* e = FindLocale(kFormats, SplitLocale(locale));
  if (e == nullptr) e = &kFormats[0];  // C, POSIX, unknown: as in the US
  return DateTimeFormats{e->shortDate, e->time};
}

const DateTimeFormats& UserDateTimeFormats() {
  {
    std::lock_guard lock(g_localeMutex);
    if (g_formatsOverride) return *g_formatsOverride;
  }
  static const DateTimeFormats fromLocale =
      DateTimeFormatsForLocale(FirstLocaleVariable({"LC_ALL", "LC_TIME", "LANG"}));
  return fromLocale;
}

ScopedDateTimeFormats::ScopedDateTimeFormats(DateTimeFormats formats) {
  std::lock_guard lock(g_localeMutex);
  hadPrevious_ = g_formatsOverride.has_value();
  if (hadPrevious_) previous_ = *g_formatsOverride;
  g_formatsOverride = std::move(formats);
}

ScopedDateTimeFormats::~ScopedDateTimeFormats() {
  std::lock_guard lock(g_localeMutex);
  if (hadPrevious_) g_formatsOverride = std::move(previous_);
  else g_formatsOverride.reset();
}

uint16_t LanguageIdForLocale(const std::string& locale) {
  const LanguageEntry* e = FindLocale(kLanguages, SplitLocale(locale));
  return e == nullptr ? 0 : e->id;
}

std::string LocaleForLanguageId(uint16_t id) {
  const LanguageEntry* general = nullptr;
  for (const LanguageEntry& e : kLanguages) {
    if (e.id != id) continue;
    if (e.territory != nullptr) return std::string(e.language) + "_" + e.territory;
    if (general == nullptr) general = &e;
  }
  return general ? std::string(general->language) : std::string();
}

uint16_t UserLanguageId() {
  {
    std::lock_guard lock(g_localeMutex);
    if (g_languageOverride >= 0) return static_cast<uint16_t>(g_languageOverride);
  }
  return LanguageIdForLocale(FirstLocaleVariable({"LC_ALL", "LC_MESSAGES", "LANG"}));
}

ScopedUserLanguage::ScopedUserLanguage(uint16_t langId) {
  std::lock_guard lock(g_localeMutex);
  previous_ = g_languageOverride;
  g_languageOverride = langId;
}

ScopedUserLanguage::~ScopedUserLanguage() {
  std::lock_guard lock(g_localeMutex);
  g_languageOverride = previous_;
}

// ---------------------------------------------------------------- formatting

namespace {

constexpr const char16_t* kDayNames[7] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                          u"Thursday", u"Friday", u"Saturday"};
constexpr const char16_t* kMonthNames[12] = {u"January",   u"February", u"March",    u"April",
                                             u"May",       u"June",     u"July",     u"August",
                                             u"September", u"October",  u"November", u"December"};

void AppendNumber(std::u16string& out, unsigned value, int minDigits) {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%0*u", minDigits, value);
  for (const char* p = buffer; *p != '\0'; ++p) out.push_back(static_cast<char16_t>(*p));
}

void AppendName(std::u16string& out, const char16_t* name, bool abbreviated) {
  std::u16string_view view(name);
  out.append(abbreviated ? view.substr(0, 3) : view);
}

// The weekday of the date itself: a stored day-of-week may be wrong.
uint16_t Weekday(const SystemTime& t) {
  if (t.month < 1 || t.month > 12) return t.dayOfWeek % 7;
  return WeekdayOfDays(DaysFromCivil(t.year, t.month, t.day));
}

}  // namespace

std::u16string FormatWithPicture(const SystemTime& t, const std::u16string& picture) {
  std::u16string out;
  const size_t n = picture.size();
  size_t i = 0;
  while (i < n) {
    const char16_t c = picture[i];
    if (c == u'\'') {
      // 'literal text'; two quotes in a row stand for one quote.
      ++i;
      if (i < n && picture[i] == u'\'') {
        out.push_back(u'\'');
        ++i;
        continue;
      }
      while (i < n) {
        if (picture[i] == u'\'') {
          if (i + 1 < n && picture[i + 1] == u'\'') {
            out.push_back(u'\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out.push_back(picture[i++]);
      }
      continue;
    }
    size_t run = 1;
    while (i + run < n && picture[i + run] == c) ++run;
    const bool two = run >= 2;
    const unsigned hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    switch (c) {
      case u'd':
        if (run >= 3) AppendName(out, kDayNames[Weekday(t)], run == 3);
        else AppendNumber(out, t.day, run);
        break;
      case u'M':
        if (run >= 3) {
          if (t.month >= 1 && t.month <= 12) AppendName(out, kMonthNames[t.month - 1], run == 3);
        } else {
          AppendNumber(out, t.month, run);
        }
        break;
      case u'y':
        if (run >= 3) AppendNumber(out, t.year, 4);
        else AppendNumber(out, t.year % 100, run);
        break;
      case u'h': AppendNumber(out, hour12, two ? 2 : 1); break;
      case u'H': AppendNumber(out, t.hour, two ? 2 : 1); break;
      case u'm': AppendNumber(out, t.minute, two ? 2 : 1); break;
      case u's': AppendNumber(out, t.second, two ? 2 : 1); break;
      case u't': {
        const char16_t* marker = t.hour < 12 ? u"AM" : u"PM";
        out.append(marker, two ? 2 : 1);
        break;
      }
      default: out.append(run, c); break;
    }
    i += run;
  }
  return out;
}

std::u16string FormatShortDate(const SystemTime& t) { return FormatWithPicture(t, UserDateTimeFormats().shortDate); }

std::u16string FormatTime(const SystemTime& t) { return FormatWithPicture(t, UserDateTimeFormats().time); }

// ---------------------------------------------------------------- program

std::string ProgramDirectory() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return {};
  path.resize(static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// ---------------------------------------------------------------- system facts

bool ParseOsVersion(std::string_view text, OsVersion* version) {
  auto number = [](std::string_view digits, uint32_t* out) {
    if (digits.empty() || digits.size() > 4) return false;
    uint32_t n = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') return false;
      n = n * 10 + uint32_t(c - '0');
    }
    *out = n;
    return true;
  };
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  OsVersion parsed;
  if (!number(text.substr(0, dot), &parsed.major) || !number(text.substr(dot + 1), &parsed.minor)) return false;
  *version = parsed;
  return true;
}

bool QueryOsVersion(OsVersion* version) {
  const char* given = std::getenv(kOsVersionVariable);
  if (!given || !*given) {
    *version = OsVersion{};
    return true;
  }
  return ParseOsVersion(given, version);
}

std::string PlatformType() {
  const char* given = std::getenv(kPlatformVariable);
  return given && *given ? std::string(given) : std::string("PocketPC");
}

}  // namespace tb::platform
