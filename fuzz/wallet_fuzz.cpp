// Fuzz target: a wallet file from outside, opened with the seeds' password
// and read through the way the program reads it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "platform/core/file.h"
#include "storage/card.h"
#include "storage/card_codec.h"
#include "storage/search.h"
#include "storage/services.h"
#include "storage/tree_order.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"

namespace tb::fuzz {
namespace {

using namespace tb::storage;

// Reads every byte of each own icon picture it is shown.
class TouchingObserver : public IconObserver {
 public:
  void OwnIconPicture(const uint8_t* id16, const uint8_t* bytes, size_t length) override {
    for (size_t i = 0; i < 16; ++i) sum += id16[i];
    for (size_t i = 0; i < length; ++i) sum += bytes[i];
  }
  unsigned sum = 0;
};

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "wallet fuzz: %s\n", what);
  std::abort();
}

unsigned Touch(const Text& t) {
  unsigned s = unsigned(t.size());
  for (char16_t c : t) s += c;
  return s;
}

unsigned TouchTree(const std::vector<TreeNode>& nodes, const Wallet& w, int depth) {
  if (depth > w.Count() + 4) Broken("the tree is deeper than the wallet has records");
  unsigned s = 0;
  for (const TreeNode& n : nodes) {
    const bool view =
        n.position == kFavouritesMarker || n.position == kFindResultsMarker || n.position == kThirdViewMarker;
    if (!view && (n.position < 0 || n.position >= w.Count())) Broken("a tree node names no record");
    s += Touch(n.name) + unsigned(n.icon) + TouchTree(n.children, w, depth + 1);
  }
  return s;
}

// What one card load gave, to compare before and after a purge.
struct Loaded {
  bool ok = false;
  size_t fields = 0;
  bool picture = false, sound = false;
  bool operator==(const Loaded&) const = default;
};

// Loads every card of the index and touches what it holds.
std::vector<Loaded> LoadEveryCard(Wallet& w, const TextSource& texts, unsigned* sum) {
  std::vector<Loaded> out;
  for (int i = 0; i < w.Count(); ++i) {
    const RecordHeader* h = w.At(i);
    if (!h) Broken("an index position holds nothing");
    *sum += unsigned(w.KindAt(i)) + unsigned(w.ParentFolderPosition(i));
    if (const RecordHeader* parent = w.ParentOf(i)) *sum += Touch(parent->Name());
    *sum += Touch(h->Name());
    if (!h->IsCard()) {
      out.push_back({});
      continue;
    }
    Card card;
    Loaded l;
    l.ok = w.LoadCard(h->Id(), &card);
    if (l.ok) {
      l.fields = card.fields.size();
      l.picture = card.picture.has_value();
      l.sound = card.sound.has_value();
      for (const Field& f : card.fields) {
        *sum += Touch(DisplayText(f, &texts)) + Touch(f.label);
        for (size_t k = 0; k < f.ItemCount(); ++k) *sum += Touch(*f.Item(k));
      }
      if (card.picture) *sum += unsigned(card.picture->bytes.size()) + Touch(card.picture->fileName);
      if (card.sound) *sum += unsigned(card.sound->bytes.size()) + Touch(card.sound->fileName);
      for (const auto& a : card.attachments)
        if (a) *sum += unsigned(a->bytes.size()) + Touch(a->fileName);
    }
    out.push_back(l);
  }
  return out;
}

void ReadThrough(Wallet& w, const TextSource& texts, unsigned* sum) {
  for (int n = 1; n <= 3; ++n) *sum += Touch(w.SpecialViewDisplayName(n)) + unsigned(w.GetSpecialViewIcon(n));
  if (auto hint = w.GetHint()) *sum += Touch(*hint);
  for (const RecordId& id : w.Favourites()) *sum += unsigned(w.FindRecord(id));
  for (const CardType& t : w.CardTypeList()) *sum += Touch(t.name);

  for (const std::u16string_view term : {u"ab", u"  A\u00c9 ", u"a"}) {
    const int hits = Search(w, term);
    if (hits != int(w.findResults.size()) || hits > kMaxFindResults) Broken("search miscounted its hits");
    for (int p : w.findResults)
      if (p < 0 || p >= w.Count() || !w.At(p)->IsCard()) Broken("a search hit is not a card");
  }
  *sum += TouchTree(BuildTree(w), w, 0) + Touch(FindResultsViewText(w));

  w.WalkRecords([&](const RecordHeader& h, const Wallet::BodyReader& read) {
    ByteSpan body;
    if (h.IsCard() && read(&body)) {
      Card card;
      DecodeCardBody(body, w.DataKey(), &card);
      *sum += unsigned(card.fields.size());
    }
    return true;
  });
}

}  // namespace
}  // namespace tb::fuzz

int FuzzWallet(const uint8_t* data, size_t size) {
  using namespace tb::fuzz;
  using tb::storage::OpenStatus;
  if (size < 1) return 0;
  const bool repair = (data[0] & kWalletModeRepair) != 0;
  ScratchFolder& scratch = ScratchFolder::Get();
  // A repair works on its own copy; the read-only file is never written.
  const std::string path = scratch.File(repair ? "repair.tbw" : "wallet.tbw");
  if (repair) tb::platform::RemoveFile(path + ".cut");
  if (!WriteScratchFile(path, data + 1, size - 1)) return 0;

  tb::test::FixedTexts texts;
  tb::test::AgreeToAll prompter;
  TouchingObserver icons;
  tb::storage::Wallet w;
  w.SetTextSource(&texts);
  w.SetIconObserver(&icons);
  if (w.Open(path, kWalletPassword, !repair, repair ? &prompter : nullptr) != OpenStatus::Ok) return 0;
  unsigned sum = icons.sum;
  const std::vector<Loaded> before = LoadEveryCard(w, texts, &sum);
  ReadThrough(w, texts, &sum);
  if (repair) {
    // Purging tombstones moves the live records; each must load as before.
    const int count = w.Count();
    w.PurgeTombstones();
    if (w.Count() != count) Broken("purging tombstones changed the index");
    if (LoadEveryCard(w, texts, &sum) != before) Broken("a card loads differently after the purge");
    ReadThrough(w, texts, &sum);
  }
  w.Close();
  // Keeps the reads above from being dropped as unused.
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
