#include "storage/search.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/bytes.h"
#include "storage/card_codec.h"
#include "storage/forms/field_kinds.h"
#include "storage/layout.h"
#include "storage/string_numbers.h"

namespace tb::storage {

namespace {

constexpr size_t kSearchedNameUnits = 256;
constexpr size_t kSearchedFields = 256;
// The work buffer holds 49152 units with room for a terminator.
constexpr size_t kSearchedTextUnits = 49151;
constexpr size_t kMaxStoredSearchText = 127;

bool IsWhiteSpace(char16_t c) {
  switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000: return true;
    default: return c >= 0x2000 && c <= 0x200A;
  }
}

inline char16_t Lower(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  return platform::ToLowerChar(c);
}

template <typename S>
void LowerInPlace(S& s) {
  // Most texts are ASCII: checked in one pass, then lowered without a
  // branch per character.
  char16_t any = 0;
  for (char16_t c : s) any |= c;
  if (any < 0x80) {
    for (char16_t& c : s) c = char16_t(c + ((unsigned(c) - u'A' < 26u) ? 32 : 0));
    return;
  }
  for (char16_t& c : s) c = Lower(c);
}

// The state of one search, with buffers reused from card to card so that
// the scan does not allocate per field. They hold deciphered texts and
// live in wiped storage.
class CardSearch {
 public:
  CardSearch(Wallet& wallet, std::u16string_view term) : wallet_(wallet), term_(term) {
    std::u16string_view yes = wallet.TextOf(kStrYes);
    std::u16string_view no = wallet.TextOf(kStrNo);
    yesWord_.assign(yes.data(), yes.size());
    noWord_.assign(no.data(), no.size());
    LowerInPlace(yesWord_);
    LowerInPlace(noWord_);
  }
  ~CardSearch() {
    SecureWipe(name_.data(), name_.size() * sizeof(char16_t));
    SecureWipe(text_.data(), text_.size() * sizeof(char16_t));
  }

  // False when the walk should stop (enough hits, or the body could not
  // be read).
  bool Visit(const RecordHeader& h, const Wallet::BodyReader& readBody) {
    if (!h.IsCard() || h.IsDeleted()) return true;
    const int position = wallet_.FindRecord(h.Id());
    if (position < 0) return true;
    // Two live copies with one id: only the one the index holds counts
    // (the later one in the file); an earlier copy is stale.
    const uint64_t knownOffset = wallet_.FileOffsetAt(position);
    if (knownOffset != 0 && h.fileOffset != 0 && knownOffset != h.fileOffset) return true;
    bool hit = false;
    if (!Matches(h, readBody, &hit)) return false;
    if (!hit) return true;
    return AddResult(wallet_, position);
  }

  // Whether the card's name or fields hold the term; false when its body
  // could not be read.
  bool Matches(const RecordHeader& h, const Wallet::BodyReader& readBody, bool* hit) {
    *hit = NameMatches(h);
    if (*hit) return true;
    ByteSpan body;
    if (!readBody(&body)) return false;
    *hit = BodyMatches(body, wallet_.DataKey());
    return true;
  }

  // Adds a hit unless it is listed already (without a known offset a second
  // copy could report the card again); false once the results are full.
  static bool AddResult(Wallet& wallet, int position) {
    for (int found : wallet.findResults)
      if (found == position) return int(wallet.findResults.size()) < kMaxFindResults;
    wallet.findResults.push_back(position);
    return int(wallet.findResults.size()) < kMaxFindResults;
  }

 private:
  bool Contains(std::u16string_view text) const { return text.find(term_) != std::u16string_view::npos; }

  bool NameMatches(const RecordHeader& h) {
    if (!h.GetName(&name_)) return false;
    if (name_.size() > kSearchedNameUnits) name_.resize(kSearchedNameUnits);
    if (name_.size() < 2) return false;
    LowerInPlace(name_);
    return Contains(std::u16string_view(name_.data(), name_.size()));
  }

  // Deciphers one text piece of a field into the work buffer, cut to its
  // length and lower-cased; false when it does not fit.
  bool TextPiece(ByteSpan content, size_t offset, uint32_t stored, uint32_t padding, const KeyContext& key) {
    if (!DecipherText(content, offset, stored, padding, key, &text_)) {
      text_.clear();
      return false;
    }
    if (text_.size() > kSearchedTextUnits) text_.resize(kSearchedTextUnits);
    LowerInPlace(text_);
    return true;
  }

  bool FieldMatches(ByteSpan content, const KeyContext& key) {
    FieldLayout l;
    if (!ParseFieldLayout(content, &l)) return false;
    ++fieldsSeen_;
    if (TextPiece(content, l.labelOffset, l.labelStored, l.labelPadding, key) && !text_.empty() && Contains(TextView()))
      return true;
    switch (AsFieldKind(l.kind)) {
      case FieldKind::Date:
      case FieldKind::Time:
      case FieldKind::DateTime: {
        const platform::SystemTime t = platform::SystemTime::LoadFrom(content.data() + layout::field::kDateTime);
        if (t.IsZero()) return false;
        std::u16string shown;
        if (AsFieldKind(l.kind) == FieldKind::Time) {
          shown = platform::FormatTime(t);
        } else {
          shown = platform::FormatShortDate(t);
          if (AsFieldKind(l.kind) == FieldKind::DateTime) {
            shown += u"  ";
            shown += platform::FormatTime(t);
          }
        }
        LowerInPlace(shown);
        const bool found = Contains(shown);
        SecureWipe(shown.data(), shown.size() * sizeof(char16_t));
        return found;
      }
      case FieldKind::CheckBox: {
        if (!TextPiece(content, l.valueOffset, l.valueStored, l.valuePadding, key)) return false;
        const std::u16string_view v = TextView();
        if (v == u"1") return Contains(yesWord_);
        if (v == u"0") return Contains(noWord_);
        return false;
      }
      default: return TextPiece(content, l.valueOffset, l.valueStored, l.valuePadding, key) && Contains(TextView());
    }
  }

