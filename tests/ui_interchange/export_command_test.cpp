// Export (833) in the wired program: the dialog's entries for what is
// selected, its format and check boxes as the entry changes, the places it
// offers, the written file with the closing question, the failures it
// tells, and the card exported as a form file.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <optional>

#include "dialogs/export_dialog.h"
#include "dialogs/form_exchange_dialogs.h"
#include "interchange/form_file.h"
#include "interchange_fixture.h"
#include "platform/core/file.h"
#include "shell/app/interchange_commands.h"
#include "storage/tree_order.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
using tb::dialogs::ExportDialog;
using tb::ui::Answer;

namespace {

// What the Export dialog showed for each items entry it offered.
struct DialogLook {
  QStringList items, places;
  QStringList perEntry;  // "format|first box|second box (or hidden)" per entry
  bool checksResetOnChange = true;
};

DialogLook ReadExportDialog(ExportDialog& d) {
  DialogLook look;
  look.items = EntriesOf(d.Items());
  look.places = EntriesOf(d.Place());
  for (int i = 0; i < d.Items()->count(); ++i) {
    d.Items()->setCurrentIndex(i);
    look.perEntry << d.Format()->currentText() + "|" + d.FirstCheck()->text() + "|" +
                         (d.SecondCheck()->isHidden() ? QString("hidden") : d.SecondCheck()->text());
    // What was ticked for one entry is not carried to the next.
    d.FirstCheck()->setChecked(true);
    d.SecondCheck()->setChecked(true);
    d.Items()->setCurrentIndex((i + 1) % d.Items()->count());
    if (d.Items()->count() > 1 && (d.FirstCheck()->isChecked() || d.SecondCheck()->isChecked()))
      look.checksResetOnChange = false;
  }
  d.Items()->setCurrentIndex(0);
  return look;
}

// Runs Export with the dialog answered by act (which ends it).
void RunExport(ExchangeProgram& p, std::function<void(ExportDialog&)> act) {
  WhenDialogShows(tb::dialogs::kExportTemplate, [act](tb::ui::ModalDialog& d) { act(static_cast<ExportDialog&>(d)); });
  p.Window().Dispatch(tb::shell::kCmdExport);
}

}  // namespace

class ExportCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void entriesFollowTheSelection() {
    const QString wallet = "Whole wallet=0", folder = "Selected folder=1", card = "Selected card=2",
                  form = "Selected card as a form=3";
    const QString textEntry = "Text file (.txt)|Passwords|Attachments";
    const QString formEntry = "Form file (.tbx)|Data in form fields|hidden";
    FixedPlaces places(2);
    ExchangeProgram p;
    const struct {
      const char* what;
      std::function<void()> select;
      QStringList items;
      QStringList perEntry;
    } cases[] = {
        {"nothing", [&] { p.Select(-1); }, {wallet}, {textEntry}},
        {"a card", [&] { p.Select(p.data.visa); }, {wallet, card, form}, {textEntry, textEntry, formEntry}},
        {"a folder", [&] { p.Select(p.data.bank); }, {wallet, folder}, {textEntry, textEntry}},
        {"the forms folder", [&] { p.Select(p.Wallet().FormsFolderPosition()); }, {wallet}, {textEntry}},
        {"a card of the forms folder",
         [&] { p.Select(p.data.form); },
         {wallet, card, form},
         {textEntry, textEntry, formEntry}},
        {"a view", [&] { p.SelectView(tb::storage::kFavouritesMarker); }, {wallet}, {textEntry}},
        {"a card in a view",
         [&] { p.Select(p.data.visa, true); },
         {wallet, card, form},
         {textEntry, textEntry, formEntry}},
    };
    for (const auto& c : cases) {
      c.select();
      DialogLook look;
      RunExport(p, [&look](ExportDialog& d) {
        look = ReadExportDialog(d);
        d.Dispatch(tb::ui::kCmdMenuCancel);
      });
      QVERIFY2(look.items == c.items, c.what);
      QVERIFY2(look.perEntry == c.perEntry, qPrintable(look.perEntry.join(", ")));
      QVERIFY(look.checksResetOnChange);
      QCOMPARE(look.places, (QStringList{"My Documents=", "Storage card (card1)=", "Storage card (card2)="}));
    }
    QCOMPARE(p.boxes.Count(), 0u);
    QVERIFY(FilesBelow(places.root.Path()).empty());
  }

  void atMostFivePlacesAndDoneWithoutOneIsCancel() {
    FixedPlaces many(6);
    ExchangeProgram p;
    QStringList shown;
    RunExport(p, [&shown](ExportDialog& d) {
      shown = EntriesOf(d.Place());
      d.Dispatch(tb::ui::kCmdMenuCancel);
    });
    QCOMPARE(shown.size(), 5);
    QCOMPARE(shown.last(), QString("Storage card (card4)="));

    tb::platform::ScopedDocumentPlaces none(tb::platform::DocumentPlaces{});
    bool ended = false;
    RunExport(p, [&ended](ExportDialog& d) {
      QCOMPARE(d.Place()->count(), 0);
      d.Dispatch(tb::ui::kCmdDone);
      ended = !d.isVisible();
    });
    QVERIFY(ended);
    QCOMPARE(p.boxes.Count(), 0u);
    QVERIFY(FilesBelow(many.root.Path()).empty());
  }

  void writesTheFileAndOffersToOpenIt() {
    FixedPlaces places(1);
    ExchangeProgram p;
    const std::string folder = places.cards[0] + "/" + std::filesystem::path(p.data.file.path()).stem().string();
    const struct {
      const char* what;
      int select;
      int entry;
      Answer answer;
      std::string file;
    } cases[] = {
        {"the wallet, opened", -1, 0, Answer::Yes, "/" + std::filesystem::path(p.data.file.path()).stem().string()},
        {"a folder, not opened", p.data.bank, 1, Answer::No, "/Bank"},
        {"a card, opened", p.data.visa, 1, Answer::Yes, "/Visa _b_gold__b_"},
    };
    for (const auto& c : cases) {
      p.Select(c.select);
      p.boxes.Clear();
      p.launcher.opened.clear();
      p.boxes.Queue(c.answer);
      RunExport(p, [&c](ExportDialog& d) {
        d.Items()->setCurrentIndex(c.entry);
        d.Place()->setCurrentIndex(1);
        d.FirstCheck()->setChecked(true);  // passwords in clear
        d.Dispatch(tb::ui::kCmdDone);
      });
      const std::string path = folder + c.file + "_06122026.txt";
      QVERIFY2(Exists(path), c.what);
      QCOMPARE(p.boxes.Count(), 1u);
      QCOMPARE(p.boxes.Last().text, QString("The export is complete.\n\nOpen the exported file now?"));
      QCOMPARE(p.boxes.Last().captionNumber, 20001u);
      QCOMPARE(p.boxes.Last().buttons, tb::ui::Buttons::YesNo);
      QCOMPARE(p.boxes.Last().icon, tb::ui::MessageIcon::Information);
      QCOMPARE(p.launcher.opened, c.answer == Answer::Yes
                                      ? QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(path))}
                                      : QList<QUrl>{});
    }
    const std::string card = FileBytes(folder + "/Visa _b_gold__b__06122026.txt");
    QVERIFY(card.find(std::string("1\0"
                                  "2\0"
                                  "3\0"
                                  "4\0",
                                  8)) != std::string::npos);  // the PIN in clear
  }

  void failuresAndGapsAreTold() {
    FixedPlaces places(1);
    ExchangeProgram p;
    // The card's place holds a file where the export folder would go.
    const std::string wallet = std::filesystem::path(p.data.file.path()).stem().string();
    WriteBytes(places.cards[0] + "/" + wallet, "in the way");
    RunExport(p, [](ExportDialog& d) {
      d.Place()->setCurrentIndex(1);
      d.Dispatch(tb::ui::kCmdDone);
    });
    QCOMPARE(p.boxes.Count(), 1u);
    QCOMPARE(p.boxes.Last().text, QString("The export could not be written under %1. Nothing was saved.")
                                      .arg(QString::fromStdString(places.cards[0])));
    QCOMPARE(p.boxes.Last().captionNumber, 20500u);
    QCOMPARE(p.boxes.Last().icon, tb::ui::MessageIcon::Stop);

    // A folder stands where the attachment's file would go: the export is
    // written without it and says so.
    std::filesystem::create_directories(places.documents + "/" + wallet + "/001_scan.pdf/inside");
    p.boxes.Clear();
    p.boxes.Queue(Answer::No);
    RunExport(p, [](ExportDialog& d) {
      d.SecondCheck()->setChecked(true);
      d.Dispatch(tb::ui::kCmdDone);
    });
    QCOMPARE(p.boxes.Count(), 1u);
    const QString path = QString::fromStdString(places.documents + "/" + wallet + "/" + wallet + "_06122026.txt");
    QCOMPARE(p.boxes.Last().text, QString("The export was saved as\n%1\nbut 0 card(s) could not be read and 1 "
                                          "attachment(s) could not be saved. They are missing from the export."
                                          "\n\nOpen the exported file now?")
                                      .arg(path));
    QCOMPARE(p.boxes.Last().icon, tb::ui::MessageIcon::Stop);
    QCOMPARE(p.boxes.Last().buttons, tb::ui::Buttons::YesNo);
    QVERIFY(p.launcher.opened.isEmpty());
  }

  void aCardGoesOutAsAFormFile() {
    FixedPlaces places(1);
    ExchangeProgram p;
    for (const bool withData : {false, true}) {
      // A day later: a form file of the same name is never replaced.
      std::optional<tb::platform::TestClock> nextDay;
      if (withData) nextDay.emplace(tb::platform::SystemTime{2026, 12, 0, 7, 9, 0, 0, 0});
      p.Select(p.data.visa);
      p.boxes.Clear();
      QString title, link;
      int linkFont = 0;
      WhenDialogShows(tb::dialogs::kExportFormTemplate, [&](tb::ui::ModalDialog& d) {
        auto& form = static_cast<tb::dialogs::ExportFormDialog&>(d);
        title = form.windowTitle();
        link = form.Link()->text();
        linkFont = form.Link()->font().underline() && form.Link()->font().bold();
        QCOMPARE(form.Description()->maxLength(), 127);
        QCOMPARE(form.Author()->maxLength(), 63);
        QVERIFY(tb::ui::FindControl<QCheckBox>(&form, tb::dialogs::kIdFormExcludeData)->isHidden());
        QTest::keyClicks(form.Description(), "Cards of the bank");
        QTest::keyClicks(form.Author(), "Ann");
        // A tap on the link opens the forms page.
        QTest::mouseClick(form.Link(), Qt::LeftButton);
        form.Dispatch(tb::ui::kCmdDone);
      });
      RunExport(p, [withData](ExportDialog& d) {
        d.Items()->setCurrentIndex(2);
        d.FirstCheck()->setChecked(withData);
        d.Dispatch(tb::ui::kCmdDone);
      });
      QCOMPARE(title, QString("Export Form: Visa <b>gold</b>"));
      QCOMPARE(link, QString(tb::dialogs::kFormsPage));
      QVERIFY(linkFont);
      QCOMPARE(p.launcher.opened.last(), QUrl(tb::dialogs::kFormsPage));
      const std::string file =
          places.documents + (withData ? "/Visa _b_gold__b__07122026.tbx" : "/Visa _b_gold__b__06122026.tbx");
      QCOMPARE(p.boxes.Count(), 1u);
      QCOMPARE(p.boxes.Last().text, QString("The form has been exported to the folder\n%1\nas %2")
                                        .arg(QString::fromStdString(places.documents),
                                             QString::fromStdString(std::filesystem::path(file).filename())));

      // Read back: the header's texts, and the values only with data.
      tb::platform::File in;
      QCOMPARE(in.Open(file, tb::platform::OpenMode::ReadOnly), tb::platform::OpenResult::Ok);
      tb::storage::Card card;
      tb::interchange::FormFileHeader header;
      QCOMPARE(tb::interchange::ReadFormFile(&card, &in, p.Wallet().DataKey(), &header),
               tb::interchange::FormReadStatus::Ok);
      QCOMPARE(header.description, std::u16string(u"Cards of the bank"));
      QCOMPARE(header.author, std::u16string(u"Ann"));
      QCOMPARE(card.fields.size(), size_t(2));
      QCOMPARE(tb::storage::ToU16(card.fields[0].value), withData ? std::u16string(u"4111") : std::u16string());
    }
  }

  void aCancelledFormDialogWritesNothing() {
    FixedPlaces places(0);
    ExchangeProgram p;
    p.Select(p.data.visa);
    WhenDialogShows(tb::dialogs::kExportFormTemplate,
                    [](tb::ui::ModalDialog& d) { d.Dispatch(tb::ui::kCmdMenuCancel); });
    RunExport(p, [](ExportDialog& d) {
      d.Items()->setCurrentIndex(2);
      d.Dispatch(tb::ui::kCmdDone);
    });
    QCOMPARE(p.boxes.Count(), 0u);
    QVERIFY(FilesBelow(places.root.Path()).empty());
  }
};

TB_QT_TEST(ExportCommandTest)
#include "export_command_test.moc"
