// The browser's tree: which records it shows where, and in what order.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "storage/search.h"
#include "storage/tree_order.h"
#include "support/wallet_fixture.h"

namespace tb::storage {
namespace {

using test::TestWallet;

std::u16string Str(const Text& t) { return std::u16string(t.data(), t.size()); }

std::vector<std::u16string> Names(const std::vector<TreeNode>& nodes) {
  std::vector<std::u16string> names;
  for (const TreeNode& n : nodes) names.push_back(Str(n.name));
  return names;
}

const TreeNode* Child(const std::vector<TreeNode>& nodes, std::u16string_view name) {
  for (const TreeNode& n : nodes)
    if (Str(n.name) == name) return &n;
  return nullptr;
}

TEST(TreeOrder, ViewsFirstCardsBeforeFoldersFormsFolderLast) {
  std::vector<TreeItemKey> keys = {
      {1, u"b-card"}, {3, u"My Forms"}, {2, u"Z-folder"},       {100, u"Favorites"},
      {1, u"A-card"}, {2, u"a-folder"}, {200, u"Find Results"},
  };
  std::stable_sort(keys.begin(), keys.end(),
                   [](const TreeItemKey& a, const TreeItemKey& b) { return CompareTreeItems(a, b) < 0; });
  std::vector<std::u16string> order;
  for (const auto& k : keys) order.push_back(Str(k.name));
  EXPECT_EQ(order, (std::vector<std::u16string>{u"Find Results", u"Favorites", u"A-card", u"b-card", u"a-folder",
                                                u"Z-folder", u"My Forms"}));
}

TEST(TreeOrder, NamesCompareCaseInsensitivelyOverTheFirst63Characters) {
  const Text base(62, u'x');
  struct Case {
    TreeItemKey a, b;
    int sign;
  } cases[] = {
      {{1, u"ABC"}, {1, u"abc"}, 0},
      {{2, u"\u00C4rger"}, {2, u"\u00E4rger"}, 0},  // beyond ASCII too
      {{1, u"ab"}, {1, u"abc"}, -1},
      {{1, base + u"a" + u"zzz"}, {1, base + u"A" + u"aaa"}, 0},  // differ after 63 only
      {{1, base + u"a"}, {1, base + u"b"}, -1},                   // differ at the 63rd
      {{2, u"b"}, {1, u"z"}, 1},                                  // a folder after any card
      {{3, u"a"}, {2, u"z"}, 1},                                  // the forms folder after any folder
      {{300, u"a"}, {1, u"b"}, 0},                                // nothing else is told apart
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    const int r = CompareTreeItems(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    const int back = CompareTreeItems(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}

TEST(TreeOrder, SortTreeKeepsEqualItemsInOrderAndSortsEveryLevel) {
  std::vector<TreeNode> nodes(3);
  nodes[0] = {1, 2, u"B", 0, false, {}};
  nodes[1] = {2, 1, u"same", 0, false, {}};
  nodes[2] = {3, 1, u"SAME", 0, false, {}};
  nodes[0].children = {{4, 1, u"y", 0, false, {}}, {5, 1, u"X", 0, false, {}}};
  SortTree(nodes);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].position, 2);
  EXPECT_EQ(nodes[1].position, 3);
  EXPECT_EQ(nodes[2].position, 1);
  EXPECT_EQ(Names(nodes[2].children), (std::vector<std::u16string>{u"X", u"y"}));
}

TEST(BuildTree, TopLevelWithBothViews) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const int bCard = t.AddCard({}, u"b-card");
  t.AddFolder(u"Z-folder");
  const int aCard = t.AddCard({}, u"A-card");
  t.AddFolder(u"a-folder");
  ASSERT_TRUE(w.AddFavourite(t.IdAt(bCard)));

  std::vector<TreeNode> tree = BuildTree(w);
  EXPECT_EQ(Names(tree),
            (std::vector<std::u16string>{u"Favorites", u"A-card", u"b-card", u"a-folder", u"Z-folder", u"My Forms"}));

  ASSERT_EQ(Search(w, u"card"), 2);
  tree = BuildTree(w);
  EXPECT_EQ(Names(tree), (std::vector<std::u16string>{u"Find Results - 'card'", u"Favorites", u"A-card", u"b-card",
                                                      u"a-folder", u"Z-folder", u"My Forms"}));
  const TreeNode& found = tree[0];
  EXPECT_EQ(found.position, kFindResultsMarker);
  EXPECT_EQ(found.kind, 200);
  EXPECT_EQ(found.icon, w.GetSpecialViewIcon(2));
  ASSERT_EQ(found.children.size(), 2u);
  EXPECT_EQ(found.children[0].position, aCard);
  EXPECT_EQ(found.children[1].position, bCard);
  EXPECT_TRUE(found.children[0].underView);

  // The views can be left out.
  tree = BuildTree(w, TreeOptions{false, false});
  EXPECT_EQ(tree.size(), 5u);
  EXPECT_FALSE(tree[0].underView);
}

TEST(BuildTree, RecordsGoUnderTheirParentsWhateverTheFileOrder) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  const KeyContext* key = &w.DataKey();
  // Written children first: the parents turn up only later in the file.
  RecordHeader outer = NewFolderRecord({}, false, key);
  outer.SetName(u"Outer");
  RecordHeader inner = NewFolderRecord(outer.Id(), false, key);
  inner.SetName(u"Inner");
  Card deep = t.MakeCard(inner.Id(), u"Deep card");
  ASSERT_GE(w.AppendCard(deep), 0);
  ASSERT_GE(w.AppendRecord(inner), 0);
  ASSERT_GE(w.AppendRecord(outer), 0);
  t.AddCard(outer.Id(), u"Shallow card");
  // Not shown: a card whose folder does not exist, and two folders that
  // are each other's parent.
  RecordHeader loopA = NewFolderRecord({}, false, key);
  RecordHeader loopB = NewFolderRecord(loopA.Id(), false, key);
  loopA.SetParent(loopB.Id());
  loopA.SetName(u"Loop A");
  loopB.SetName(u"Loop B");
  ASSERT_GE(w.AppendRecord(loopA), 0);
  ASSERT_GE(w.AppendRecord(loopB), 0);
  t.AddCard(NewRecordId(), u"Orphan");
  t.AddCard(loopB.Id(), u"In the loop");

