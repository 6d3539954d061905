// Pictures of the export and import dialogs and of the message boxes the
// commands show, drawn as the program draws them. Written only when
// TB_KEEP_SCREENSHOTS names a folder: pictures stay out of the test run.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "dialogs/export_dialog.h"
#include "dialogs/form_exchange_dialogs.h"
#include "interchange_fixture.h"
#include "platform/ui/screenshot.h"
#include "ui_support/qt_test.h"

using namespace tb::test;

namespace {

QString Folder() { return QString::fromLocal8Bit(qgetenv("TB_KEEP_SCREENSHOTS")); }
QString PathOf(const QString& name) { return QDir(Folder()).filePath(name + ".png"); }

// The real message box of a request, grabbed as it shows.
void GrabBox(const QString& name, const tb::ui::MessageBoxRequest& request) {
  QTimer::singleShot(100, [name] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->grab().save(PathOf(name));
      box->buttons().value(0)->click();
    }
  });
  tb::ui::QtMessageBoxes().Show(nullptr, request);
}

}  // namespace

class InterchangePictures : public QObject {
  Q_OBJECT

 private slots:
  void dialogsAndBoxes() {
    if (Folder().isEmpty()) QSKIP("set TB_KEEP_SCREENSHOTS to a folder to write the pictures");
    FixedPlaces places(1);
    ExchangeProgram p;
    p.Select(p.data.visa);
    WhenDialogShows(tb::dialogs::kExportTemplate, [](tb::ui::ModalDialog& d) {
      auto& e = static_cast<tb::dialogs::ExportDialog&>(d);
      e.Items()->setCurrentIndex(1);
      e.FirstCheck()->setChecked(true);
      QVERIFY(tb::ui::GrabToPng(&e, PathOf("export-149")));
      e.Items()->setCurrentIndex(2);
      QVERIFY(tb::ui::GrabToPng(&e, PathOf("export-149-card-as-form")));
      e.Dispatch(tb::ui::kCmdDone);
    });
    WhenDialogShows(tb::dialogs::kExportFormTemplate, [](tb::ui::ModalDialog& d) {
      auto& f = static_cast<tb::dialogs::ExportFormDialog&>(d);
      QTest::keyClicks(f.Description(), "Cards of the bank");
      QTest::keyClicks(f.Author(), "Ann");
      QVERIFY(tb::ui::GrabToPng(&f, PathOf("export-form-127")));
      f.Dispatch(tb::ui::kCmdMenuCancel);
    });
    p.Window().Dispatch(tb::shell::kCmdExport);
    WhenDialogShows(tb::dialogs::kImportFormTemplate, [](tb::ui::ModalDialog& d) {
      QVERIFY(tb::ui::GrabToPng(&d, PathOf("import-form-139")));
      d.Dispatch(tb::ui::kCmdMenuCancel);
    });
    p.Window().Dispatch(tb::shell::kCmdImportForm);

    // The boxes, with texts as the commands make them.
    tb::ui::MessageBoxRequest done;
    done.caption = "Tamberlock Pro";
    done.text = "The export is complete.\n\nOpen the exported file now?";
    done.buttons = tb::ui::Buttons::YesNo;
    GrabBox("box-export-complete", done);
    tb::ui::MessageBoxRequest gaps = done;
    gaps.caption = "Tamberlock Pro - Error";
    gaps.icon = tb::ui::MessageIcon::Stop;
    gaps.text =
        "The export was saved as\n/home/ann/Documents/Mine/Mine_06122026.txt\nbut 0 card(s) could not be read "
        "and 1 attachment(s) could not be saved. They are missing from the export.\n\nOpen the exported file now?";
    GrabBox("box-export-incomplete", gaps);
    tb::ui::MessageBoxRequest card;
    card.caption = "Please Confirm";
    card.icon = tb::ui::MessageIcon::Question;
    card.buttons = tb::ui::Buttons::YesNoCancel;
    card.text = "Import this card?\n\nCard Name: <b>r2</b>\nUser: u2\nSite: <i>s</i>\n";
    GrabBox("box-import-card", card);
    tb::ui::MessageBoxRequest form = card;
    form.buttons = tb::ui::Buttons::YesNo;
    form.text = "Add this form to My Forms?\n\nName: Visa <b>gold</b>\nDescription: Shared\nExported: 12/6/2026";
    GrabBox("box-import-form", form);
  }
};

TB_QT_TEST(InterchangePictures)
#include "pictures_test.moc"
