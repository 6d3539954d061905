#include <gtest/gtest.h>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"

namespace tb::platform {
namespace {

// Tuesday, 5 March 2024, 14:07:09; and Monday, 12 January 2009, 00:05:03.
SystemTime Afternoon() {
  SystemTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 5;
  t.dayOfWeek = 2;
  t.hour = 14;
  t.minute = 7;
  t.second = 9;
  t.milliseconds = 500;
  return t;
}

SystemTime Midnight() {
  SystemTime t;
  t.year = 2009;
  t.month = 1;
  t.day = 12;
  t.dayOfWeek = 1;
  t.hour = 0;
  t.minute = 5;
  t.second = 3;
  return t;
}

TEST(FormatWithPicture, EveryElement) {
  struct Case {
    const char* picture;
    const char* afternoon;
    const char* midnight;
  } cases[] = {
      {"d dd ddd dddd", "5 05 Tue Tuesday", "12 12 Mon Monday"},
      {"M MM MMM MMMM", "3 03 Mar March", "1 01 Jan January"},
      {"y yy yyyy", "24 24 2024", "9 09 2009"},
      {"h hh H HH", "2 02 14 14", "12 12 0 00"},
      {"m mm s ss", "7 07 9 09", "5 05 3 03"},
      {"t tt", "P PM", "A AM"},
      {"M/d/yyyy", "3/5/2024", "1/12/2009"},
      {"dd.MM.yyyy HH:mm:ss", "05.03.2024 14:07:09", "12.01.2009 00:05:03"},
      {"h:mm:ss tt", "2:07:09 PM", "12:05:03 AM"},
      {"dddd, d. MMMM yyyy", "Tuesday, 5. March 2024", "Monday, 12. January 2009"},
      // Quoted text is kept as it stands, letters included; '' is a quote.
      {"'day' d 'of' MMM", "day 5 of Mar", "day 12 of Jan"},
      {"HH'h'mm", "14h07", "00h05"},
      {"d''M", "5'3", "12'1"},
      {"'it''s' H", "it's 14", "it's 0"},
      {"M/d/yyyy'   'h:mm tt", "3/5/2024   2:07 PM", "1/12/2009   12:05 AM"},
      {"'open", "open", "open"},
      {"", "", ""},
      {"x-z", "x-z", "x-z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    const std::u16string picture = FromUtf8(c.picture);
    EXPECT_EQ(c.afternoon, ToUtf8(FormatWithPicture(Afternoon(), picture)));
    EXPECT_EQ(c.midnight, ToUtf8(FormatWithPicture(Midnight(), picture)));
  }
}

TEST(FormatWithPicture, DayNameComesFromTheDateNotTheStoredWeekday) {
  SystemTime t = Afternoon();
  t.dayOfWeek = 6;
  EXPECT_EQ(u"Tue", FormatWithPicture(t, u"ddd"));
}

TEST(FormatWithPicture, OutOfRangeFieldsDoNotCrash) {
  SystemTime t;
  t.month = 40;
  t.dayOfWeek = 65535;
  t.hour = 99;
  EXPECT_EQ(u" 40 Monday 99", FormatWithPicture(t, u"MMMM M dddd H"));
  EXPECT_EQ(u"", FormatWithPicture(SystemTime{}, u"MMM"));
}

TEST(DateTimeFormats, LocaleTable) {
  struct Case {
    const char* locale;
    const char16_t* date;
    const char16_t* time;
  } cases[] = {
      {"en_US.UTF-8", u"M/d/yyyy", u"h:mm:ss tt"},
      {"en_GB.UTF-8", u"dd/MM/yyyy", u"HH:mm:ss"},
      {"de_DE.UTF-8@euro", u"dd.MM.yyyy", u"HH:mm:ss"},
      {"de_AT", u"dd.MM.yyyy", u"HH:mm:ss"},
      {"fr_FR.UTF-8", u"dd/MM/yyyy", u"HH:mm:ss"},
      {"fr_BE", u"dd/MM/yyyy", u"HH:mm:ss"},
      {"en_ZW", u"M/d/yyyy", u"h:mm:ss tt"},
      {"C", u"M/d/yyyy", u"h:mm:ss tt"},
      {"C.UTF-8", u"M/d/yyyy", u"h:mm:ss tt"},
      {"POSIX", u"M/d/yyyy", u"h:mm:ss tt"},
      {"", u"M/d/yyyy", u"h:mm:ss tt"},
      {"xx_YY", u"M/d/yyyy", u"h:mm:ss tt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const DateTimeFormats f = DateTimeFormatsForLocale(c.locale);
    EXPECT_EQ(c.date, f.shortDate);
    EXPECT_EQ(c.time, f.time);
  }
}

TEST(DateTimeFormats, ScopedFormatsDriveShortDateAndTime) {
  {
    ScopedDateTimeFormats german({u"dd.MM.yyyy", u"HH:mm:ss"});
    EXPECT_EQ(u"05.03.2024", FormatShortDate(Afternoon()));
    EXPECT_EQ(u"14:07:09", FormatTime(Afternoon()));
    {
      ScopedDateTimeFormats us({u"M/d/yyyy", u"h:mm:ss tt"});
      EXPECT_EQ(u"3/5/2024", FormatShortDate(Afternoon()));
      EXPECT_EQ(u"2:07:09 PM", FormatTime(Afternoon()));
    }
    EXPECT_EQ(u"dd.MM.yyyy", UserDateTimeFormats().shortDate);
  }
  EXPECT_FALSE(UserDateTimeFormats().shortDate.empty());
}

TEST(UserLanguage, LocaleTable) {
  struct Case {
    const char* locale;
    uint16_t id;
  } cases[] = {
      {"de_DE.UTF-8", 0x0407},
      {"de_CH", 0x0807},
      {"de", 0x0407},
      {"de_BE", 0x0407},
      {"en_US.UTF-8", 0x0409},
      {"en_GB", 0x0809},
      {"en", 0x0409},
      {"fr_FR", 0x040c},
      {"fr_CA", 0x0c0c},
      {"it_IT", 0x0410},
      {"it", 0x0410},
      {"es_ES", 0x0c0a},
      {"es", 0x0c0a},
      {"nl_NL", 0x0413},
      {"pt_BR", 0x0416},
      {"C", 0},
      {"POSIX", 0},
      {"", 0},
      {"xx_YY", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(c.id, LanguageIdForLocale(c.locale));
  }
}

TEST(UserLanguage, EnvironmentPrecedenceAndOverride) {
  // LC_ALL wins over LC_MESSAGES, which wins over LANG; empty means unset.
  struct Env {
    const char* name;
    std::string saved;
    bool had;
  } env[] = {{"LC_ALL", {}, false}, {"LC_MESSAGES", {}, false}, {"LANG", {}, false}};
  for (Env& e : env) {
    const char* v = getenv(e.name);
    e.had = v != nullptr;
    if (v) e.saved = v;
  }
  setenv("LC_ALL", "", 1);
  setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(0x040c, UserLanguageId());
  setenv("LC_ALL", "it_IT", 1);
  EXPECT_EQ(0x0410, UserLanguageId());
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  EXPECT_EQ(0x0407, UserLanguageId());
  {
    ScopedUserLanguage english(0x0409);
    EXPECT_EQ(0x0409, UserLanguageId());
  }
  EXPECT_EQ(0x0407, UserLanguageId());
  for (const Env& e : env) {
    if (e.had) setenv(e.name, e.saved.c_str(), 1);
    else unsetenv(e.name);
  }
}

}  // namespace
}  // namespace tb::platform
