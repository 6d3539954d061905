// The browser as a whole: construction, what the selection allows, the
// marks of Cut, Copy and drag (and forgetting items that leave the tree),
// the popups of a tap-and-hold, and the taps and keys of the tree. Items,
// commands, renaming and dragging live in browser_*.cpp beside it.
#include "shell/browser/browser.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

#include "cards/card_window.h"
#include "dialogs/card_type_dialog.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/menu_table.h"
#include "platform/ui/soft_key_bar.h"
#include "shell/browser/browser_internal.h"
#include "shell/startup/startup.h"

namespace tb::shell {

using namespace browser_detail;

Browser::Browser(QTreeWidget* tree, AppContext& context, ui::IconLists& icons, QWidget* owner)
    : QObject(tree), tree_(tree), context_(context), icons_(icons), owner_(owner) {
  InstallLabelEditor();
  viewport_ = tree_->viewport();
  // Every move over the tree is activity, with or without a button down.
  tree_->viewport()->setMouseTracking(true);
  viewport_->installEventFilter(this);
  tree_->installEventFilter(this);
  errorBeep = [] { QApplication::beep(); };
  openCard = [this](const storage::RecordId& id) { OpenCard(id); };
  dragTimer_.setInterval(kDragScrollMs);
  connect(&dragTimer_, &QTimer::timeout, this, &Browser::DragScrollTick);
}

Browser::~Browser() { dragTimer_.stop(); }

void Browser::Beep() {
  if (errorBeep) errorBeep();
}

// --- the selection ---

ItemInfo Browser::ItemInfoOf(QTreeWidgetItem* item) const {
  ItemInfo info;
  if (!context_.wallet.IsOpen()) return info;
  if (!item) item = tree_->currentItem();
  if (!item) return info;
  info.item = item;
  info.position = PositionOf(item);
  info.kind = KindOfItem(item);
  if (!storage::IsViewMarker(info.position)) {
    info.record = context_.wallet.At(info.position);
    if (info.record) {
      info.id = info.record->Id();
      info.parentId = info.record->Parent();
    }
  }
  info.parentItem = item->parent();
  info.parentKind = KindOfItem(info.parentItem);
  return info;
}

SelectionInfo Browser::SelectionOf(QTreeWidgetItem* item) const {
  SelectionInfo s;
  if (!context_.wallet.IsOpen()) {
    s.caps = CapabilitiesOf(0, 0, 0);
    return s;
  }
  s.selected = ItemInfoOf(item);
  if (s.selected.parentItem) s.parent = ItemInfoOf(s.selected.parentItem);
  s.mode = clipboard_.mode;
  if (clipboard_.mode != BrowserClipboard::None && clipboard_.marked) s.marked = ItemInfoOf(clipboard_.marked);
  s.caps = CapabilitiesOf(s.selected.item ? s.selected.kind : 0, s.selected.parentKind, s.marked.kind);
  return s;
}

// --- marks ---

void Browser::SetCutLook(QTreeWidgetItem* item, bool on) {
  if (!item) return;
  QFont font = item->font(0);
  font.setItalic(on);
  item->setFont(0, font);
  QColor colour = item->foreground(0).color();
  colour.setAlpha(on ? 110 : 255);
  item->setForeground(0, colour);
}

void Browser::ClearMarks() {
  if (clipboard_.cutItem) SetCutLook(clipboard_.cutItem, false);
  clipboard_ = BrowserClipboard{};
}

namespace {
bool InSubtree(const QTreeWidgetItem* item, const QTreeWidgetItem* root) {
  for (const QTreeWidgetItem* up = item; up; up = up->parent())
    if (up == root) return true;
  return false;
}
}  // namespace

void Browser::ForgetSubtree(const QTreeWidgetItem* root) {
  if (InSubtree(clipboard_.marked, root) || InSubtree(clipboard_.cutItem, root)) {
    if (Dragging()) EndDrag(QPoint(-1, -1));
    ClearMarks();
  }
  if (InSubtree(dropTarget_, root)) dropTarget_ = nullptr;
  if (InSubtree(pressedItem_, root)) pressedItem_ = nullptr;
  if (InSubtree(relabelled_, root)) relabelled_ = nullptr;
  if (InSubtree(editing_, root)) {
    if (QLineEdit* editor = editor_) emit delegate_->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    editing_ = nullptr;
  }
}

void Browser::RemoveItem(QTreeWidgetItem* item) {
  if (!item) return;
  ForgetSubtree(item);
  delete item;
}

void Browser::SetDropHighlight(QTreeWidgetItem* item) {
  if (dropTarget_ == item) return;
  if (dropTarget_) dropTarget_->setBackground(0, QBrush());
  dropTarget_ = item;
  if (dropTarget_) dropTarget_->setBackground(0, tree_->palette().color(QPalette::Highlight).lighter(160));
}

// --- context menus ---

int Browser::ContextMenuId(const ItemInfo& info) const {
  if (!info.item) return kMenuNothing;
  switch (info.kind) {
    case kKindFavourites: return kMenuFavouritesView;
    case kKindFindResults: return kMenuFindResultsView;
    case kKindFormsFolder: return kMenuFormsFolder;
    case kKindFolder: return kMenuFolder;
    case kKindCard:
      if (info.parentKind == kKindFavourites) return kMenuFavouriteCard;
      if (info.parentKind == kKindFindResults) return kMenuFoundCard;
      if (info.parentKind == kKindFormsFolder) return kMenuFormCard;
      return kMenuCard;
    default: return 0;
  }
}

int Browser::ShowContextMenu(const QPoint& viewportPoint) {
  if (!context_.wallet.IsOpen()) return 0;
  QTreeWidgetItem* item = tree_->itemAt(viewportPoint);
  if (item) {
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
  }
  const int id = ContextMenuId(item ? ItemInfoOf(item) : ItemInfo{});
  const ui::MenuDef* def = ui::MenuTables::Program().Menu(id);
  if (!def) return 0;
  QMenu menu(tree_);
  menu.setObjectName(QStringLiteral("popup%1").arg(id));
  ui::AddMenuEntries(&menu, def->entries);
  if (initPopup) initPopup(&menu);
  ui::LocaliseMenu(&menu);
  QPoint at = viewportPoint;
  if (item) at = tree_->visualItemRect(item).bottomLeft();
  const QPoint global = tree_->viewport()->mapToGlobal(at);
  int command = 0;
  if (runPopup) {
    command = runPopup(menu, id, global);
  } else if (QAction* chosen = menu.exec(global)) {
    command = chosen->data().toInt();
  }
  if (command != 0 && dispatch) dispatch(command);
  return id;
}

// --- taps and keys ---

QTreeWidgetItem* Browser::ItemAtViewport(const QPoint& point, bool labelOrIconOnly) const {
  QTreeWidgetItem* item = tree_->itemAt(point);
  if (!item || !labelOrIconOnly) return item;
  const QRect row = tree_->visualItemRect(item);
  const int width = tree_->iconSize().width() + 8 + tree_->fontMetrics().horizontalAdvance(item->text(0));
  return point.x() >= row.left() && point.x() <= row.left() + width ? item : nullptr;
}

bool Browser::HandleTreeKey(int key) {
  QTreeWidgetItem* item = tree_->currentItem();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (item) Open(item, false);
      return true;
    case Qt::Key_Up:
      if (item && item == tree_->topLevelItem(0)) {
        if (dispatch) dispatch(kCmdFind);
        return true;
      }
      return false;
    case Qt::Key_Right:
      if (item && KindOfItem(item) != kKindCard && !item->isExpanded()) {
        item->setExpanded(true);
        return true;
      }
      return false;
    case Qt::Key_Left:
      if (item && KindOfItem(item) != kKindCard && item->isExpanded()) {
        item->setExpanded(false);
        return true;
      }
      return false;
    case Qt::Key_Delete:
      if (dispatch)
        QMetaObject::invokeMethod(
            this, [this] { dispatch(kCmdDelete); }, Qt::QueuedConnection);
      return true;
    default: return false;
  }
}

