// A card's background picture: decoding by content (and refusing damaged,
// huge or foreign files), the ten placements and tiling probed by pixel,
// the composition made once and reused, and the card view drawing it.
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "cards/card_picture.h"
#include "cards_fixture.h"
#include "platform/ui/screenshot.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;

namespace {

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255);

// A w × h picture in red with a green top-left pixel, saved as format.
QByteArray Encoded(const char* format, int w = 10, int h = 10) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kRed);
  image.setPixelColor(0, 0, kGreen);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// Qt writes no GIF: a one-pixel one, as a writer makes it.
QByteArray TinyGif() { return QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"); }

QImage Decode(const QByteArray& b) {
  return DecodePicture(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
}

// A BMP header claiming a picture of w × h at 24 bits, with no pixels.
QByteArray BmpHeaderOnly(int w, int h) {
  QByteArray b(54, '\0');
  auto put = [&b](int at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, 54, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(w), 4);
  put(22, uint32_t(h), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  return b;
}

bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

tb::storage::SecureBytes Secure(const QByteArray& b) { return tb::storage::SecureBytes(b.begin(), b.end()); }

}  // namespace

class BackgroundTest : public QObject {
  Q_OBJECT

 private slots:
  void decodesByContentOnly() {
    const QByteArray bmp = Encoded("BMP"), jpeg = Encoded("JPEG"), gif = TinyGif();
    QCOMPARE(Decode(gif).size(), QSize(1, 1));
    for (const QByteArray& good : {bmp, jpeg}) {
      const QImage image = Decode(good);
      QCOMPARE(image.size(), QSize(10, 10));
      QVERIFY(Near(image.pixelColor(5, 5), kRed));
    }
    QByteArray flipped = jpeg;
    for (int i = 2; i < 40 && i < flipped.size(); ++i) flipped[i] = char(~flipped[i]);
    const struct {
      const char* what;
      QByteArray bytes;
    } bad[] = {
        {"nothing", {}},
        {"one byte", QByteArray("B")},
        {"BMP cut in half", bmp.left(bmp.size() / 2)},
        {"BMP header only", bmp.left(20)},
        {"JPEG header only", jpeg.left(30)},
        {"JPEG scrambled header", flipped},
        {"GIF cut after the header", gif.left(13)},
        {"GIF cut before its end", gif.left(gif.size() - 4)},
        {"60000 x 60000 claimed", BmpHeaderOnly(60000, 60000)},
        {"negative width", BmpHeaderOnly(-5, 10)},
        {"PNG is not a card picture", Encoded("PNG")},
        {"text", QByteArray("not a picture at all, just words")},
    };
    for (const auto& c : bad) {
      QVERIFY2(Decode(c.bytes).isNull(), c.what);
    }
    QVERIFY(DecodePicture(nullptr, 100).isNull());
  }

  void placements() {
    const QSize area(40, 30);
    const struct {
      uint32_t placement;
      QPoint small;  // a 10 x 10 picture
    } cases[] = {
        {1, {0, 0}},  {2, {15, 0}},  {3, {30, 0}},  {4, {0, 10}},  {5, {15, 10}},  {6, {30, 10}},
        {7, {0, 20}}, {8, {15, 20}}, {9, {30, 20}}, {0, {30, 20}}, {11, {30, 20}},
    };
    for (const auto& c : cases) {
      QCOMPARE(PlacementOrigin(c.placement, QSize(10, 10), area), c.small);
      // Larger than the area: from the top or left edge, clipped.
      QCOMPARE(PlacementOrigin(c.placement, QSize(50, 50), area), QPoint(0, 0));
      // Drawn: the green corner pixel where the origin says, the colour
      // outside the picture.
      BackgroundDrawer drawer;
      drawer.SetPicture(Decode(Encoded("BMP")));
      const QImage& composed = drawer.Compose(area, c.placement, kBlue);
      QCOMPARE(composed.size(), area);
      QCOMPARE(composed.pixelColor(c.small), kGreen);
      QCOMPARE(composed.pixelColor(c.small + QPoint(5, 5)), kRed);
      const QPoint outside(c.small.x() == 0 ? 39 : 0, c.small.y() == 0 ? 29 : 0);
      QCOMPARE(composed.pixelColor(outside), kBlue);
    }
    // A wide picture in the middle row: clipped on the left edge, centred
    // vertically.
    QCOMPARE(PlacementOrigin(5, QSize(60, 10), area), QPoint(0, 10));

    BackgroundDrawer tiled;
    tiled.SetPicture(Decode(Encoded("BMP")));
    const QImage& t = tiled.Compose(QSize(25, 25), kPlacementTiled, kBlue);
    for (QPoint green : {QPoint(0, 0), QPoint(10, 0), QPoint(20, 10), QPoint(20, 20)})
      QCOMPARE(t.pixelColor(green), kGreen);
    for (QPoint red : {QPoint(5, 5), QPoint(24, 24), QPoint(11, 0)}) QCOMPARE(t.pixelColor(red), kRed);
  }

  void composedOnceAndReused() {
    BackgroundDrawer drawer;
    drawer.SetPicture(Decode(Encoded("BMP")));
    QImage target(40, 30, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 3; ++i) {
      QPainter painter(&target);
      drawer.Draw(painter, target.size(), 5, kBlue);
    }
    QCOMPARE(drawer.Compositions(), 1);
    QCOMPARE(target.pixelColor(15, 10), kGreen);
    drawer.Compose(QSize(40, 30), 1, kBlue);
    QCOMPARE(drawer.Compositions(), 2);
    drawer.Compose(QSize(41, 30), 1, kBlue);
    QCOMPARE(drawer.Compositions(), 3);
    drawer.Compose(QSize(41, 30), 1, kRed);
    QCOMPARE(drawer.Compositions(), 4);
    drawer.Compose(QSize(41, 30), 1, kRed);
    QCOMPARE(drawer.Compositions(), 4);
    // Without a picture: the colour, nothing composed.
    BackgroundDrawer none;
    QPainter painter(&target);
    none.Draw(painter, target.size(), 5, kBlue);
    QCOMPARE(target.pixelColor(15, 10), kBlue);
    QCOMPARE(none.Compositions(), 0);
  }

  // The card view draws the picture; a picture that cannot be decoded
  // (whatever its type byte says) leaves the card's colour.
  void cardViewDrawsIt() {
    const struct {
      const char* what;
      QByteArray bytes;
      uint32_t type;
      bool drawn;
    } cases[] = {
        {"BMP", Encoded("BMP", 30, 30), 1, true},
        {"JPEG stored as GIF", Encoded("JPEG", 30, 30), 3, true},
        {"damaged", Encoded("BMP", 30, 30).left(40), 1, false},
        {"huge header", BmpHeaderOnly(60000, 60000), 1, false},
    };
    for (const auto& c : cases) {
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Pictured", {{u"User", u"ann", 1}});
      card.SetPicture(Secure(c.bytes), u"p.bmp", 9);
      card.picture->type = c.type;
      card.attributes[kAttrBackground] = 0xFF0000;  // blue
      CardWindow& w = f.Open();
      QCOMPARE(f.Viewer().Backdrop().HasPicture(), c.drawn);
      QWidget* viewport = f.List()->viewport();
      const QImage shot = viewport->grab().toImage();
      const QPoint corner(shot.width() - 20, shot.height() - 20);
      QVERIFY2(Near(shot.pixelColor(corner), c.drawn ? kRed : kBlue), c.what);
      w.Dispatch(kCmdCardDone);
    }
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        for (uint32_t placement : {1u, 5u, 9u, 10u}) {
          CardFixture f(smartphone, dpi);
          tb::storage::Card& card = f.Stored(u"Pictured", {{u"User", u"ann", 1}, {u"PIN", u"4711", 7}});
          card.SetPicture(Secure(Encoded("JPEG", 48, 36)), u"p.jpg", placement);
          CardWindow& w = f.Open();
          QVERIFY(tb::ui::GrabToPng(
              &w, ScreenshotPath(
                      QStringLiteral("card_picture%1_%2_%3").arg(placement).arg(smartphone ? "sp" : "ppc").arg(dpi))));
        }
      }
    }
  }
};

TB_QT_TEST(BackgroundTest)

#include "background_test.moc"
