// Build-time tool: renders the program's icon pictures from the table in
// resources/icons into PNGs of every native size and writes the Qt resource
// file that compiles them into the program; or renders some of them for the
// desktop's icon theme, by theme folder.
//
//   tb_icon_render TABLE OUT_DIR
//   tb_icon_render --theme TABLE OUT_DIR NUMBER:CONTEXT/NAME ...
//       writes OUT_DIR/<size>x<size>/CONTEXT/NAME.png for the theme's sizes
//
// Pictures come from the colour emoji font; the overlay markers are drawn
// here. A picture the font cannot draw stops the build: a blank icon in the
// tree is worse than a failed build.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kCanvas = 256;
constexpr int kNativeSizes[] = {16, 24, 32, 48, 64};
const char kFamily[] = "Noto Color Emoji";

[[noreturn]] void Fail(const QString& what) {
  std::fprintf(stderr, "tb_icon_render: %s\n", qPrintable(what));
  std::exit(1);
}

// The square around what was drawn, so every picture fills its icon alike.
QImage CropSquare(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(row[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return QImage();
  const int w = right - left + 1, h = bottom - top + 1, side = std::max(w, h);
  QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::transparent);
  QPainter p(&square);
  p.drawImage((side - w) / 2, (side - h) / 2, image, left, top, w, h);
  return square;
}

QImage RenderEmoji(const QString& sequence) {
  QFont font(kFamily);
  font.setPixelSize(160);
  if (QFontInfo(font).family() != kFamily) Fail("the font \"Noto Color Emoji\" is not installed");
  const QFontMetrics metrics(font);
  for (const char32_t cp : sequence.toUcs4()) {
    if (cp != 0xFE0F && !metrics.inFontUcs4(cp)) Fail(QString("the emoji font has no U+%1").arg(uint(cp), 0, 16));
  }
  QImage image(kCanvas, kCanvas, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setFont(font);
  p.drawText(QRect(0, 0, kCanvas, kCanvas), Qt::AlignCenter, sequence);
  p.end();
  QImage square = CropSquare(image);
  if (square.isNull()) Fail("nothing drawn for " + sequence);
  return square.scaled(kCanvas, kCanvas, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString Sequence(const QString& codes) {
  QString text;
  for (const QString& code : codes.split('+')) {
    bool ok = false;
    const uint cp = code.toUInt(&ok, 16);
    if (!ok || cp == 0 || cp > 0x10FFFF) Fail("bad code point " + code);
    const char32_t c = cp;
    text += QString::fromUcs4(&c, 1);
  }
  return text;
}

// A marker in a corner, drawn over another item's picture.
QImage DrawOverlay(const QString& name) {
  QImage image(kCanvas, kCanvas, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = kCanvas;
  if (name == "reference") {
    // The shortcut arrow in a white box at the lower left.
    const QRectF box(s * 0.02, s * 0.50, s * 0.48, s * 0.48);
    p.setPen(QPen(QColor(40, 40, 40), s * 0.035));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, s * 0.06, s * 0.06);
    QPainterPath shaft;
    shaft.moveTo(box.left() + box.width() * 0.22, box.bottom() - box.height() * 0.18);
    shaft.cubicTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.45, box.left() + box.width() * 0.40,
                  box.top() + box.height() * 0.35, box.left() + box.width() * 0.62, box.top() + box.height() * 0.35);
    p.setPen(QPen(QColor(0, 90, 200), s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shaft);
    QPolygonF head;
    head << QPointF(box.left() + box.width() * 0.55, box.top() + box.height() * 0.12)
         << QPointF(box.left() + box.width() * 0.88, box.top() + box.height() * 0.35)
         << QPointF(box.left() + box.width() * 0.55, box.top() + box.height() * 0.58);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 90, 200));
    p.drawPolygon(head);
    return image;
  }
  // The others: a round badge at the lower right.
  const QRectF badge(s * 0.52, s * 0.52, s * 0.46, s * 0.46);
  QColor fill;
  if (name == "alert") fill = QColor(215, 40, 40);
  else if (name == "check") fill = QColor(30, 150, 60);
  else if (name == "plus") fill = QColor(20, 100, 210);
  else Fail("unknown drawn picture " + name);
  p.setPen(QPen(Qt::white, s * 0.03));
  p.setBrush(fill);
  p.drawEllipse(badge);
  p.setPen(QPen(Qt::white, s * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF c = badge.center();
  const qreal r = badge.width() / 2;
  if (name == "alert") {
    p.drawLine(QPointF(c.x(), c.y() - r * 0.55), QPointF(c.x(), c.y() + r * 0.12));
    p.drawPoint(QPointF(c.x(), c.y() + r * 0.5));
  } else if (name == "check") {
    QPolygonF tick;
    tick << QPointF(c.x() - r * 0.5, c.y()) << QPointF(c.x() - r * 0.12, c.y() + r * 0.4)
         << QPointF(c.x() + r * 0.5, c.y() - r * 0.38);
    p.drawPolyline(tick);
  } else {
    p.drawLine(QPointF(c.x() - r * 0.5, c.y()), QPointF(c.x() + r * 0.5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r * 0.5), QPointF(c.x(), c.y() + r * 0.5));
  }
  return image;
}

QImage Render(const QString& picture) {
  if (picture.startsWith("draw:")) return DrawOverlay(picture.mid(5));
  const QStringList parts = picture.split('/');
  if (parts.size() > 2) Fail("more than one badge in " + picture);
  QImage image = RenderEmoji(Sequence(parts[0]));
  if (parts.size() == 2) {
    // The badge at the lower right, with a light rim so it reads on any picture.
    const QImage badge = RenderEmoji(Sequence(parts[1]));
    const int side = kCanvas * 58 / 100;
    QImage small = badge.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QRectF(kCanvas - side - 6, kCanvas - side - 6, side + 6, side + 6));
    p.drawImage(kCanvas - side, kCanvas - side, small);
  }
  return image;
}

}  // namespace

// The pictures of the table by number.
QMap<int, QString> ReadTable(const QString& path) {
  QFile table(path);
  if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) Fail("cannot read " + path);
  QMap<int, QString> pictures;
  QTextStream lines(&table);
  while (!lines.atEnd()) {
    const QString line = lines.readLine().trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList fields = line.split(QRegularExpression("\\s+"));
    bool ok = false;
    const int number = fields.value(0).toInt(&ok);
    if (!ok || fields.size() < 2) Fail("bad line: " + line);
    pictures.insert(number, fields[1]);
  }
  return pictures;
}

int RenderTheme(int argc, char** argv) {
  constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
  if (argc < 5) Fail("usage: tb_icon_render --theme TABLE OUT_DIR NUMBER:CONTEXT/NAME ...");
  const QMap<int, QString> pictures = ReadTable(QString::fromLocal8Bit(argv[2]));
  const QString outDir = QString::fromLocal8Bit(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const QString spec = QString::fromLocal8Bit(argv[i]);
    const int colon = spec.indexOf(':');
    bool ok = false;
    const int number = spec.left(colon).toInt(&ok);
    if (colon < 0 || !ok || !pictures.contains(number)) Fail("no picture " + spec);
    const QImage picture = Render(pictures[number]);
    for (const int size : kThemeSizes) {
      const QString file = QString("%1/%2x%2/%3.png").arg(outDir).arg(size).arg(spec.mid(colon + 1));
      if (!QDir().mkpath(QFileInfo(file).path())) Fail("cannot make the folder of " + file);
      const QImage scaled = picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);
      if (!scaled.save(file, "PNG")) Fail("cannot write " + file);
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc > 1 && QByteArray(argv[1]) == "--theme") return RenderTheme(argc, argv);
  if (argc != 3) Fail("usage: tb_icon_render TABLE OUT_DIR");
  QFile table(QString::fromLocal8Bit(argv[1]));
  if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) Fail(QString("cannot read ") + argv[1]);
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  if (!QDir().mkpath(outDir)) Fail("cannot make " + outDir);

  QString qrc = "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/tbicons\">\n";
  QTextStream lines(&table);
  int count = 0;
  while (!lines.atEnd()) {
    const QString line = lines.readLine().trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList fields = line.split(QRegularExpression("\\s+"));
    bool ok = false;
    const int number = fields.value(0).toInt(&ok);
    if (!ok || fields.size() < 2) Fail("bad line: " + line);
    const QImage picture = Render(fields[1]);
    for (const int size : kNativeSizes) {
      const QString name = QString("%1_%2.png").arg(number).arg(size);
      const QImage scaled = picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);
      if (!scaled.save(outDir + "/" + name, "PNG")) Fail("cannot write " + name);
      qrc += "  <file>" + name + "</file>\n";
    }
    ++count;
  }
  qrc += "</qresource>\n</RCC>\n";
  QFile out(outDir + "/tb_icons.qrc");
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(qrc.toUtf8()) < 0)
    Fail("cannot write the .qrc");
  std::printf("tb_icon_render: %d pictures\n", count);
  return 0;
}
