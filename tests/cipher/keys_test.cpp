#include "storage/cipher/keys.h"

#include <gtest/gtest.h>

#include <string>

#include "cipher/hex.h"

namespace tb::storage {
namespace {

using platform::SystemTime;
using testing::ToHex;

SystemTime Created(uint16_t year, uint16_t month, uint16_t dayOfWeek, uint16_t day, uint16_t minute, uint16_t second) {
  SystemTime t;
  t.year = year;
  t.month = month;
  t.dayOfWeek = dayOfWeek;
  t.day = day;
  t.hour = 10;
  t.minute = minute;
  t.second = second;
  t.milliseconds = 321;
  return t;
}

const SystemTime kCreated = Created(2024, 3, 5, 14, 59, 58);

KeyContext ContextOf(const Key128& key) {
  KeyContext c;
  c.SetKey(key);
  return c;
}

KeyContext HeaderKeyOf(const SystemTime& t) { return ContextOf(DeriveHeaderKeyBytes(t)); }

TEST(HeaderKey, SeedMixesTheTimeFieldsModulo256) {
  EXPECT_EQ(ToHex(HeaderKeySeed(kCreated)), "4b483f75e86640ff");
  // Second 59 wraps the last byte to zero; month minus day stays in range.
  EXPECT_EQ(ToHex(HeaderKeySeed(Created(2005, 12, 0, 31, 0, 59))), "5c5a3b3bd55e0000");
  // Hour and milliseconds take no part.
  SystemTime other = kCreated;
  other.hour = 23;
  other.milliseconds = 0;
  EXPECT_EQ(HeaderKeySeed(other), HeaderKeySeed(kCreated));
  EXPECT_EQ(ToHex(DeriveHeaderKeyBytes(kCreated)), "a8bfb3e097e17337dc2e25637ab00500");
}

TEST(PasswordHash, HashesLittleEndianCodeUnitsWithoutTerminator) {
  EXPECT_EQ(ToHex(PasswordHash(u"abc")), "ce1473cf80c6b3fda8e3dfc006adc315");
  EXPECT_EQ(ToHex(PasswordHash(u"\u20acx")), "5814f9f9b8a30422b22feb124c5aa930");
  // Longer than one staging chunk.
  const std::u16string longText(100, u'q');
  std::string bytes;
  for (char16_t c : longText) bytes += {static_cast<char>(c), '\0'};
  EXPECT_EQ(PasswordHash(longText), Md5(bytes.data(), bytes.size()));
}

TEST(CheckPhrase, HashIsFixed) { EXPECT_EQ(ToHex(CheckPhraseHash()), "fc57910fb246dcd872ce3058c0c6be5d"); }

TEST(DataKey, PinnedValuesForTheFixedConstants) {
  const KeyContext header = HeaderKeyOf(kCreated);
  const Key128 dataKey = DeriveDataKey(header, u"Hunter22");
  EXPECT_EQ(ToHex(dataKey), "23b085638411d6f11ad42e6845ed539a");
  EXPECT_EQ(ToHex(MakeVerifier(ContextOf(dataKey))), "936a1052ce63809aacc6f1c4a8b9af2e");
  EXPECT_EQ(ToHex(DeriveDataKey(header, u"")), "66fe405222f15117f334fc8902f22846");
}

TEST(DataKey, UnusablePasswordsFallBackToTheDefault) {
  const KeyContext header = HeaderKeyOf(kCreated);
  const Key128 fallback = DeriveDataKey(header, kDefaultPassword);
  for (std::u16string_view p : {u"", u"ab", u"abcdefghijklmnopqrstuvwxy" /* 25 */})
    EXPECT_EQ(DeriveDataKey(header, p), fallback) << p.size();
  for (std::u16string_view p : {u"abc", u"abcdefghijklmnopqrstuvwx" /* 24 */})
    EXPECT_NE(DeriveDataKey(header, p), fallback) << p.size();
}

TEST(DataKey, DependsOnCaseAndOnCreationTime) {
  const KeyContext header = HeaderKeyOf(kCreated);
  EXPECT_NE(DeriveDataKey(header, u"Secret1"), DeriveDataKey(header, u"secret1"));
  SystemTime later = kCreated;
  later.second = 59;
  EXPECT_NE(DeriveDataKey(HeaderKeyOf(later), u"Secret1"), DeriveDataKey(header, u"Secret1"));
}

TEST(Verify, OutcomesForStoredVerifiers) {
  const KeyContext header = HeaderKeyOf(kCreated);
  const std::u16string_view max = u"0123456789abcdefghijklmn";    // 24 units
  const std::u16string_view over = u"0123456789abcdefghijklmno";  // 25 units
  const Key128 dataKey = DeriveDataKey(header, max);
  const Key128 verifier = MakeVerifier(ContextOf(dataKey));

  // A verifier formed from the 25-unit text exactly as a usable password
  // would be, so only the length rule can turn it away.
  Key128 overKey = PasswordHash(over);
  Encipher(header.Key(), overKey.data(), overKey.size(), overKey.data());
  const Key128 overVerifier = MakeVerifier(ContextOf(overKey));

  struct Case {
    const char* what;
    Key128 stored;
    std::u16string_view password;
    VerifyResult result;
  };
  const Case cases[] = {
      {"24 units", verifier, max, VerifyResult::Verified},
      {"older form", dataKey, max, VerifyResult::VerifiedLegacyForm},
      {"wrong password", verifier, u"0123456789abcdefghijklmm", VerifyResult::Wrong},
      {"other case", verifier, u"0123456789ABCDEFGHIJKLMN", VerifyResult::Wrong},
      {"prefix", verifier, u"0123456789abcdefghijklm", VerifyResult::Wrong},
      {"25 units", overVerifier, over, VerifyResult::Wrong},
      {"25 units, older form", overKey, over, VerifyResult::Wrong},
      {"no verifier", Key128{}, max, VerifyResult::Wrong},
      {"too short", MakeVerifier(ContextOf(DeriveDataKey(header, u"ab"))), u"ab", VerifyResult::Wrong},
  };
  for (const Case& c : cases) EXPECT_EQ(VerifyAgainst(c.stored, header, c.password), c.result) << c.what;

  EXPECT_EQ(VerifyAgainst(verifier, KeyContext{}, max), VerifyResult::Wrong) << "no header key";
  EXPECT_EQ(VerifyAgainst(verifier, HeaderKeyOf(Created(2024, 3, 5, 14, 59, 57)), max), VerifyResult::Wrong)
      << "other wallet's header key";
}

TEST(Verify, UpgradedOlderFormVerifiesInTheNewForm) {
  const KeyContext header = HeaderKeyOf(kCreated);
  const Key128 dataKey = DeriveDataKey(header, u"Hunter22");
  ASSERT_EQ(VerifyAgainst(dataKey, header, u"Hunter22"), VerifyResult::VerifiedLegacyForm);
  const Key128 upgraded = MakeVerifier(ContextOf(dataKey));
  EXPECT_EQ(VerifyAgainst(upgraded, header, u"Hunter22"), VerifyResult::Verified);
}

TEST(Keys, UnsetContextsYieldZeros) {
  EXPECT_EQ(DeriveDataKey(KeyContext{}, u"Hunter22"), Key128{});
  EXPECT_EQ(MakeVerifier(KeyContext{}), Key128{});
}

}  // namespace
}  // namespace tb::storage
