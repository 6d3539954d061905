// Import (834) and Import Form (859) in the wired program: each answer
// sequence of the table import gives the cards read back from the
// reopened file and shown in the tree; the forms folder's selection turns
// Import into a form import; the introduction's two ways; files that are
// not form files; and nothing at all on Smartphone.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <map>
#include <optional>

#include "dialogs/form_exchange_dialogs.h"
#include "interchange/form_exchange.h"
#include "interchange_fixture.h"
#include "platform/ui/soft_key_bar.h"
#include "shell/app/interchange_commands.h"
#include "storage/card.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
using tb::ui::Answer;

namespace {

const QString kFolder = QStringLiteral("Imported Cards 12/6/2026");

// Eleven cards, the second with markup in its name and a value.
std::string ElevenCards() {
  std::string table = "Card Name\tUser\tSite\r\n";
  for (int i = 1; i <= 11; ++i)
    table +=
        (i == 2 ? std::string("<b>r2</b>") : "r" + std::to_string(i)) + "\tu" + std::to_string(i) + "\t<i>s</i>\r\n";
  return table;
}

// name -> "User=...|Site=..." of every card under the imported folder of
// the wallet file, opened afresh.
std::map<std::u16string, std::u16string> CardsInFile(const std::string& path, const std::u16string& password) {
  std::map<std::u16string, std::u16string> out;
  tb::storage::Wallet wallet;
  FixedTexts texts;
  wallet.SetTextSource(&texts);
  if (wallet.Open(path, password, true, nullptr) != tb::storage::OpenStatus::Ok) return {{u"?", u"not opened"}};
  for (int p = 0; p < wallet.Count(); ++p) {
    const tb::storage::RecordHeader* h = wallet.At(p);
    if (!h || !h->IsCard()) continue;
    const tb::storage::RecordHeader* parent = wallet.ParentOf(p);
    if (!parent || !tb::storage::ToU16(parent->Name()).starts_with(u"Imported Cards")) continue;
    tb::storage::Card card;
    if (!wallet.LoadCard(h->Id(), &card)) continue;
    std::u16string fields;
    for (const tb::storage::Field& f : card.fields)
      fields += (fields.empty() ? u"" : u"|") + tb::storage::ToU16(f.label) + u"=" + tb::storage::ToU16(f.value);
    out[tb::storage::ToU16(h->Name())] = fields;
  }
  return out;
}

// Fails the test when any dialog or box shows while it lives.
struct NothingShows {
  QTimer poll;
  bool seen = false;
  NothingShows() {
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [this] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        seen = true;
        w->close();
      }
    });
    poll.start();
  }
};

}  // namespace

class ImportCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void eachAnswerSequenceGivesItsCards() {
    using A = Answer;
    const struct {
      const char* what;
      std::vector<A> answers;  // the 22040 question first, then the card and bulk questions
      bool picker;
      QStringList cards;  // in the tree, in its order
    } cases[] = {
        {"no import at all", {A::No}, false, {}},
        {"some cards, then cancel", {A::Yes, A::Yes, A::No, A::Yes, A::Cancel}, true, {"r1", "r3"}},
        {"every card declined",
         {A::Yes, A::No, A::No, A::No, A::No, A::No, A::No, A::No, A::No, A::No, A::No, A::No, A::No},
         true,
         {}},
        {"all the rest at the fifth row",
         {A::Yes, A::No, A::Yes, A::No, A::No, A::Yes},
         true,
         {"<b>r2</b>", "r10", "r11", "r5", "r6", "r7", "r8", "r9"}},
    };
    for (const auto& c : cases) {
      FixedPlaces places(0);
      const std::string table = places.documents + "/cards.txt";
      WriteBytes(table, ElevenCards());
      ExchangeProgram p;
      for (A a : c.answers) p.boxes.Queue(a);
      FilePick pick(table);
      p.Window().Dispatch(tb::shell::kCmdImport);
      const QString pickerTitle = pick.title;
      QVERIFY2(p.boxes.Pending() == 0, c.what);
      const auto& shown = p.boxes.Shown();
      QCOMPARE(shown.front().text, QString("Import cards from a tab-separated text file?\n\nThe first line must begin "
                                           "with \"Card Name\" followed by the field names. The cards are placed in a "
                                           "new folder named \"Imported Cards\"."));
      QCOMPARE(shown.front().captionNumber, 20504u);
      QCOMPARE(shown.front().icon, tb::ui::MessageIcon::Question);
      QCOMPARE(pickerTitle, c.picker ? QString("Select Text File to Import") : QString());
      if (c.picker) {
        // Markup of the table is shown as it stands.
        QVERIFY(shown[1].text.contains("Card Name: r1\nUser: u1\nSite: <i>s</i>"));
      }
      QCOMPARE(p.Children(kFolder), c.cards);
      if (!c.cards.isEmpty()) {
        QCOMPARE(p.Tree()->currentItem()->text(0), kFolder);
        QCOMPARE(shown.back().text, QString("%1 cards were imported.").arg(c.cards.size()));
      } else {
        QVERIFY(!p.program.TopLevelTexts().contains(kFolder));
      }
      p.Window().CloseWallet();
      const auto inFile = CardsInFile(p.data.file.path(), p.data.file.password());
      QCOMPARE(int(inFile.size()), c.cards.size());
      for (const QString& name : c.cards) QVERIFY(inFile.count(name.toStdU16String()));
      if (c.cards.contains("r3")) QCOMPARE(inFile.at(u"r3"), std::u16string(u"User=u3|Site=<i>s</i>"));
    }
  }

  void theFormsFolderTurnsImportIntoAFormImport() {
    FixedPlaces places(0);
    ExchangeProgram p;
    std::string tbx;
    tb::interchange::FormExportOptions options;
    options.folder = places.documents;
    options.description = u"Shared";
    QCOMPARE(tb::interchange::ExportAsForm(p.Wallet(), p.data.visa, options, &tbx),
             tb::interchange::FormExportStatus::Ok);
    const QString forms = "My Forms";
    for (const int selected : {p.Wallet().FormsFolderPosition(), p.data.form}) {
      p.Select(selected);
      p.boxes.Clear();
      p.boxes.Queue(Answer::Yes);
      FilePick pick(tbx);
      const int before = p.Children(forms).size();
      p.Window().Dispatch(tb::shell::kCmdImport);
      QCOMPARE(pick.title, QString("Select Form File"));
      QCOMPARE(p.boxes.Count(), 1u);  // the form's question, not the table's
      QVERIFY(
          p.boxes.Last().text.startsWith("Add this form to My Forms?\n\nName: Visa <b>gold</b>\n"
                                         "Description: Shared\nExported: 12/6/2026"));
      QCOMPARE(p.Children(forms).size(), before + 1);
      QCOMPARE(p.Tree()->currentItem()->text(0), QString("Visa <b>gold</b>"));
      QCOMPARE(p.Tree()->currentItem()->parent()->text(0), forms);
    }
  }

  void importFormShowsItsIntroductionFirst() {
    FixedPlaces places(0);
    ExchangeProgram p;
    std::string tbx;
    tb::interchange::FormExportOptions options;
    options.folder = places.documents;
    QCOMPARE(tb::interchange::ExportAsForm(p.Wallet(), p.data.visa, options, &tbx),
             tb::interchange::FormExportStatus::Ok);
    const int before = p.Wallet().Count();

    // The web button opens the forms page and ends the command.
    QString title, note, goOn, web;
    WhenDialogShows(tb::dialogs::kImportFormTemplate, [&](tb::ui::ModalDialog& d) {
      auto& intro = static_cast<tb::dialogs::ImportFormIntroDialog&>(d);
      title = intro.windowTitle();
      note = tb::ui::FindControl<QLabel>(&intro, tb::dialogs::kIdFormNote)->text();
      goOn = intro.ContinueButton()->text();
      web = intro.WebButton()->text();
      QCOMPARE(intro.MenuBar()->MenuBarId(), 970);
      intro.WebButton()->click();
    });
    std::optional<FilePick> pick(std::in_place, tbx);
    p.Window().Dispatch(tb::shell::kCmdImportForm);
    QCOMPARE(title, QString("Import Form"));
    QCOMPARE(goOn, QString("Continue"));
    QCOMPARE(web, QString("Find Forms on the Web"));
    QVERIFY(note.startsWith("Choose a form file (.tbx)"));
    QCOMPARE(p.launcher.opened, QList<QUrl>{QUrl(tb::dialogs::kFormsPage)});
    QVERIFY(pick->title.isEmpty());
    pick.emplace(tbx);
    p.boxes.Queue(Answer::No);
    WhenDialogShows(tb::dialogs::kImportFormTemplate, [](tb::ui::ModalDialog& d) {
      static_cast<tb::dialogs::ImportFormIntroDialog&>(d).ContinueButton()->click();
    });
    p.Window().Dispatch(tb::shell::kCmdImportForm);
    QCOMPARE(pick->title, QString("Select Form File"));
    QCOMPARE(p.boxes.Count(), 1u);         // the question, answered No
    QCOMPARE(p.Wallet().Count(), before);  // nothing added
  }

  void filesThatAreNotFormsAreToldAndChangeNothing() {
    FixedPlaces places(0);
    ExchangeProgram p;
    const std::string before = FileBytes(p.data.file.path());
    const std::string text = places.documents + "/notes.tbx";
    WriteBytes(text, "Card Name\tA\r\nr\tx\r\n");
    for (const std::string& path : {text, places.documents + "/missing.tbx", places.documents}) {
      p.boxes.Clear();
      QVERIFY(!tb::shell::ImportFormFile(p.Window(), path));
      QCOMPARE(p.boxes.Count(), 1u);
      QCOMPARE(p.boxes.Last().text, QString::fromStdString(path) +
                                        "\n\nThis file is not a Tamberlock Pro form file, or it is damaged. Nothing "
                                        "was added.");
      QCOMPARE(p.boxes.Last().icon, tb::ui::MessageIcon::Stop);
    }
    p.Window().CloseWallet();
    QCOMPARE(FileBytes(p.data.file.path()), before);
  }

  void smartphoneHasNoneOfIt() {
    FixedPlaces places(0);
    ExchangeProgram p;
    p.program.context.platform.isSmartphone = true;
    p.program.context.platform.isPocketPC = false;
    std::string tbx;
    tb::interchange::FormExportOptions options;
    options.folder = places.documents;
    tb::interchange::ExportAsForm(p.Wallet(), p.data.visa, options, &tbx);
    const int before = p.Wallet().Count();
    NothingShows watch;
    p.Select(p.data.visa);
    for (int command : {tb::shell::kCmdExport, tb::shell::kCmdImport, tb::shell::kCmdImportForm})
      p.Window().Dispatch(command);
    p.Window().OnInstanceRequest({tb::platform::InstanceRequestKind::Import, tbx});
    QTest::qWait(400);
    QVERIFY(!watch.seen);
    QCOMPARE(p.boxes.Count(), 0u);
    QCOMPARE(p.Wallet().Count(), before);
  }
};

TB_QT_TEST(ImportCommandTest)
#include "import_command_test.moc"
