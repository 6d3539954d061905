#pragma once
// The password generator: random characters from chosen classes, or a
// passphrase of words from the EFF large word list. Every choice is drawn
// from the platform's random source (Random32) by rejection sampling, so
// that each character and each word is exactly equally likely.
//
// The settings are plain data: the program keeps them in its settings
// store and its dialog edits them; tbwallet fills them from its options.
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/cipher/secure.h"

namespace tb::generator {

// Character classes, combined as bits.
inline constexpr uint32_t kLower = 1, kUpper = 2, kDigits = 4, kSymbols = 8;
inline constexpr uint32_t kAllClasses = kLower | kUpper | kDigits | kSymbols;

inline constexpr int kMinLength = 4, kMaxLength = 128, kDefaultLength = 20;
inline constexpr int kMinWords = 3, kMaxWords = 12, kDefaultWords = 6;

// The characters of each class. Symbols are the printable ASCII ones.
inline constexpr std::string_view kLowerChars = "abcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view kUpperChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::string_view kDigitChars = "0123456789";
inline constexpr std::string_view kSymbolChars = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
// Characters easily read as one another, left out on request.
inline constexpr std::string_view kLookalikes = "Il1O0";

enum class GeneratorMode { Characters, Passphrase };

struct GeneratorSettings {
  GeneratorMode mode = GeneratorMode::Characters;
  // Characters
  int length = kDefaultLength;
  uint32_t classes = kAllClasses;
  bool excludeLookalikes = false;
  // Passphrase
  int words = kDefaultWords;
  std::u16string separator = u"-";  // at most one character
  bool capitalise = false;          // first letter of every word
};

enum class GeneratorStatus {
  Ok,
  LengthOutOfRange,  // characters: not 4..128
  NoClasses,         // characters: no class chosen (or unknown bits)
  WordsOutOfRange,   // passphrase: not 3..12 words
  BadSeparator,      // passphrase: more than one character, or a control character
};

GeneratorStatus CheckSettings(const GeneratorSettings& settings);
// What went wrong, for messages ("the length must be 4 to 128").
std::string_view Describe(GeneratorStatus status);

// A uniformly distributed number below n (n > 0) from Random32, drawing
// again whenever a draw falls into the last incomplete block of n.
uint32_t UniformBelow(uint32_t n);

// The characters to draw from for these classes, in class order.
std::u16string Alphabet(uint32_t classes, bool excludeLookalikes);

// A new password or passphrase; Ok with *out set, else *out is left empty.
// A character password holds at least one character of every chosen class:
// candidates without are drawn again whole, so every password that has
// them is equally likely.
GeneratorStatus Generate(const GeneratorSettings& settings, storage::Text* out);

// Reads the class letters of "luds" (lower, upper, digits, symbols) in any
// order; false for an empty text, another letter or a repeated one.
bool ParseClasses(std::string_view letters, uint32_t* classes);

}  // namespace tb::generator
