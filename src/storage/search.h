#pragma once
// Finding cards by text: the term (trimmed, at most 63 characters,
// lower-cased, at least 2 characters) is looked for in each live card's
// name, then in each field's label and then its display text, in file
// order. At most 48 hits are kept in the wallet's find results.
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

}  // namespace tb::storage
