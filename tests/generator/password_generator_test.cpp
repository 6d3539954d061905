// The password generator: settings honoured, every chosen class present,
// uniform draws without modulo bias, passphrases from the word list.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "generator/password_generator.h"
#include "generator/word_list.h"
#include "platform/core/system.h"

namespace tb::generator {
namespace {

// A reproducible random source in place of the kernel's.
class SeededSource {
 public:
  explicit SeededSource(uint32_t seed) : engine_(seed), guard_([this] { return uint32_t(engine_()); }) {}

 private:
  std::mt19937 engine_;
  platform::ScopedRandomSource guard_;
};

std::u16string Make(const GeneratorSettings& s) {
  storage::Text t;
  EXPECT_EQ(Generate(s, &t), GeneratorStatus::Ok);
  return std::u16string(t.data(), t.size());
}

bool HasAnyOf(std::u16string_view text, std::string_view chars) {
  return std::any_of(text.begin(), text.end(),
                     [&](char16_t c) { return c < 0x80 && chars.find(char(c)) != std::string_view::npos; });
}

TEST(PasswordGenerator, LengthsAndClassesAreHonoured) {
  SeededSource source(7);
  struct Case {
    int length;
    const char* classes;
    bool noLookalikes;
  };
  const Case cases[] = {{4, "luds", false}, {4, "luds", true}, {20, "luds", false}, {128, "luds", true},
                        {5, "d", false},    {8, "ls", false},  {12, "ud", true},    {4, "s", false}};
  for (const Case& c : cases) {
    GeneratorSettings s;
    s.length = c.length;
    ASSERT_TRUE(ParseClasses(c.classes, &s.classes));
    s.excludeLookalikes = c.noLookalikes;
    const std::u16string alphabet = Alphabet(s.classes, s.excludeLookalikes);
    for (int i = 0; i < 200; ++i) {
      const std::u16string p = Make(s);
      SCOPED_TRACE(testing::Message() << c.length << " " << c.classes << " " << c.noLookalikes);
      ASSERT_EQ(p.size(), size_t(c.length));
      for (char16_t ch : p) ASSERT_NE(alphabet.find(ch), std::u16string::npos);
      // Every chosen class shows up, however short the password.
      EXPECT_EQ(HasAnyOf(p, kLowerChars), bool(s.classes & kLower));
      EXPECT_EQ(HasAnyOf(p, kUpperChars), bool(s.classes & kUpper));
      EXPECT_EQ(HasAnyOf(p, kDigitChars), bool(s.classes & kDigits));
      EXPECT_EQ(HasAnyOf(p, kSymbolChars), bool(s.classes & kSymbols));
      if (c.noLookalikes) {
        EXPECT_FALSE(HasAnyOf(p, kLookalikes));
      }
    }
  }
}

TEST(PasswordGenerator, DefaultsAreTwentyCharactersOfAllFourClasses) {
  SeededSource source(1);
  const GeneratorSettings defaults;
  const std::u16string p = Make(defaults);
  EXPECT_EQ(p.size(), 20u);
  EXPECT_EQ(Alphabet(kAllClasses, false).size(), 94u);
  EXPECT_EQ(Alphabet(kAllClasses, true).size(), 89u);
}

TEST(PasswordGenerator, CharactersAreUniformlyDistributed) {
  // Long passwords, so that the rule "every class at least once" hardly
  // ever redraws and each character should appear equally often.
  SeededSource source(20240611);
  GeneratorSettings s;
  s.length = 128;
  const std::u16string alphabet = Alphabet(s.classes, false);
  std::map<char16_t, int> counts;
  int total = 0;
  for (int i = 0; i < 500; ++i)
    for (char16_t c : Make(s)) {
      ++counts[c];
      ++total;
    }
  ASSERT_EQ(counts.size(), alphabet.size());
  const double expected = double(total) / double(alphabet.size());
  double chi2 = 0;
  for (const auto& [c, n] : counts) chi2 += (n - expected) * (n - expected) / expected;
  // 93 degrees of freedom: the 0.1 % critical value is 136.
  EXPECT_LT(chi2, 136.0) << "chi-square " << chi2;
  // A generator stuck on few characters would be far below the mean as well.
  EXPECT_GT(chi2, 50.0) << "chi-square " << chi2;
}

TEST(PasswordGenerator, DrawsInTheIncompleteTopBlockAreDrawnAgain) {
  // 2^32 mod 26 = 22: the 22 highest values would favour the first letters.
  std::vector<uint32_t> draws = {0xFFFFFFFFu, 0xFFFFFFEAu, 0xFFFFFFE9u, 27};
  size_t next = 0;
  platform::ScopedRandomSource source([&] { return draws[next++]; });
  EXPECT_EQ(UniformBelow(26), 0xFFFFFFE9u % 26);
  EXPECT_EQ(next, 3u);
  EXPECT_EQ(UniformBelow(26), 1u);
  // A power of two wastes nothing.
  draws = {0xFFFFFFFFu};
  next = 0;
  EXPECT_EQ(UniformBelow(16), 15u);
}

TEST(PasswordGenerator, PassphrasesHaveTheirWordsFromTheList) {
  SeededSource source(3);
  const std::set<std::string_view> list(kWords.begin(), kWords.end());
  for (const int words : {3, 6, 12}) {
    for (const bool capitalise : {false, true}) {
      GeneratorSettings s;
      s.mode = GeneratorMode::Passphrase;
      s.words = words;
      s.separator = u" ";
      s.capitalise = capitalise;
      const std::u16string p = Make(s);
      std::vector<std::string> parts(1);
      for (char16_t c : p) {
        if (c == u' ') parts.emplace_back();
        else parts.back().push_back(char(c));
      }
      ASSERT_EQ(parts.size(), size_t(words)) << std::string(p.begin(), p.end());
      for (std::string w : parts) {
        EXPECT_EQ(capitalise, w[0] >= 'A' && w[0] <= 'Z') << w;
        w[0] = char(std::tolower(w[0]));
        EXPECT_TRUE(list.count(w)) << w;
      }
    }
  }
  GeneratorSettings joined;
  joined.mode = GeneratorMode::Passphrase;
  joined.words = 3;
  joined.separator.clear();
  EXPECT_FALSE(HasAnyOf(Make(joined), " -."));
}

TEST(PasswordGenerator, WordListIsTheWholeEffList) {
  EXPECT_EQ(kWords.front(), "abacus");
  EXPECT_EQ(kWords.back(), "zoom");
  EXPECT_TRUE(std::is_sorted(kWords.begin(), kWords.end()));
  EXPECT_EQ(std::set<std::string_view>(kWords.begin(), kWords.end()).size(), kWordCount);
}

TEST(PasswordGenerator, ImpossibleSettingsAreRefusedWithNothingMade) {
  struct Case {
    GeneratorMode mode;
    int length;
    uint32_t classes;
    int words;
    std::u16string separator;
    GeneratorStatus status;
  };
  const Case cases[] = {
      {GeneratorMode::Characters, 0, kAllClasses, 6, u"-", GeneratorStatus::LengthOutOfRange},
      {GeneratorMode::Characters, 3, kAllClasses, 6, u"-", GeneratorStatus::LengthOutOfRange},
      {GeneratorMode::Characters, 129, kAllClasses, 6, u"-", GeneratorStatus::LengthOutOfRange},
      {GeneratorMode::Characters, 100000, kAllClasses, 6, u"-", GeneratorStatus::LengthOutOfRange},
      {GeneratorMode::Characters, -1, kAllClasses, 6, u"-", GeneratorStatus::LengthOutOfRange},
      {GeneratorMode::Characters, 20, 0, 6, u"-", GeneratorStatus::NoClasses},
      {GeneratorMode::Characters, 20, 16, 6, u"-", GeneratorStatus::NoClasses},
      {GeneratorMode::Passphrase, 20, kAllClasses, 0, u"-", GeneratorStatus::WordsOutOfRange},
      {GeneratorMode::Passphrase, 20, kAllClasses, 2, u"-", GeneratorStatus::WordsOutOfRange},
      {GeneratorMode::Passphrase, 20, kAllClasses, 13, u"-", GeneratorStatus::WordsOutOfRange},
      {GeneratorMode::Passphrase, 20, kAllClasses, 6, u"--", GeneratorStatus::BadSeparator},
      {GeneratorMode::Passphrase, 20, kAllClasses, 6, u"\n", GeneratorStatus::BadSeparator},
      {GeneratorMode::Passphrase, 20, kAllClasses, 6, u"\xD800", GeneratorStatus::BadSeparator},
      {GeneratorMode::Passphrase, 20, kAllClasses, 6, u"\U0001F511", GeneratorStatus::Ok},
      {GeneratorMode::Passphrase, 20, 0, 6, u"\u00B7", GeneratorStatus::Ok},
  };
  for (const Case& c : cases) {
    GeneratorSettings s;
    s.mode = c.mode;
    s.length = c.length;
    s.classes = c.classes;
    s.words = c.words;
    s.separator = c.separator;
    storage::Text out(u"old");
    EXPECT_EQ(Generate(s, &out), c.status) << c.length << " " << c.classes << " " << c.words;
    EXPECT_EQ(out.empty(), c.status != GeneratorStatus::Ok);
  }
}

TEST(PasswordGenerator, ClassLetters) {
  uint32_t bits = 0;
  EXPECT_TRUE(ParseClasses("sdul", &bits));
  EXPECT_EQ(bits, kAllClasses);
  EXPECT_TRUE(ParseClasses("d", &bits));
  EXPECT_EQ(bits, kDigits);
  for (const char* bad : {"", "x", "ll", "lu d", "L"}) EXPECT_FALSE(ParseClasses(bad, &bits)) << bad;
}

}  // namespace
}  // namespace tb::generator