bool Browser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_) {
    if (event->type() == QEvent::KeyPress && !LabelEditOpen())
      return HandleTreeKey(static_cast<QKeyEvent*>(event)->key());
    return false;
  }
  // Compared by the pointer kept at the start: the tree may be part way
  // through its destruction when its viewport's last events arrive.
  if (watched != viewport_) return false;
  // The tree's mouse and wheel events arrive here, not at the tree: someone
  // who browses with the mouse alone is busy too.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu: ui::ActivityClock::Record(); break;
    default: break;
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      pressPoint_ = mouse->position().toPoint();
      pressedItem_ = ItemAtViewport(pressPoint_, true);
      return false;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint point = mouse->position().toPoint();
      if (Dragging()) {
        DragMove(point);
        return true;
      }
      if ((mouse->buttons() & Qt::LeftButton) && pressedItem_ && !context_.platform.isSmartphone &&
          (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        QTreeWidgetItem* item = pressedItem_;
        pressedItem_ = nullptr;
        if (BeginDrag(item)) {
          DragMove(point);
          return true;
        }
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (Dragging()) {
        EndDrag(mouse->position().toPoint());
        return true;
      }
      QTreeWidgetItem* tapped = pressedItem_;
      pressedItem_ = nullptr;
      if (mouse->button() == Qt::LeftButton && tapped && tapped == ItemAtViewport(mouse->position().toPoint(), true) &&
          !context_.platform.isSmartphone) {
        QMetaObject::invokeMethod(
            this,
            [this, tapped] {
              if (Contains(tapped)) Open(tapped, false);
            },
            Qt::QueuedConnection);
      }
      return false;
    }
    case QEvent::MouseButtonDblClick: {
      // The first tap of a double tap has opened the card or toggled the
      // folder already; on Smartphone nothing is tapped.
      auto* mouse = static_cast<QMouseEvent*>(event);
      QTreeWidgetItem* item = ItemAtViewport(mouse->position().toPoint(), true);
      if (item && KindOfItem(item) == kKindCard && context_.platform.isSmartphone) Open(item, true);
      return item != nullptr;
    }
    case QEvent::ContextMenu: {
      if (context_.platform.isSmartphone) return false;
      ShowContextMenu(static_cast<QContextMenuEvent*>(event)->pos());
      return true;
    }
    default: return false;
  }
}

}  // namespace tb::shell
