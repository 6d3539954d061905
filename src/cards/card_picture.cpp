#include "cards/card_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

#include <limits>

namespace tb::cards {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// An uncompressed BMP must hold all the rows its header promises; the
// decoder would otherwise make up the missing ones.
bool BmpComplete(const uint8_t* data, size_t size) {
  if (size < 54) return false;
  const uint32_t offset = Le32(data + 10);
  const int32_t width = int32_t(Le32(data + 18));
  const int32_t height = int32_t(Le32(data + 22));
  const uint16_t bits = uint16_t(data[28] | (data[29] << 8));
  const uint32_t compression = Le32(data + 30);
  if (compression != 0 && compression != 3) return true;  // run-length: the decoder checks its codes
  if (width <= 0 || height == 0 || bits == 0) return false;
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
  return uint64_t(offset) + stride * rows <= size;
}

}  // namespace

uint32_t ValidPlacement(uint32_t placement) {
  return placement >= 1 && placement <= kPlacementTiled ? placement : kPlacementDefault;
}

QImage DecodePicture(const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > size_t(std::numeric_limits<int>::max())) return {};
  // The bytes are only read, never copied: the buffer lives for this call.
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format();
  if (format != "bmp" && format != "jpeg" && format != "gif" && format != "ico") return {};
  if (format == "bmp" && !BmpComplete(data, size)) return {};
  const QSize claimed = reader.size();
  if (!claimed.isValid() || claimed.isEmpty()) return {};
  if (int64_t(claimed.width()) * claimed.height() > kMaxPicturePixels) return {};
  QImage image;
  if (!reader.read(&image) || image.isNull()) return {};
  if (int64_t(image.width()) * image.height() > kMaxPicturePixels) return {};
  // Decoded JPEGs and BMPs are drawn as they come; a copy of a large
  // picture in another format would cost as much as decoding it.
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied) return image;
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QPoint PlacementOrigin(uint32_t placement, QSize image, QSize area) {
  const uint32_t p = ValidPlacement(placement);
  if (p == kPlacementTiled) return {0, 0};
  const int column = int((p - 1) % 3);  // 0 left, 1 centre, 2 right
  const int row = int((p - 1) / 3);     // 0 top, 1 middle, 2 bottom
  const auto offset = [](int where, int picture, int room) {
    if (picture >= room) return 0;
    return where == 0 ? 0 : where == 1 ? (room - picture) / 2 : room - picture;
  };
  return {offset(column, image.width(), area.width()), offset(row, image.height(), area.height())};
}

void BackgroundDrawer::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  composed_ = QImage();
  size_ = QSize();
}

const QImage& BackgroundDrawer::Compose(const QSize& area, uint32_t placement, const QColor& colour) {
  const uint32_t p = ValidPlacement(placement);
  if (!composed_.isNull() && size_ == area && placement_ == p && colour_ == colour) return composed_;
  size_ = area;
  placement_ = p;
  colour_ = colour;
  composed_ = QImage(area.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  composed_.fill(colour);
  if (!picture_.isNull()) {
    QPainter painter(&composed_);
    if (p == kPlacementTiled) {
      for (int y = 0; y < area.height(); y += picture_.height())
        for (int x = 0; x < area.width(); x += picture_.width()) painter.drawImage(QPoint(x, y), picture_);
    } else {
      painter.drawImage(PlacementOrigin(p, picture_.size(), area), picture_);
    }
  }
  ++compositions_;
  return composed_;
}

void BackgroundDrawer::Draw(QPainter& painter, const QSize& area, uint32_t placement, const QColor& colour) {
  if (picture_.isNull()) {
    painter.fillRect(QRect(QPoint(0, 0), area), colour);
    return;
  }
  painter.drawImage(QPoint(0, 0), Compose(area, placement, colour));
}

}  // namespace tb::cards
