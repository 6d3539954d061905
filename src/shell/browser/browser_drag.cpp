// Dragging an item with the mouse: the drag picture, the drop highlight,
// scrolling near the tree's edges, and the drop posted to the window.
#include "shell/browser/browser.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTreeWidget>

#include <algorithm>

#include "platform/ui/activity_clock.h"
#include "platform/ui/private_messages.h"

#include "shell/browser/browser_internal.h"

namespace tb::shell {

using namespace browser_detail;

bool Browser::BeginDrag(QTreeWidgetItem* item) {
  if (!item || !SelectionOf(item).caps.drag) return false;
  ClearMarks();
  clipboard_.mode = BrowserClipboard::Drag;
  clipboard_.marked = item;
  if (!dragImage_) {
    dragImage_ = new QLabel(tree_->viewport());
    dragImage_->setObjectName(QStringLiteral("dragImage"));
    dragImage_->setAttribute(Qt::WA_TransparentForMouseEvents);
    dragImage_->setWindowOpacity(0.7);
  }
  const int side = tree_->iconSize().width();
  QPixmap picture(side + 4 + tree_->fontMetrics().horizontalAdvance(item->text(0)) + 2,
                  std::max(side, tree_->fontMetrics().height()));
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    painter.setOpacity(0.6);
    item->icon(0).paint(&painter, 0, (picture.height() - side) / 2, side, side);
    painter.setPen(tree_->palette().color(QPalette::Text));
    painter.drawText(QRect(side + 4, 0, picture.width() - side - 4, picture.height()), Qt::AlignVCenter, item->text(0));
  }
  dragImage_->setPixmap(picture);
  dragImage_->resize(picture.size());
  dragImage_->move(pressPoint_);
  dragImage_->show();
  tree_->viewport()->setCursor(Qt::BlankCursor);
  tree_->viewport()->grabMouse();
  dragTicks_ = 0;
  dragPoint_ = pressPoint_;
  dragTimer_.start();
  return true;
}

void Browser::DragMove(const QPoint& viewportPoint) {
  if (!Dragging()) return;
  ui::ActivityClock::Record();
  dragPoint_ = viewportPoint;
  SetDropHighlight(ItemAtViewport(viewportPoint, false));
  if (dragImage_) dragImage_->move(viewportPoint);
}

void Browser::DragScrollTick() {
  if (!Dragging()) return;
  ++dragTicks_;
  const int y = dragPoint_.y();
  const int top = 0;
  const int bottom = tree_->viewport()->height();
  auto step = [&](int d) { return std::max(1, 6 - d / 20); };
  auto scroll = [&](int lines, bool up) {
    if (dragImage_) dragImage_->hide();
    QScrollBar* bar = tree_->verticalScrollBar();
    bar->setValue(bar->value() + lines);
    QTreeWidgetItem* edge = up ? tree_->itemAt(QPoint(1, 1)) : tree_->itemAt(QPoint(1, bottom - 2));
    if (!up && !edge) {
      // Fewer items than lines: the last one shown.
      for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if (!(*it)->isHidden() && tree_->visualItemRect(*it).isValid()) edge = *it;
    }
    SetDropHighlight(edge);
    if (dragImage_) dragImage_->show();
  };
  if (y < top + kDragScrollEdge) {
    const int d = top - y + kDragScrollEdge;
    if (dragTicks_ % step(d) == 0) scroll(-1, true);
  } else if (y > bottom - kDragScrollEdge) {
    const int d = y - bottom + kDragScrollEdge;
    if (dragTicks_ % step(d) == 0) scroll(1, false);
  }
}

void Browser::EndDrag(const QPoint& viewportPoint) {
  if (!Dragging()) return;
  dragTimer_.stop();
  if (dragImage_) dragImage_->hide();
  tree_->viewport()->releaseMouse();
  tree_->viewport()->unsetCursor();
  QTreeWidgetItem* over =
      tree_->viewport()->rect().contains(viewportPoint) ? ItemAtViewport(viewportPoint, false) : nullptr;
  if (over) {
    ui::PostPrivateMessage(owner_, ui::kMsgTreeDrop, 0, reinterpret_cast<qintptr>(over));
    return;
  }
  SetDropHighlight(nullptr);
  ClearMarks();
}

}  // namespace tb::shell
