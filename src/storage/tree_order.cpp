#include "storage/tree_order.h"

#include <algorithm>
#include <string_view>

#include "platform/core/text_convert.h"

namespace tb::storage {

namespace {

constexpr int kCardKind = int(RecordKind::Card);
constexpr int kFolderKind = int(RecordKind::Folder);
constexpr int kFormsFolderKind = int(RecordKind::FormsFolder);
constexpr int kFavouritesKind = int(SpecialView::Favourites);
constexpr int kFindResultsKind = int(SpecialView::FindResults);
// Names are told apart by their first 63 characters only.
constexpr size_t kComparedNameUnits = 63;
constexpr size_t kMaxFindResultsViewText = 191;

inline char16_t Lower(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  return platform::ToLowerChar(c);
}

// Case-insensitive comparison of the first `limit` units of two names.
int CompareNames(std::u16string_view a, std::u16string_view b, size_t limit) {
  const size_t la = std::min(a.size(), limit);
  const size_t lb = std::min(b.size(), limit);
  const size_t n = std::min(la, lb);
  for (size_t i = 0; i < n; ++i) {
    const char16_t ca = Lower(a[i]);
    const char16_t cb = Lower(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (la == lb) return 0;
  return la < lb ? -1 : 1;
}

int CompareKeys(int kindA, std::u16string_view nameA, int kindB, std::u16string_view nameB) {
  // The views sit on top: find results first, favourites next.
  if ((kindA == kFindResultsKind) != (kindB == kFindResultsKind)) return kindA == kFindResultsKind ? -1 : 1;
  if ((kindA == kFavouritesKind) != (kindB == kFavouritesKind)) return kindA == kFavouritesKind ? -1 : 1;
  if ((kindA == kFormsFolderKind) != (kindB == kFormsFolderKind)) return kindA == kFormsFolderKind ? 1 : -1;
  if (kindA == kCardKind && kindB == kFolderKind) return -1;
  if (kindA == kFolderKind && kindB == kCardKind) return 1;
  if (kindA == kindB && (kindA == kCardKind || kindA == kFolderKind))
    return CompareNames(nameA, nameB, kComparedNameUnits);
  return 0;
}

std::u16string_view View(const Text& t) { return std::u16string_view(t.data(), t.size()); }

bool NodeBefore(const TreeNode& a, const TreeNode& b) {
  return CompareKeys(a.kind, View(a.name), b.kind, View(b.name)) < 0;
}

// The tree control inserts every item in alphabetical order of its whole
// text; the later sort only reorders what it tells apart, so this order
// decides among names equal in their first 63 characters.
void InsertAlphabetically(std::vector<TreeNode>& nodes) {
  std::stable_sort(nodes.begin(), nodes.end(), [](const TreeNode& a, const TreeNode& b) {
    return CompareNames(View(a.name), View(b.name), SIZE_MAX) < 0;
  });
}

// Every record's place in the tree, worked out as the repeated filling
// passes over the index would find it, without repeating the passes.
struct Placement {
  int parent = -1;     // position of the parent record; -1 = top level
  int pass = 0;        // the pass that places it; 0 = not placed (yet)
  int depth = 0;       // 1 at the top level
  bool never = false;  // its parent chain never reaches the top level
};

class TreeBuilder {
 public:
  explicit TreeBuilder(const Wallet& wallet) : wallet_(wallet), n_(wallet.Count()) { places_.resize(size_t(n_)); }

  std::vector<TreeNode> Build(const TreeOptions& options) {
    ResolvePlacements();
    // Children in the order the passes would insert them: pass by pass,
    // and within a pass in index order.
    std::vector<int> order;
    order.reserve(size_t(n_));
    for (int i = 0; i < n_; ++i)
      if (places_[size_t(i)].pass > 0) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return places_[size_t(a)].pass < places_[size_t(b)].pass; });
    children_.assign(size_t(n_), {});
    std::vector<int> top;
    for (int i : order) {
      const int parent = places_[size_t(i)].parent;
      if (parent < 0) top.push_back(i);
      else children_[size_t(parent)].push_back(i);
    }

    std::vector<TreeNode> tree;
    tree.reserve(top.size() + 2);
    for (int i : top) tree.push_back(NodeFor(i));
    InsertAlphabetically(tree);

    if (options.favouritesView) AddFavouritesView(tree);
    if (options.findResultsView) AddFindResultsView(tree);
    SortTree(tree);
    return tree;
  }

 private:
  // The tree reads names, kinds and parents only: no header is unpacked.
  bool Live(int position) const { return position >= 0 && position < n_ && !wallet_.IsDeletedAt(position); }

  void ResolvePlacements() {
    for (int i = 0; i < n_; ++i) {
      Placement& p = places_[size_t(i)];
      if (!Live(i)) {
        p.never = true;
        continue;
      }
      const RecordId parent = wallet_.ParentIdAt(i);
      p.parent = parent.IsZero() ? -1 : wallet_.FindRecord(parent);
      if (!parent.IsZero() && (p.parent < 0 || !Live(p.parent))) p.never = true;
      if (parent.IsZero()) {
        p.pass = 1;
        p.depth = 1;
      }
    }
    // Follow each parent chain up to a placed record (or to a dead end or
    // a loop), then hand the passes back down the chain.
    std::vector<int> chain;
    std::vector<uint8_t> onChain(size_t(n_), 0);
    for (int i = 0; i < n_; ++i) {
      chain.clear();
      int at = i;
      while (places_[size_t(at)].pass == 0 && !places_[size_t(at)].never && !onChain[size_t(at)]) {
        onChain[size_t(at)] = 1;
        chain.push_back(at);
        at = places_[size_t(at)].parent;
      }
      const Placement& end = places_[size_t(at)];
      const bool reachesTop = end.pass > 0 && !onChain[size_t(at)];
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Placement& p = places_[size_t(*it)];
        onChain[size_t(*it)] = 0;
        const Placement& parent = places_[size_t(p.parent)];
        // Below a record nested too deep nothing is shown either.
        if (!reachesTop || parent.never || parent.depth >= kMaxTreeDepth) {
          p.never = true;
          continue;
        }
        // A record before its parent in the index waits for the next pass;
        // one after it is placed in the same pass.
        p.pass = parent.pass + (*it < p.parent ? 1 : 0);
        p.depth = parent.depth + 1;
      }
    }
  }