  for (int round = 0; round < 2; ++round) {  // as written, and as loaded from the file
    const std::vector<TreeNode> tree = BuildTree(w);
    EXPECT_EQ(Names(tree), (std::vector<std::u16string>{u"Outer", u"My Forms"}));
    const TreeNode* o = Child(tree, u"Outer");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->kind, 2);
    EXPECT_EQ(Names(o->children), (std::vector<std::u16string>{u"Shallow card", u"Inner"}));
    const TreeNode* i = Child(o->children, u"Inner");
    ASSERT_NE(i, nullptr);
    ASSERT_EQ(i->children.size(), 1u);
    EXPECT_EQ(Str(i->children[0].name), u"Deep card");
    EXPECT_EQ(i->children[0].position, w.FindRecord(deep.record.Id()));
    ASSERT_EQ(t.Reopen(), OpenStatus::Ok);
  }
}

TEST(BuildTree, RecordsNestedTooDeepAreLeftOut) {
  // A hostile file can nest its folders as deep as it has records; the
  // tree stops at kMaxTreeDepth levels instead of exhausting the stack.
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  RecordId parent{};
  for (int level = 1; level <= kMaxTreeDepth + 1; ++level) {
    const int position = t.AddFolder(u"Level", parent);
    ASSERT_GE(position, 0);
    parent = t.IdAt(position);
    if (level == kMaxTreeDepth - 1) t.AddCard(parent, u"Deepest shown");
  }
  t.AddCard(parent, u"Too deep");
  const std::vector<TreeNode> tree = BuildTree(w);
  const TreeNode* node = Child(tree, u"Level");
  int depth = 1;
  bool sawDeepest = false;
  for (; node && !node->children.empty(); ++depth) {
    for (const TreeNode& child : node->children) sawDeepest |= Str(child.name) == u"Deepest shown";
    EXPECT_EQ(Child(node->children, u"Too deep"), nullptr);
    node = Child(node->children, u"Level");
  }
  EXPECT_EQ(depth, kMaxTreeDepth);
  EXPECT_TRUE(sawDeepest);
}

