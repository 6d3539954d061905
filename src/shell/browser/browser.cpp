#include "shell/browser/browser.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

#include "dialogs/properties_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/colours.h"
#include "platform/ui/menu_table.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/startup/startup.h"
#include "storage/card_text.h"
#include "storage/layout.h"

namespace tb::shell {
namespace {

namespace R = tb::storage::layout::record;

constexpr uint32_t kStrFolderNotAllowed = 22000;
constexpr uint32_t kStrRemoveReference = 22001;
constexpr uint32_t kStrDeleteForm = 22002;
constexpr uint32_t kStrDeleteCard = 22003;
constexpr uint32_t kStrDeleteFolder = 22004;
constexpr uint32_t kStrFormsFolderStays = 22005;
constexpr uint32_t kStrCannotDelete = 23002;
constexpr int kNewFolderIcon = 72;
constexpr int kCmdFindMode = 823;     // Find: the find box opens
constexpr int kCmdDeleteItem = 805;   // Delete
constexpr int kOverlayReference = 1;

bool IsMarker(int position) {
  return position == storage::kFavouritesMarker || position == storage::kFindResultsMarker ||
         position == storage::kThirdViewMarker;
}

int ViewNumber(int marker) {
  return marker == storage::kFavouritesMarker ? 1 : marker == storage::kFindResultsMarker ? 2 : 3;
}

int KindOfItem(const QTreeWidgetItem* item) { return item ? item->data(0, kRoleKind).toInt() : 0; }
int PositionOf(const QTreeWidgetItem* item) { return item ? item->data(0, kRolePosition).toInt() : -1; }

storage::TreeItemKey KeyOf(const QTreeWidgetItem* item) {
  return {KindOfItem(item), storage::Text(ui::ToU16(item->text(0)))};
}

// The expanded items of a subtree, so that moving it keeps them open.
void CollectExpanded(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>* out) {
  if (item->isExpanded()) out->push_back(item);
  for (int i = 0; i < item->childCount(); ++i) CollectExpanded(item->child(i), out);
}

}  // namespace

// The in-place label editor: at most 255 characters, and the browser
// decides whether a new text is taken.
class Browser::LabelDelegate : public QStyledItemDelegate {
 public:
  explicit LabelDelegate(Browser* browser) : QStyledItemDelegate(browser->tree_), browser_(browser) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setMaxLength(kMaxLabelLength);
      line->setObjectName(QStringLiteral("labelEdit"));
      browser_->editor_ = line;
    }
    return editor;
  }
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* item = browser_->editing_;
    if (line && item) browser_->CommitLabel(item, line->text());
  }
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (browser_->editor_ == editor) browser_->editor_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
    browser_->LabelEditEnded();
  }

 private:
  Browser* browser_;
};

Browser::Browser(QTreeWidget* tree, AppContext& context, ui::IconLists& icons, QWidget* owner)
    : QObject(tree), tree_(tree), context_(context), icons_(icons), owner_(owner) {
  delegate_ = new LabelDelegate(this);
  tree_->setItemDelegate(delegate_);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setMouseTracking(false);
  viewport_ = tree_->viewport();
  viewport_->installEventFilter(this);
  tree_->installEventFilter(this);
  errorBeep = [] { QApplication::beep(); };
  dragTimer_.setInterval(kDragScrollMs);
  connect(&dragTimer_, &QTimer::timeout, this, &Browser::DragScrollTick);
}

Browser::~Browser() { dragTimer_.stop(); }

void Browser::Beep() {
  if (errorBeep) errorBeep();
}

// --- items and icons ---

int Browser::ImageOf(const storage::TreeNode& node) const {
  if (node.kind >= 100) return node.icon + ui::kFirstBuiltInImage;
  if (node.icon >= 0 && node.icon < ui::kBuiltInIconCount) return node.icon + ui::kFirstBuiltInImage;
  const storage::RecordHeader* record = context_.wallet.At(node.position);
  if (!record) return 0;
  const std::vector<uint8_t> picture = record->IconPicture();
  if (picture.empty()) return 0;
  const int image = icons_.FindCustomIconOf(picture.data(), picture.size());
  return image < 0 ? 0 : image;
}

