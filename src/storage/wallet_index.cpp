// The record index, favourites and find results of the open wallet.
#include <algorithm>
#include <cstring>

#include "storage/bytes.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace O = layout::options;

RecordHeader* Wallet::At(int position) {
  return (position >= 0 && position < Count()) ? &index_.Full(position) : nullptr;
}
const RecordHeader* Wallet::At(int position) const {
  return (position >= 0 && position < Count()) ? &index_.Full(position) : nullptr;
}

RecordId Wallet::IdAt(int position) const {
  return (position >= 0 && position < Count()) ? index_.Id(position) : RecordId{};
}
RecordId Wallet::ParentIdAt(int position) const {
  return (position >= 0 && position < Count()) ? index_.Parent(position) : RecordId{};
}
bool Wallet::IsDeletedAt(int position) const {
  return position >= 0 && position < Count() && index_.IsDeleted(position);
}
int32_t Wallet::IconAt(int position) const { return (position >= 0 && position < Count()) ? index_.Icon(position) : 0; }
uint64_t Wallet::FileOffsetAt(int position) const {
  return (position >= 0 && position < Count()) ? index_.FileOffset(position) : 0;
}
bool Wallet::NameAt(int position, Text* name) const {
  name->clear();
  return position >= 0 && position < Count() && index_.GetName(position, name);
}

int Wallet::FindRecord(const RecordId& id) const {
  if (id.IsZero()) return -1;
  return byId_.Find(id);
}

const RecordHeader* Wallet::ParentOf(int position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return At(FindRecord(index_.Parent(position)));
}

int Wallet::ParentFolderPosition(int position) const {
  if (position < 0 || position >= Count()) return -1;
  const int parent = FindRecord(index_.Parent(position));
  if (parent < 0 || parent >= Count()) return -1;
  const RecordKind kind = index_.Kind(parent);
  return (kind == RecordKind::Folder || kind == RecordKind::FormsFolder) ? parent : -1;
}

int Wallet::KindAt(int position) const {
  if (IsViewMarker(position)) return int(ViewOfMarker(position));
  return (position >= 0 && position < Count()) ? int(index_.Kind(position)) : 0;
}

int Wallet::FormsFolderPosition() const {
  for (int i = 0; i < Count(); ++i)
    if (index_.Kind(i) == RecordKind::FormsFolder && !index_.IsDeleted(i)) return i;
  return -1;
}

const RecordHeader* Wallet::FormsFolder() const { return At(FormsFolderPosition()); }

int Wallet::AddOrReplace(const RecordHeader& header) {
  const RecordId id = header.Id();
  const int known = byId_.Find(id);
  if (known >= 0) {
    // Replaced where it is: whoever holds the header sees the new one.
    index_.Replace(known, header);
    return known;
  }
  // Room in the table first, so that nothing fails once the header is in.
  byId_.Reserve(byId_.Count() + 1);
  const int position = index_.Add(header);
  byId_.Set(id, position);
  return position;
}

void Wallet::IndexLoadedRecord(const RecordHeader& header) {
  AddOrReplace(header);  // a second live record with one id: the later one in the file wins
}

// --- favourites ----------------------------------------------------------

namespace {
uint8_t* FavouriteSlot(WalletOptions& o, size_t i) { return o.raw.data() + O::kFavourites + 16 * i; }
const uint8_t* FavouriteSlot(const WalletOptions& o, size_t i) { return o.raw.data() + O::kFavourites + 16 * i; }
}  // namespace

size_t Wallet::FavouritesCount() const {
  size_t n = 0;
  for (size_t i = 0; i < kMaxFavourites; ++i)
    if (!AllZero(FavouriteSlot(options_, i), 16)) ++n;
  return n;
}

std::vector<RecordId> Wallet::Favourites() const {
  std::vector<RecordId> ids;
  for (size_t i = 0; i < kMaxFavourites; ++i)
    if (!AllZero(FavouriteSlot(options_, i), 16)) ids.push_back(RecordId::FromBytes(FavouriteSlot(options_, i)));
  return ids;
}

bool Wallet::IsFavourite(const RecordId& id) const {
  if (id.IsZero()) return false;
  for (size_t i = 0; i < kMaxFavourites; ++i)
    if (std::memcmp(FavouriteSlot(options_, i), id.bytes.data(), 16) == 0) return true;
  return false;
}

bool Wallet::AddFavourite(const RecordId& id) {
  if (id.IsZero() || IsFavourite(id)) return false;
  for (size_t i = 0; i < kMaxFavourites; ++i) {
    if (AllZero(FavouriteSlot(options_, i), 16)) {
      id.StoreTo(FavouriteSlot(options_, i));
      options_.AddFlags(O::kFlagFavouritesChanged);
      options_.Touch();
      return true;
    }
  }
  return false;
}

void Wallet::RemoveFavourite(const RecordId& id) {
  if (id.IsZero()) return;
  for (size_t i = 0; i < kMaxFavourites; ++i) {
    if (std::memcmp(FavouriteSlot(options_, i), id.bytes.data(), 16) != 0) continue;
    // The entries after it move down by one; the last becomes empty.
    std::memmove(FavouriteSlot(options_, i), FavouriteSlot(options_, i + 1), 16 * (kMaxFavourites - 1 - i));
    std::memset(FavouriteSlot(options_, kMaxFavourites - 1), 0, 16);
    options_.AddFlags(O::kFlagFavouritesChanged);
    options_.Touch();
    return;
  }
}

void Wallet::ClearFavourites() {
  std::memset(FavouriteSlot(options_, 0), 0, 16 * kMaxFavourites);
  options_.AddFlags(O::kFlagFavouritesChanged);
  options_.Touch();
}

// --- find results --------------------------------------------------------

void Wallet::RemoveFindResult(int position) {
  const auto it = std::find(findResults.begin(), findResults.end(), position);
  if (it != findResults.end()) findResults.erase(it);
  if (findResults.empty()) searchText.clear();
}

void Wallet::ClearFindResults() {
  findResults.clear();
  searchText.clear();
}

}  // namespace tb::storage
