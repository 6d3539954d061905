#include "shell/core/platform_info.h"

#include <cstdlib>
#include <fstream>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"

namespace tb::shell {
namespace {

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (tb::platform::ToLowerChar(a[i]) != tb::platform::ToLowerChar(b[i])) return false;
  }
  return true;
}

// The machine's model as the firmware names it; a plain word when it does
// not say.
std::u16string MachineModel() {
  std::ifstream in("/sys/class/dmi/id/product_name");
  std::string line;
  if (in && std::getline(in, line) && !line.empty() && line.size() < 260 && tb::platform::IsValidUtf8(line)) {
    return tb::platform::FromUtf8(line);
  }
  return u"PC";
}

}  // namespace

PlatformFacts SystemPlatformFacts(const std::optional<std::string>& platformOption) {
  PlatformFacts facts;
  const std::string type = platformOption ? *platformOption : tb::platform::PlatformType();
  if (type.size() < 260 && tb::platform::IsValidUtf8(type)) facts.platformType = tb::platform::FromUtf8(type);
  tb::platform::OsVersion version;
  if (tb::platform::QueryOsVersion(&version)) {
    facts.osMajor = version.major;
    facts.osMinor = version.minor;
  } else {
    facts.osMajor = facts.osMinor = 0;
  }
  facts.oemInfo = MachineModel();
  facts.defaultLanguageId = tb::platform::UserLanguageId();
  return facts;
}

void DetectPlatform(PlatformInfo& info, const PlatformFacts& facts) {
  info.platformType = facts.platformType;
  info.oemInfo = facts.oemInfo;
  info.osMajor = facts.osMajor;
  info.osMinor = facts.osMinor;
  const std::u16string_view type = facts.platformType;
  const bool pocket =
      EqualsNoCase(type, u"Pocket PC") || EqualsNoCase(type, u"PocketPC") || !EqualsNoCase(type, u"Smartphone");
  info.isPocketPC = pocket;
  info.isSmartphone = !pocket;
  const uint16_t primary = facts.defaultLanguageId & 0x3FF;
  info.isEastAsian = primary == 4 || primary == 17 || primary == 18;
  info.isJapanese = primary == 17;
}

}  // namespace tb::shell
