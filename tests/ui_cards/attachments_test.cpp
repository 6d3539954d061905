// A card's attachments: the dialog's list, info line and enabling, Add,
// Remove, Export and Open; copies in the documents folder under the day's
// name (whatever the stored name says), the wallet-name rules, and the
// copies offered for deletion when the card window closes.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <fstream>

#include "cards/attachments.h"
#include "cards/attachments_dialog.h"
#include "cards_fixture.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/core/documents.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/test_doubles.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;
using tb::dialogs::test::WhenShown;
using tb::ui::RecordingLauncher;
using tb::ui::ScriptedMessageBoxes;

namespace {

const tb::platform::SystemTime kFifthOfMarch2007{2007, 3, 1, 5, 10, 0, 0, 0};

tb::storage::Attachment Attached(std::u16string_view name, const std::string& bytes) {
  tb::storage::Attachment a;
  a.bytes.assign(bytes.begin(), bytes.end());
  a.fileName.assign(name.begin(), name.end());
  a.fileTime = kFifthOfMarch2007;
  a.timeAdded = kFifthOfMarch2007;
  return a;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

QStringList FilesIn(const std::string& folder) {
  return QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList Entries(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Documents in a temporary folder, the test clock on 5 March 2007.
struct Places {
  tb::test::TempDir dir;
  std::string documents = dir.File("Documents");
  tb::platform::ScopedDocumentPlaces places{{documents, {}}};
  tb::platform::TestClock clock{kFifthOfMarch2007};
};

bool RunDialog(CardFixture& f, std::vector<std::optional<std::string>> picks,
               std::function<void(AttachmentsDialog*)> script,
               std::vector<tb::dialogs::FilePickerOptions>* asked = nullptr) {
  AttachmentsDialog dialog(nullptr, f.settings, f.card);
  auto queue = std::make_shared<std::vector<std::optional<std::string>>>(std::move(picks));
  dialog.pickFile = [queue, asked](QWidget*, const tb::dialogs::FilePickerOptions& o) -> std::optional<std::string> {
    if (asked) asked->push_back(o);
    if (queue->empty()) return std::nullopt;
    auto next = queue->front();
    queue->erase(queue->begin());
    return next;
  };
  WhenShown<AttachmentsDialog>(script);
  return dialog.RunModal() == tb::ui::kResultOk;
}

}  // namespace

class AttachmentsTest : public QObject {
  Q_OBJECT

 private slots:
  void sizes() {
    const struct {
      uint64_t bytes;
      const char* shown;
    } cases[] = {
        {0, "0 bytes"},         {1023, "1023 bytes"},        {1024, "1.0 KB"}, {1536, "1.5 KB"}, {5u << 20, "5.0 MB"},
        {3ull << 30, "3.0 GB"}, {5000ull << 30, "5000.0 GB"}};
    for (const auto& c : cases) QCOMPARE(FormatSize(c.bytes), QString(c.shown));
  }

  void listInfoAndEnabling() {
    for (bool smartphone : {false, true}) {
      Places places;
      ScriptedMessageBoxes boxes;
      CardFixture f(smartphone);
      tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
      card.attachments[5] = Attached(u"late.txt", "l");
      card.attachments[2] = Attached(u"early.pdf", std::string(1536, 'e'));
      QVERIFY(RunDialog(f, {}, [&](AttachmentsDialog* d) {
        QCOMPARE(Entries(d->List()), (QStringList{"early.pdf", "late.txt"}));
        QCOMPARE(d->SelectedSlot(), 2);
        QCOMPARE(d->Info()->text(), QString("Date: 05.03.2007    Size: 1.5 KB"));
        d->List()->setCurrentRow(1);
        QCOMPARE(d->Info()->text(), QString("Date: 05.03.2007    Size: 1 bytes"));
        for (int id : {kIdAddFile, kIdRemoveFile, kIdExportFile, kIdOpenFile}) QVERIFY(d->CanRun(id));
        d->Dispatch(kIdRemoveFile);  // at once, no question
        QCOMPARE(Entries(d->List()), QStringList{"early.pdf"});
        d->Dispatch(kIdRemoveFile);
        QCOMPARE(d->List()->count(), 0);
        QVERIFY(d->Info()->text().isEmpty());
        QVERIFY(d->CanRun(kIdAddFile));
        for (int id : {kIdRemoveFile, kIdExportFile, kIdOpenFile}) QVERIFY(!d->CanRun(id));
        if (!smartphone) QVERIFY(!tb::ui::FindControl<QWidget>(d, kIdOpenFile)->isEnabled());
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QCOMPARE(boxes.Count(), size_t(0));
      QVERIFY(card.Modified());
      for (const auto& slot : card.attachments) QVERIFY(!slot || !slot->InUse());
    }
  }

  void addUpToTen() {
    Places places;
    const std::string file = places.dir.File("notes.txt");
    std::ofstream(file) << "hello";
    const std::string empty = places.dir.File("empty.txt");
    std::ofstream(empty).flush();
    ScriptedMessageBoxes boxes;
    CardFixture f;
    tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
    for (size_t i = 0; i < 9; ++i)
      card.attachments[i == 4 ? 9 : i] = Attached(u"a" + std::u16string(1, u'0' + char16_t(i)), "x");
    card.changed = false;
    std::vector<tb::dialogs::FilePickerOptions> asked;
    QVERIFY(RunDialog(
        f, {empty, std::nullopt, file},
        [&](AttachmentsDialog* d) {
          d->Dispatch(kIdAddFile);  // empty: refused and told
          QCOMPARE(boxes.Count(), size_t(1));
          QCOMPARE(boxes.Last().textNumber, 40110u);
          d->Dispatch(kIdAddFile);  // cancelled picker
          d->Dispatch(kIdAddFile);
          QCOMPARE(d->List()->count(), 10);
          QVERIFY(!d->CanRun(kIdAddFile));
          d->Dispatch(kIdAddFile);  // the eleventh: not even asked
          d->Dispatch(tb::ui::kCmdDone);
        },
        &asked));
    QCOMPARE(asked.size(), size_t(3));
    QCOMPARE(asked[0].titleNumber, 24004u);
    QCOMPARE(asked[0].filter, std::string("*.*"));
    QCOMPARE(asked[0].icon, 214);
    QVERIFY(card.attachments[4]);  // the first free slot
    QCOMPARE(QString::fromStdU16String(
                 std::u16string(card.attachments[4]->fileName.begin(), card.attachments[4]->fileName.end())),
             QString("notes.txt"));
    QVERIFY(card.Modified());
  }

  // Copies and exports: the day's name in the documents folder, replacing
  // an earlier copy; hostile names stay inside the folder.
  void copiesStayInTheDocumentsFolder() {
    const struct {
      std::u16string name;
      const char* file;  // nullptr: only checked to be safe
    } cases[] = {
        {u"report.pdf", "20070305_report.pdf"}, {u"../x", "20070305_x"}, {u"/etc/passwd", "20070305_passwd"},
        {u".bashrc", "20070305_bashrc"},        {u"a\\b", "20070305_b"}, {std::u16string(300, u'w'), nullptr},
        {u"bell\a\r\n.txt", nullptr},
    };
    for (const auto& c : cases) {
      Places places;
      ScriptedMessageBoxes boxes;
      RecordingLauncher launcher;
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
      card.attachments[0] = Attached(c.name, "first");
      QVERIFY(RunDialog(f, {}, [&](AttachmentsDialog* d) {
        d->Dispatch(kIdExportFile);
        card.attachments[0]->bytes.assign(6, 's');
        d->Dispatch(kIdExportFile);  // overwrites
        d->Dispatch(kIdOpenFile);
        d->Dispatch(tb::ui::kCmdDone);
      }));
      QCOMPARE(boxes.Count(), size_t(2));
      QCOMPARE(boxes.Last().captionNumber, 20001u);
      const QStringList files = FilesIn(places.documents);
      QCOMPARE(files.size(), 1);
      if (c.file) QCOMPARE(files[0], QString(c.file));
      QVERIFY(files[0].startsWith("20070305_"));
      for (QChar ch : files[0]) QVERIFY(ch.unicode() >= 0x20);
      const std::string path = places.documents + "/" + files[0].toStdString();
      QCOMPARE(Read(path), std::string("ssssss"));
      QCOMPARE(boxes.Last().text, "The file has been saved:\n" + QString::fromStdString(path));
      const QFileInfo info(QString::fromStdString(path));
      QCOMPARE(int(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner | QFile::ExeUser)), 0);
      QCOMPARE(launcher.opened.size(), 1);
      QCOMPARE(launcher.opened[0].toLocalFile(), QString::fromStdString(path));
      QCOMPARE(OpenedCopies::Instance().Paths(), std::vector<std::string>{path});
      QCOMPARE(FilesIn(places.dir.Path()), QStringList());
      OpenedCopies::Instance().Clear();
    }
  }

  void walletNamesAreNotOpened() {
    const struct {
      std::u16string name;
      bool fromDialog, fromView;
    } cases[] = {
        {u"notes.txt", true, true},   {u"old.wal", false, false},  {u"Mine.tb5", false, false},
        {u"BACKUP.WAL", false, true}, {u"x.Tb5.txt", false, true},
    };
    for (const auto& c : cases) {
      Places places;
      ScriptedMessageBoxes boxes;
      RecordingLauncher launcher;
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
      card.attachments[3] = Attached(c.name, "data");
      QCOMPARE(OpenAttachment(card, 3, OpenedFrom::Dialog), c.fromDialog);
      QCOMPARE(launcher.opened.size(), c.fromDialog ? 1 : 0);
      QCOMPARE(FilesIn(places.documents).size(), 1);  // written either way
      QCOMPARE(OpenAttachment(card, 3, OpenedFrom::View), c.fromView);
      QCOMPARE(OpenedCopies::Instance().Paths().size(), size_t(c.fromDialog || c.fromView ? 1 : 0));
      QVERIFY(!OpenAttachment(card, 4, OpenedFrom::View));  // an empty slot
      OpenedCopies::Instance().Clear();
    }
  }

  void missingDocumentsFolderOpensNothing() {
    tb::test::TempDir dir;
    tb::platform::ScopedDocumentPlaces places({dir.File("gone/Documents"), {}});
    ScriptedMessageBoxes boxes;
    RecordingLauncher launcher;
    CardFixture f;
    f.Stored(u"Files", {{u"User", u"ann", 1}}).attachments[0] = Attached(u"a.txt", "a");
    QVERIFY(!OpenAttachment(f.card, 0, OpenedFrom::View));
    QVERIFY(RunDialog(f, {}, [](AttachmentsDialog* d) {
      d->Dispatch(kIdExportFile);
      d->Dispatch(kIdOpenFile);
      d->Dispatch(tb::ui::kCmdDone);
    }));
    QCOMPARE(boxes.Count(), size_t(0));
    QCOMPARE(launcher.opened.size(), 0);
    QVERIFY(OpenedCopies::Instance().Empty());
  }

  // The view's attachment line opens its copy; closing the window offers
  // the copies for deletion; opening it starts a new list.
  void cardWindowOpensAndOffersDeletion() {
    for (bool yes : {true, false}) {
      Places places;
      ScriptedMessageBoxes boxes;
      RecordingLauncher launcher;
      CardFixture f;
      tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
      card.attachments[0] = Attached(u"one.txt", "1");
      card.attachments[1] = Attached(u"two.txt", "2");
      OpenedCopies::Instance().Add("/left/over/from/before");
      CardWindow& w = f.Open();
      QVERIFY(OpenedCopies::Instance().Empty());
      for (const char* name : {"one.txt", "two.txt", "one.txt"}) {
        const int line = f.ItemOf(name);
        QVERIFY(line >= 0);
        f.Viewer().Select(line);
        f.Viewer().Act(line);
      }
      QCOMPARE(launcher.opened.size(), 3);
      QCOMPARE(OpenedCopies::Instance().Paths().size(), size_t(2));
      QCOMPARE(FilesIn(places.documents).size(), 2);
      boxes.Queue(yes ? tb::storage::Answer::Yes : tb::storage::Answer::No);
      w.Dispatch(kCmdCardDone);
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().textNumber, 28206u);
      QCOMPARE(boxes.Last().captionNumber, 20001u);
      QCOMPARE(FilesIn(places.documents).size(), yes ? 0 : 2);
      QVERIFY(OpenedCopies::Instance().Empty());
    }
    // Nothing opened: nothing asked.
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Files", {{u"User", u"ann", 1}});
    f.Open().Dispatch(kCmdCardDone);
    QCOMPARE(boxes.Count(), size_t(0));
  }

  void cardWindowRunsAttachments() {
    Places places;
    const std::string file = places.dir.File("new.txt");
    std::ofstream(file) << "new";
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Files", {{u"User", u"ann", 1}});
    CardWindow& w = f.Open();
    WhenShown<AttachmentsDialog>([&](AttachmentsDialog* d) {
      d->pickFile = [&](QWidget*, const tb::dialogs::FilePickerOptions&) { return std::optional<std::string>(file); };
      d->Dispatch(kIdAddFile);
      d->Dispatch(tb::ui::kCmdDone);
    });
    w.Dispatch(kCmdAttachments);
    QVERIFY(f.ItemOf("new.txt") >= 0);  // the view was rebuilt
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeStore);
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        Places places;
        CardFixture f(smartphone, dpi);
        tb::storage::Card& card = f.Stored(u"Files", {{u"User", u"ann", 1}});
        card.attachments[0] = Attached(u"statement.pdf", std::string(20000, 's'));
        card.attachments[1] = Attached(u"contract.doc", "c");
        RunDialog(f, {}, [&](AttachmentsDialog* d) {
          QVERIFY(tb::ui::GrabToPng(
              d, ScreenshotPath(QStringLiteral("attachments_%1_%2").arg(smartphone ? "sp" : "ppc").arg(dpi))));
          d->Dispatch(tb::ui::kCmdDone);
        });
      }
    }
  }
};

TB_QT_TEST(AttachmentsTest)

#include "attachments_test.moc"
