#include "platform/ui/dpi.h"

#include <QGuiApplication>
#include <QScreen>

namespace tb::ui {
namespace {

int g_fixedX = 0;  // 0: ask the screen
int g_fixedY = 0;

QScreen* Screen() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}

}  // namespace

int DpiX() {
  if (g_fixedX > 0) return g_fixedX;
  QScreen* screen = Screen();
  const int dpi = screen ? qRound(screen->logicalDotsPerInchX()) : 96;
  return dpi > 0 ? dpi : 96;
}

int DpiY() {
  if (g_fixedY > 0) return g_fixedY;
  QScreen* screen = Screen();
  const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
  return dpi > 0 ? dpi : 96;
}

int ScaleX(int n) { return ScaleAt(n, DpiX()); }
int ScaleY(int n) { return ScaleAt(n, DpiY()); }

ScopedDpi::ScopedDpi(int dpiX, int dpiY) : previousX_(g_fixedX), previousY_(g_fixedY) {
  g_fixedX = dpiX;
  g_fixedY = dpiY;
}

ScopedDpi::~ScopedDpi() {
  g_fixedX = previousX_;
  g_fixedY = previousY_;
}

}  // namespace tb::ui