QIcon Browser::IconFor(int image, bool overlay) {
  const int key = overlay ? -1 - image : image;
  const auto found = iconCache_.find(key);
  if (found != iconCache_.end()) return found->second;
  const QList<QImage>& list = icons_.Small();
  QImage picture = image >= 0 && image < list.size() ? list[image] : QImage();
  if (overlay && !picture.isNull() && kOverlayReference < list.size()) {
    QPainter painter(&picture);
    painter.drawImage(0, 0, list[kOverlayReference]);
  }
  QIcon icon = picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture));
  iconCache_.emplace(key, icon);
  return icon;
}

void Browser::ApplyLook(QTreeWidgetItem* item, int kind) {
  if (kind >= 100) {
    item->setForeground(0, ui::FromColorRef(context_.settings.colorFolderSpecial));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  } else if (kind == kKindFormsFolder) {
    item->setForeground(0, ui::FromColorRef(context_.settings.colorFolderForms));
  } else {
    const auto& options = context_.wallet.Options();
    item->setForeground(0, ui::FromColorRef(kind == kKindCard ? options.CardNameColour() : options.FolderNameColour()));
  }
}

QTreeWidgetItem* Browser::MakeItem(const storage::TreeNode& node, std::vector<int>* repairs) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, ui::ToQString(node.name));
  item->setData(0, kRolePosition, node.position);
  item->setData(0, kRoleKind, node.kind);
  // A built-in number past the last built-in icon is mended as the item is
  // made: the record's own picture when it has one, else the first icon.
  if (repairs && node.kind < 100 && node.icon >= ui::kBuiltInIconCount) repairs->push_back(node.position);
  item->setIcon(0, IconFor(ImageOf(node), node.underView));
  ApplyLook(item, node.kind);
  QList<QTreeWidgetItem*> children;
  children.reserve(qsizetype(node.children.size()));
  for (const auto& child : node.children) children << MakeItem(child, node.kind >= 100 ? nullptr : repairs);
  item->addChildren(children);
  return item;
}

void Browser::RepairIcons(const std::vector<int>& positions) {
  storage::Wallet& wallet = context_.wallet;
  for (int position : positions) {
    const storage::RecordHeader* record = wallet.At(position);
    if (!record) continue;
    storage::RecordHeader mended = *record;
    const bool picture = !record->IconPicture().empty();
    mended.SetIconRaw(picture ? -1 : 0);
    mended.MarkChanged(R::kFlagIconChanged);
    mended.SetModified(platform::LocalTime());
    if (!wallet.IsReadOnly()) WriteHeader(mended);
    if (QTreeWidgetItem* item = FindItemByPosition(position, true)) RefreshItem(item);
  }
}

void Browser::Clear() {
  if (Dragging()) EndDrag(QPoint(-1, -1));
  ClearMarks();
  SetDropHighlight(nullptr);
  pressedItem_ = relabelled_ = nullptr;
  if (QLineEdit* editor = editor_)
    emit delegate_->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
  tree_->clear();
  iconCache_.clear();
}

void Browser::FillTree() {
  Clear();
  if (!context_.wallet.IsOpen()) return;
  const std::vector<storage::TreeNode> nodes = storage::BuildTree(context_.wallet);
  std::vector<int> repairs;
  QList<QTreeWidgetItem*> items;
  items.reserve(qsizetype(nodes.size()));
  for (const auto& node : nodes) items << MakeItem(node, &repairs);
  tree_->addTopLevelItems(items);
  RepairIcons(repairs);
}

QTreeWidgetItem* Browser::ViewItem(int marker) const {
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree_->topLevelItem(i);
    if (PositionOf(item) == marker) return item;
  }
  return nullptr;
}

QTreeWidgetItem* Browser::FindItemByPosition(int position, bool recursive, QTreeWidgetItem* underItem) const {
  std::vector<QTreeWidgetItem*> pending;
  if (underItem) {
    for (int i = underItem->childCount() - 1; i >= 0; --i) pending.push_back(underItem->child(i));
  } else {
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i) pending.push_back(tree_->topLevelItem(i));
  }
  while (!pending.empty()) {
    QTreeWidgetItem* item = pending.back();
    pending.pop_back();
    if (PositionOf(item) == position) return item;
    if (!recursive || KindOfItem(item) >= 100) continue;
    for (int i = item->childCount() - 1; i >= 0; --i) pending.push_back(item->child(i));
  }
  return nullptr;
}

