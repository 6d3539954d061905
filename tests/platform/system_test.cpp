#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/core/file.h"
#include "platform/core/system.h"

namespace tb::platform {
namespace {

TEST(Random, NumbersDifferAndCoverTheHighBits) {
  std::set<uint32_t> seen;
  uint32_t orBits = 0;
  for (int i = 0; i < 1000; ++i) {
    const uint32_t v = Random32();
    seen.insert(v);
    orBits |= v;
  }
  EXPECT_GT(seen.size(), 990u);
  EXPECT_EQ(0xFFFFFFFFu, orBits);
}

TEST(Random, IsSafeFromManyThreads) {
  std::vector<std::vector<uint32_t>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) {
    threads.emplace_back([&r] {
      for (int i = 0; i < 2000; ++i) r.push_back(Random32());
    });
  }
  for (auto& t : threads) t.join();
  std::set<uint32_t> all;
  for (const auto& r : results) all.insert(r.begin(), r.end());
  EXPECT_GT(all.size(), 7990u);  // no number handed out twice by a race
}

TEST(Random, ScopedSourceReplacesAndRestores) {
  {
    uint32_t next = 5;
    ScopedRandomSource outer([&] { return next++; });
    EXPECT_EQ(5u, Random32());
    {
      ScopedRandomSource inner([] { return 42u; });
      EXPECT_EQ(42u, Random32());
    }
    EXPECT_EQ(6u, Random32());
  }
  EXPECT_NE(Random32(), Random32());
}

TEST(Memory, RealValueIsPlausibleAndOverridesNest) {
  const uint64_t real = AvailablePhysicalMemory();
  EXPECT_GT(real, 1u << 20);
  {
    ScopedAvailableMemory outer(123);
    EXPECT_EQ(123u, AvailablePhysicalMemory());
    {
      ScopedAvailableMemory inner(0);
      EXPECT_EQ(0u, AvailablePhysicalMemory());
    }
    EXPECT_EQ(123u, AvailablePhysicalMemory());
  }
  EXPECT_GT(AvailablePhysicalMemory(), 1u << 20);
}

TEST(ProgramDirectory, IsTheFolderOfThisTestProgram) {
  const std::string folder = ProgramDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ('/', folder.front());
  EXPECT_NE('/', folder.back());
  EXPECT_TRUE(FileExists(folder + "/platform_tests"));
}

TEST(LanguageIds, LocaleNamesGoBothWays) {
  for (const uint16_t id : {0x0407, 0x0409, 0x040c, 0x0413, 0x0410, 0x0c0a, 0x0414, 0x0419, 0x041d, 0x0816, 0x0c07}) {
    const std::string locale = LocaleForLanguageId(id);
    ASSERT_FALSE(locale.empty()) << id;
    EXPECT_EQ(id, LanguageIdForLocale(locale)) << locale;
  }
  EXPECT_EQ("de_DE", LocaleForLanguageId(0x0407));
  EXPECT_EQ("nb", LocaleForLanguageId(0x0414));
  EXPECT_EQ("", LocaleForLanguageId(0x040d));  // Hebrew: not known here
}

TEST(OsVersion, IsFiveOhOneUnlessTheEnvironmentSaysOtherwise) {
  unsetenv(kOsVersionVariable);
  OsVersion v{0, 0};
  ASSERT_TRUE(QueryOsVersion(&v));
  EXPECT_EQ(5u, v.major);
  EXPECT_EQ(1u, v.minor);
  const struct {
    const char* text;
    bool ok;
    uint32_t major, minor;
  } cases[] = {{"5.00", true, 5, 0},    {"5.02", true, 5, 2},    {"6.0", true, 6, 0},  {"5.1", true, 5, 1},
               {"fail", false, 0, 0},   {"5", false, 0, 0},      {"5.x", false, 0, 0}, {".1", false, 0, 0},
               {"5.01.1", false, 0, 0}, {"99999.1", false, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    setenv(kOsVersionVariable, c.text, 1);
    OsVersion got;
    EXPECT_EQ(c.ok, QueryOsVersion(&got));
    if (c.ok) {
      EXPECT_EQ(c.major, got.major);
      EXPECT_EQ(c.minor, got.minor);
    }
  }
  unsetenv(kOsVersionVariable);
}

TEST(PlatformType, IsPocketPCUnlessNamed) {
  unsetenv(kPlatformVariable);
  EXPECT_EQ("PocketPC", PlatformType());
  setenv(kPlatformVariable, "SmartPhone", 1);
  EXPECT_EQ("SmartPhone", PlatformType());
  unsetenv(kPlatformVariable);
}

}  // namespace
}  // namespace tb::platform
