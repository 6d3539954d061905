// The browser's tree: items made from the wallet's tree in the program's
// order, their icons and colours, the two views, finding, sorting and
// refreshing items.
#include "shell/browser/browser.h"

#include <QPainter>
#include <QTreeWidget>

#include "platform/core/system.h"
#include "platform/ui/colours.h"
#include "shell/startup/startup.h"
#include "storage/layout.h"

#include "shell/browser/browser_internal.h"

namespace tb::shell {

using namespace browser_detail;

int Browser::ImageOf(const storage::TreeNode& node) const {
  if (storage::IsSpecialViewKind(node.kind)) return node.icon + ui::kFirstBuiltInImage;
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
  if (storage::IsSpecialViewKind(kind)) {
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
  if (repairs && !storage::IsSpecialViewKind(node.kind) && node.icon >= ui::kBuiltInIconCount)
    repairs->push_back(node.position);
  item->setIcon(0, IconFor(ImageOf(node), node.underView));
  ApplyLook(item, node.kind);
  QList<QTreeWidgetItem*> children;
  children.reserve(qsizetype(node.children.size()));
  for (const auto& child : node.children)
    children << MakeItem(child, storage::IsSpecialViewKind(node.kind) ? nullptr : repairs);
  item->addChildren(children);
  return item;
}

namespace R = tb::storage::layout::record;

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
  if (QLineEdit* editor = editor_) emit delegate_->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
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
    if (!recursive || storage::IsSpecialViewKind(KindOfItem(item))) continue;
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
  const bool wasCurrent =
      old && (tree_->currentItem() == old || (tree_->currentItem() && tree_->currentItem()->parent() == old));
  RemoveItem(old);
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

void Browser::ApplyNameColours() {
  std::vector<QTreeWidgetItem*> pending;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) pending.push_back(tree_->topLevelItem(i));
  while (!pending.empty()) {
    QTreeWidgetItem* item = pending.back();
    pending.pop_back();
    ApplyLook(item, item->data(0, kRoleKind).toInt());
    for (int i = 0; i < item->childCount(); ++i) pending.push_back(item->child(i));
  }
}

void Browser::RefreshItem(QTreeWidgetItem* item) {
  const int position = PositionOf(item);
  if (storage::IsViewMarker(position)) {
    const int n = ViewNumber(position);
    item->setText(0, ui::ToQString(storage::ViewOfMarker(position) == storage::SpecialView::FindResults
                                       ? storage::FindResultsViewText(context_.wallet)
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
  node.underView = item->parent() && storage::IsSpecialViewKind(KindOfItem(item->parent()));
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
  if (parent) parent->addChild(item);
  else tree_->addTopLevelItem(item);
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

}  // namespace tb::shell