QTreeWidgetItem* Browser::FindItemById(const storage::RecordId& id) const {
  const int position = context_.wallet.FindRecord(id);
  return position < 0 ? nullptr : FindItemByPosition(position, true);
}

void Browser::RebuildView(int marker, bool expand) {
  QTreeWidgetItem* old = ViewItem(marker);
  const bool wasExpanded = old && old->isExpanded();
  const bool wasCurrent = old && (tree_->currentItem() == old || (tree_->currentItem() && tree_->currentItem()->parent() == old));
  if (old) {
    if (clipboard_.marked && clipboard_.marked->parent() == old) ClearMarks();
    if (dropTarget_ && (dropTarget_ == old || dropTarget_->parent() == old)) dropTarget_ = nullptr;
    delete old;
  }
  if (!context_.wallet.IsOpen()) return;
  storage::TreeOptions options;
  options.favouritesView = marker == storage::kFavouritesMarker;
  options.findResultsView = marker == storage::kFindResultsMarker;
  for (const auto& node : storage::BuildTree(context_.wallet, options)) {
    if (node.position != marker) continue;
    QTreeWidgetItem* item = MakeItem(node, nullptr);
    // The find results above the favourites, both above everything else.
    const int at = marker == storage::kFavouritesMarker && ViewItem(storage::kFindResultsMarker) ? 1 : 0;
    tree_->insertTopLevelItem(at, item);
    if (wasExpanded || expand) item->setExpanded(true);
    if (wasCurrent) tree_->setCurrentItem(item);
  }
}

void Browser::RebuildFavouritesView() { RebuildView(storage::kFavouritesMarker, false); }
void Browser::RebuildFindResultsView(bool expand) { RebuildView(storage::kFindResultsMarker, expand); }
void Browser::RebuildBothViews() {
  RebuildFavouritesView();
  RebuildFindResultsView(false);
}

// Takes the item out and puts it back before the first sibling that
// sorts after it; its siblings are sorted already.
void Browser::PlaceSorted(QTreeWidgetItem* item) {
  QTreeWidgetItem* parent = item->parent() ? item->parent() : tree_->invisibleRootItem();
  const bool current = tree_->currentItem() == item;
  std::vector<QTreeWidgetItem*> expanded;
  CollectExpanded(item, &expanded);
  parent->removeChild(item);
  const storage::TreeItemKey key = KeyOf(item);
  int at = parent->childCount();
  for (int i = 0; i < parent->childCount(); ++i) {
    if (storage::CompareTreeItems(key, KeyOf(parent->child(i))) < 0) {
      at = i;
      break;
    }
  }
  parent->insertChild(at, item);
  for (QTreeWidgetItem* open : expanded) open->setExpanded(true);
  if (current) tree_->setCurrentItem(item);
}

// The item's siblings are in order already, so putting the item back in
// its place sorts them all.
void Browser::SortAround(QTreeWidgetItem* item) {
  if (item) PlaceSorted(item);
}

void Browser::RefreshItem(QTreeWidgetItem* item) {
  const int position = PositionOf(item);
  if (IsMarker(position)) {
    const int n = ViewNumber(position);
    item->setText(0, ui::ToQString(n == 2 ? storage::FindResultsViewText(context_.wallet)
                                          : context_.wallet.SpecialViewDisplayName(n)));
    item->setIcon(0, IconFor(context_.wallet.GetSpecialViewIcon(n) + ui::kFirstBuiltInImage, false));
    return;
  }
  const storage::RecordHeader* record = context_.wallet.At(position);
  if (!record) return;
  storage::TreeNode node;
  node.position = position;
  node.kind = KindOfItem(item);
  node.icon = record->Icon();
  node.underView = item->parent() && KindOfItem(item->parent()) >= 100;
  item->setText(0, ui::ToQString(record->Name()));
  item->setIcon(0, IconFor(ImageOf(node), node.underView));
  if (record->Parent().IsZero() && item->parent() && !node.underView) {
    const bool current = tree_->currentItem() == item;
    std::vector<QTreeWidgetItem*> expanded;
    CollectExpanded(item, &expanded);
    item->parent()->removeChild(item);
    tree_->addTopLevelItem(item);
    for (QTreeWidgetItem* open : expanded) open->setExpanded(true);
    if (current) tree_->setCurrentItem(item);
  }
}

