#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/system.h"
#include "platform/core/system_time.h"

namespace tb::platform {
namespace {

SystemTime Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SystemTime t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(mo);
  t.day = static_cast<uint16_t>(d);
  t.hour = static_cast<uint16_t>(h);
  t.minute = static_cast<uint16_t>(mi);
  t.second = static_cast<uint16_t>(s);
  t.milliseconds = static_cast<uint16_t>(ms);
  return t;
}

TEST(SystemTime, StoresEightLittleEndianFieldsInOrder) {
  SystemTime t = Make(2024, 2, 29, 23, 59, 58, 999);
  t.dayOfWeek = 4;
  uint8_t bytes[SystemTime::kSize];
  t.StoreTo(bytes);
  const uint8_t expected[16] = {0xE8, 0x07, 2, 0, 4, 0, 29, 0, 23, 0, 59, 0, 58, 0, 0xE7, 0x03};
  EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof(expected)));
  EXPECT_EQ(t, SystemTime::LoadFrom(bytes));
}

TEST(SystemTime, EpochSecondsRoundTripWithWeekday) {
  struct Case {
    SystemTime t;
    int64_t seconds;
    uint16_t weekday;
  } cases[] = {
      {Make(1970, 1, 1), 0, 4},
      {Make(1969, 12, 31, 23, 59, 59), -1, 3},
      {Make(2000, 2, 29, 12, 0, 0), 951825600, 2},
      {Make(2038, 1, 19, 3, 14, 8), 2147483648, 2},
      {Make(1601, 1, 1), -11644473600, 1},
      {Make(2100, 3, 1), 4107542400, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(c.seconds, ToEpochSeconds(c.t));
    SystemTime back = FromEpochSeconds(c.seconds, 7);
    EXPECT_EQ(c.weekday, back.dayOfWeek);
    back.dayOfWeek = 0;
    back.milliseconds = 0;
    EXPECT_EQ(c.t, back);
  }
}

TEST(SystemTime, ValidityChecksEveryField) {
  EXPECT_TRUE(IsValidSystemTime(Make(2024, 2, 29, 23, 59, 59, 999)));
  EXPECT_TRUE(IsValidSystemTime(Make(2000, 2, 29)));
  EXPECT_FALSE(IsValidSystemTime(Make(2023, 2, 29)));
  EXPECT_FALSE(IsValidSystemTime(Make(1900, 2, 29)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 4, 31)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 0, 1)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 13, 1)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 1, 0)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 1, 1, 24)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 1, 1, 0, 60)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 1, 1, 0, 0, 60)));
  EXPECT_FALSE(IsValidSystemTime(Make(2024, 1, 1, 0, 0, 0, 1000)));
  EXPECT_FALSE(IsValidSystemTime(SystemTime{}));
}

TEST(TestClock, ReplacesLocalTimeWhileItLivesAndNests) {
  const SystemTime a = Make(2020, 5, 6, 7, 8, 9, 10);
  const SystemTime b = Make(1999, 12, 31, 23, 59, 59);
  {
    TestClock outer(a);
    EXPECT_EQ(a, LocalTime());
    {
      TestClock inner(b);
      EXPECT_EQ(b, LocalTime());
    }
    EXPECT_EQ(a, LocalTime());
  }
  const SystemTime real = LocalTime();
  EXPECT_TRUE(IsValidSystemTime(real));
  EXPECT_GE(real.year, 2024);
  EXPECT_EQ(FromEpochSeconds(ToEpochSeconds(real)).dayOfWeek, real.dayOfWeek);
}

TEST(TestClock, AdvanceCarriesIntoEveryFieldAndKeepsMilliseconds) {
  TestClock clock(Make(2023, 12, 31, 23, 59, 30, 250));
  clock.AdvanceSeconds(45);
  SystemTime expected = Make(2024, 1, 1, 0, 0, 15, 250);
  expected.dayOfWeek = 1;  // a Monday
  EXPECT_EQ(expected, LocalTime());

  clock.Set(Make(2024, 2, 28, 12));
  clock.AdvanceSeconds(86400);
  EXPECT_EQ(29, LocalTime().day);
  EXPECT_EQ(4, LocalTime().dayOfWeek);
  clock.AdvanceSeconds(86400);
  EXPECT_EQ(3, LocalTime().month);
  EXPECT_EQ(1, LocalTime().day);

  clock.AdvanceSeconds(-86400 - 12 * 3600 - 1);
  expected = Make(2024, 2, 28, 23, 59, 59);
  expected.dayOfWeek = 3;
  EXPECT_EQ(expected, clock.Now());
}

}  // namespace
}  // namespace tb::platform
