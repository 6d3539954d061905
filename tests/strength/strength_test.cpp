// Password strength: the zxcvbn estimate, its five steps, and the cut at
// 100 units that keeps hostile lengths cheap.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "strength/strength.h"

namespace tb::strength {
namespace {

TEST(Strength, StepBoundaries) {
  const struct {
    double bits;
    StrengthStep step;
  } cases[] = {{0, StrengthStep::VeryWeak},     {27.99, StrengthStep::VeryWeak}, {28, StrengthStep::Weak},
               {35.99, StrengthStep::Weak},     {36, StrengthStep::Fair},        {59.99, StrengthStep::Fair},
               {60, StrengthStep::Strong},      {127.99, StrengthStep::Strong},  {128, StrengthStep::VeryStrong},
               {5000, StrengthStep::VeryStrong}};
  for (const auto& c : cases) EXPECT_EQ(StepOf(c.bits), c.step) << c.bits;
}

TEST(Strength, KnownPasswords) {
  const struct {
    std::u16string_view password;
    StrengthStep step;
  } cases[] = {
      {u"", StrengthStep::VeryWeak},
      {u"password", StrengthStep::VeryWeak},
      {u"qwertyuiop", StrengthStep::VeryWeak},
      {u"123456789", StrengthStep::VeryWeak},
      {u"Tr0ub4dor&3", StrengthStep::Fair},
      {u"correcthorsebatterystaple", StrengthStep::Fair},
      {u"k#9Vq!2mZt@8Lw$4Rx&6", StrengthStep::Strong},
      {u"Abacus-Zoology-Felt-tip-Kettle-Orbit-Pinch-Walnut-Drool-Sprout", StrengthStep::VeryStrong},
  };
  for (const auto& c : cases) {
    const Strength s = Estimate(c.password);
    EXPECT_EQ(s.step, c.step) << std::string(c.password.begin(), c.password.end()) << ": " << s.bits << " bits";
    EXPECT_EQ(s.step, StepOf(s.bits));
  }
  EXPECT_EQ(Estimate(u"").bits, 0);
}

TEST(Strength, OnlyTheFirstHundredUnitsCount) {
  std::u16string hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(char16_t(u'!' + (i * 37) % 90));
  std::u16string huge = hundred;
  while (huge.size() < 10000) huge += u"Zq8#";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Estimate(huge).bits, Estimate(hundred).bits);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  // A surrogate pair across the cut is left out whole, not halved.
  const std::u16string ninetyNine = hundred.substr(0, 99);
  EXPECT_EQ(Estimate(ninetyNine + u"\U0001F511").bits, Estimate(ninetyNine).bits);
  // Nothing after a NUL is looked at; a lone surrogate is no crash.
  EXPECT_EQ(Estimate(std::u16string(u"Tr0ub4dor&3\0tail", 16)).bits, Estimate(u"Tr0ub4dor&3").bits);
  EXPECT_GT(Estimate(u"a\xD800z\xDFFF").bits, 0);
  EXPECT_GT(Estimate(u"Grüße-aus-Köln-以及-😀").bits, 0);
}

TEST(Strength, EveryStepHasItsOwnColourNameAndKey) {
  std::set<uint32_t> colours, names;
  std::set<std::string_view> keys;
  for (int i = 0; i < kStepCount; ++i) {
    const StrengthStep step = StrengthStep(i);
    EXPECT_EQ(StepColour(step) >> 24, 0u);
    colours.insert(StepColour(step));
    names.insert(StepNameString(step));
    keys.insert(StepKey(step));
  }
  EXPECT_EQ(colours.size(), 5u);
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(keys.size(), 5u);
  EXPECT_EQ(StepKey(StrengthStep::Weak), "weak");
}

}  // namespace
}  // namespace tb::strength
