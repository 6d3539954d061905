#include "generator/password_generator.h"

#include "generator/word_list.h"
#include "platform/core/system.h"

namespace tb::generator {

namespace {

struct ClassChars {
  uint32_t bit;
  std::string_view chars;
};
constexpr ClassChars kClasses[] = {
    {kLower, kLowerChars}, {kUpper, kUpperChars}, {kDigits, kDigitChars}, {kSymbols, kSymbolChars}};

bool IsLookalike(char c) { return kLookalikes.find(c) != std::string_view::npos; }

// The class bit of an alphabet character.
uint32_t ClassOf(char16_t c) {
  for (const ClassChars& k : kClasses)
    if (c < 0x80 && k.chars.find(char(c)) != std::string_view::npos) return k.bit;
  return 0;
}

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029; }

GeneratorStatus GenerateCharacters(const GeneratorSettings& s, storage::Text* out) {
  const std::u16string alphabet = Alphabet(s.classes, s.excludeLookalikes);
  storage::Text candidate;
  candidate.reserve(size_t(s.length));
  for (;;) {
    candidate.clear();
    uint32_t seen = 0;
    for (int i = 0; i < s.length; ++i) {
      const char16_t c = alphabet[UniformBelow(uint32_t(alphabet.size()))];
      seen |= ClassOf(c);
      candidate.push_back(c);
    }
    if (seen == s.classes) break;
  }
  *out = std::move(candidate);
  return GeneratorStatus::Ok;
}

GeneratorStatus GeneratePassphrase(const GeneratorSettings& s, storage::Text* out) {
  storage::Text phrase;
  for (int i = 0; i < s.words; ++i) {
    if (i > 0) phrase += s.separator;
    const std::string_view word = kWords[UniformBelow(uint32_t(kWords.size()))];
    for (size_t k = 0; k < word.size(); ++k) {
      char c = word[k];
      if (s.capitalise && k == 0 && c >= 'a' && c <= 'z') c = char(c - 32);
      phrase.push_back(char16_t(c));
    }
  }
  *out = std::move(phrase);
  return GeneratorStatus::Ok;
}

}  // namespace

GeneratorStatus CheckSettings(const GeneratorSettings& s) {
  if (s.mode == GeneratorMode::Passphrase) {
    if (s.words < kMinWords || s.words > kMaxWords) return GeneratorStatus::WordsOutOfRange;
    if (s.separator.size() > 2) return GeneratorStatus::BadSeparator;
    if (s.separator.size() == 2 &&
        !(s.separator[0] >= 0xD800 && s.separator[0] < 0xDC00 && s.separator[1] >= 0xDC00 && s.separator[1] < 0xE000))
      return GeneratorStatus::BadSeparator;  // two characters, or a broken pair
    if (s.separator.size() == 1 && (IsControl(s.separator[0]) || (s.separator[0] >= 0xD800 && s.separator[0] < 0xE000)))
      return GeneratorStatus::BadSeparator;
    return GeneratorStatus::Ok;
  }
  if (s.length < kMinLength || s.length > kMaxLength) return GeneratorStatus::LengthOutOfRange;
  if (s.classes == 0 || (s.classes & ~kAllClasses) != 0) return GeneratorStatus::NoClasses;
  return GeneratorStatus::Ok;
}

std::string_view Describe(GeneratorStatus status) {
  switch (status) {
    case GeneratorStatus::Ok: return "ok";
    case GeneratorStatus::LengthOutOfRange: return "the length must be 4 to 128 characters";
    case GeneratorStatus::NoClasses: return "at least one class of characters must be chosen";
    case GeneratorStatus::WordsOutOfRange: return "a passphrase has 3 to 12 words";
    case GeneratorStatus::BadSeparator: return "the separator must be one printable character, or none";
  }
  return "unknown";
}

uint32_t UniformBelow(uint32_t n) {
  // The top 2^32 mod n values would make the low numbers more likely:
  // draws among them are drawn again.
  const uint32_t reject = uint32_t(0u - n) % n;
  const uint32_t limit = uint32_t(0u - reject);
  for (;;) {
    const uint32_t r = platform::Random32();
    if (reject == 0 || r < limit) return r % n;
  }
}

std::u16string Alphabet(uint32_t classes, bool excludeLookalikes) {
  std::u16string alphabet;
  for (const ClassChars& k : kClasses) {
    if (!(classes & k.bit)) continue;
    for (char c : k.chars)
      if (!(excludeLookalikes && IsLookalike(c))) alphabet.push_back(char16_t(c));
  }
  return alphabet;
}

GeneratorStatus Generate(const GeneratorSettings& settings, storage::Text* out) {
  out->clear();
  const GeneratorStatus status = CheckSettings(settings);
  if (status != GeneratorStatus::Ok) return status;
  return settings.mode == GeneratorMode::Passphrase ? GeneratePassphrase(settings, out)
                                                    : GenerateCharacters(settings, out);
}

bool ParseClasses(std::string_view letters, uint32_t* classes) {
  uint32_t bits = 0;
  for (char c : letters) {
    uint32_t bit = 0;
    switch (c) {
      case 'l': bit = kLower; break;
      case 'u': bit = kUpper; break;
      case 'd': bit = kDigits; break;
      case 's': bit = kSymbols; break;
      default: return false;
    }
    if (bits & bit) return false;
    bits |= bit;
  }
  if (bits == 0) return false;
  *classes = bits;
  return true;
}

}  // namespace tb::generator
