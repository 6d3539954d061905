#pragma once
// Which variant of the program runs (Pocket PC with touch, or Smartphone
// with keys only) and the facts about the system the variants switch on.
// Filled once at start, before anything reads it.
#include <cstdint>
#include <optional>
#include <string>

#include "shell/core/settings.h"

namespace tb::shell {

struct PlatformInfo {
  std::u16string platformType;  // e.g. "PocketPC"
  std::u16string oemInfo;       // the machine's model name
  uint32_t osMajor = 0;
  uint32_t osMinor = 0;
  bool isPocketPC = true;
  bool isSmartphone = false;
  bool isEastAsian = false;
  bool isJapanese = false;

  PlatformVariant Variant() const { return isSmartphone ? PlatformVariant::Smartphone : PlatformVariant::PocketPC; }
};

// What the system reports, gathered by SystemPlatformFacts.
struct PlatformFacts {
  std::u16string platformType;
  std::u16string oemInfo;
  uint32_t osMajor = 5;
  uint32_t osMinor = 1;
  uint16_t defaultLanguageId = 0;  // Windows language identifier of the default locale
};

// The platform type is "PocketPC" unless chosen: the --platform option
// first, else the TB_PLATFORM environment variable.
PlatformFacts SystemPlatformFacts(const std::optional<std::string>& platformOption);

// Fills info from facts. Anything but "Smartphone" (case-insensitive) runs
// as a Pocket PC, "Pocket PC" and "PocketPC" included.
void DetectPlatform(PlatformInfo& info, const PlatformFacts& facts);

}  // namespace tb::shell
