// A card's sound: when the card window plays and stops it, the sound
// dialog's commands and what Done, Cancel and a failed pick leave in the
// card, exports into the documents folder, and the player's samples.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <fstream>

#include "cards/media_files.h"
#include "cards/sound_dialog.h"
#include "cards_fixture.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/core/documents.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/sound_player.h"
#include "platform/ui/test_doubles.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;
using tb::dialogs::test::WhenShown;
using tb::ui::RecordingSoundPlayer;
using tb::ui::ScriptedMessageBoxes;

namespace {

const tb::platform::SystemTime kFifthOfMarch2007{2007, 3, 1, 5, 10, 0, 0, 0};

// A playable WAV file: 8-bit mono, n samples.
std::vector<uint8_t> Wav(size_t n, uint8_t fill = 0x80) {
  std::vector<uint8_t> b;
  auto put = [&b](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(uint32_t(36 + n + (n & 1)), 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(8000, 4);
  put(8000, 4);
  put(1, 2);
  put(8, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(uint32_t(n), 4);
  b.insert(b.end(), n, fill);
  if (n & 1) b.push_back(0);
  return b;
}

tb::storage::SecureBytes Secure(const std::vector<uint8_t>& v) { return tb::storage::SecureBytes(v.begin(), v.end()); }

std::string WriteFile(const tb::test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

std::vector<uint8_t> Bytes(const tb::storage::SecureBytes& b) { return std::vector<uint8_t>(b.begin(), b.end()); }

QStringList FilesIn(const std::string& folder) {
  return QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs the sound dialog over card, with picks answering its file picker
// (nullopt cancels), script acting on it once it shows.
bool RunDialog(CardFixture& f, std::vector<std::optional<std::string>> picks, std::function<void(SoundDialog*)> script,
               std::vector<tb::dialogs::FilePickerOptions>* asked = nullptr) {
  SoundDialog dialog(nullptr, f.settings, f.card);
  auto queue = std::make_shared<std::vector<std::optional<std::string>>>(std::move(picks));
  dialog.pickFile = [queue, asked](QWidget*, const tb::dialogs::FilePickerOptions& o) -> std::optional<std::string> {
    if (asked) asked->push_back(o);
    if (queue->empty()) return std::nullopt;
    auto next = queue->front();
    queue->erase(queue->begin());
    return next;
  };
  WhenShown<SoundDialog>(script);
  return dialog.RunModal() == tb::ui::kResultOk;
}

}  // namespace

class SoundTest : public QObject {
  Q_OBJECT

 private slots:
  // Plays on opening for reading only, never again after Edit, and stops
  // whichever way the window closes.
  void cardWindowPlaysAndStops() {
    const struct {
      const char* what;
      bool startInEdit;
      uint32_t play;
      bool hasSound;
      std::function<void(CardWindow&)> close;
      std::string calls;  // the window stops before it plays, and Play stops first
    } cases[] = {
        {"view, Done", false, 1, true, [](CardWindow& w) { w.Dispatch(kCmdCardDone); }, "SSPS"},
        {"view, Cancel", false, 1, true, [](CardWindow& w) { w.Dispatch(kCmdCardCancel); }, "SSPS"},
        {"view, closed by the program", false, 1, true, [](CardWindow& w) { w.CloseByProgram(); }, "SSPS"},
        {"view, Edit and back, Done", false, 1, true,
         [](CardWindow& w) {
           w.Dispatch(kCmdEditCard);
           w.Dispatch(kCmdCardDone);
           QCOMPARE(w.Mode(), int(kModeView));
           w.Dispatch(kCmdCardDone);
         },
         "SSPS"},
        {"opened for editing", true, 1, true, [](CardWindow& w) { w.Dispatch(kCmdCardCancel); }, "SS"},
        {"flag not set", false, 0, true, [](CardWindow& w) { w.Dispatch(kCmdCardDone); }, "SS"},
        {"no sound", false, 1, false, [](CardWindow& w) { w.Dispatch(kCmdCardDone); }, "SS"},
    };
    for (const auto& c : cases) {
      ScriptedMessageBoxes boxes;
      RecordingSoundPlayer player;
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Door", {{u"Code", u"1234", 1}});
      if (c.hasSound) {
        card.SetSound(Secure(Wav(64, 0x11)), u"bell.wav", c.play != 0);
        card.sound->changed = false;
        card.changed = false;
      }
      CardWindow& w = f.Open(c.startInEdit);
      c.close(w);
      QCOMPARE(player.calls, c.calls);
      if (c.calls.find('P') != std::string::npos) QCOMPARE(player.played.front(), Wav(64, 0x11));
    }
  }

  void dialogSelectDoneCancel() {
    for (bool smartphone : {false, true}) {
      tb::test::TempDir dir;
      const std::string chime = WriteFile(dir, "chime.wav", Wav(10, 0x22));
      const std::string empty = WriteFile(dir, "empty.wav", {});
      ScriptedMessageBoxes boxes;
      RecordingSoundPlayer player;
      CardFixture f(smartphone);
      tb::storage::Card& card = f.Stored(u"Door", {{u"Code", u"1234", 1}});
      card.SetSound(Secure(Wav(8, 0x33)), u"bell.wav", false);
      card.sound->changed = false;
      card.changed = false;

      // Cancel leaves the card as it was, whatever was chosen.
      std::vector<tb::dialogs::FilePickerOptions> asked;
      QVERIFY(!RunDialog(
          f, {chime},
          [](SoundDialog* d) {
            QCOMPARE(d->FileLine()->text(), QString("bell.wav"));
            QVERIFY(!d->PlayWhenViewed()->isChecked());
            d->Dispatch(kIdSelectSound);
            QCOMPARE(d->FileLine()->text(), QString("chime.wav"));
            QVERIFY(d->PlayWhenViewed()->isChecked());
            d->Dispatch(tb::ui::kCmdMenuCancel);
          },
          &asked));
      QVERIFY(!card.Modified());
      QCOMPARE(Bytes(card.sound->bytes), Wav(8, 0x33));
      QCOMPARE(asked.size(), size_t(1));
      QCOMPARE(asked[0].titleNumber, 24003u);
      QCOMPARE(asked[0].filter, std::string("*.wav"));
      QCOMPARE(asked[0].icon, 225);

      // A file that cannot be read keeps the sound and says so; a missing
      // one too.
      QVERIFY(RunDialog(f, {empty, dir.File("missing.wav")}, [](SoundDialog* d) {
        d->Dispatch(kIdSelectSound);
        d->Dispatch(kIdSelectSound);
        QCOMPARE(d->FileLine()->text(), QString("bell.wav"));
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QCOMPARE(boxes.Count(), size_t(2));
      QCOMPARE(boxes.Last().textNumber, 40110u);
      QCOMPARE(boxes.Last().captionNumber, 20500u);
      QVERIFY(!card.Modified());

      // Done without a change leaves the card unmodified; a changed flag
      // alone marks the sound changed.
      QVERIFY(RunDialog(f, {}, [](SoundDialog* d) { d->Dispatch(tb::ui::kCmdDone); }));
      QVERIFY(!card.Modified());
      QVERIFY(RunDialog(f, {}, [](SoundDialog* d) {
        d->PlayWhenViewed()->setChecked(true);
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QVERIFY(card.sound->changed);
      QCOMPARE(card.sound->play, 1u);
      QCOMPARE(Bytes(card.sound->bytes), Wav(8, 0x33));

      // A new file replaces the sound on Done.
      QVERIFY(RunDialog(f, {chime}, [](SoundDialog* d) {
        d->Dispatch(kIdSelectSound);
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QCOMPARE(Bytes(card.sound->bytes), Wav(10, 0x22));
      QCOMPARE(QString::fromStdU16String(std::u16string(card.sound->fileName.begin(), card.sound->fileName.end())),
               QString("chime.wav"));
      QCOMPARE(card.sound->type, 1u);
      QCOMPARE(card.sound->play, 1u);

      // Cancelling the picker leaves the dialog without a sound: Done
      // removes it from the card.
      QVERIFY(RunDialog(f, {std::nullopt}, [](SoundDialog* d) {
        d->Dispatch(kIdSelectSound);
        QVERIFY(!d->Sound());
        QVERIFY(!d->CanRun(kIdPlaySound));
        QVERIFY(!d->PlayWhenViewed()->isEnabled());
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QVERIFY(!card.sound);
      QVERIFY(card.Modified());
      // Playing stopped before the dialog let go of its copy.
      QCOMPARE(player.calls.back(), 'S');
    }
  }

  void playRemoveAndMenu() {
    for (bool smartphone : {false, true}) {
      ScriptedMessageBoxes boxes;
      RecordingSoundPlayer player;
      CardFixture f(smartphone);
      tb::storage::Card& card = f.Stored(u"Door", {{u"Code", u"1234", 1}});
      card.SetSound(Secure(Wav(6, 0x44)), u"bell.wav", true);
      QVERIFY(!RunDialog(f, {}, [&](SoundDialog* d) {
        player.calls.clear();
        d->Dispatch(kIdPlaySound);
        d->Dispatch(kIdPlaySound);  // Play stops first
        QCOMPARE(player.calls, std::string("SPSP"));
        QCOMPARE(player.played.back(), Wav(6, 0x44));
        if (smartphone) {
          QMenu menu;
          for (int id : {kIdSelectSound, kIdRemoveSound, kIdPlaySound, kIdExportSound})
            menu.addAction("x")->setData(id);
          d->OnInitMenuPopup(&menu);
          for (QAction* a : menu.actions()) QVERIFY(a->isEnabled());
          d->Dispatch(kIdRemoveSound);
          d->OnInitMenuPopup(&menu);
          QVERIFY(menu.actions()[0]->isEnabled());
          for (int i = 1; i < 4; ++i) QVERIFY(!menu.actions()[i]->isEnabled());
        } else {
          d->Dispatch(kIdRemoveSound);
          QVERIFY(!tb::ui::FindControl<QWidget>(d, kIdPlaySound)->isEnabled());
          QVERIFY(tb::ui::FindControl<QWidget>(d, kIdSelectSound)->isEnabled());
        }
        QCOMPARE(player.calls.back(), 'S');
        const size_t plays = player.played.size();
        d->Dispatch(kIdPlaySound);  // nothing left to play
        QCOMPARE(player.played.size(), plays);
        d->Dispatch(tb::ui::kCmdMenuCancel);
      }));
      QVERIFY(card.sound);  // Cancel: the removal was the dialog's only
    }
  }

  // Exports land in the documents folder under the day's name, never over
  // a file, whatever the stored name says.
  void exportIntoDocuments() {
    tb::test::TempDir dir;
    const std::string documents = dir.File("Documents");  // made on the first export
    tb::platform::ScopedDocumentPlaces places({documents, {}});
    tb::platform::TestClock clock(kFifthOfMarch2007);
    const struct {
      std::u16string name;
      const char* file;
    } cases[] = {
        {u"bell.wav", "2007035_bell.wav"},    {u"../x.wav", "2007035_x.wav"}, {u"/etc/passwd", "2007035_passwd"},
        {u".bashrc", "2007035_bashrc"},       {u"a\\b.wav", "2007035_b.wav"}, {u"tab\there.wav", nullptr},
        {std::u16string(300, u'n'), nullptr},
    };
    for (const auto& c : cases) {
      ScriptedMessageBoxes boxes;
      RecordingSoundPlayer player;
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Door", {{u"Code", u"1234", 1}});
      card.SetSound(Secure(Wav(4)), u"x.wav", true);
      card.sound->fileName.assign(c.name.begin(), c.name.end());
      const QStringList before = FilesIn(documents);
      QVERIFY(!RunDialog(f, {}, [](SoundDialog* d) {
        d->Dispatch(kIdExportSound);
        d->Dispatch(kIdExportSound);  // the file is there now: fails quietly
        d->Dispatch(tb::ui::kCmdMenuCancel);
      }));
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().captionNumber, 20001u);
      const QStringList after = FilesIn(documents);
      QCOMPARE(after.size(), before.size() + 1);
      QString added;
      for (const QString& name : after)
        if (!before.contains(name)) added = name;
      if (c.file) QCOMPARE(added, QString(c.file));
      QVERIFY(added.startsWith("2007035_"));
      QVERIFY(added.toUtf8().size() <= 255);
      for (QChar ch : added) QVERIFY(ch.unicode() >= 0x20);
      QCOMPARE(boxes.Last().text, "The file has been saved:\n" + QString::fromStdString(documents) + "/" + added);
      const QFileInfo info(QString::fromStdString(documents) + "/" + added);
      QCOMPARE(int(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner)), 0);
      QCOMPARE(info.size(), qint64(Wav(4).size()));
    }
    // Nothing anywhere but in the documents folder.
    QCOMPARE(FilesIn(dir.Path()), QStringList());
  }

  void exportWithoutDocumentsFolder() {
    tb::test::TempDir dir;
    // The documents folder's parent is missing: nothing is written, nothing said.
    tb::platform::ScopedDocumentPlaces places({dir.File("none/Documents"), {}});
    ScriptedMessageBoxes boxes;
    RecordingSoundPlayer player;
    CardFixture f;
    f.Stored(u"Door", {{u"Code", u"1234", 1}}).SetSound(Secure(Wav(4)), u"bell.wav", true);
    QVERIFY(!RunDialog(f, {}, [](SoundDialog* d) {
      d->Dispatch(kIdExportSound);
      d->Dispatch(tb::ui::kCmdMenuCancel);
    }));
    QCOMPARE(boxes.Count(), size_t(0));
    QCOMPARE(FilesIn(dir.Path()), QStringList());
  }

  // 851 runs the dialog in view mode; a new sound makes the card stored.
  void cardWindowRunsSound() {
    tb::test::TempDir dir;
    const std::string chime = WriteFile(dir, "chime.wav", Wav(10));
    RecordingSoundPlayer player;
    CardFixture f;
    f.Stored(u"Door", {{u"Code", u"1234", 1}});
    CardWindow& w = f.Open();
    WhenShown<SoundDialog>([&](SoundDialog* d) {
      d->pickFile = [&](QWidget*, const tb::dialogs::FilePickerOptions&) { return std::optional<std::string>(chime); };
      d->Dispatch(kIdSelectSound);
      d->Dispatch(tb::ui::kCmdDone);
    });
    w.Dispatch(kCmdSound);
    QVERIFY(f.card.sound);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeStore);
  }

  void samplesForTheSink() {
    // 24-bit samples become the top of 32-bit ones; other widths pass.
    std::vector<uint8_t> wav = Wav(6);
    wav[34] = 24;                                              // bits
    wav[32] = 3;                                               // block align
    wav[28] = 0xC0, wav[29] = 0x5D, wav[30] = 0, wav[31] = 0;  // 8000 * 3
    for (int i = 0; i < 6; ++i) wav[44 + i] = uint8_t(i + 1);
    const auto s = tb::ui::SamplesOf(wav.data(), wav.size());
    QCOMPARE(s.bitsPerSample, uint16_t(32));
    QCOMPARE(s.bytes, (std::vector<uint8_t>{0, 1, 2, 3, 0, 4, 5, 6}));
    const auto plain = tb::ui::SamplesOf(Wav(5, 7).data(), Wav(5, 7).size());
    QCOMPARE(plain.bitsPerSample, uint16_t(8));
    QCOMPARE(plain.bytes, std::vector<uint8_t>(5, 7));
    // The real player: what it cannot read it does not play, and without an
    // audio output nothing plays either; neither fails.
    tb::ui::AudioSinkPlayer real;
    const std::vector<uint8_t> garbage{'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF};
    QVERIFY(!real.Play(garbage.data(), garbage.size()));
    QVERIFY(!real.Playing());
    const auto good = Wav(800);
    real.Play(good.data(), good.size());
    real.Stop();
    QVERIFY(!real.Playing());
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        RecordingSoundPlayer player;
        CardFixture f(smartphone, dpi);
        f.Stored(u"Door", {{u"Code", u"1234", 1}}).SetSound(Secure(Wav(4)), u"doorbell.wav", true);
        RunDialog(f, {}, [&](SoundDialog* d) {
          QVERIFY(tb::ui::GrabToPng(
              d, ScreenshotPath(QStringLiteral("sound_%1_%2").arg(smartphone ? "sp" : "ppc").arg(dpi))));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
      }
    }
  }
};

TB_QT_TEST(SoundTest)

#include "sound_test.moc"
