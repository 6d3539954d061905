#pragma once
// The browser's tree of an open wallet, in the program's own order, as
// plain data: the command line, the exporters and the desktop browser all
// list a wallet the same way.
//
// Filling: records are placed under their parents in repeated passes over
// the index (a record whose parent is never found is not shown, nor one
// nested deeper than kMaxTreeDepth levels); the
// favourites view and the find-results view come first when they have
// entries. Order among siblings: find results, favourites, then cards
// before folders, cards and folders each by name (case-insensitive, first
// 63 characters), the forms folder last.
#include <cstdint>
#include <vector>

#include "storage/cipher/secure.h"
#include "storage/wallet.h"

namespace tb::storage {

// Levels of the tree, the top level being 1. Real wallets nest folders a
// few levels deep; a file that nests its records further is damaged or
// hostile, and a tree that deep would overflow the stack of every walk
// over it (building, sorting, showing, freeing).
inline constexpr int kMaxTreeDepth = 512;

// What the order looks at for one tree item.
struct TreeItemKey {
  int kind = 0;  // RecordKind value 1..3, or the SpecialView number of a view
  Text name;
};

// Negative when a comes first, 0 when they compare equal, positive otherwise.
int CompareTreeItems(const TreeItemKey& a, const TreeItemKey& b);

struct TreeNode {
  int position = -1;       // RecordIndex position, or a view marker (kFavouritesMarker...)
  int kind = 0;            // as in TreeItemKey
  Text name;               // the record's name, or the view's display name
  int32_t icon = 0;        // the record's icon number, or the view's icon
  bool underView = false;  // a card shown as a reference inside a view
  std::vector<TreeNode> children;
};

struct TreeOptions {
  bool favouritesView = true;
  bool findResultsView = true;
};

// The whole tree, sorted.
std::vector<TreeNode> BuildTree(const Wallet& wallet, TreeOptions options = {});

// Sorts siblings (and recursively their children) with CompareTreeItems;
// equal items keep their order.
void SortTree(std::vector<TreeNode>& nodes);

// The text of the find-results view: its name, then " - '" search "'" when
// a search text is stored; at most 191 characters.
Text FindResultsViewText(const Wallet& wallet);

}  // namespace tb::storage
