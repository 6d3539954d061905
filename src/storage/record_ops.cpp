#include "storage/record_ops.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace tb::storage {

namespace {

// The positions below root (not root itself), each with its depth, found
// over the records' parent ids. A loop of parents in a damaged file is
// walked once.
std::vector<std::pair<int, int>> Below(const Wallet& wallet, int root) {
  std::multimap<RecordId, int> children;
  for (int p = 0; p < wallet.Count(); ++p)
    if (p != root && IsLiveAt(wallet, p)) children.emplace(wallet.At(p)->Parent(), p);
  std::vector<std::pair<int, int>> found;
  std::vector<bool> seen(size_t(wallet.Count()), false);
  std::vector<std::pair<RecordId, int>> pending{{wallet.At(root)->Id(), 0}};
  while (!pending.empty()) {
    const auto [id, depth] = pending.back();
    pending.pop_back();
    const auto range = children.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) {
      if (seen[size_t(it->second)]) continue;
      seen[size_t(it->second)] = true;
      found.emplace_back(it->second, depth + 1);
      const RecordHeader* h = wallet.At(it->second);
      if (h->IsFolderLike()) pending.emplace_back(h->Id(), depth + 1);
    }
  }
  return found;
}

}  // namespace

bool IsLiveAt(const Wallet& wallet, int position) {
  return position >= 0 && position < wallet.Count() && !wallet.IsDeletedAt(position) &&
         wallet.FindRecord(wallet.IdAt(position)) == position;
}

MoveStatus CanMoveInto(const Wallet& wallet, int moved, int destination) {
  if (!IsLiveAt(wallet, moved) || (destination >= 0 && !IsLiveAt(wallet, destination)) || destination < -1)
    return MoveStatus::NotFound;
  const RecordHeader* h = wallet.At(moved);
  if (h->Kind() == RecordKind::FormsFolder) return MoveStatus::FormsFolder;
  if (destination < 0) return MoveStatus::Ok;
  const RecordHeader* to = wallet.At(destination);
  if (to->Kind() == RecordKind::FormsFolder) return MoveStatus::IntoFormsFolder;
  if (!to->IsFolderLike()) return MoveStatus::NotAFolder;
  if (!h->IsFolderLike()) return MoveStatus::Ok;
  // Up from the destination: the moved folder must not be on the way. No
  // real chain is longer than the index (a damaged file may hold a loop).
  const RecordHeader* up = to;
  for (int steps = 0; up && steps <= wallet.Count(); ++steps) {
    if (up->Id() == h->Id()) return MoveStatus::IntoItself;
    if (up->Parent().IsZero()) break;
    const int parent = wallet.FindRecord(up->Parent());
    up = parent >= 0 ? wallet.At(parent) : nullptr;
  }
  return MoveStatus::Ok;
}

MoveStatus MoveInto(Wallet& wallet, int moved, int destination) {
  const MoveStatus allowed = CanMoveInto(wallet, moved, destination);
  if (allowed != MoveStatus::Ok) return allowed;
  RecordHeader h = *wallet.At(moved);
  const RecordId parent = destination < 0 ? RecordId{} : wallet.At(destination)->Id();
  if (h.Parent() == parent) return MoveStatus::Ok;
  if (destination < 0) h.ClearParent();
  else h.SetParent(parent);
  return wallet.RewriteRecordInPlace(h) ? MoveStatus::Ok : MoveStatus::WriteFailed;
}

SubtreeCounts CountSubtree(const Wallet& wallet, int position) {
  SubtreeCounts counts;
  if (!IsLiveAt(wallet, position)) return counts;
  auto count = [&](int p) { (wallet.At(p)->IsCard() ? counts.cards : counts.folders) += 1; };
  count(position);
  if (wallet.At(position)->IsFolderLike())
    for (const auto& [p, depth] : Below(wallet, position)) count(p);
  return counts;
}

DeleteResult DeleteSubtree(Wallet& wallet, int position) {
  DeleteResult result;
  if (!IsLiveAt(wallet, position)) {
    result.status = DeleteStatus::NotFound;
    return result;
  }
  if (wallet.At(position)->Kind() == RecordKind::FormsFolder) {
    result.status = DeleteStatus::FormsFolder;
    return result;
  }
  std::vector<int> order;
  if (wallet.At(position)->IsFolderLike()) {
    std::vector<std::pair<int, int>> below = Below(wallet, position);
    std::stable_sort(below.begin(), below.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& [p, depth] : below) order.push_back(p);
  }
  order.push_back(position);
  result.total = int(order.size());
  for (int p : order) {
    if (!wallet.DeleteRecord(p)) {
      result.status = DeleteStatus::WriteFailed;
      return result;
    }
    ++result.deleted;
  }
  return result;
}

}  // namespace tb::storage
