#pragma once
// The program's shared font table: 28 numbered fonts that every window and
// dialog takes its text fonts from, and the mapping from a text size in
// points (as the settings and the card attributes keep it) to one of them.
//
//   0..5    8, 9, 10, 11, 12, 16 points, normal
//   6..11   the same sizes, bold
//   12..17  the same sizes, normal and underlined
//   18      10 points, bold
//   19      the device's default height, normal
//   20      the system font as it is
//   21      the system font, bold
//   22, 23  8.5 points, normal and bold
//   24      8.5 points, bold and underlined
//   25, 26  7 points, normal and bold
//   27      8 points, bold and underlined
//
// Every font but 20 and 21 uses the system font's face. A font's height is
// a pixel height made from its size and the screen's vertical dots per
// inch (tb::ui::DpiY at the time it is made). A font is made the first
// time its number is asked for and then kept, unchanged, for the rest of
// the run; nobody deletes a font taken from the table.
//
// The application's default font stands for the system font; Init reads
// its height as pixels at the vertical density of that moment. The table
// is for the user-interface thread only.
#include <QFont>

#include <cstdint>

class QPaintDevice;

namespace tb::platform {
class Registry;
}
namespace tb::shell {
class Settings;
}

namespace tb::ui {

inline constexpr int kFontCount = 28;

// Font numbers the program names.
inline constexpr int kFont9Bold = 7;
inline constexpr int kFont8HalfBold = 23;
inline constexpr int kFontSystem = 20;
inline constexpr int kFontSystemBold = 21;

// Where the system keeps the user's accessibility text size; a "FontSize"
// of 2 asks for large text, which makes text size 0 use the 16-point fonts.
inline constexpr const char* kAccessibilityKey = "HKEY_CURRENT_USER\\ControlPanel\\Accessibility";
inline constexpr const char16_t* kAccessibilityFontSizeValue = u"FontSize";
inline constexpr uint32_t kAccessibilityLargeText = 2;

class FontService {
 public:
  // Reads the system font's face, height and weight and starts an empty
  // table; the fonts made from then on have ClearType quality (antialiased
  // text that may use subpixels) when clearType is set, and text size 0
  // follows accessibilityFontSize. Done once at start-up, before any font
  // is used; a font asked for before that makes the table with ClearType
  // and the normal text size. Calling it again (tests) makes every font
  // afresh from then on; pointers taken before stay valid and show the
  // remade font once its number is asked for again.
  static void Init(bool clearType, uint32_t accessibilityFontSize);
  // The same from the loaded settings (ClearType) and the registry (the
  // accessibility "FontSize", 0 when missing).
  static void Init(const tb::shell::Settings& settings, const tb::platform::Registry& registry);

  // The accessibility text size the mapping of size 0 follows.
  static void SetAccessibilityFontSize(uint32_t value);
  static uint32_t AccessibilityFontSize();
  // The "FontSize" value under kAccessibilityKey; 0 when missing or not a
  // number of at most 4 bytes.
  static uint32_t ReadAccessibilityFontSize(const tb::platform::Registry& registry);

  // Font number 0..27, made on first use; null for other numbers and when
  // the font cannot be made (there is no GUI application to make it in).
  static const QFont* Font(int number);

  // The table number for a text size in points and a bold flag:
  //   size 0        3 (bold 9), or 5 (bold 11) with the large accessibility text size
  //   below 8       25 (bold 26)
  //   8 .. 12       0 .. 4 (bold 6 .. 10)
  //   13 and more   5 (bold 11)
  // The size is wide enough for both the unsigned settings values and
  // signed sizes.
  static int NumberForSize(int64_t size, bool bold);
  static const QFont* FontForSize(int64_t size, bool bold) { return Font(NumberForSize(size, bold)); }

  // The height of one line of text of a size: the character height of the
  // normal font for that size (on device, else the screen) plus
  // (DpiX + 24) / 48 pixels. Without a font, the size itself scaled to the
  // screen: (|size| * DpiX + 48) / 96, with the size's sign.
  static int LineHeight(int64_t size, const QPaintDevice* device = nullptr);
};

}  // namespace tb::ui
