#pragma once
// Finding cards by text: the term (trimmed, at most 63 characters,
// lower-cased, at least 2 characters) is looked for in each live card's
// name, then in each field's label and then its display text, in file
// order. At most 48 hits are kept in the wallet's find results.
#include <memory>
#include <string>
#include <string_view>

#include "storage/wallet.h"

namespace tb::storage {

inline constexpr size_t kMaxSearchTermUnits = 63;
inline constexpr size_t kMinSearchTermUnits = 2;

// The term Search looks for: trimmed of white space, cut to 63, lower-cased.
std::u16string NormaliseSearchTerm(std::u16string_view text);

// Fills wallet.findResults (and searchText when anything was found) and
// returns the number of hits; 0 when nothing was found or the term is too
// short. Card texts are deciphered only as long as they are needed.
int Search(Wallet& wallet, std::u16string_view text);

// The same search, run while the wallet opens: the cards are matched as
// the open reads them, so the file is read once for both. Made before
// Open, on the wallet that is then opened; Finish, after the open
// succeeded, fills the find results as Search would and returns the
// number of hits.
class SearchDuringOpen {
 public:
  SearchDuringOpen(Wallet& wallet, std::u16string_view text);
  ~SearchDuringOpen();
  SearchDuringOpen(const SearchDuringOpen&) = delete;
  SearchDuringOpen& operator=(const SearchDuringOpen&) = delete;
  int Finish();

 private:
  struct Matcher;
  Wallet& wallet_;
  std::u16string text_;
  std::unique_ptr<Matcher> matcher_;
};

}  // namespace tb::storage
