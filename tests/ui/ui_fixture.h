#pragma once
// Helpers the UI tests share: a language module of our own texts, and a
// way to wait for posted events.
#include <QCoreApplication>
#include <QString>

#include <map>
#include <string>

#include "storage/services.h"

namespace tb::ui::test {

// Texts by number for a test; numbers it lacks answer "?".
class FakeTexts : public tb::storage::TextSource {
 public:
  explicit FakeTexts(std::map<uint32_t, std::u16string> texts) : texts_(std::move(texts)) {}
  std::u16string_view Text(uint32_t number) const override {
    const auto it = texts_.find(number);
    return it == texts_.end() ? std::u16string_view(u"?") : std::u16string_view(it->second);
  }

 private:
  std::map<uint32_t, std::u16string> texts_;
};

inline std::string ModulePath() { return TB_MODULE_DIR; }

}  // namespace tb::ui::test
