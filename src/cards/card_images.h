#pragma once
// The card window's own small pictures: the 23-image strip of its icon
// buttons (bitmap 186, 16 pixels a picture; 187, 32 pixels, above 96 dots
// per inch) and the two "..." pictures of the text fields' button
// (bitmap 180, 8 pixels, up to 96 dots per inch; 181, 16 pixels, above).
#include <QIcon>
#include <QImage>

namespace tb::cards {

inline constexpr int kStripBitmap = 186;
inline constexpr int kStripBitmapLarge = 187;
inline constexpr int kEllipsisBitmap = 180;
inline constexpr int kEllipsisBitmapLarge = 181;
inline constexpr int kStripImageCount = 23;

// Pictures of the strip, in strip order.
enum StripImage {
  kStripEdit,
  kStripCopyText,
  kStripAttachments,
  kStripDeleteCard,
  kStripCut,
  kStripCopy,
  kStripPaste,
  kStripClear,
  kStripSelectAll,
  kStripFormDesign,
  kStripTextColors,
  kStripBackground,
  kStripSound,
  kStripIcon,
  kStripAddField,
  kStripDeleteField,
  kStripUp,
  kStripDown,
  kStripTop,
  kStripBottom,
  kStripCopyField,
  kStripEditSelection,
  kStripDone,
};

// The strip's bitmap at a density, and its picture size.
int StripBitmap(int dpi);
int StripImageSize(int bitmap);
// Picture index of the strip (transparent background); null for an index
// outside the strip or another bitmap.
QImage StripImage(int bitmap, int index);

// The "..." bitmap at a density and its picture size.
int EllipsisBitmap(int dpi);
int EllipsisImageSize(int bitmap);
// Image 0: black dots (the button's normal face); image 1: white dots (the
// focused, black face). Green (0, 255, 0) is the mask colour and comes out
// transparent.
QImage EllipsisImage(int bitmap, int index);

}  // namespace tb::cards
