#include "platform/ui/font_service.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/core/registry.h"
#include "platform/ui/dpi.h"
#include "shell/core/settings.h"

namespace tb::ui {
namespace {

enum class Kind { Sized, DeviceDefault, System, SystemBold };

struct Entry {
  Kind kind;
  int halfPoints;  // Sized only
  bool bold;
  bool underline;
};

constexpr Entry Sized(int halfPoints, bool bold, bool underline = false) {
  return Entry{Kind::Sized, halfPoints, bold, underline};
}

constexpr std::array<Entry, kFontCount> kTable = {{
    Sized(16, false),
    Sized(18, false),
    Sized(20, false),
    Sized(22, false),
    Sized(24, false),
    Sized(32, false),
    Sized(16, true),
    Sized(18, true),
    Sized(20, true),
    Sized(22, true),
    Sized(24, true),
    Sized(32, true),
    Sized(16, false, true),
    Sized(18, false, true),
    Sized(20, false, true),
    Sized(22, false, true),
    Sized(24, false, true),
    Sized(32, false, true),
    Sized(20, true),                              // 18
    Entry{Kind::DeviceDefault, 0, false, false},  // 19
    Entry{Kind::System, 0, false, false},         // 20
    Entry{Kind::SystemBold, 0, true, false},      // 21
    Sized(17, false),
    Sized(17, true),        // 22, 23
    Sized(17, true, true),  // 24
    Sized(14, false),
    Sized(14, true),        // 25, 26
    Sized(16, true, true),  // 27
}};

struct State {
  bool haveSystem = false;
  QFont system;  // the system font as Init found it
  bool clearType = true;
  uint32_t accessibilityFontSize = 0;
  // Fonts live here for the whole run, so pointers handed out stay valid.
  std::array<QFont, kFontCount> fonts;
  std::bitset<kFontCount> made;
};

State& TheState() {
  static State state;
  return state;
}

// Fonts can only be made inside a GUI application.
bool CanMakeFonts() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// The system font with its height in pixels at the screen's vertical
// density, as the table's other fonts have theirs.
void CaptureSystemFont(State& state) {
  if (!CanMakeFonts()) return;
  state.system = QGuiApplication::font();
  if (state.system.pixelSize() <= 0 && state.system.pointSizeF() > 0)
    state.system.setPixelSize(std::max(1, static_cast<int>(std::lround(state.system.pointSizeF() * DpiY() / 72.0))));
  state.haveSystem = true;
}

// Points * dpi / 72 to the nearest pixel, halves away from zero.
int PixelHeight(int halfPoints, int dpi) {
  const int64_t scaled = int64_t{halfPoints} * dpi;  // points * dpi * 2
  const int64_t magnitude = (std::llabs(scaled) + 72) / 144;
  return static_cast<int>(scaled < 0 ? -magnitude : magnitude);
}

QFont MakeFont(const State& state, const Entry& entry) {
  QFont font;
  switch (entry.kind) {
    case Kind::System:
    case Kind::SystemBold:
      font = state.system;
      if (entry.kind == Kind::SystemBold) font.setWeight(QFont::Bold);
      break;
    case Kind::DeviceDefault:
      // No height of its own: the system font's.
      font = state.system;
      font.setWeight(QFont::Normal);
      font.setUnderline(false);
      font.setItalic(false);
      break;
    case Kind::Sized:
      font = QFont(state.system.family());
      font.setPixelSize(std::max(1, PixelHeight(entry.halfPoints, DpiY())));
      font.setWeight(entry.bold ? QFont::Bold : QFont::Normal);
      font.setUnderline(entry.underline);
      font.setItalic(false);
      break;
  }
  // ClearType quality: antialiased text that may use the screen's
  // subpixels; without it the text is still smoothed, in grey only.
  font.setStyleStrategy(state.clearType ? QFont::PreferAntialias : QFont::NoSubpixelAntialias);
  return font;
}

}  // namespace

void FontService::Init(bool clearType, uint32_t accessibilityFontSize) {
  State& state = TheState();
  state.haveSystem = false;
  CaptureSystemFont(state);
  state.clearType = clearType;
  state.accessibilityFontSize = accessibilityFontSize;
  state.made.reset();
}

void FontService::Init(const tb::shell::Settings& settings, const tb::platform::Registry& registry) {
  Init(settings.clearType != 0, ReadAccessibilityFontSize(registry));
}

void FontService::SetAccessibilityFontSize(uint32_t value) { TheState().accessibilityFontSize = value; }

uint32_t FontService::AccessibilityFontSize() { return TheState().accessibilityFontSize; }

uint32_t FontService::ReadAccessibilityFontSize(const tb::platform::Registry& registry) {
  const auto value = registry.Get(kAccessibilityKey, kAccessibilityFontSizeValue);
  if (!value) return 0;
  using Type = tb::platform::RegistryValue::Type;
  if (value->type == Type::Dword) return value->dword;
  if (value->type == Type::Binary && !value->bytes.empty() && value->bytes.size() <= 4) {
    uint32_t v = 0;
    for (size_t i = 0; i < value->bytes.size(); ++i) v |= uint32_t{value->bytes[i]} << (8 * i);
    return v;
  }
  return 0;
}

const QFont* FontService::Font(int number) {
  if (number < 0 || number >= kFontCount) return nullptr;
  State& state = TheState();
  const size_t i = static_cast<size_t>(number);
  if (state.made[i]) return &state.fonts[i];
  if (!state.haveSystem) CaptureSystemFont(state);
  if (!state.haveSystem) return nullptr;
  state.fonts[i] = MakeFont(state, kTable[i]);
  state.made[i] = true;
  return &state.fonts[i];
}

int FontService::NumberForSize(int64_t size, bool bold) {
  if (size == 0) {
    const bool large = TheState().accessibilityFontSize == kAccessibilityLargeText;
    return large ? (bold ? 11 : 5) : (bold ? 9 : 3);
  }
  if (size < 8) return bold ? 26 : 25;
  if (size > 12) return bold ? 11 : 5;
  return static_cast<int>(size - 8) + (bold ? 6 : 0);
}

int FontService::LineHeight(int64_t size, const QPaintDevice* device) {
  const int dpiX = DpiX();
  const QFont* font = FontForSize(size, false);
  if (!font) {
    constexpr int64_t kLimit = std::numeric_limits<int>::max();
    const int64_t magnitude = std::llabs(std::clamp<int64_t>(size, -kLimit, kLimit));
    const int64_t scaled = std::min<int64_t>((magnitude * dpiX + 48) / 96, kLimit);
    return static_cast<int>(size < 0 ? -scaled : scaled);
  }
  const QFontMetrics metrics = device ? QFontMetrics(*font, device) : QFontMetrics(*font);
  return metrics.height() + (dpiX + 24) / 48;
}

}  // namespace tb::ui