namespace {
// The sorted children of the folder at position, with theirs; none without
// a walk over the whole wallet when it has no children.
std::vector<storage::TreeNode> SubtreeOf(const storage::Wallet& wallet, int position) {
  const storage::RecordHeader* folder = wallet.At(position);
  bool any = false;
  for (int i = 0; i < wallet.Count() && !any; ++i)
    if (const storage::RecordHeader* h = wallet.At(i); h && !h->IsDeleted() && h->Parent() == folder->Id()) any = true;
  if (!any) return {};
  storage::TreeOptions options;
  options.favouritesView = false;
  options.findResultsView = false;
  std::vector<storage::TreeNode> tree = storage::BuildTree(wallet, options);
  std::vector<std::vector<storage::TreeNode>*> pending{&tree};
  while (!pending.empty()) {
    std::vector<storage::TreeNode>* level = pending.back();
    pending.pop_back();
    for (storage::TreeNode& node : *level) {
      if (node.position == position) return std::move(node.children);
      pending.push_back(&node.children);
    }
  }
  return {};
}
}  // namespace

void Browser::InsertOrUpdate(const storage::RecordId& id, bool select) {
  if (QTreeWidgetItem* item = FindItemById(id)) {
    RefreshItem(item);
    SortAround(item);
    if (select) Select(item);
    return;
  }
  const int position = context_.wallet.FindRecord(id);
  const storage::RecordHeader* record = context_.wallet.At(position);
  if (!record) return;
  QTreeWidgetItem* parent = nullptr;
  if (!record->Parent().IsZero()) {
    parent = FindItemById(record->Parent());
    if (!parent) return;
  }
  storage::TreeNode node;
  node.position = position;
  node.kind = context_.wallet.KindAt(position);
  node.name = record->Name();
  node.icon = record->Icon();
  // A folder that arrives with its contents (an import) comes in whole.
  if (record->IsFolderLike()) node.children = SubtreeOf(context_.wallet, position);
  QTreeWidgetItem* item = MakeItem(node, nullptr);
  if (parent)
    parent->addChild(item);
  else
    tree_->addTopLevelItem(item);
  SortAround(item);
  Select(item);
}

bool Browser::Contains(const QTreeWidgetItem* item) const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it)
    if (*it == item) return true;
  return false;
}

void Browser::Select(QTreeWidgetItem* item) {
  if (!item) return;
  for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) up->setExpanded(true);
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
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
  if (!IsMarker(info.position)) {
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

void Browser::CancelCut() {
  if (clipboard_.mode == BrowserClipboard::Cut) ClearMarks();
}

void Browser::SetDropHighlight(QTreeWidgetItem* item) {
  if (dropTarget_ == item) return;
  if (dropTarget_) dropTarget_->setBackground(0, QBrush());
  dropTarget_ = item;
  if (dropTarget_) dropTarget_->setBackground(0, tree_->palette().color(QPalette::Highlight).lighter(160));
}

// --- commands ---

bool Browser::WriteHeader(const storage::RecordHeader& header) {
  if (context_.wallet.IsReadOnly()) return false;
  return context_.wallet.RewriteRecordInPlace(header);
}

void Browser::NewFolder() {
  if (!context_.wallet.IsOpen()) return;
  const SelectionInfo s = SelectionOf();
  if (s.selected.item && !s.caps.newFolder) return;
  storage::RecordId parent{};
  if (s.selected.kind == kKindFolder) parent = s.selected.id;
  if (s.selected.kind == kKindCard && s.parent.kind == kKindFolder) parent = s.parent.id;
  storage::RecordHeader folder = storage::NewFolderRecord(parent, false, &context_.wallet.DataKey());
  folder.SetIconRaw(kNewFolderIcon);
  dialogs::FolderProperties properties;
  properties.wallet = &context_.wallet;
  properties.folder = &folder;
  properties.offerMainLevel = !parent.IsZero();
  if (!dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone)) return;
  if (properties.mainLevel && !parent.IsZero()) {
    folder.ClearParent();
    folder.SetModified(platform::LocalTime());
  }
  if (context_.wallet.IsReadOnly() || context_.wallet.ReplaceFolder(folder) < 0) {
    ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
    return;
  }
  InsertOrUpdate(folder.Id(), true);
}

