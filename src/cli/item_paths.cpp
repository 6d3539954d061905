#include "cli/item_paths.h"

#include <algorithm>
#include <ostream>

#include "cli/session.h"
#include "storage/record_ops.h"
#include "storage/string_numbers.h"

namespace tb::cli {

namespace {

bool SameName(const storage::Text& name, std::u16string_view wanted) {
  return std::u16string_view(name.data(), name.size()) == wanted;
}
}  // namespace

std::u16string EscapeName(std::u16string_view name) {
  std::u16string out;
  out.reserve(name.size());
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\') out.push_back(u'\\');
    out.push_back(c);
  }
  return out;
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts(1);
  bool endsWithSeparator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    endsWithSeparator = false;
    if (c == u'\\' && i + 1 < path.size() && (path[i + 1] == u'/' || path[i + 1] == u'\\')) {
      parts.back().push_back(path[++i]);
    } else if (c == u'/') {
      parts.emplace_back();
      endsWithSeparator = true;
    } else {
      parts.back().push_back(c);
    }
  }
  // "/Folder" and "Folder/" both name the folder; "/" alone names nothing.
  if (!path.empty() && path.front() == u'/') parts.erase(parts.begin());
  if (endsWithSeparator && !parts.empty()) parts.pop_back();
  if (parts.size() == 1 && parts.front().empty()) parts.clear();
  return parts;
}

std::u16string PathOf(const storage::Wallet& wallet, int position) {
  std::vector<std::u16string> names;
  const storage::RecordHeader* h = wallet.At(position);
  // A damaged file could hold a loop of parents; no real chain is longer
  // than the index.
  for (int depth = 0; h && depth <= wallet.Count(); ++depth) {
    const storage::Text name = h->Name();
    names.push_back(EscapeName(std::u16string_view(name.data(), name.size())));
    if (h->Parent().IsZero()) break;
    const int parent = wallet.FindRecord(h->Parent());
    h = parent >= 0 ? wallet.At(parent) : nullptr;
    if (!h) names.push_back(u"?");
  }
  std::u16string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.empty()) path.push_back(u'/');
    path += *it;
  }
  return path;
}

std::vector<int> ResolveItem(const storage::Wallet& wallet, std::u16string_view text) {
  if (text.size() == 32) {
    std::string ascii;
    for (char16_t c : text) ascii.push_back(c < 128 ? char(c) : '?');
    if (auto id = storage::RecordId::FromHex(ascii)) {
      const int position = wallet.FindRecord(*id);
      if (position >= 0) return {position};
    }
  }
  return ResolvePath(wallet, SplitPath(text));
}

std::vector<int> ResolvePath(const storage::Wallet& wallet, const std::vector<std::u16string>& parts) {
  if (parts.empty()) return {};
  std::vector<storage::RecordId> parents{storage::RecordId{}};
  std::vector<int> matches;
  for (size_t level = 0; level < parts.size(); ++level) {
    matches.clear();
    for (int p = 0; p < wallet.Count(); ++p) {
      if (!storage::IsLiveAt(wallet, p)) continue;
      const storage::RecordHeader* h = wallet.At(p);
      if (std::find(parents.begin(), parents.end(), h->Parent()) == parents.end()) continue;
      if (SameName(h->Name(), parts[level])) matches.push_back(p);
    }
    // The forms folder is also known by its name in the current language,
    // whatever language named it when the wallet was made.
    if (level == 0 && matches.empty() && wallet.Texts() &&
        parts[0] == wallet.Texts()->Text(storage::kStrFormsFolderName) && wallet.FormsFolderPosition() >= 0)
      matches.push_back(wallet.FormsFolderPosition());
    parents.clear();
    for (int p : matches)
      if (wallet.At(p)->IsFolderLike()) parents.push_back(wallet.At(p)->Id());
    if (level + 1 < parts.size() && parents.empty()) return {};
  }
  return matches;
}

int ResolveOne(Session& s, const storage::Wallet& wallet, const std::string& arg, int* position) {
  std::u16string text;
  if (!ArgumentText(arg, &text)) return s.Usage("the item name is not UTF-8");
  const std::vector<int> found = ResolveItem(wallet, text);
  if (found.empty()) {
    // "ls" lists the views too; their lines are references, not places.
    const std::vector<std::u16string> parts = SplitPath(text);
    for (int n = 1; n <= 3 && !parts.empty(); ++n) {
      const storage::Text view = wallet.SpecialViewDisplayName(n);
      if (parts.front() == std::u16string_view(view.data(), view.size()))
        return s.Fail("no item " + arg + " in the wallet (" + Printable(Utf8(view)) +
                      " is a view: name its cards by their folders or ids)");
    }
    return s.Fail("no item " + arg + " in the wallet");
  }
  if (found.size() > 1) {
    std::string message = arg + " names " + std::to_string(found.size()) + " items; name one by its id:";
    for (int p : found) message += "\n  " + wallet.At(p)->Id().Hex() + "  " + Printable(Utf8(PathOf(wallet, p)));
    return s.Fail(message);
  }
  *position = found.front();
  return kExitOk;
}

}  // namespace tb::cli