  TreeNode RecordNode(int position, bool underView) {
    TreeNode node;
    node.position = position;
    node.kind = wallet_.KindAt(position);
    // Deciphered straight into the node: a record is shown once, or at
    // most once more in a view.
    wallet_.NameAt(position, &node.name);
    node.icon = wallet_.IconAt(position);
    node.underView = underView;
    return node;
  }

  TreeNode NodeFor(int position) {
    TreeNode node = RecordNode(position, false);
    const std::vector<int>& kids = children_[size_t(position)];
    if (!kids.empty()) {
      node.children.reserve(kids.size());
      for (int child : kids) node.children.push_back(NodeFor(child));
      InsertAlphabetically(node.children);
    }
    return node;
  }

  void AddFavouritesView(std::vector<TreeNode>& tree) {
    const std::vector<RecordId> ids = wallet_.Favourites();
    if (ids.empty()) return;
    TreeNode view;
    view.position = kFavouritesMarker;
    view.kind = kFavouritesKind;
    view.name = wallet_.SpecialViewDisplayName(HeaderSlotOf(SpecialView::Favourites));
    view.icon = wallet_.GetSpecialViewIcon(HeaderSlotOf(SpecialView::Favourites));
    for (const RecordId& id : ids) {
      const int position = wallet_.FindRecord(id);
      if (!Live(position) || wallet_.KindAt(position) != int(RecordKind::Card)) continue;
      // One child per card, even when a damaged list names it twice.
      const bool listed = std::any_of(view.children.begin(), view.children.end(),
                                      [&](const TreeNode& c) { return c.position == position; });
      if (!listed) view.children.push_back(RecordNode(position, true));
    }
    InsertAlphabetically(view.children);
    tree.insert(tree.begin(), std::move(view));
  }

  void AddFindResultsView(std::vector<TreeNode>& tree) {
    if (wallet_.findResults.empty()) return;
    TreeNode view;
    view.position = kFindResultsMarker;
    view.kind = kFindResultsKind;
    view.name = FindResultsViewText(wallet_);
    view.icon = wallet_.GetSpecialViewIcon(HeaderSlotOf(SpecialView::FindResults));
    for (int position : wallet_.findResults)
      if (Live(position)) view.children.push_back(RecordNode(position, true));
    InsertAlphabetically(view.children);
    tree.insert(tree.begin(), std::move(view));
  }

  const Wallet& wallet_;
  const int n_;
  std::vector<Placement> places_;
  std::vector<std::vector<int>> children_;
};

}  // namespace

int CompareTreeItems(const TreeItemKey& a, const TreeItemKey& b) {
  return CompareKeys(a.kind, View(a.name), b.kind, View(b.name));
}

void SortTree(std::vector<TreeNode>& nodes) {
  std::stable_sort(nodes.begin(), nodes.end(), NodeBefore);
  for (TreeNode& node : nodes)
    if (!node.children.empty()) SortTree(node.children);
}

std::vector<TreeNode> BuildTree(const Wallet& wallet, TreeOptions options) {
  if (!wallet.IsOpen()) return {};
  TreeBuilder builder(wallet);
  return builder.Build(options);
}

Text FindResultsViewText(const Wallet& wallet) {
  Text text = wallet.SpecialViewDisplayName(HeaderSlotOf(SpecialView::FindResults));
  if (!wallet.searchText.empty()) {
    text += u" - '";
    text += wallet.searchText;
    text += u"'";
  }
  if (text.size() > kMaxFindResultsViewText) {
    size_t keep = kMaxFindResultsViewText;
    // Never leave half of a surrogate pair at the end.
    if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
    SecureWipe(text.data() + keep, (text.size() - keep) * sizeof(char16_t));
    text.resize(keep);
  }
  return text;
}

}  // namespace tb::storage
