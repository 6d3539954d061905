#include "dialogs/dialog_style.h"

#include <QPushButton>
#include <QWidget>

#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"

namespace tb::dialogs {

void SizeLikeMainWindow(QWidget* dialog) {
  if (!dialog->parentWidget()) dialog->resize(tb::ui::ScaleX(320), tb::ui::ScaleY(480));
}

void StyleKey(QPushButton* key, int red, int green, int blue) {
  key->setAutoDefault(false);
  key->setDefault(false);
  key->setFocusPolicy(Qt::NoFocus);
  const QString colour = QStringLiteral("rgb(%1,%2,%3)").arg(red).arg(green).arg(blue);
  const QString pressed = QStringLiteral("rgb(%1,%2,%3)").arg(red * 2 / 3).arg(green * 2 / 3).arg(blue * 2 / 3);
  if (const QFont* font = tb::ui::FontService::Font(tb::ui::kFont9Bold)) key->setFont(*font);
  key->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white;"
                                    " border: 1px solid %2; border-radius: %3px; }"
                                    "QPushButton:pressed { background-color: %2; }")
                         .arg(colour, pressed)
                         .arg(tb::ui::ScaleX(3)));
}

int ContentMargin() { return tb::ui::ScaleX(8); }

}  // namespace tb::dialogs
