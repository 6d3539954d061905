#pragma once
// Menu and button texts in the program's resources are English. Each is
// looked up case-insensitively in one table of English keys, shared by
// every window that makes menu bars; on a match the language module's
// string of the paired number takes its place.
#include <QString>

#include <cstdint>

namespace tb::ui {

// The string number paired with an English text; 0 when the table lacks it.
uint32_t MenuKeyNumber(const QString& english);

// The localised text, or text itself when the table or the module has no
// replacement (no module loaded, missing or empty string).
QString LocaliseMenuText(const QString& text);

}  // namespace tb::ui
