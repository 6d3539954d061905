// Files that change or lie under the program's pickers: a wallet deleted
// while the wallets manager lists it, and ".ico" files whose sizes do not
// add up given to the icon picker as the record's own icon.
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QTest>

#include <cerrno>

#include "bad_input_fixture.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/icon_picker_dialog.h"
#include "dialogs/wallets_manager_dialog.h"
#include "platform/core/documents.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/test_doubles.h"
#include "storage/record.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::test::bad;
using tb::platform::DocumentPlaces;
using tb::platform::ScopedDocumentPlaces;
using tb::test::TempDir;
using tb::ui::ScriptedMessageBoxes;

namespace {

QStringList Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

bool SelectRow(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  if (found.isEmpty()) return false;
  list->setCurrentItem(found.front());
  return true;
}

bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

void PutU16(std::string& s, size_t at, uint32_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char((v >> 8) & 0xFF);
}
void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// Offsets in an icon file of one image: the directory entry, then the
// image's bitmap header.
constexpr size_t kEntry = 6;
constexpr size_t kImage = 6 + 16;

// A 16 x 16 icon of 24 bits, all one colour, with its mask: a file the
// picker takes.
std::string SixteenPixelIcon() {
  const uint32_t colourBytes = 48 * 16, maskBytes = 4 * 16, length = 40 + colourBytes + maskBytes;
  std::string ico(kImage + length, '\0');
  PutU16(ico, 2, 1);  // an icon file
  PutU16(ico, 4, 1);  // of one image
  ico[kEntry] = 16;
  ico[kEntry + 1] = 16;
  PutU16(ico, kEntry + 4, 1);   // planes
  PutU16(ico, kEntry + 6, 24);  // bits
  PutU32(ico, kEntry + 8, length);
  PutU32(ico, kEntry + 12, uint32_t(kImage));
  PutU32(ico, kImage, 40);      // the bitmap header's size
  PutU32(ico, kImage + 4, 16);  // width
  PutU32(ico, kImage + 8, 32);  // height of colours and mask
  PutU16(ico, kImage + 12, 1);
  PutU16(ico, kImage + 14, 24);
  for (uint32_t k = 0; k < colourBytes; k += 3) ico[kImage + 40 + k] = char(0xC0);
  return ico;
}

// A PNG stream of side x side pixels.
std::string PngOf(int side) {
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

}  // namespace

class BadPickerInputTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { tb::ui::SetTextSource(&English()); }
  void cleanupTestCase() { tb::ui::SetTextSource(nullptr); }

