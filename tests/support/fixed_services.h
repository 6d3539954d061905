#pragma once
// Stand-ins for what the program hands the storage, for tests, fuzz
// targets and seed makers: fixed English texts for the string numbers the
// storage asks for, and a prompter that agrees to everything.
#include <string_view>

#include "storage/services.h"

namespace tb::test {

// 20200 "Favorites", 20201 "Find Results", 20202 "Recent", 20203 "My Forms",
// 20204 "Yes", 20205 "No", 20509 "New Card", 20510 "Personal", the repair
// texts 22164..22166 and 23043 with their placeholders; "?" for anything
// else.
class FixedTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override;
};

// Yes to yes/no questions, OK to everything else: repairs and upgrades go
// ahead.
class AgreeToAll : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& m) override;
};

}  // namespace tb::test
