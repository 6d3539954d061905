#include "cards/card_images.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tb::cards {
namespace {

// Every strip picture is drawn on a 16-unit square and scaled.
void DrawStrip(QPainter& p, int index) {
  const QColor ink(0x20, 0x20, 0x20);
  const QColor blue(0x1E, 0x5A, 0xC8);
  const QColor red(0xC8, 0x28, 0x28);
  const QColor paper(Qt::white);
  QPen pen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  auto page = [&](qreal x, qreal y, qreal w, qreal h) {
    p.setBrush(paper);
    p.drawRect(QRectF(x, y, w, h));
    p.setBrush(Qt::NoBrush);
  };
  auto arrow = [&](bool up, bool bar) {
    p.setPen(QPen(blue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal tip = up ? 3 : 13, tail = up ? 13 : 3;
    p.drawLine(QPointF(8, tip), QPointF(8, tail));
    p.drawLine(QPointF(8, tip), QPointF(4, up ? tip + 4 : tip - 4));
    p.drawLine(QPointF(8, tip), QPointF(12, up ? tip + 4 : tip - 4));
    if (bar) p.drawLine(QPointF(3, up ? 1.5 : 14.5), QPointF(13, up ? 1.5 : 14.5));
  };
  switch (index) {
    case kStripEdit: {  // a pencil
      QPainterPath body;
      body.moveTo(3, 13);
      body.lineTo(4, 10);
      body.lineTo(11, 3);
      body.lineTo(13, 5);
      body.lineTo(6, 12);
      body.closeSubpath();
      p.setBrush(QColor(0xF0, 0xC0, 0x30));
      p.drawPath(body);
      p.drawLine(QPointF(10, 4), QPointF(12, 6));
      break;
    }
    case kStripCopyText:
    case kStripCopy:
    case kStripCopyField:
      page(2, 2, 8, 10);
      page(6, 5, 8, 10);
      if (index == kStripCopyText) {
        p.drawLine(QPointF(8, 8), QPointF(12, 8));
        p.drawLine(QPointF(8, 10.5), QPointF(12, 10.5));
        p.drawLine(QPointF(8, 13), QPointF(11, 13));
      }
      if (index == kStripCopyField) {
        p.setPen(QPen(blue, 1.5));
        p.drawLine(QPointF(8, 10), QPointF(12, 10));
      }
      break;
    case kStripAttachments: {  // a paper clip
      QPainterPath clip;
      clip.moveTo(10, 5);
      clip.lineTo(10, 12);
      clip.arcTo(QRectF(6, 10, 4, 4), 0, -180);
      clip.lineTo(6, 3.5);
      clip.arcTo(QRectF(6, 1.5, 6, 4), 180, -180);
      clip.lineTo(12, 12.5);
      p.setPen(QPen(ink, 1.3));
      p.drawPath(clip);
      break;
    }
    case kStripDeleteCard:
      page(3, 2, 10, 12);
      p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(5.5, 5), QPointF(10.5, 11));
      p.drawLine(QPointF(10.5, 5), QPointF(5.5, 11));
      break;
    case kStripCut:  // scissors
      p.drawEllipse(QRectF(2, 10, 4, 4));
      p.drawEllipse(QRectF(10, 10, 4, 4));
      p.drawLine(QPointF(5, 10.5), QPointF(11, 2));
      p.drawLine(QPointF(11, 10.5), QPointF(5, 2));
      break;
    case kStripPaste:  // a clipboard with a page
      p.setBrush(QColor(0xB0, 0x80, 0x50));
      p.drawRect(QRectF(2, 3, 10, 12));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(5, 1.5, 4, 3));
      page(7, 7, 7, 8);
      break;
    case kStripClear: {  // an eraser
      QPainterPath eraser;
      eraser.moveTo(2, 11);
      eraser.lineTo(8, 4);
      eraser.lineTo(14, 9);
      eraser.lineTo(9, 14);
      eraser.lineTo(5, 14);
      eraser.closeSubpath();
      p.setBrush(QColor(0xF0, 0x90, 0xA0));
      p.drawPath(eraser);
      p.drawLine(QPointF(5, 7.5), QPointF(11, 12));
      break;
    }
    case kStripSelectAll:
      p.setPen(QPen(ink, 1.2, Qt::DashLine));
      p.drawRect(QRectF(2, 2, 12, 12));
      p.setPen(QPen(blue, 1.5));
      p.drawLine(QPointF(5, 6), QPointF(11, 6));
      p.drawLine(QPointF(5, 10), QPointF(11, 10));
      break;
    case kStripFormDesign:  // a form with a ruler
      page(2, 2, 12, 12);
      p.drawLine(QPointF(4, 5.5), QPointF(12, 5.5));
      p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
      p.drawLine(QPointF(4, 11.5), QPointF(9, 11.5));
      p.setPen(QPen(blue, 1.5));
      p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
      break;
    case kStripTextColors: {
      QFont f;
      f.setPixelSize(12);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRectF(0, 0, 16, 12), Qt::AlignCenter, QStringLiteral("A"));
      p.setPen(Qt::NoPen);
      p.setBrush(red);
      p.drawRect(QRectF(1, 12.5, 5, 3));
      p.setBrush(QColor(0x30, 0xA0, 0x30));
      p.drawRect(QRectF(6, 12.5, 4, 3));
      p.setBrush(blue);
      p.drawRect(QRectF(10, 12.5, 5, 3));
      break;
    }
    case kStripBackground: {  // a picture
      p.setBrush(QColor(0xC8, 0xE6, 0xFF));
      p.drawRect(QRectF(1.5, 3, 13, 10));
      QPainterPath hill;
      hill.moveTo(2, 13);
      hill.lineTo(6, 8);
      hill.lineTo(9, 11);
      hill.lineTo(11, 9);
      hill.lineTo(14, 13);
      hill.closeSubpath();
      p.setBrush(QColor(0x40, 0xA0, 0x40));
      p.drawPath(hill);
      p.setBrush(QColor(0xF0, 0xD0, 0x20));
      p.setPen(Qt::NoPen);
      p.drawEllipse(QRectF(10, 4.5, 3, 3));
      break;
    }
    case kStripSound: {  // a speaker
      QPainterPath speaker;
      speaker.moveTo(2, 6);
      speaker.lineTo(5, 6);
      speaker.lineTo(9, 2.5);
      speaker.lineTo(9, 13.5);
      speaker.lineTo(5, 10);
      speaker.lineTo(2, 10);
      speaker.closeSubpath();
      p.setBrush(ink);
      p.drawPath(speaker);
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(8, 5, 4, 6), -60 * 16, 120 * 16);
      p.drawArc(QRectF(8, 3, 7, 10), -60 * 16, 120 * 16);
      break;
    }
    case kStripIcon: {  // a star
      QPainterPath star;
      for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? 3 : 7;
        const qreal a = (i * 36 - 90) * 3.14159265 / 180;
        const QPointF pt(8 + r * std::cos(a), 8.5 + r * std::sin(a));
        if (i == 0) star.moveTo(pt);
        else star.lineTo(pt);
      }
      star.closeSubpath();
      p.setBrush(QColor(0xF0, 0xC0, 0x20));
      p.drawPath(star);
      break;
    }
    case kStripAddField:
    case kStripDeleteField:
      page(1.5, 4, 13, 8);
      p.setPen(QPen(index == kStripAddField ? QColor(0x20, 0x90, 0x20) : red, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(5, 8), QPointF(11, 8));
      if (index == kStripAddField) p.drawLine(QPointF(8, 5.5), QPointF(8, 10.5));
      break;
    case kStripUp: arrow(true, false); break;
    case kStripDown: arrow(false, false); break;
    case kStripTop: arrow(true, true); break;
    case kStripBottom: arrow(false, true); break;
    case kStripEditSelection:  // a list with a choice
      page(2, 2, 12, 12);
      p.drawLine(QPointF(6, 5), QPointF(12, 5));
      p.drawLine(QPointF(6, 8), QPointF(12, 8));
      p.drawLine(QPointF(6, 11), QPointF(12, 11));
      p.setPen(Qt::NoPen);
      p.setBrush(blue);
      p.drawEllipse(QRectF(3.2, 7, 2, 2));
      break;
    case kStripDone:
      p.setPen(QPen(QColor(0x20, 0x90, 0x20), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
      break;
    default: break;
  }
}

}  // namespace