  void aWalletDeletedWhileListedCannotBeOpenedAndNothingTakesItsPlace() {
    WindowFixture f;
    const std::string wallet = ReadBytes(f.file.path());
    TempDir docs;
    const std::string alpha = docs.File("Alpha.tb5"), beta = docs.File("Beta.tb5");
    WriteBytes(alpha, wallet);
    WriteBytes(beta, wallet);
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {}});
    const QString gone = tb::ui::ToQString(tb::shell::SystemErrorText(ENOENT));

    {
      // Chosen in the manager after the file went: the user is told, the
      // entry goes, and the manager stays for another choice.
      ScriptedMessageBoxes boxes;
      WalletsManagerDialog dialog(nullptr, WalletsManagerInputs{});
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QTRY_COMPARE(dialog.List()->count(), 2);
      QVERIFY(SelectRow(dialog.List(), "Alpha"));
      QVERIFY(QFile::remove(QString::fromStdString(alpha)));
      const FileState folder = FileState::Of(beta);
      dialog.Dispatch(kCmdOpen);
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().text, gone);
      QCOMPARE(boxes.Last().caption, QString("Tamberlock Pro 6"));
      QVERIFY(dialog.isVisible());
      QCOMPARE(Rows(dialog.List()), QStringList{"Beta"});
      QVERIFY(dialog.ChosenPath().empty());
      QVERIFY(!Exists(alpha));
      QVERIFY(FileState::Of(beta) == folder);
      // The other wallet is still there to be chosen.
      QVERIFY(SelectRow(dialog.List(), "Beta"));
      dialog.Dispatch(kCmdOpen);
      QCOMPARE(dialog.result(), tb::ui::kResultOk);
      QCOMPARE(dialog.ChosenPath(), beta);
    }

    // Gone after the choice, before the open-wallet flow reaches it: the
    // flow says the file cannot be used and makes no file of that name.
    WriteBytes(alpha, wallet);
    ScriptedMessageBoxes boxes;
    int managers = 0;
    FileState folder;
    f.window->walletsManager = [&](tb::shell::MainWindow& w) {
      ++managers;
      WhenShown<WalletsManagerDialog>([](WalletsManagerDialog* d) {
        if (!d->Manager().Filled()) d->Fill();
        if (SelectRow(d->List(), "Alpha")) d->Dispatch(kCmdOpen);
      });
      const auto result = RunWalletsManager(&w, WalletsManagerInputs{});
      if (!result || result->path != alpha) return -1;
      QFile::remove(QString::fromStdString(alpha));
      folder = FileState::Of(beta);
      return w.OpenWalletFlow(result->path, false) ? 1 : -1;
    };
    f.window->Dispatch(tb::shell::kCmdWallets);
    QCOMPARE(managers, 1);
    QCOMPARE(f.prompts, 0);
    QCOMPARE(boxes.Count(), size_t(1));
    QCOMPARE(boxes.Last().text, UnusableFileMessage("Alpha", int(tb::storage::OpenStatus::CannotOpen)));
    QVERIFY(!f.context.wallet.IsOpen());
    QVERIFY(f.context.settings.mru.empty());
    QVERIFY(!Exists(alpha));
    QVERIFY(FileState::Of(beta) == folder);
  }

  void anIconFileThatLiesAboutItsSizesIsRefusedAndNothingStored() {
    const std::string good = SixteenPixelIcon();
    std::string cut = good.substr(0, kImage + 40 + 300);
    PutU32(cut, kEntry + 8, uint32_t(cut.size() - kImage));
    const std::string png = PngOf(20);
    std::string pngIcon = good.substr(0, kImage) + png;
    PutU16(pngIcon, kEntry + 6, 32);
    PutU32(pngIcon, kEntry + 8, uint32_t(png.size()));
    auto with = [&](size_t at, uint32_t value) {
      std::string ico = good;
      PutU32(ico, at, value);
      return ico;
    };
    const struct {
      const char* name;
      std::string bytes;
    } lies[] = {
        {"image longer than the file", with(kEntry + 8, uint32_t(good.size()))},
        {"image past the end", with(kEntry + 12, uint32_t(good.size() + 64))},
        {"rows cut short", cut},
        {"wider than any icon", with(kImage + 4, 70000)},
        {"higher than any icon", with(kImage + 8, 0x7FFFFFFF)},
        {"upside down", with(kImage + 8, uint32_t(-32))},
        {"bitmap header past the image", with(kImage, 4000)},
        {"picture stream of another size", pngIcon},
    };

    TempDir docs;
    ScopedDocumentPlaces places(DocumentPlaces{docs.Path(), {}});
    tb::test::TestWallet fixture;
    tb::ui::IconLists lists(96);

    // The same icon told the truth is taken: the lies below are what is refused.
    {
      const std::string path = docs.File("truthful.ico");
      WriteBytes(path, good);
      IconPickerDialog picker(nullptr, lists, 7, false);
      QVERIFY(picker.ImportFile(path));
      QCOMPARE(picker.Choice().entry, kOwnIcon);
      // What goes into the record is what was read and shown, even when the
      // file has gone since.
      QFile::remove(QString::fromStdString(path));
      tb::storage::RecordHeader folder = *fixture.wallet().FormsFolder();
      QVERIFY(ApplyIconChoice(fixture.wallet(), lists, folder, picker.Choice()));
      const std::vector<uint8_t> stored = folder.IconPicture();
      QCOMPARE(std::string(stored.begin(), stored.end()), good);
      QCOMPARE(folder.Icon(), -1);
    }

    for (const auto& lie : lies) {
      const std::string path = docs.File(std::string(lie.name) + ".ico");
      WriteBytes(path, lie.bytes);
      const int ownIcons = lists.Table().Count();

      // Import Icon, through its file picker.
      ScriptedMessageBoxes boxes;
      IconPickerDialog picker(nullptr, lists, 7, false);
      picker.show();
      QVERIFY(QTest::qWaitForWindowExposed(&picker));
      bool picked = false;
      WhenShown<FilePickerDialog>([&](FilePickerDialog* files) {
        if (files->List()->count() == 0) files->Fill();
        picked = SelectRow(files->List(), lie.name);
        files->Dispatch(tb::ui::kCmdDone);
      });
      picker.Dispatch(kImportIconId);
      QVERIFY2(picked, lie.name);
      QCOMPARE(picker.Choice().entry, 7);
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().textNumber, 28604u);
      // Done: the current icon again, so nothing is chosen.
      picker.Dispatch(tb::ui::kCmdDone);
      QCOMPARE(picker.result(), tb::ui::kResultCancel);

      // The file as the choice of an own icon: nothing goes into the record.
      tb::storage::RecordHeader folder = *fixture.wallet().FormsFolder();
      const int32_t icon = folder.Icon();
      QVERIFY2(!ApplyIconChoice(fixture.wallet(), lists, folder, IconChoice{kOwnIcon, path}), lie.name);
      QVERIFY2(folder.IconPicture().empty() && folder.Icon() == icon, lie.name);
      QCOMPARE(lists.Table().Count(), ownIcons);
      QFile::remove(QString::fromStdString(path));
    }
  }
};

TB_QT_TEST(BadPickerInputTest)
#include "picker_input_test.moc"
