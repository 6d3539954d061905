// The background picture dialog: positions shown for stored placements,
// selecting (and refusing) files, cancelling the picker, Match Background
// by the preview's corner, exports, what Done and Cancel leave in the
// card, and the card window's Background command.
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <fstream>

#include "cards/image_dialog.h"
#include "cards_fixture.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/core/documents.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/test_doubles.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;
using tb::dialogs::test::WhenShown;
using tb::ui::ScriptedMessageBoxes;

namespace {

const tb::platform::SystemTime kFifthOfMarch2007{2007, 3, 1, 5, 10, 0, 0, 0};

// A w × h red picture whose top-left quarter is green.
QByteArray Picture(const char* format, int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 0));
  for (int y = 0; y < h / 4 + 1; ++y)
    for (int x = 0; x < w / 4 + 1; ++x) image.setPixelColor(x, y, QColor(0, 255, 0));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

tb::storage::SecureBytes Secure(const QByteArray& b) { return tb::storage::SecureBytes(b.begin(), b.end()); }
QByteArray Plain(const tb::storage::SecureBytes& b) {
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

std::string WriteFile(const tb::test::TempDir& dir, const std::string& name, const QByteArray& bytes) {
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
  return path;
}

bool RunDialog(CardFixture& f, std::vector<std::optional<std::string>> picks, std::function<void(ImageDialog*)> script,
               std::vector<tb::dialogs::FilePickerOptions>* asked = nullptr) {
  ImageDialog dialog(nullptr, f.settings, f.card);
  auto queue = std::make_shared<std::vector<std::optional<std::string>>>(std::move(picks));
  dialog.pickFile = [queue, asked](QWidget*, const tb::dialogs::FilePickerOptions& o) -> std::optional<std::string> {
    if (asked) asked->push_back(o);
    if (queue->empty()) return std::nullopt;
    auto next = queue->front();
    queue->erase(queue->begin());
    return next;
  };
  WhenShown<ImageDialog>(script);
  return dialog.RunModal() == tb::ui::kResultOk;
}

}  // namespace

class ImageDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void positionsShownAndStored() {
    const struct {
      bool picture;
      uint32_t stored;
      int shown;
      int chosen;
      uint32_t after;
    } cases[] = {
        {true, 1, 0, -1, 1}, {true, 5, 4, -1, 5}, {true, 10, 9, -1, 10}, {true, 11, 0, -1, 1},
        {true, 0, 0, 6, 7},  {true, 3, 2, 9, 10}, {false, 0, 8, -1, 0},
    };
    for (bool smartphone : {false, true}) {
      for (const auto& c : cases) {
        ScriptedMessageBoxes boxes;
        CardFixture f(smartphone);
        tb::storage::Card& card = f.Stored(u"Card", {{u"User", u"ann", 1}});
        if (c.picture) {
          card.SetPicture(Secure(Picture("BMP", 8, 8)), u"pic.bmp", 1);
          card.picture->placement = c.stored;
          card.picture->scaleToFit = 1;
          card.picture->changed = false;
          card.changed = false;
        }
        QVERIFY(RunDialog(f, {}, [&](ImageDialog* d) {
          QCOMPARE(d->Positions()->count(), 10);
          QCOMPARE(d->Positions()->itemText(9), QString("Tiled"));
          QCOMPARE(d->Positions()->currentIndex(), c.shown);
          QCOMPARE(d->Positions()->isEnabled(), c.picture);
          QCOMPARE(d->CanRun(kIdExportImage), c.picture);
          QCOMPARE(d->CanRun(kIdMatchBackground), c.picture);
          QVERIFY(d->CanRun(kIdSelectImage));
          QVERIFY(!d->ScaleToFit()->isVisible());
          QCOMPARE(d->ScaleToFit()->isChecked(), c.picture);
          QCOMPARE(d->FileLine()->text(), c.picture ? QString("pic.bmp") : QString());
          if (!c.picture) QCOMPARE(d->CornerColour(), 0xFFFFFFu);
          if (c.chosen >= 0) d->Positions()->setCurrentIndex(c.chosen);
          d->Dispatch(tb::ui::kCmdDone);
        }));
        if (!c.picture) {
          QVERIFY(!card.picture);
          QVERIFY(!card.Modified());
          continue;
        }
        QCOMPARE(card.picture->placement, c.after);
        QCOMPARE(card.picture->scaleToFit, 1u);
        QCOMPARE(card.picture->changed, c.after != c.stored);
        QCOMPARE(Plain(card.picture->bytes), Picture("BMP", 8, 8));
      }
    }
  }

  void selectRefuseCancelAndMatch() {
    for (bool smartphone : {false, true}) {
      tb::test::TempDir dir;
      const std::string jpeg = WriteFile(dir, "Photo.JPG", Picture("JPEG", 40, 40));
      const std::string broken = WriteFile(dir, "broken.bmp", Picture("BMP", 40, 40).left(60));
      const std::string empty = WriteFile(dir, "empty.gif", {});
      ScriptedMessageBoxes boxes;
      CardFixture f(smartphone);
      tb::storage::Card& card = f.Stored(u"Card", {{u"User", u"ann", 1}});
      card.SetPicture(Secure(Picture("BMP", 8, 8)), u"old.bmp", 2);
      card.picture->changed = false;
      card.changed = false;

      // Cancel keeps everything.
      std::vector<tb::dialogs::FilePickerOptions> asked;
      QVERIFY(!RunDialog(
          f, {jpeg},
          [](ImageDialog* d) {
            d->Dispatch(kIdSelectImage);
            QCOMPARE(d->FileLine()->text(), QString("Photo.JPG"));
            d->Dispatch(kIdMatchBackground);
            d->Dispatch(tb::ui::kCmdMenuCancel);
          },
          &asked));
      QVERIFY(!card.Modified());
      QCOMPARE(asked[0].titleNumber, 28101u);
      QCOMPARE(asked[0].filter, std::string("*.bmp;*.jpg;*.jpeg;*.gif"));
      QCOMPARE(asked[0].icon, 224);

      // Files that cannot be read or decoded keep the picture and say so.
      QVERIFY(RunDialog(f, {broken, empty, dir.File("missing.bmp")}, [](ImageDialog* d) {
        for (int i = 0; i < 3; ++i) d->Dispatch(kIdSelectImage);
        QCOMPARE(d->FileLine()->text(), QString("old.bmp"));
        QVERIFY(!d->Decoded().isNull());
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QCOMPARE(boxes.Count(), size_t(3));
      QCOMPARE(boxes.Last().textNumber, 40110u);
      QVERIFY(!card.Modified());

      // A new picture with Match Background: the card's colour becomes the
      // preview's corner (green), the picture is stored with its type.
      QVERIFY(RunDialog(f, {jpeg}, [](ImageDialog* d) {
        d->Dispatch(kIdSelectImage);
        d->Positions()->setCurrentIndex(4);
        d->Dispatch(kIdMatchBackground);
        QVERIFY(d->MatchPending());
        const uint32_t corner = d->CornerColour();
        QVERIFY((corner & 0xFF) < 60 && ((corner >> 8) & 0xFF) > 200 && (corner >> 16) < 60);
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QVERIFY(card.Modified());
      QCOMPARE(Plain(card.picture->bytes), Picture("JPEG", 40, 40));
      QCOMPARE(card.picture->type, 2u);
      QCOMPARE(card.picture->placement, 5u);
      const uint32_t background = card.attributes[kAttrBackground];
      QVERIFY((background & 0xFF) < 60 && ((background >> 8) & 0xFF) > 200);

      // Remove drops a pending Match; cancelling the picker removes too.
      card.attributes[kAttrBackground] = 0xFFFFFF;
      QVERIFY(RunDialog(f, {std::nullopt}, [](ImageDialog* d) {
        d->Dispatch(kIdMatchBackground);
        d->Dispatch(kIdSelectImage);  // cancelled
        QVERIFY(!d->HasPicture());
        QVERIFY(!d->MatchPending());
        QCOMPARE(d->CornerColour(), 0xFFFFFFu);
        QVERIFY(!d->Positions()->isEnabled());
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QVERIFY(!card.picture);
      QCOMPARE(card.attributes[kAttrBackground], 0xFFFFFFu);
    }
  }

  void previewFitsAndCentres() {
    ScriptedMessageBoxes boxes;
    for (int dpi : {96, 130, 192}) {
      CardFixture f(false, dpi);
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      for (QSize size : {QSize(10, 6), QSize(2000, 500), QSize(300, 3000)}) {
        f.card.SetPicture(Secure(Picture("BMP", size.width(), size.height())), u"p.bmp", 9);
        RunDialog(f, {}, [size](ImageDialog* d) {
          PicturePreview* p = d->Preview();
          const QRect r = p->PictureRect();
          if (size.width() <= p->width() && size.height() <= p->height()) {
            QCOMPARE(r.size(), size);
          } else {
            QVERIFY(r.width() == p->width() || r.height() == p->height());
            QVERIFY(std::abs(r.width() * size.height() - r.height() * size.width()) <= size.width() + size.height());
          }
          QVERIFY(std::abs(r.center().x() - p->rect().center().x()) <= 1);
          QVERIFY(std::abs(r.center().y() - p->rect().center().y()) <= 1);
          const QImage shown = p->Render();
          QCOMPARE(shown.pixelColor(0, 0) == p->palette().color(QPalette::Button), r.topLeft() != QPoint(0, 0));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
      }
    }
  }

  void exportNeverOverwrites() {
    tb::test::TempDir dir;
    const std::string documents = dir.File("Documents");
    tb::platform::ScopedDocumentPlaces places({documents, {}});
    tb::platform::TestClock clock(kFifthOfMarch2007);
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}}).SetPicture(Secure(Picture("BMP", 8, 8)), u"../../pic.gif", 3);
    RunDialog(f, {}, [](ImageDialog* d) {
      d->Dispatch(kIdExportImage);
      d->Dispatch(kIdExportImage);
      d->Dispatch(tb::ui::kCmdMenuCancel);
    });
    QCOMPARE(boxes.Count(), size_t(1));
    QCOMPARE(QDir(QString::fromStdString(documents)).entryList(QDir::Files), QStringList{"2007035_pic.gif"});
    QCOMPARE(QDir(QString::fromStdString(dir.Path())).entryList(QDir::Files), QStringList());
  }

  void cardWindowBackground() {
    tb::test::TempDir dir;
    const std::string bmp = WriteFile(dir, "wall.bmp", Picture("BMP", 16, 16));
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    CardWindow& w = f.Open();
    QVERIFY(!f.Viewer().Backdrop().HasPicture());
    WhenShown<ImageDialog>([&](ImageDialog* d) {
      d->pickFile = [&](QWidget*, const tb::dialogs::FilePickerOptions&) { return std::optional<std::string>(bmp); };
      d->Dispatch(kIdSelectImage);
      d->Dispatch(tb::ui::kCmdDone);
    });
    w.Dispatch(kCmdBackground);
    QVERIFY(f.Viewer().Backdrop().HasPicture());
    QCOMPARE(f.card.picture->placement, 9u);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeStore);
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        CardFixture f(smartphone, dpi);
        f.Stored(u"Card", {{u"User", u"ann", 1}}).SetPicture(Secure(Picture("JPEG", 120, 80)), u"beach.jpg", 5);
        RunDialog(f, {}, [&](ImageDialog* d) {
          QVERIFY(tb::ui::GrabToPng(
              d, ScreenshotPath(QStringLiteral("image_dialog_%1_%2").arg(smartphone ? "sp" : "ppc").arg(dpi))));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
      }
    }
  }
};

TB_QT_TEST(ImageDialogTest)

#include "image_dialog_test.moc"
