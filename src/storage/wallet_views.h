#pragma once
// The wallet-wide views of the browser. A tree item stands for a record by
// its index position, or for a view by one of the markers below; an item's
// kind is a RecordKind value (1 to 3) or the view's number.
namespace tb::storage {

enum class SpecialView : int { Favourites = 100, FindResults = 200, Third = 300 };

inline constexpr bool IsSpecialViewKind(int kind) { return kind >= int(SpecialView::Favourites); }

// Markers that stand for the views instead of index positions.
inline constexpr int kFavouritesMarker = 0x10000000;
inline constexpr int kFindResultsMarker = 0x20000000;
inline constexpr int kThirdViewMarker = 0x40000000;

inline constexpr bool IsViewMarker(int position) {
  return position == kFavouritesMarker || position == kFindResultsMarker || position == kThirdViewMarker;
}

// The view a marker stands for, and the other way round.
inline constexpr SpecialView ViewOfMarker(int marker) {
  return marker == kFavouritesMarker    ? SpecialView::Favourites
         : marker == kFindResultsMarker ? SpecialView::FindResults
                                        : SpecialView::Third;
}
inline constexpr int MarkerOf(SpecialView view) {
  return view == SpecialView::Favourites    ? kFavouritesMarker
         : view == SpecialView::FindResults ? kFindResultsMarker
                                            : kThirdViewMarker;
}
// The 1-based number the wallet header keeps the view's name and icon under.
inline constexpr int HeaderSlotOf(SpecialView view) { return int(view) / 100; }

}  // namespace tb::storage
