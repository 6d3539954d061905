#pragma once
// Pictures of what the program draws, for looking at a window or dialog
// outside the running program (tests, the hidden --screenshot option).
#include <QString>

class QWidget;

namespace tb::ui {

// Renders widget (laid out, as it would show) into a PNG file at path.
bool GrabToPng(QWidget* widget, const QString& path);

// While set, every dialog writes "<dir>/<name>.png" of itself when it first
// shows, and the program's main window does the same.
void SetScreenshotDirectory(const QString& dir);
QString ScreenshotDirectory();
// "<dir>/<name>.png" when a screenshot directory is set; false otherwise.
bool GrabToScreenshotDirectory(QWidget* widget, const QString& name);

}  // namespace tb::ui
