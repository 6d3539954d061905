#include "platform/ui/screenshot.h"

#include <QDir>
#include <QLayout>
#include <QPixmap>
#include <QWidget>

namespace tb::ui {
namespace {
QString g_screenshotDir;
}  // namespace

bool GrabToPng(QWidget* widget, const QString& path) {
  if (!widget) return false;
  widget->ensurePolished();
  if (QLayout* layout = widget->layout()) layout->activate();
  const QPixmap picture = widget->grab();
  return !picture.isNull() && picture.save(path, "PNG");
}

void SetScreenshotDirectory(const QString& dir) { g_screenshotDir = dir; }
QString ScreenshotDirectory() { return g_screenshotDir; }

bool GrabToScreenshotDirectory(QWidget* widget, const QString& name) {
  if (g_screenshotDir.isEmpty()) return false;
  QDir().mkpath(g_screenshotDir);
  return GrabToPng(widget, QDir(g_screenshotDir).filePath(name + QStringLiteral(".png")));
}

}  // namespace tb::ui