void Browser::Open(QTreeWidgetItem* item, bool doubleTap) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || !info.record || info.record->IsDeleted()) return;
  if (info.kind == kKindCard) {
    tree_->setCurrentItem(info.item);
    if (openCard) openCard(info.id);
    return;
  }
  if (!doubleTap && !context_.platform.isSmartphone) info.item->setExpanded(!info.item->isExpanded());
}

void Browser::Properties() {
  const ItemInfo info = ItemInfoOf();
  if (!info.item) return;
  storage::Wallet& wallet = context_.wallet;
  if (info.kind >= 100) {
    const int n = ViewNumber(info.position);
    dialogs::FolderProperties properties;
    properties.wallet = &wallet;
    properties.specialView = true;
    properties.viewNumber = info.kind;
    const storage::Text name = wallet.SpecialViewDisplayName(n);
    properties.viewName = std::u16string(name.data(), name.size());
    if (!dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone)) return;
    if (properties.viewName.empty()) return;
    wallet.SetSpecialView(n, properties.viewName, wallet.GetSpecialViewIcon(n));
    RebuildView(info.position, false);
    return;
  }
  if (info.kind == kKindCard) {
    Open(info.item, false);
    return;
  }
  if (!info.record) return;
  storage::RecordHeader folder = *info.record;
  dialogs::FolderProperties properties;
  properties.wallet = &wallet;
  properties.folder = &folder;
  properties.formsFolder = info.kind == kKindFormsFolder;
  properties.offerMainLevel = info.kind == kKindFolder && !folder.Parent().IsZero();
  const bool ok = dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone);
  if (!ok && !properties.iconOrFormChanged) return;
  if (ok && properties.mainLevel && info.kind == kKindFolder && !folder.Parent().IsZero()) {
    folder.ClearParent();
    folder.SetModified(platform::LocalTime());
  }
  if (wallet.IsReadOnly() || wallet.ReplaceFolder(folder) < 0) {
    ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
    RefreshItem(info.item);
    return;
  }
  InsertOrUpdate(folder.Id(), true);
}

void Browser::Cut() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.cut) return;
  ClearMarks();
  clipboard_.mode = BrowserClipboard::Cut;
  clipboard_.marked = clipboard_.cutItem = s.selected.item;
  SetCutLook(s.selected.item, true);
}

void Browser::Copy() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.copy) return;
  ClearMarks();
  clipboard_.mode = BrowserClipboard::Copy;
  clipboard_.marked = s.selected.item;
  if (s.selected.kind != kKindCard) return;
  storage::Card card;
  storage::Text text;
  if (context_.wallet.LoadCard(s.selected.id, &card) && storage::CardAsText(card, context_.wallet.Texts(), &text))
    if (ui::ClipboardService* clipboard = ui::ClipboardService::Instance())
      clipboard->CopySecret(ui::ToQString(text));
}

void Browser::Paste() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.paste) return;
  QTreeWidgetItem* destination = s.selected.kind == kKindCard ? s.selected.parentItem : s.selected.item;
  if (clipboard_.mode == BrowserClipboard::Cut) {
    Drop(destination);
    return;
  }
  if (clipboard_.mode != BrowserClipboard::Copy || s.marked.kind != kKindCard || !destination) return;
  const int destinationKind = KindOfItem(destination);
  if (destinationKind == kKindFavourites) {
    // A copied card pasted on the favourites becomes a favourite.
    AddToFavourites(clipboard_.marked);
    return;
  }
  if (destinationKind != kKindFolder && destinationKind != kKindFormsFolder) return;
  const int copy = context_.wallet.IsReadOnly()
                       ? -1
                       : context_.wallet.CopyCardInto(s.marked.position, PositionOf(destination));
  if (copy < 0) {
    ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
    return;
  }
  InsertOrUpdate(context_.wallet.At(copy)->Id(), true);
}

