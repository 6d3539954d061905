#pragma once
// The folder and card browser: the tree of the open wallet in the
// program's order (folders, cards, the forms folder with its custom forms,
// and the favourites and find-results views), what the selection allows,
// and the item commands: properties, cut, copy, paste, drag and drop,
// rename, delete, clear, remove, favourites, save to my forms and seek to
// source. Every change of a record goes through the open wallet; the tree
// holds nothing but texts, icons and one number per item (the record's
// index position, or a view's marker). The class's work is split by topic:
// browser.cpp (selection, marks, popups, taps and keys), browser_items.cpp,
// browser_commands.cpp, browser_label_edit.cpp and browser_drag.cpp.
#include <QLineEdit>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/ui/icons/icon_lists.h"
#include "shell/browser/selection.h"
#include "shell/core/command_ids.h"
#include "storage/card.h"
#include "storage/record.h"
#include "storage/tree_order.h"

class QAbstractItemDelegate;
class QIcon;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tb::shell {

struct AppContext;

// Tree item data.
inline constexpr int kRolePosition = 0x0100;  // Qt::UserRole: index position or view marker
inline constexpr int kRoleKind = 0x0101;      // record kind, or the SpecialView number of a view

// Popup menus of a tap-and-hold on the tree.
inline constexpr int kMenuNothing = 959;
inline constexpr int kMenuFavouritesView = 975;
inline constexpr int kMenuFavouriteCard = 976;
inline constexpr int kMenuFindResultsView = 974;
inline constexpr int kMenuFoundCard = 973;
inline constexpr int kMenuFormCard = 972;
inline constexpr int kMenuCard = 957;
inline constexpr int kMenuFormsFolder = 971;
inline constexpr int kMenuFolder = 960;

inline constexpr int kDragScrollMs = 75;    // TIMER_DRAG_SCROLL
inline constexpr int kDragScrollEdge = 10;  // pixels from the tree's top or bottom
inline constexpr int kMaxLabelLength = 255;

// What the browser knows about one tree item.
struct ItemInfo {
  QTreeWidgetItem* item = nullptr;
  int kind = 0;
  storage::RecordId id;
  int position = -1;
  const storage::RecordHeader* record = nullptr;  // none for views
  QTreeWidgetItem* parentItem = nullptr;
  storage::RecordId parentId;
  int parentKind = 0;
};

// Cut, copy and drag marks, shared by every command.
struct BrowserClipboard {
  enum Mode { None = 0, Cut = 1, Copy = 2, Drag = 3 };
  int mode = None;
  QTreeWidgetItem* marked = nullptr;
  QTreeWidgetItem* cutItem = nullptr;  // drawn dimmed
};

struct SelectionInfo {
  ItemInfo selected;
  ItemInfo parent;
  ItemInfo marked;
  int mode = BrowserClipboard::None;
  Capabilities caps;
};

class Browser : public QObject {
  Q_OBJECT

 public:
  // owner: the window dialogs and messages are shown over.
  Browser(QTreeWidget* tree, AppContext& context, ui::IconLists& icons, QWidget* owner);
  ~Browser() override;

  QTreeWidget* Tree() const { return tree_; }
  const BrowserClipboard& Clipboard() const { return clipboard_; }
  bool RenameRequested() const { return renameRequested_; }
  bool Dragging() const { return clipboard_.mode == BrowserClipboard::Drag; }
  QTreeWidgetItem* DropHighlight() const { return dropTarget_; }

  // --- the tree ---
  void FillTree();
  void Clear();
  void SortAround(QTreeWidgetItem* item);
  void RebuildFavouritesView();
  void RebuildFindResultsView(bool expand);
  void InsertOrUpdate(const storage::RecordId& id, bool select);
  void RefreshItem(QTreeWidgetItem* item);
  // Every item takes the name colours of the wallet's options again.
  void ApplyNameColours();
  QTreeWidgetItem* FindItemById(const storage::RecordId& id) const;
  // The item with this parameter; with recursive, also below the top level
  // (under underItem when given). Items inside the views are not searched.
  QTreeWidgetItem* FindItemByPosition(int position, bool recursive, QTreeWidgetItem* underItem = nullptr) const;
  QTreeWidgetItem* ViewItem(int marker) const;
  // Whether the item is (still) in the tree.
  bool Contains(const QTreeWidgetItem* item) const;
  // The tree image of a node (built-in icon n is image n + 4).
  int ImageOf(const storage::TreeNode& node) const;

  // --- the selection ---
  ItemInfo ItemInfoOf(QTreeWidgetItem* item = nullptr) const;
  SelectionInfo SelectionOf(QTreeWidgetItem* item = nullptr) const;