int StripBitmap(int dpi) { return dpi <= 96 ? kStripBitmap : kStripBitmapLarge; }
int StripImageSize(int bitmap) { return bitmap == kStripBitmapLarge ? 32 : 16; }

QImage StripImage(int bitmap, int index) {
  if ((bitmap != kStripBitmap && bitmap != kStripBitmapLarge) || index < 0 || index >= kStripImageCount)
    return QImage();
  const int size = StripImageSize(bitmap);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  DrawStrip(p, index);
  p.end();
  return image;
}

int EllipsisBitmap(int dpi) { return dpi <= 96 ? kEllipsisBitmap : kEllipsisBitmapLarge; }
int EllipsisImageSize(int bitmap) { return bitmap == kEllipsisBitmapLarge ? 16 : 8; }

QImage EllipsisImage(int bitmap, int index) {
  if ((bitmap != kEllipsisBitmap && bitmap != kEllipsisBitmapLarge) || (index != 0 && index != 1)) return QImage();
  const int size = EllipsisImageSize(bitmap);
  // Drawn as the bitmap was: three dots on the green mask colour, which
  // then becomes transparent.
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(QColor(0, 255, 0));
  const QColor dot = index == 0 ? Qt::black : Qt::white;
  const int d = std::max(1, size / 8);  // 1 pixel at 8, 2 at 16
  const int y = size - 2 * d - d;
  for (int i = 0; i < 3; ++i)
    for (int dy = 0; dy < d; ++dy)
      for (int dx = 0; dx < d; ++dx) image.setPixelColor(d + i * 3 * d + dx, y + dy, dot);
  QImage masked = image.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < size; ++row)
    for (int col = 0; col < size; ++col)
      if (masked.pixelColor(col, row) == QColor(0, 255, 0)) masked.setPixelColor(col, row, Qt::transparent);
  return masked;
}

}  // namespace tb::cards
