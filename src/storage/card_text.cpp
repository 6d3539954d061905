#include "storage/card_text.h"

#include <algorithm>

namespace tb::storage {

bool CardAsText(const Card& card, const TextSource* texts, Text* out) {
  out->clear();
  const Text name = card.record.Name();
  Text body;
  const size_t count = std::min(card.fields.size(), kMaxCardTextFields);
  for (size_t i = 0; i < count; ++i) {
    const Field& field = card.fields[i];
    const Text shown = DisplayText(field, texts);
    if (shown.empty()) continue;
    body += field.label;
    body += u": ";
    body += shown;
    body += u"\r\n\r\n";
  }
  if (body.empty()) return false;
  out->reserve(name.size() + 4 + body.size());
  *out += name;
  *out += u"\r\n\r\n";
  *out += body;
  return true;
}

}  // namespace tb::storage
