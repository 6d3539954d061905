#pragma once
// Helpers the browser's files share; not part of its interface.
#include <QTreeWidgetItem>

#include <vector>

#include "platform/ui/texts.h"
#include "shell/browser/browser.h"
#include "storage/tree_order.h"
#include "storage/wallet_views.h"

namespace tb::shell::browser_detail {

// The overlay image that marks a card shown as a reference in a view.
inline constexpr int kOverlayReference = 1;

// The number the wallet keeps a view's name and icon under.
inline int ViewNumber(int marker) { return storage::HeaderSlotOf(storage::ViewOfMarker(marker)); }

inline int KindOfItem(const QTreeWidgetItem* item) { return item ? item->data(0, kRoleKind).toInt() : 0; }
inline int PositionOf(const QTreeWidgetItem* item) { return item ? item->data(0, kRolePosition).toInt() : -1; }

inline storage::TreeItemKey KeyOf(const QTreeWidgetItem* item) {
  return {KindOfItem(item), storage::Text(ui::ToU16(item->text(0)))};
}

// The expanded items of a subtree, so that moving it keeps them open.
inline void CollectExpanded(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>* out) {
  if (item->isExpanded()) out->push_back(item);
  for (int i = 0; i < item->childCount(); ++i) CollectExpanded(item->child(i), out);
}

}  // namespace tb::shell::browser_detail