void Browser::Drop(QTreeWidgetItem* target) {
  QTreeWidgetItem* moved = clipboard_.marked;
  const int movedKind = KindOfItem(moved);
  auto nothing = [&] {
    SetDropHighlight(nullptr);
    ClearMarks();
    if (moved) Select(moved);
  };
  // A folder goes neither among the forms nor among the favourites: the
  // user is told so rather than left wondering why nothing happened.
  if (target && movedKind == kKindFolder) {
    const int targetKind = KindOfItem(target);
    const int placeKind = targetKind == kKindCard ? KindOfItem(target->parent()) : targetKind;
    if (placeKind == kKindFormsFolder || placeKind == kKindFavourites) {
      SetDropHighlight(nullptr);
      ClearMarks();
      ui::ShowMessage(owner_, kStrFolderNotAllowed, ui::kCaptionInformation, ui::MessageIcon::Information);
      Select(moved);
      return;
    }
  }
  const SelectionInfo s = SelectionOf(target);
  if (!s.caps.paste || !target || !moved || target == moved || target == moved->parent() ||
      moved == target->parent() ||
      (KindOfItem(target) == kKindCard && target->parent() == moved->parent())) {
    nothing();
    return;
  }
  QTreeWidgetItem* destination = KindOfItem(target) == kKindCard ? target->parent() : target;
  const int destinationKind = KindOfItem(destination);
  if (!destination || (destinationKind != kKindFolder && destinationKind != kKindFormsFolder &&
                       destinationKind != kKindFavourites)) {
    nothing();
    return;
  }
  SetDropHighlight(nullptr);
  ClearMarks();
  const ItemInfo info = ItemInfoOf(moved);
  if (destinationKind == kKindFolder) {
    if (movedKind == kKindFolder) {
      for (QTreeWidgetItem* up = destination; up; up = up->parent()) {
        if (up == moved) {
          Beep();
          return;
        }
      }
    }
    if (!info.record) return;
    storage::RecordHeader header = *info.record;
    header.SetParent(ItemInfoOf(destination).id);
    if (!WriteHeader(header)) {
      ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
      Select(moved);
      return;
    }
    std::vector<QTreeWidgetItem*> expanded;
    CollectExpanded(moved, &expanded);
    (moved->parent() ? moved->parent() : tree_->invisibleRootItem())->removeChild(moved);
    destination->addChild(moved);
    for (QTreeWidgetItem* open : expanded) open->setExpanded(true);
    PlaceSorted(moved);
    Select(moved);
    return;
  }
  if (movedKind != kKindCard) {
    ui::ShowMessage(owner_, kStrFolderNotAllowed, ui::kCaptionInformation, ui::MessageIcon::Information);
    Select(moved);
    return;
  }
  if (destinationKind == kKindFormsFolder) {
    Select(SaveToMyForms(moved));
  } else {
    Select(AddToFavourites(moved));
  }
}

bool Browser::DeleteSubtree(QTreeWidgetItem* item) {
  // Deepest records first, so that an interrupted delete never leaves a
  // record whose folder is gone.
  std::vector<std::pair<int, int>> order;   // position, depth
  std::vector<std::pair<QTreeWidgetItem*, int>> pending{{item, 0}};
  while (!pending.empty()) {
    auto [at, depth] = pending.back();
    pending.pop_back();
    order.emplace_back(PositionOf(at), depth);
    for (int i = 0; i < at->childCount(); ++i) pending.emplace_back(at->child(i), depth + 1);
  }
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& [position, depth] : order)
    if (!context_.wallet.DeleteRecord(position)) return false;
  return true;
}

