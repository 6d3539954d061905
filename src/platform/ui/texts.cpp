#include "platform/ui/texts.h"

namespace tb::ui {
namespace {
const tb::storage::TextSource* g_texts = nullptr;
}  // namespace

void SetTextSource(const tb::storage::TextSource* texts) { g_texts = texts; }
const tb::storage::TextSource* CurrentTextSource() { return g_texts; }

QString Text(uint32_t number) {
  if (!g_texts) return QStringLiteral("*");
  return ToQString(g_texts->Text(number));
}

}  // namespace tb::ui
