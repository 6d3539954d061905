#include "strength/password_audit.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/core/system.h"
#include "storage/forms/field_kinds.h"
#include "storage/tree_order.h"

namespace tb::strength {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr unsigned kMaxThreads = 8;
// Below this many distinct values a second thread costs more than it saves.
constexpr size_t kValuesPerThread = 64;

// One Password field as read, its value kept in wiped memory until the
// report is made.
struct Candidate {
  int position;
  storage::RecordId card;
  size_t field;
  storage::Text label;
  storage::Text value;
  bool old;
  size_t distinct = SIZE_MAX;  // index of its value among the distinct values
};

bool IsOld(const platform::SystemTime& modified, const platform::SystemTime& now, int staleDays) {
  if (!platform::IsValidSystemTime(modified)) return false;  // no date: nothing to judge by
  return platform::ToEpochSeconds(now) - platform::ToEpochSeconds(modified) > int64_t(staleDays) * kSecondsPerDay;
}

// The cards of the tree in the browser's order, the forms folder left out.
std::vector<int> CardsInTreeOrder(const storage::Wallet& wallet) {
  storage::TreeOptions options;
  options.favouritesView = false;
  options.findResultsView = false;
  const std::vector<storage::TreeNode> tree = storage::BuildTree(wallet, options);
  std::vector<int> cards;
  std::vector<const storage::TreeNode*> pending;
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) pending.push_back(&*it);
  while (!pending.empty()) {
    const storage::TreeNode* node = pending.back();
    pending.pop_back();
    if (node->kind == int(storage::RecordKind::FormsFolder)) continue;
    if (node->kind == int(storage::RecordKind::Card)) cards.push_back(node->position);
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(&*it);
  }
  return cards;
}

// Estimates every value, spread over a few threads: zxcvbn keeps no state
// between calls, and the estimates are by far the slowest part.
std::vector<Strength> EstimateAll(const std::vector<const storage::Text*>& values, unsigned threads) {
  std::vector<Strength> results(values.size());
  if (threads == 0) threads = std::max(1u, std::min(kMaxThreads, std::thread::hardware_concurrency()));
  threads = unsigned(std::min<size_t>(threads, std::max<size_t>(1, values.size() / kValuesPerThread)));
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next++; i < values.size(); i = next++)
      results[i] = Estimate(std::u16string_view(values[i]->data(), values[i]->size()));
  };
  std::vector<std::thread> helpers;
  try {
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones running and this one finish the work.
  }
  work();
  for (std::thread& t : helpers) t.join();
  return results;
}

}  // namespace

std::string_view FindingKey(uint32_t finding) {
  switch (finding) {
    case kFindingEmpty: return "empty";
    case kFindingVeryWeak: return "very_weak";
    case kFindingWeak: return "weak";
    case kFindingReused: return "reused";
    case kFindingOld: return "old";
  }
  return "";
}

uint32_t FindingNameString(uint32_t finding) {
  switch (finding) {
    case kFindingEmpty: return audit_text::kEmpty;
    case kFindingVeryWeak: return audit_text::kVeryWeak;
    case kFindingWeak: return audit_text::kWeak;
    case kFindingReused: return audit_text::kReused;
    case kFindingOld: return audit_text::kOld;
  }
  return 0;
}

int AuditCounts::Of(uint32_t finding) const {
  switch (finding) {
    case kFindingEmpty: return empty;
    case kFindingVeryWeak: return veryWeak;
    case kFindingWeak: return weak;
    case kFindingReused: return reused;
    case kFindingOld: return old;
  }
  return 0;
}