void Browser::Delete() {
  const SelectionInfo s = SelectionOf();
  const ItemInfo& info = s.selected;
  if (!info.item) return;
  storage::Wallet& wallet = context_.wallet;
  auto ask = [&](const QString& text) {
    return ui::ShowMessageText(owner_, text, ui::kCaptionInformation, ui::MessageIcon::Question,
                               ui::Buttons::YesNo) == ui::Answer::Yes;
  };
  auto askAbout = [&](uint32_t number) {
    return ask(QStringLiteral("%1\n\n(%2)").arg(ui::Text(number), info.item->text(0)));
  };
  if (info.kind == kKindFavourites || info.kind == kKindFindResults) {
    Clear(info.position);
    return;
  }
  if (info.kind == kKindFormsFolder) {
    ui::ShowMessage(owner_, kStrFormsFolderStays, ui::kCaptionInformation, ui::MessageIcon::Information);
    return;
  }
  if (info.kind == kKindCard && (info.parentKind == kKindFavourites || info.parentKind == kKindFindResults)) {
    if (!askAbout(kStrRemoveReference)) return;
    if (info.parentKind == kKindFavourites) {
      wallet.RemoveFavourite(info.id);
      wallet.Options().changed = true;
      RebuildFavouritesView();
    } else {
      wallet.RemoveFindResult(info.position);
      RebuildFindResultsView(true);
    }
    return;
  }
  if (info.kind == kKindCard && (info.parentKind == kKindFormsFolder || info.parentKind == kKindFolder)) {
    if (!askAbout(info.parentKind == kKindFormsFolder ? kStrDeleteForm : kStrDeleteCard)) return;
    if (!wallet.DeleteRecord(info.position)) {
      ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
      return;
    }
    delete info.item;
    RebuildBothViews();
    return;
  }
  if (info.kind == kKindFolder) {
    int folders = 0, cards = 0;
    std::vector<QTreeWidgetItem*> pending{info.item};
    while (!pending.empty()) {
      QTreeWidgetItem* at = pending.back();
      pending.pop_back();
      (KindOfItem(at) == kKindCard ? cards : folders) += 1;
      for (int i = 0; i < at->childCount(); ++i) pending.push_back(at->child(i));
    }
    if (!ask(ui::ToQString(FormatMessage(ui::ToU16(ui::Text(kStrDeleteFolder)), folders, cards)))) return;
    const bool deleted = DeleteSubtree(info.item);
    if (!deleted) {
      ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
      // Whatever went is gone from the file: show the tree as the file has it.
      FillTree();
      return;
    }
    delete info.item;
    RebuildBothViews();
  }
}

void Browser::Clear(int marker) {
  storage::Wallet& wallet = context_.wallet;
  if (!wallet.IsOpen()) return;
  if (marker == storage::kFindResultsMarker) {
    wallet.ClearFindResults();
    RebuildFindResultsView(false);
  } else if (marker == storage::kFavouritesMarker) {
    wallet.ClearFavourites();
    wallet.Options().changed = true;
    RebuildFavouritesView();
  }
}

// --- rename ---

bool Browser::LabelEditAllowed(QTreeWidgetItem* item) const {
  return renameRequested_ && item && !(item->parent() && KindOfItem(item->parent()) >= 100);
}

void Browser::Rename() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (!item || !context_.wallet.IsOpen()) return;
  renameRequested_ = true;
  if (!LabelEditAllowed(item)) {
    renameRequested_ = false;
    return;
  }
  editing_ = item;
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  tree_->editItem(item, 0);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  if (!LabelEditOpen()) LabelEditEnded();
}

bool Browser::LabelEditOpen() const { return editing_ != nullptr && editor_ != nullptr; }

bool Browser::EndLabelEdit() {
  if (!LabelEditOpen()) return false;
  QLineEdit* editor = editor_;
  // Committing through the delegate, as Enter would.
  emit delegate_->commitData(editor);
  emit delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
  return true;
}

bool Browser::CommitLabel(QTreeWidgetItem* item, const QString& text) {
  if (text.isEmpty()) return false;
  storage::Wallet& wallet = context_.wallet;
  const int position = PositionOf(item);
  if (IsMarker(position)) {
    const int n = ViewNumber(position);
    wallet.SetSpecialView(n, ui::ToU16(text), wallet.GetSpecialViewIcon(n));
    RefreshItem(item);
    return true;
  }
  const storage::RecordHeader* record = wallet.At(position);
  if (!record || record->IsDeleted()) return false;
  storage::RecordHeader renamed = *record;
  const storage::Text before = renamed.Name();
  if (!renamed.SetName(ui::ToU16(text))) return false;
  if (renamed.Name() != before) {
    if (!WriteHeader(renamed)) {
      ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
      return false;
    }
  }
  item->setText(0, ui::ToQString(renamed.Name()));
  relabelled_ = item;
  return true;
}