TEST(BuildTree, NamesEqualInTheirFirst63CharactersStayInAlphabeticalOrder) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  const std::u16string base(63, u'n');
  t.AddCard({}, base + u"b");
  t.AddCard({}, base + u"A");
  t.AddCard({}, base + u"c");
  const std::vector<TreeNode> tree = BuildTree(t.wallet());
  EXPECT_EQ(Names(tree), (std::vector<std::u16string>{base + u"A", base + u"b", base + u"c", u"My Forms"}));
}

TEST(BuildTree, FavouritesViewListsTheCardsThatExist) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  w.SetSpecialView(1, u"Best", 7);
  const int folder = t.AddFolder(u"Folder");
  const int zeta = t.AddCard(t.IdAt(folder), u"zeta", {}, 12);
  const int alpha = t.AddCard(t.IdAt(folder), u"Alpha");
  const int gone = t.AddCard(t.IdAt(folder), u"Gone");
  ASSERT_TRUE(w.AddFavourite(t.IdAt(zeta)));
  ASSERT_TRUE(w.AddFavourite(NewRecordId()));   // no such record
  ASSERT_TRUE(w.AddFavourite(t.IdAt(folder)));  // not a card
  ASSERT_TRUE(w.AddFavourite(t.IdAt(alpha)));
  ASSERT_TRUE(w.AddFavourite(t.IdAt(gone)));
  ASSERT_TRUE(w.DeleteRecord(gone));

  const std::vector<TreeNode> tree = BuildTree(w);
  ASSERT_FALSE(tree.empty());
  const TreeNode& view = tree[0];
  EXPECT_EQ(view.position, kFavouritesMarker);
  EXPECT_EQ(view.kind, 100);
  EXPECT_EQ(Str(view.name), u"Best");
  EXPECT_EQ(view.icon, 7);
  ASSERT_EQ(view.children.size(), 2u);
  EXPECT_EQ(view.children[0].position, alpha);
  EXPECT_EQ(view.children[1].position, zeta);
  EXPECT_EQ(view.children[1].icon, 12);
  EXPECT_TRUE(view.children[0].underView && view.children[1].underView);
  // The cards stay in their folder as well.
  const TreeNode* f = Child(tree, u"Folder");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Names(f->children), (std::vector<std::u16string>{u"Alpha", u"zeta"}));
  EXPECT_FALSE(f->children[0].underView);

  w.ClearFavourites();
  EXPECT_EQ(Names(BuildTree(w)), (std::vector<std::u16string>{u"Folder", u"My Forms"}));
}

TEST(BuildTree, FindResultsViewText) {
  TestWallet t;
  ASSERT_TRUE(t.Ok());
  Wallet& w = t.wallet();
  EXPECT_EQ(Str(FindResultsViewText(w)), u"Find Results");
  w.searchText = u"pin";
  EXPECT_EQ(Str(FindResultsViewText(w)), u"Find Results - 'pin'");
  w.SetSpecialView(2, u"Hits", 5);
  w.searchText = ToText(std::u16string(127, u'q'));
  EXPECT_EQ(Str(FindResultsViewText(w)), u"Hits - '" + std::u16string(127, u'q') + u"'");
  w.SetSpecialView(2, std::u16string(63, u'v'), 5);
  EXPECT_EQ(FindResultsViewText(w).size(), 191u);
}

}  // namespace
}  // namespace tb::storage
