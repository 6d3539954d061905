#pragma once
// Pictures the tests write for people to look at are checked as well:
// read back, the file must have the widget's size, and at a point of one
// of its parts show what that part draws there, in a colour that stands
// out from the window's background (so a blank or misplaced picture
// fails).
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "platform/ui/screenshot.h"

namespace tb::test {

// at is in part's coordinates; by default a point a little inside its
// left edge, half-way down (clear of a centred caption).
inline QString GrabAndCheckPng(QWidget* widget, const QString& path, QWidget* part, QPoint at = QPoint(-1, -1)) {
  if (!widget || !part) return QStringLiteral("no widget or no part");
  if (!tb::ui::GrabToPng(widget, path)) return QStringLiteral("no picture written to ") + path;
  const QImage written(path);
  if (written.isNull()) return QStringLiteral("the picture cannot be read back: ") + path;
  const qreal ratio = widget->devicePixelRatioF();
  if (written.size() != widget->size() * ratio)
    return QStringLiteral("the picture is %1x%2, the widget %3x%4")
        .arg(written.width())
        .arg(written.height())
        .arg(widget->width())
        .arg(widget->height());
  if (at == QPoint(-1, -1)) at = QPoint(qMin(6, part->width() / 4), part->height() / 2);
  const QColor drawn = part->grab().toImage().pixelColor(at * ratio);
  const QPoint inWidget = part->mapTo(widget, at) * ratio;
  const QColor shown = written.pixelColor(inWidget);
  if (shown != drawn)
    return QStringLiteral("at (%1,%2) the picture shows %3 where the part draws %4")
        .arg(inWidget.x())
        .arg(inWidget.y())
        .arg(shown.name(), drawn.name());
  const QColor background = widget->palette().color(widget->backgroundRole());
  if (shown == background)
    return QStringLiteral("at (%1,%2) the picture shows only the background %3")
        .arg(inWidget.x())
        .arg(inWidget.y())
        .arg(shown.name());
  return QString();
}

}  // namespace tb::test

// In a QtTest function: the check above, failing with its reason.
#define TB_VERIFY_PNG(widget, path, part, ...)                                                   \
  do {                                                                                           \
    const QString tbPngProblem = ::tb::test::GrabAndCheckPng(widget, path, part, ##__VA_ARGS__); \
    QVERIFY2(tbPngProblem.isEmpty(), qPrintable(tbPngProblem));                                  \
  } while (false)
