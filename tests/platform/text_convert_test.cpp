#include <gtest/gtest.h>

#include "platform/core/text_convert.h"

namespace tb::platform {
namespace {

TEST(Utf, WellFormedTextRoundTrips) {
  const std::u16string samples[] = {
      u"",
      u"plain ASCII",
      u"Gr\u00FC\u00DFe \u20AC",
      u"\u65E5\u672C\u8A9E",
      u"\U0001F511 key \U0010FFFF",
      std::u16string(u"nul\0inside", 10),
  };
  for (const auto& s : samples) {
    const std::string utf8 = ToUtf8(s);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(s, FromUtf8(utf8));
  }
  EXPECT_EQ("\xF0\x9F\x94\x91", ToUtf8(u"\U0001F511"));
  EXPECT_EQ(u"\xD83D\xDD11", FromUtf8("\xF0\x9F\x94\x91"));
  EXPECT_EQ("\xE2\x82\xAC", ToUtf8(u"\u20AC"));
}

TEST(Utf, LoneSurrogatesBecomeReplacement) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ("a" + r + "b", ToUtf8(std::u16string{u'a', 0xD800, u'b'}));
  EXPECT_EQ("a" + r + "b", ToUtf8(std::u16string{u'a', 0xDC00, u'b'}));
  EXPECT_EQ(r, ToUtf8(std::u16string{0xD83D}));
  EXPECT_EQ(r + r, ToUtf8(std::u16string{0xDD11, 0xD83D}));
}

TEST(Utf, IllFormedUtf8BecomesReplacementWithoutEatingGoodText) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"invalid lead", "\xFF\xC0\xC1", u"\uFFFD\uFFFD\uFFFD"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"cut at end", "ok\xE2\x82", u"ok\uFFFD"},
      {"cut before ASCII", "\xF0\x9F\x94z", u"\uFFFDz"},
      {"cut before lead", "\xE2\x82\xE2\x82\xAC", u"\uFFFD\u20AC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, FromUtf8(c.bytes));
    EXPECT_FALSE(IsValidUtf8(c.bytes));
  }
}

TEST(Windows1252, HighControlRangeMapsExactly) {
  const char16_t expected[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
  };
  std::string bytes;
  for (int b = 0x80; b <= 0x9F; ++b) bytes.push_back(static_cast<char>(b));
  EXPECT_EQ(std::u16string(expected, 32), FromWindows1252(bytes));
  EXPECT_EQ(bytes, ToWindows1252(FromWindows1252(bytes)));
}

TEST(Windows1252, EveryByteRoundTripsAndLatin1IsIdentity) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string text = FromWindows1252(all);
  ASSERT_EQ(256u, text.size());
  EXPECT_EQ(u'A', text[0x41]);
  EXPECT_EQ(u'\u00A0', text[0xA0]);
  EXPECT_EQ(u'\u00E9', text[0xE9]);
  EXPECT_EQ(u'\u00FF', text[0xFF]);
  EXPECT_EQ(all, ToWindows1252(text));
}

TEST(Windows1252, UnmappableCharactersBecomeOneQuestionMarkEach) {
  EXPECT_EQ("a?b", ToWindows1252(u"a\u0100b"));
  EXPECT_EQ("?", ToWindows1252(u"\U0001F511"));  // one character, two units
  EXPECT_EQ("??", ToWindows1252(u"\u3042\u0394"));
  EXPECT_EQ("\x80\x99", ToWindows1252(u"\u20AC\u2122"));
}

TEST(Lower, EveryCoveredScript) {
  struct Case {
    char16_t upper, lower;
  } cases[] = {
      {u'A', u'a'},     {u'Z', u'z'},     {u'@', u'@'},     {u'[', u'['},     {0x00C0, 0x00E0}, {0x00DE, 0x00FE},
      {0x00D7, 0x00D7}, {0x00DF, 0x00DF}, {0x0100, 0x0101}, {0x012E, 0x012F}, {0x0130, u'i'},   {0x0131, 0x0131},
      {0x0139, 0x013A}, {0x0147, 0x0148}, {0x014A, 0x014B}, {0x0152, 0x0153}, {0x0160, 0x0161}, {0x0178, 0x00FF},
      {0x017D, 0x017E}, {0x017F, 0x017F}, {0x0386, 0x03AC}, {0x0389, 0x03AE}, {0x038C, 0x03CC}, {0x038F, 0x03CE},
      {0x0391, 0x03B1}, {0x03A3, 0x03C3}, {0x03A9, 0x03C9}, {0x03C2, 0x03C2}, {0x0401, 0x0451}, {0x040F, 0x045F},
      {0x0410, 0x0430}, {0x042F, 0x044F}, {0x0462, 0x0463}, {0x0490, 0x0491}, {0x04C1, 0x04C2}, {0x04D0, 0x04D1},
      {0x20AC, 0x20AC}, {0xFF21, 0xFF21},  // fullwidth: left alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.upper));
    EXPECT_EQ(c.lower, ToLowerChar(c.upper));
    std::u16string s(3, c.upper);
    ToLowerInPlace(s);
    EXPECT_EQ(std::u16string(3, c.lower), s);
  }
}

TEST(Lower, LowerCaseIsAFixedPointAndMatchesCharByChar) {
  // Lower-casing twice changes nothing, and the bulk form agrees with the
  // single-character one for every code unit.
  std::u16string all(65536, 0);
  for (size_t c = 0; c < all.size(); ++c) all[c] = static_cast<char16_t>(c);
  std::u16string once = all;
  ToLowerInPlace(once);
  for (size_t c = 0; c < all.size(); ++c) {
    ASSERT_EQ(ToLowerChar(static_cast<char16_t>(c)), once[c]) << c;
    ASSERT_EQ(once[c], ToLowerChar(once[c])) << c;
  }
  EXPECT_EQ(u"stra\u00DFe \u00E4\u00F6\u00FC \u03C3\u03BF\u03C6\u03AF\u03B1 \u043C\u0438\u0440", [] {
    std::u16string s = u"STRA\u00DFE \u00C4\u00D6\u00DC \u03A3\u039F\u03A6\u038A\u0391 \u041C\u0418\u0420";
    ToLowerInPlace(s);
    return s;
  }());
}

}  // namespace
}  // namespace tb::platform
