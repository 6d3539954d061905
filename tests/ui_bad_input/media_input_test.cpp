// Cards whose picture, sound or fields hold what no writer of ours makes:
// pictures that are cut, lie about their type or claim 60000 x 60000
// pixels, sounds whose chunks run past the end or have no channels, a
// field of a kind the designer does not offer. The card opens, draws its
// colour where the picture cannot be read (the content decides, not the
// stored type), plays nothing, and keeps what was not changed.
#include <QBuffer>
#include <QImage>
#include <QTest>

#include "cards/form_designer.h"
#include "platform/ui/sound_player.h"
#include "platform/ui/test_doubles.h"
#include "storage/forms/field_kinds.h"
#include "ui_cards/cards_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;

namespace {

tb::storage::SecureBytes Bytes(const QByteArray& b) { return tb::storage::SecureBytes(b.begin(), b.end()); }

QByteArray Jpeg() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG");
  return out;
}

QByteArray BmpClaiming(int32_t width, int32_t height) {
  QByteArray b(54, '\0');
  b[0] = 'B', b[1] = 'M';
  auto put = [&](int at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((uint32_t(v) >> (8 * i)) & 0xFF);
  };
  put(2, 54), put(10, 54), put(14, 40), put(18, width), put(22, height);
  b[26] = 1, b[28] = 24;
  return b;
}

QByteArray Wav(uint32_t riffSize, uint16_t channels, uint32_t rate, uint32_t dataSize, int samples) {
  QByteArray b;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&](uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
  b.append("RIFF"), u32(riffSize), b.append("WAVEfmt "), u32(16), u16(1), u16(channels), u32(rate),
      u32(rate * channels), u16(channels), u16(8), b.append("data"), u32(dataSize);
  b.append(samples, char(0x80));
  return b;
}

}  // namespace

class BadMediaInputTest : public QObject {
  Q_OBJECT

 private slots:
  void brokenPicturesAndSoundsDrawTheColourAndPlayNothing() {
    const QByteArray jpeg = Jpeg();
    const struct {
      const char* what;
      QByteArray picture;
      const char16_t* pictureName;
      QByteArray sound;
      bool drawn;
    } cases[] = {
        {"JPEG called a BMP, sound chunk past the end", jpeg, u"a.bmp", Wav(36 + 8, 1, 8000, 1 << 30, 8), true},
        {"BMP claiming 60000 x 60000, no channels", BmpClaiming(60000, 60000), u"big.bmp", Wav(44, 0, 8000, 8, 8),
         false},
        {"JPEG cut short, rate 0", jpeg.left(jpeg.size() / 3), u"cut.jpg", Wav(44, 1, 0, 8, 8), false},
        {"GIF header only, not RIFF", QByteArray("GIF89a\x01\x00\x01\x00", 10), u"g.gif", QByteArray("RIFX....WAVE"),
         false},
        {"nothing at all", QByteArray(), u"empty.jpg", QByteArray(), false},
    };
    for (const auto& c : cases) {
      tb::ui::AudioSinkPlayer player;
      tb::ui::ScopedSoundPlayer scoped(&player);
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Card", {{u"User", u"ann", 1}});
      card.attributes[kAttrBackground] = 0x00FF00;          // green as the card keeps it (0x00BBGGRR)
      card.SetPicture(Bytes(c.picture), c.pictureName, 9);  // the bottom right corner
      card.SetSound(Bytes(c.sound), u"s.wav", true);
      card.changed = false;
      card.picture->changed = false;
      card.sound->changed = false;
      CardWindow& w = f.Open();
      QVERIFY2(!player.Playing(), c.what);
      const QImage shot = f.List()->viewport()->grab().toImage();
      const QColor corner = shot.pixelColor(shot.width() - 2, shot.height() - 2);
      QVERIFY2(c.drawn ? corner.red() > 200 && corner.green() < 60 : corner == QColor(0, 255, 0), c.what);
      w.Dispatch(kCmdCardDone);
      QVERIFY2(w.Outcome() == kOutcomeNothing, c.what);
    }
  }

  void unofferedKindStaysUntilAnotherIsChosen() {
    CardFixture f;
    f.Stored(u"Card", {{u"Odd", u"value", 99}, {u"Numbers", u"12", 14}});
    f.card.fields[0].flags |= tb::storage::kNotesFieldFlag;  // and restricted, though not text
    CardWindow& w = f.Open();
    w.Dispatch(kCmdEditCard);
    w.Dispatch(kCmdFormDesign);
    FormDesigner& d = *w.Designer();
    for (int line = 0; line < d.LineCount(); ++line) d.Activate(line);
    w.grab();
    d.Activate(0);
    QCOMPARE(f.card.fields[0].kind, uint16_t(99));
    QCOMPARE(f.card.fields[1].kind, uint16_t(14));
    QVERIFY(!f.card.Modified());
    QVERIFY(KindDisplayName(99).isEmpty());
  }
};

TB_QT_TEST(BadMediaInputTest)
#include "media_input_test.moc"
