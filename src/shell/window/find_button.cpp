#include "shell/window/find_button.h"

#include <QPainter>

#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"

namespace tb::shell {

FindButton::FindButton(int iconNumber, std::function<QLinearGradient()> background, QWidget* parent)
    : QAbstractButton(parent), icon_(iconNumber), background_(std::move(background)) {
  setFocusPolicy(Qt::NoFocus);
}

void FindButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  if (isDown()) {
    painter.fillRect(all, Qt::black);
    QLinearGradient inner(0, 1, 0, all.height() - 1);
    inner.setColorAt(0, QColor(255, 244, 204));
    inner.setColorAt(1, QColor(255, 208, 145));
    painter.fillRect(all.adjusted(1, 1, -1, -1), inner);
  } else {
    // The band's gradient is in the parent's coordinates.
    painter.translate(-pos());
    painter.fillRect(QRect(pos(), size()), background_());
    painter.resetTransform();
  }
  const int dpi = tb::ui::DpiX();
  const int side = 16 * (dpi + 3) / 96;
  const int margin = 2 * (tb::ui::DpiY() + 24) / 96;
  const QImage image = tb::ui::IconResource(icon_, side);
  if (!image.isNull()) {
    const int x = std::max(0, std::min(margin, (width() - side) / 2));
    const int y = std::max(0, std::min(margin, (height() - side) / 2));
    painter.drawImage(QPoint(x, y), image);
  }
}

}  // namespace tb::shell
