#include "interchange/csv_export.h"

#include <vector>

#include "interchange/csv.h"
#include "interchange/csv_import.h"
#include "interchange/text_export.h"
#include "storage/format_text.h"
#include "storage/forms/field_kinds.h"
#include "storage/tree_order.h"

namespace tb::interchange {

namespace {

using storage::Text;

std::u16string_view View(const Text& t) { return std::u16string_view(t.data(), t.size()); }

struct Row {
  Text folder, name, kinds;
  std::vector<std::pair<Text, Text>> fields;
};

// The names of a record's folders from the top level down.
std::vector<std::u16string> FolderNames(const storage::Wallet& wallet, const storage::RecordHeader& card) {
  std::vector<std::u16string> names;
  int position = wallet.FindRecord(card.Parent());
  for (int depth = 0; position >= 0 && depth <= storage::kMaxTreeDepth; ++depth) {
    const storage::RecordHeader* h = wallet.At(position);
    if (!h || !h->IsFolderLike()) break;
    names.insert(names.begin(), storage::ToU16(h->Name()));
    if (h->Parent().IsZero()) break;
    position = wallet.FindRecord(h->Parent());
  }
  return names;
}

Row RowOf(const storage::Wallet& wallet, const storage::Card& card, bool includePasswords) {
  Row row;
  row.folder = storage::ToText(JoinFolderPath(FolderNames(wallet, card.record)));
  row.name = card.record.Name();
  std::vector<uint16_t> kinds;
  for (const storage::Field& f : card.fields) {
    kinds.push_back(f.kind);
    Text value;
    if (storage::IsDateTimeKind(storage::FieldKind(f.kind)))
      value = storage::ToText(IsoDateTimeText(f.kind, f.dateTime));
    else if (f.kind != uint16_t(storage::FieldKind::Password) || includePasswords) value = f.value;
    row.fields.emplace_back(f.label, std::move(value));
  }
  row.kinds = storage::ToText(KindsText(kinds));
  return row;
}

// The cards of a subtree of the browser's tree, in its order.
void CollectCards(const std::vector<storage::TreeNode>& nodes, bool skipFormsFolder, std::vector<int>* cards) {
  std::vector<const storage::TreeNode*> pending;
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) pending.push_back(&*it);
  while (!pending.empty()) {
    const storage::TreeNode* node = pending.back();
    pending.pop_back();
    if (skipFormsFolder && node->kind == int(storage::RecordKind::FormsFolder)) continue;
    if (node->kind == int(storage::RecordKind::Card)) cards->push_back(node->position);
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(&*it);
  }
}

const storage::TreeNode* FindNode(const std::vector<storage::TreeNode>& nodes, int position) {
  std::vector<const storage::TreeNode*> pending;
  for (const auto& n : nodes) pending.push_back(&n);
  while (!pending.empty()) {
    const storage::TreeNode* node = pending.back();
    pending.pop_back();
    if (node->position == position) return node;
    for (const auto& c : node->children) pending.push_back(&c);
  }
  return nullptr;
}

}  // namespace

CsvExportResult ExportCsv(storage::Wallet& wallet, const std::optional<storage::RecordId>& item,
                          const CsvExportOptions& options) {
  CsvExportResult result;
  storage::TreeOptions treeOptions;
  treeOptions.favouritesView = false;
  treeOptions.findResultsView = false;
  const std::vector<storage::TreeNode> tree = storage::BuildTree(wallet, treeOptions);
  std::vector<int> positions;
  std::u16string baseName;
  if (!item) {
    CollectCards(tree, true, &positions);
    baseName = WalletName(wallet.Path());
  } else {
    const int position = wallet.FindRecord(*item);
    const storage::RecordHeader* h = wallet.At(position);
    if (position < 0 || !h) return result;
    if (h->IsCard()) {
      positions.push_back(position);
    } else {
      const storage::TreeNode* node = FindNode(tree, position);
      if (!node) return result;
      CollectCards({*node}, false, &positions);
    }
    baseName = storage::ToU16(h->Name());
  }

  std::vector<Row> rows;
  size_t widest = 0;
  for (const int position : positions) {
    storage::Card card;
    const storage::RecordHeader* h = wallet.At(position);
    if (!h || !wallet.LoadCard(h->Id(), &card)) {
      ++result.unreadableCards;
      continue;
    }
    rows.push_back(RowOf(wallet, card, options.includePasswords));
    widest = std::max(widest, rows.back().fields.size());
  }

  CsvWriter csv;
  for (const char16_t* name : kOwnColumns) csv.Value(name);
  for (size_t i = 1; i <= widest; ++i) {
    const std::u16string n = storage::FormatText(u"%d", {int64_t(i)});
    csv.Value(u"Label " + n);
    csv.Value(u"Value " + n);
  }
  csv.EndRow();
  for (const Row& row : rows) {
    csv.Value(View(row.folder));
    csv.Value(View(row.name));
    csv.Value(View(row.kinds));
    for (size_t i = 0; i < widest; ++i) {
      csv.Value(i < row.fields.size() ? View(row.fields[i].first) : std::u16string_view());
      csv.Value(i < row.fields.size() ? View(row.fields[i].second) : std::u16string_view());
    }
    csv.EndRow();
  }

  const std::string path = options.outputFolder + "/" + FitFileName(u"", SafeFileName(baseName, u"Export"), u".csv");
  if (!WriteReplacing(options.outputFolder, path, csv.Bytes().data(), csv.Bytes().size())) return result;
  result.written = true;
  result.path = path;
  result.cards = int(rows.size());
  return result;
}

}  // namespace tb::interchange
