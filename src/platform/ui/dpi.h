#pragma once
// The screen's logical dots per inch, which every pixel size of the
// program follows. Tests fix it (96, 130 and 192 must all lay out well).

namespace tb::ui {

// The primary screen's logical dots per inch (96 without a screen), or the
// value a ScopedDpi fixes.
int DpiX();
int DpiY();

// n pixels at 96 dots per inch at the current horizontal (ScaleX) or
// vertical (ScaleY) density: (n * d + 48) / 96.
int ScaleX(int n);
int ScaleY(int n);
inline int Scale(int n) { return ScaleX(n); }
// The same formula for a given density.
constexpr int ScaleAt(int n, int dpi) { return (n * dpi + 48) / 96; }

class ScopedDpi {
 public:
  explicit ScopedDpi(int dpi) : ScopedDpi(dpi, dpi) {}
  ScopedDpi(int dpiX, int dpiY);
  ~ScopedDpi();
  ScopedDpi(const ScopedDpi&) = delete;
  ScopedDpi& operator=(const ScopedDpi&) = delete;

 private:
  int previousX_;
  int previousY_;
};

}  // namespace tb::ui