void Browser::LabelEditEnded() {
  renameRequested_ = false;
  editing_ = nullptr;
  // The item finds its new place once the editor is gone: moving it while
  // the editor is open would close that editor under the view.
  if (!relabelled_) return;
  QMetaObject::invokeMethod(this, [this] {
    QTreeWidgetItem* item = relabelled_;
    relabelled_ = nullptr;
    if (!Contains(item)) return;
    PlaceSorted(item);
    RebuildBothViews();
    Select(item);
  }, Qt::QueuedConnection);
}

// --- favourites, forms, seek ---

QTreeWidgetItem* Browser::AddToFavourites(QTreeWidgetItem* item) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || info.kind != kKindCard || !info.parentItem || !info.record) return nullptr;
  storage::Wallet& wallet = context_.wallet;
  if (wallet.AddFavourite(info.id)) wallet.Options().changed = true;
  RebuildView(storage::kFavouritesMarker, true);
  QTreeWidgetItem* view = ViewItem(storage::kFavouritesMarker);
  if (!view) return nullptr;
  tree_->setCurrentItem(view);
  QTreeWidgetItem* child = FindItemByPosition(info.position, false, view);
  if (child) tree_->setCurrentItem(child);
  return child;
}

QTreeWidgetItem* Browser::SaveToMyForms(QTreeWidgetItem* item) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || info.kind != kKindCard || !info.record) return nullptr;
  storage::Wallet& wallet = context_.wallet;
  const int position = wallet.IsReadOnly() ? -1 : wallet.SaveCardAsForm(info.position);
  if (position < 0) {
    ui::ShowMessage(owner_, kStrCannotDelete, ui::kCaptionError, ui::MessageIcon::Stop);
    return nullptr;
  }
  const storage::RecordHeader* form = wallet.At(position);
  QTreeWidgetItem* forms = FindItemByPosition(wallet.FormsFolderPosition(), true);
  if (!form || !forms) return nullptr;
  storage::TreeNode node;
  node.position = position;
  node.kind = kKindCard;
  node.name = form->Name();
  node.icon = form->Icon();
  QTreeWidgetItem* added = MakeItem(node, nullptr);
  forms->addChild(added);
  PlaceSorted(added);
  return added;
}

void Browser::SeekToSource() {
  const ItemInfo info = ItemInfoOf();
  if (info.kind != kKindCard || (info.parentKind != kKindFavourites && info.parentKind != kKindFindResults)) return;
  Select(FindItemByPosition(info.position, true));
}

void Browser::ToggleTopLevel() {
  bool anyExpanded = false;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) anyExpanded |= tree_->topLevelItem(i)->isExpanded();
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) tree_->topLevelItem(i)->setExpanded(!anyExpanded);
  if (!tree_->currentItem() && tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
  tree_->setFocus();
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

// --- taps, keys and dragging ---

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
        if (dispatch) dispatch(kCmdFindMode);
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
      if (dispatch) QMetaObject::invokeMethod(this, [this] { dispatch(kCmdDeleteItem); }, Qt::QueuedConnection);
      return true;
    default:
      return false;
  }
}

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
  QTreeWidgetItem* over = tree_->viewport()->rect().contains(viewportPoint) ? ItemAtViewport(viewportPoint, false)
                                                                           : nullptr;
  if (over) {
    ui::PostPrivateMessage(owner_, ui::kMsgTreeDrop, 0, reinterpret_cast<qintptr>(over));
    return;
  }
  SetDropHighlight(nullptr);
  ClearMarks();
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
        QMetaObject::invokeMethod(this, [this, tapped] {
          if (Contains(tapped)) Open(tapped, false);
        }, Qt::QueuedConnection);
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
    default:
      return false;
  }
}

}  // namespace tb::shell
