#pragma once
// A card's background picture: decoded in memory by what its bytes are
// (never through a file, never by the stored type alone), and drawn over
// the card's colour at one of ten placements. The composed background is
// made once for a picture, placement, size and colour, and reused for
// every repaint until one of them changes.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstddef>
#include <cstdint>

class QPainter;
class QRect;

namespace tb::cards {

// Pictures above this many pixels are not decoded (a header may claim
// 60000 × 60000 and ask for gigabytes).
inline constexpr int64_t kMaxPicturePixels = 40'000'000;

// Placements: 1 to 9 are the corners, edges and centre (row by row from
// the top left); 10 tiles the picture from the top-left corner.
inline constexpr uint32_t kPlacementTiled = 10;
inline constexpr uint32_t kPlacementDefault = 9;  // bottom right
// A stored placement outside 1 to 10 is drawn (and stored back) as 9.
uint32_t ValidPlacement(uint32_t placement);

// The picture of a BMP, JPEG, GIF or icon file in data; a null image when
// the bytes are none of them, are damaged, or are too large.
QImage DecodePicture(const uint8_t* data, size_t size);

// Where a picture of size image goes in area at placement 1 to 9: centred
// or aligned right or bottom only where it is smaller than the area; a
// larger one starts at the left or top edge and is clipped.
QPoint PlacementOrigin(uint32_t placement, QSize image, QSize area);

class BackgroundDrawer {
 public:
  // A new picture (null: none); the composition is made again.
  void SetPicture(QImage picture);
  bool HasPicture() const { return !picture_.isNull(); }
  const QImage& Picture() const { return picture_; }

  // Fills area (at the painter's origin) with the colour and the picture at
  // placement. Without a picture it fills the colour alone.
  void Draw(QPainter& painter, const QSize& area, uint32_t placement, const QColor& colour);

  // The composed background for area, made when anything changed.
  const QImage& Compose(const QSize& area, uint32_t placement, const QColor& colour);
  // How many times a background was composed (for tests and benchmarks).
  int Compositions() const { return compositions_; }

 private:
  QImage picture_;
  QImage composed_;
  QSize size_;
  uint32_t placement_ = 0;
  QColor colour_;
  int compositions_ = 0;
};

}  // namespace tb::cards
