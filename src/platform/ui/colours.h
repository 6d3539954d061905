#pragma once
// Colours as the settings and the wallet keep them: 0x00BBGGRR.
#include <QColor>

#include <cstdint>

namespace tb::ui {

inline QColor FromColorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

}  // namespace tb::ui