AuditReport AuditPasswords(storage::Wallet& wallet, const AuditOptions& options) {
  AuditReport report;
  const platform::SystemTime now = options.now.IsZero() ? platform::LocalTime() : options.now;

  // Read the Password fields, one card at a time.
  std::vector<Candidate> candidates;
  for (const int position : CardsInTreeOrder(wallet)) {
    const storage::RecordHeader* h = wallet.At(position);
    storage::Card card;
    if (!h || !wallet.LoadCard(h->Id(), &card)) {
      ++report.unreadableCards;
      continue;
    }
    const bool old = IsOld(card.record.Modified(), now, options.staleDays);
    bool any = false;
    for (size_t f = 0; f < card.fields.size(); ++f) {
      storage::Field& field = card.fields[f];
      if (field.kind != uint16_t(storage::FieldKind::Password)) continue;
      any = true;
      candidates.push_back({position, h->Id(), f, std::move(field.label), std::move(field.value), old});
    }
    if (any) ++report.counts.cards;
  }
  report.counts.fields = int(candidates.size());

  // Equal values side by side; each run of them is one distinct value.
  std::vector<size_t> byValue;
  for (size_t i = 0; i < candidates.size(); ++i)
    if (!candidates[i].value.empty()) byValue.push_back(i);
  std::stable_sort(byValue.begin(), byValue.end(),
                   [&](size_t a, size_t b) { return candidates[a].value < candidates[b].value; });
  std::vector<const storage::Text*> distinct;
  std::vector<std::vector<size_t>> sharing;  // per distinct value: its candidates
  for (size_t k = 0; k < byValue.size(); ++k) {
    Candidate& c = candidates[byValue[k]];
    if (distinct.empty() || *distinct.back() != c.value) {
      distinct.push_back(&c.value);
      sharing.emplace_back();
    }
    c.distinct = distinct.size() - 1;
    sharing.back().push_back(byValue[k]);
  }
  const std::vector<Strength> strengths = EstimateAll(distinct, options.threads);

  // Findings per field; a value is reused when it is on two or more cards.
  std::vector<uint32_t> findings(candidates.size(), 0);
  std::vector<bool> reusedValue(distinct.size(), false);
  for (size_t d = 0; d < sharing.size(); ++d) {
    const std::vector<size_t>& group = sharing[d];
    reusedValue[d] = std::any_of(group.begin(), group.end(),
                                 [&](size_t i) { return candidates[i].position != candidates[group[0]].position; });
  }
  for (size_t i = 0; i < candidates.size(); ++i) {
    const Candidate& c = candidates[i];
    uint32_t& f = findings[i];
    if (c.value.empty()) {
      f |= kFindingEmpty;
    } else {
      const StrengthStep step = strengths[c.distinct].step;
      if (step == StrengthStep::VeryWeak) f |= kFindingVeryWeak;
      if (step == StrengthStep::Weak) f |= kFindingWeak;
      if (reusedValue[c.distinct]) f |= kFindingReused;
    }
    if (c.old) f |= kFindingOld;
  }

  // The entries in card order, then the reuse groups over them.
  std::vector<size_t> entryOf(candidates.size(), SIZE_MAX);
  int lastFlagged = -1;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (!findings[i]) continue;
    Candidate& c = candidates[i];
    AuditEntry e;
    e.card = c.card;
    e.position = c.position;
    e.field = c.field;
    e.label = std::move(c.label);
    e.findings = findings[i];
    if (!c.value.empty()) e.strength = strengths[c.distinct];
    entryOf[i] = report.entries.size();
    report.entries.push_back(std::move(e));
    AuditCounts& n = report.counts;
    if (findings[i] & kFindingEmpty) ++n.empty;
    if (findings[i] & kFindingVeryWeak) ++n.veryWeak;
    if (findings[i] & kFindingWeak) ++n.weak;
    if (findings[i] & kFindingReused) ++n.reused;
    if (findings[i] & kFindingOld) ++n.old;
    if (c.position != lastFlagged) ++n.flaggedCards;
    lastFlagged = c.position;
  }
  std::vector<int> groupOfValue(distinct.size(), -1);
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (!(findings[i] & kFindingReused)) continue;
    const size_t d = candidates[i].distinct;
    if (groupOfValue[d] < 0) {
      groupOfValue[d] = int(report.reuseGroups.size());
      report.reuseGroups.emplace_back();
    }
    report.reuseGroups[size_t(groupOfValue[d])].push_back(entryOf[i]);
    report.entries[entryOf[i]].reuseGroup = groupOfValue[d];
  }
  return report;
}

std::vector<storage::RecordId> ReusedWith(const AuditReport& report, size_t entry, size_t limit, size_t* total) {
  std::vector<storage::RecordId> others;
  size_t count = 0;
  if (entry >= report.entries.size() || report.entries[entry].reuseGroup < 0) {
    if (total) *total = 0;
    return others;
  }
  const AuditEntry& self = report.entries[entry];
  int lastPosition = -1;
  // A card's entries stand together in a group, so each card is taken once.
  for (const size_t e : report.reuseGroups[size_t(self.reuseGroup)]) {
    const AuditEntry& other = report.entries[e];
    if (other.position == self.position || other.position == lastPosition) continue;
    lastPosition = other.position;
    if (count++ < limit) others.push_back(other.card);
  }
  if (total) *total = count;
  return others;
}

}  // namespace tb::strength
