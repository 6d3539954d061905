// Password Report of the wired program: the Options entry shows the report
// of the open wallet, and Enter on an entry opens its card in the card
// window.
#include <QListWidget>
#include <QTest>

#include "app_fixture.h"
#include "cards/card_window.h"
#include "dialogs/password_report_dialog.h"
#include "platform/ui/test_doubles.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

using tb::test::PasswordAnswers;
using tb::ui::ScriptedMessageBoxes;

class PasswordReportAppTest : public QObject {
  Q_OBJECT

 private slots:
  void enterOnAnEntryOpensItsCard() {
    ScriptedMessageBoxes boxes;
    tb::test::TestWallet file;
    const tb::storage::RecordId bank = file.IdAt(file.AddFolder(u"Bank"));
    file.AddCard(bank, u"Giro", {{u"PIN", u"1234", 7}});
    file.AddCard(bank, u"Visa", {{u"Password", u"", 7}});
    file.wallet().Close();
    tb::test::WiredProgram program;
    tb::shell::MainWindow& window = *program.window;
    PasswordAnswers passwords({QString::fromStdU16String(file.password())});
    QVERIFY(window.OpenWalletFlow(file.path(), false));

    QString opened;
    tb::dialogs::test::WhenShown<tb::dialogs::PasswordReportDialog>([&](tb::dialogs::PasswordReportDialog* d) {
      QCOMPARE(d->List()->count(), 2);
      d->List()->setCurrentRow(1);
      tb::dialogs::test::WhenShown<tb::cards::CardWindow>([&](tb::cards::CardWindow* w) {
        const tb::storage::Text name = w->Card().record.Name();
        opened = tb::ui::ToQString({name.data(), name.size()});
        w->Dispatch(tb::cards::kCmdCardDone);
      });
      QTest::keyClick(d->List(), Qt::Key_Return);
    });
    window.Dispatch(tb::shell::kCmdPasswordReport);
    QCOMPARE(opened, QStringLiteral("Visa"));
    QVERIFY(program.context.wallet.IsOpen());
    QVERIFY(!window.TreeBrowser().CardWindowOpen());
  }
};

TB_QT_TEST(PasswordReportAppTest)
#include "password_report_test.moc"
