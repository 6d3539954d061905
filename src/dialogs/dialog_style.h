#pragma once
// Shared pieces of the password dialogs' look and set-up.
#include <QString>

class QWidget;
class QPushButton;

namespace tb::dialogs {

// Template sizes do not apply without an owner to cover; a lone dialog
// (tests, screenshots) gets the main window's portrait shape.
void SizeLikeMainWindow(QWidget* dialog);

// A keypad button: white bold 9-point text on rgb, never the default
// button, never taking the focus from the password field.
void StyleKey(QPushButton* key, int red, int green, int blue);

// Left/right margin of the dialogs' content, growing with the density.
int ContentMargin();

}  // namespace tb::dialogs
