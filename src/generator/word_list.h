#pragma once
// The word list passphrases are drawn from: the EFF large word list, 7776
// words (five dice), copied into the build from Debian's diceware package.
#include <array>
#include <cstddef>
#include <string_view>

namespace tb::generator {

inline constexpr size_t kWordCount = 7776;
extern const std::array<std::string_view, kWordCount> kWords;

}  // namespace tb::generator