  // --- commands ---
  // A card of the form the user picks, in the selected folder (or the
  // selected card's folder), opened in the card window as new.
  void NewCard();
  void NewFolder();
  void Open(QTreeWidgetItem* item, bool doubleTap);
  void Properties();
  void Cut();
  void Copy();
  void Paste();
  void Drop(QTreeWidgetItem* target);
  void Delete();
  void Clear(int marker);
  void Rename();
  QTreeWidgetItem* AddToFavourites(QTreeWidgetItem* item);
  QTreeWidgetItem* SaveToMyForms(QTreeWidgetItem* item);
  void SeekToSource();
  void ToggleTopLevel();
  // Every command other than Paste empties the marks of Cut and Copy.
  void ClearMarks();
  // Takes an item (with everything below it) out of the tree and deletes
  // it; marks, the drop highlight and a pending tap or rename on it go
  // first, so that nothing points at a deleted item.
  void RemoveItem(QTreeWidgetItem* item);
  // Ends an open label edit, keeping its text (title-bar OK).
  bool EndLabelEdit();
  // Sorts a renamed item into its place and brings the views up to date.
  // Runs once the editor is gone, and at the latest before the next
  // command: views rebuilt later would take a new label edit with them.
  void FinishRename();
  bool LabelEditOpen() const;
  QLineEdit* LabelEditor() const { return editor_; }
  // The popup of a tap-and-hold at a point of the tree's viewport; the
  // menu id it showed (0 when none).
  int ShowContextMenu(const QPoint& viewportPoint);

  // --- the card window ---
  // Reads the card and opens it in the card window; nothing while a card
  // window is open (a second window over the same card would let one store
  // overwrite the other).
  void OpenCard(const storage::RecordId& id);
  // Runs the card window over card, which the browser keeps until the
  // window's outcome is handled.
  void RunCardWindow(std::unique_ptr<storage::Card> card, bool isNew);
  bool CardWindowOpen() const { return cardWindowOpen_; }
  // The outcome the card window posted (MSG_USER_ACTIVITY): 0 nothing,
  // 3 store the card, 4 delete it. With no wallet open, nothing.
  void CardWindowOutcome(int code);

  // --- what the program wires ---
  // Opening a card: the default is OpenCard.
  std::function<void(const storage::RecordId&)> openCard;
  // The error sound; tests count it.
  std::function<void()> errorBeep;
  // A popup about to be shown: the default runs it at the point; tests
  // choose an entry (returning its command, or 0).
  std::function<int(QMenu&, int menuId, const QPoint& globalPoint)> runPopup;
  // A popup about to show: the window grays what the selection does not allow.
  std::function<void(QMenu*)> initPopup;
  // Commands chosen from a popup go to the window's dispatcher.
  std::function<void(int command)> dispatch;

  // --- drag and drop (driven by the tree's mouse events) ---
  bool BeginDrag(QTreeWidgetItem* item);
  void DragMove(const QPoint& viewportPoint);
  void DragScrollTick();
  void EndDrag(const QPoint& viewportPoint);
  int DragTicks() const { return dragTicks_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidgetItem* MakeItem(const storage::TreeNode& node, std::vector<int>* repairs);
  QIcon IconFor(int image, bool overlay);
  void ApplyLook(QTreeWidgetItem* item, int kind);
  void RepairIcons(const std::vector<int>& positions);
  void RebuildView(int marker, bool expand);
  void PlaceSorted(QTreeWidgetItem* item);
  void Select(QTreeWidgetItem* item);
  void SetCutLook(QTreeWidgetItem* item, bool on);
  void ForgetSubtree(const QTreeWidgetItem* root);
  void SetDropHighlight(QTreeWidgetItem* item);
  bool WriteHeader(const storage::RecordHeader& header);
  void RebuildBothViews();
  void Beep();
  bool LabelEditAllowed(QTreeWidgetItem* item) const;
  bool CommitLabel(QTreeWidgetItem* item, const QString& text);
  void LabelEditEnded();
  QTreeWidgetItem* ItemAtViewport(const QPoint& point, bool labelOrIconOnly) const;
  int ContextMenuId(const ItemInfo& info) const;
  bool HandleTreeKey(int key);

  void InstallLabelEditor();

  class LabelDelegate;
  friend class LabelDelegate;

  QTreeWidget* tree_;
  QObject* viewport_ = nullptr;  // the tree's viewport, whose mouse events the browser reads
  AppContext& context_;
  ui::IconLists& icons_;
  QWidget* owner_;
  QAbstractItemDelegate* delegate_ = nullptr;  // a LabelDelegate
  std::map<int, QIcon> iconCache_;
  BrowserClipboard clipboard_;
  bool renameRequested_ = false;
  QTreeWidgetItem* editing_ = nullptr;
  QPointer<QLineEdit> editor_;
  QTreeWidgetItem* relabelled_ = nullptr;  // renamed; sorted in when the editor is gone

  // The card handed to the card window, until its outcome is handled.
  std::unique_ptr<storage::Card> openedCard_;
  bool openedNew_ = false;
  bool cardWindowOpen_ = false;
  bool outcomeHandled_ = false;

  // Dragging.
  QTimer dragTimer_;
  QLabel* dragImage_ = nullptr;
  QTreeWidgetItem* dropTarget_ = nullptr;
  QTreeWidgetItem* pressedItem_ = nullptr;
  QPoint pressPoint_;
  QPoint dragPoint_;  // viewport coordinates
  int dragTicks_ = 0;
};

}  // namespace tb::shell
