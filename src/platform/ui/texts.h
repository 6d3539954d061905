#pragma once
// Texts of the language module for the user interface, and conversions
// between the UTF-16 strings of the lower layers and QString.
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/services.h"

namespace tb::ui {

// The language module the interface takes its texts from (not owned);
// nullptr before one is loaded.
void SetTextSource(const tb::storage::TextSource* texts);
const tb::storage::TextSource* CurrentTextSource();

// String number's text: "*" while no module is loaded, "?" for a number
// the module lacks.
QString Text(uint32_t number);

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}
inline std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

}  // namespace tb::ui
