// What the Background, Sound, Attachments and Text/Colors commands leave in
// a card survives storing it (outcome 3) and reading it back; Cancel and
// outcome 0 leave the stored card byte for byte.
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QTest>

#include <fstream>

#include "cards/attachments_dialog.h"
#include "cards/display_dialogs.h"
#include "cards/image_dialog.h"
#include "cards/sound_dialog.h"
#include "cards_fixture.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/ui/test_doubles.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::WhenShown;

namespace {

std::string Write(const tb::test::TempDir& dir, const std::string& name, const QByteArray& bytes) {
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
  return path;
}

// Qt writes no GIF: a one-pixel one, as a writer makes it.
QByteArray Gif() { return QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"); }

QByteArray Wav() {
  QByteArray b("RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\x08\0\0\0", 44);
  b.append(8, char(0x80));
  return b;
}

template <typename D>
void Pick(D* d, const std::string& path, int command) {
  d->pickFile = [path](QWidget*, const tb::dialogs::FilePickerOptions&) { return std::optional<std::string>(path); };
  d->Dispatch(command);
  d->Dispatch(tb::ui::kCmdDone);
}

std::string Stored(tb::storage::Wallet& wallet, const tb::storage::RecordId& id) {
  tb::storage::Card card;
  if (!wallet.LoadCard(id, &card)) return {};
  std::string out;
  for (uint32_t a : card.attributes) out += std::to_string(a) + ",";
  if (card.picture)
    out += "picture " + std::to_string(card.picture->type) + " " + std::to_string(card.picture->placement) + " " +
           std::to_string(card.picture->bytes.size()) + ";";
  if (card.sound)
    out += "sound " + std::to_string(card.sound->play) + " " + std::to_string(card.sound->bytes.size()) + ";";
  for (size_t i = 0; i < card.attachments.size(); ++i)
    if (card.attachments[i] && card.attachments[i]->InUse())
      out += "attachment " + std::to_string(i) + " " + std::to_string(card.attachments[i]->bytes.size()) + ";";
  return out;
}

}  // namespace

class MediaRoundTripTest : public QObject {
  Q_OBJECT

 private slots:
  void storedAndReadBack() {
    tb::test::TempDir dir;
    const std::string gif = Write(dir, "tile.gif", Gif());
    const std::string wav = Write(dir, "bell.wav", Wav());
    const std::string doc = Write(dir, "note.txt", "remember");
    tb::ui::ScriptedMessageBoxes boxes;
    tb::ui::RecordingSoundPlayer player;
    CardFixture f;
    f.Stored(u"Media", {{u"User", u"ann", 1}});
    const tb::storage::RecordId id = f.card.record.Id();
    const std::string before = Stored(f.file.wallet(), id);

    // Every dialog cancelled, then Done: outcome 0, nothing stored.
    CardWindow& w = f.Open();
    WhenShown<ImageDialog>([&](ImageDialog* d) {
      d->pickFile = [&](QWidget*, const tb::dialogs::FilePickerOptions&) { return std::optional<std::string>(gif); };
      d->Dispatch(kIdSelectImage);
      d->Dispatch(tb::ui::kCmdMenuCancel);
    });
    w.Dispatch(kCmdBackground);
    WhenShown<SoundDialog>([&](SoundDialog* d) { d->Dispatch(tb::ui::kCmdMenuCancel); });
    w.Dispatch(kCmdSound);
    WhenShown<CardTextColorsDialog>([&](CardTextColorsDialog* d) { d->Dispatch(tb::ui::kCmdMenuCancel); });
    w.Dispatch(kCmdTextColors);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeNothing);
    f.window.reset();

    // Then each one used: outcome 3, stored, read back.
    CardWindow& again = f.Open();
    WhenShown<ImageDialog>([&](ImageDialog* d) {
      d->Positions()->setCurrentIndex(9);
      Pick(d, gif, kIdSelectImage);
    });
    again.Dispatch(kCmdBackground);
    WhenShown<SoundDialog>([&](SoundDialog* d) { Pick(d, wav, kIdSelectSound); });
    again.Dispatch(kCmdSound);
    WhenShown<AttachmentsDialog>([&](AttachmentsDialog* d) { Pick(d, doc, kIdAddFile); });
    again.Dispatch(kCmdAttachments);
    WhenShown<CardTextColorsDialog>([&](CardTextColorsDialog* d) {
      d->AlwaysDisplay()->setChecked(true);
      d->Sizes()->setCurrentIndex(2);
      d->Dispatch(tb::ui::kCmdDone);
    });
    again.Dispatch(kCmdTextColors);
    again.Dispatch(kCmdCardDone);
    QCOMPARE(again.Outcome(), kOutcomeStore);
    QVERIFY(f.file.wallet().ReplaceCard(f.card) >= 0);
    QCOMPARE(int(f.file.Reopen()), 0);

    tb::storage::Card back;
    QVERIFY(f.file.wallet().LoadCard(id, &back));
    QVERIFY(back.picture);
    QCOMPARE(back.picture->type, 3u);
    QCOMPARE(back.picture->placement, 10u);
    QCOMPARE(
        QByteArray(reinterpret_cast<const char*>(back.picture->bytes.data()), qsizetype(back.picture->bytes.size())),
        Gif());
    QVERIFY(back.sound);
    QCOMPARE(back.sound->play, 1u);
    QCOMPARE(back.sound->bytes.size(), size_t(Wav().size()));
    QVERIFY(back.attachments[0]);
    QCOMPARE(std::string(back.attachments[0]->bytes.begin(), back.attachments[0]->bytes.end()),
             std::string("remember"));
    QCOMPARE(back.attributes[kAttrShowPasswords], 1u);
    QCOMPARE(back.attributes[kAttrTextSize], 11u);
    QVERIFY(Stored(f.file.wallet(), id) != before);
  }
};

TB_QT_TEST(MediaRoundTripTest)

#include "media_round_trip_test.moc"