  bool BodyMatches(ByteSpan body, const KeyContext& key) {
    if (body.size() < layout::attributes::kSize) return false;
    fieldsSeen_ = 0;
    bool hit = false;
    struct Walk {
      CardSearch* self;
      const KeyContext* key;
      bool* hit;
    } walk{this, &key, &hit};
    // One pointer, so the callback needs no allocation of its own.
    const Walk* w = &walk;
    WalkCardItems(body, [w](uint32_t type, ByteSpan content) {
      if (type != layout::item::kField) return true;
      if (w->self->fieldsSeen_ >= kSearchedFields) return false;
      if (w->self->FieldMatches(content, *w->key)) {
        *w->hit = true;
        return false;
      }
      return true;
    });
    return hit;
  }

  std::u16string_view TextView() const { return std::u16string_view(text_.data(), text_.size()); }

  Wallet& wallet_;
  std::u16string_view term_;
  Text name_;
  Text text_;
  std::u16string yesWord_, noWord_;
  size_t fieldsSeen_ = 0;
};

}  // namespace

std::u16string NormaliseSearchTerm(std::u16string_view text) {
  size_t start = 0;
  while (start < text.size() && IsWhiteSpace(text[start])) ++start;
  std::u16string term(text.substr(start, kMaxSearchTermUnits));
  while (!term.empty() && IsWhiteSpace(term.back())) term.pop_back();
  LowerInPlace(term);
  return term;
}

namespace {
void KeepSearchText(Wallet& wallet, std::u16string_view text) {
  if (wallet.findResults.empty()) return;
  size_t keep = std::min(text.size(), kMaxStoredSearchText);
  if (keep < text.size() && keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  wallet.searchText = ToText(text.substr(0, keep));
}
}  // namespace

int Search(Wallet& wallet, std::u16string_view text) {
  wallet.ClearFindResults();
  const std::u16string term = NormaliseSearchTerm(text);
  if (term.size() < kMinSearchTermUnits || !wallet.IsOpen()) return 0;
  {
    CardSearch search(wallet, term);
    // A walk that ends on damage or a read error keeps what it found.
    wallet.WalkRecords(
        [&search](const RecordHeader& h, const Wallet::BodyReader& readBody) { return search.Visit(h, readBody); });
  }
  KeepSearchText(wallet, text);
  return int(wallet.findResults.size());
}

// While the open reads the records, every live card is matched and the
// offsets of the matching ones noted; once the index is complete, a hit
// counts only when it is the copy the index holds (the later one of two
// with one id), so the results are those Search finds.
struct SearchDuringOpen::Matcher : Wallet::LoadObserver {
  Matcher(Wallet& w, std::u16string_view t) : wallet(w), term(NormaliseSearchTerm(t)) {}
  ~Matcher() override = default;

  void LoadStarted() override {
    hits.clear();
    search.reset();
    complete = true;
  }
  bool RecordLoaded(const RecordHeader& h, const Wallet::BodyReader& readBody) override {
    if (term.size() < kMinSearchTermUnits) return false;
    if (!h.IsCard() || h.IsDeleted()) return true;
    if (!search) search = std::make_unique<CardSearch>(wallet, term);
    bool hit = false;
    if (!search->Matches(h, readBody, &hit)) {
      // As a walk that ends on a read error: what was found stays.
      complete = false;
      return false;
    }
    if (hit) hits.push_back({h.fileOffset, h.Id()});
    return true;
  }

  Wallet& wallet;
  const std::u16string term;
  std::unique_ptr<CardSearch> search;
  std::vector<std::pair<uint64_t, RecordId>> hits;  // matching cards by file offset, in file order
  bool complete = true;
};

SearchDuringOpen::SearchDuringOpen(Wallet& wallet, std::u16string_view text)
    : wallet_(wallet), text_(text), matcher_(std::make_unique<Matcher>(wallet, text)) {
  wallet_.SetLoadObserver(matcher_.get());
}

SearchDuringOpen::~SearchDuringOpen() { wallet_.SetLoadObserver(nullptr); }

int SearchDuringOpen::Finish() {
  wallet_.SetLoadObserver(nullptr);
  wallet_.ClearFindResults();
  matcher_->search.reset();
  if (matcher_->term.size() < kMinSearchTermUnits || !wallet_.IsOpen()) return 0;
  for (const auto& [offset, id] : matcher_->hits) {
    const int position = wallet_.FindRecord(id);
    if (position < 0) continue;
    // A copy at another offset than the index's is stale.
    const uint64_t knownOffset = wallet_.FileOffsetAt(position);
    if (knownOffset != 0 && knownOffset != offset) continue;
    if (!CardSearch::AddResult(wallet_, position)) break;
  }
  KeepSearchText(wallet_, text_);
  return int(wallet_.findResults.size());
}

}  // namespace tb::storage
