// The Security command of the wired program and the auto-close checks it
// starts again.
#include <QTest>

#include "app_fixture.h"
#include "dialogs/security_options_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/test_doubles.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

using tb::test::PasswordAnswers;
using tb::ui::ScriptedMessageBoxes;

namespace {

constexpr int kCmdSecurity = 830;

// Picks a list position in the security dialog and confirms it.
void AnswerSecurity(int position) {
  tb::dialogs::test::WhenDialogShows(tb::dialogs::kTemplateSecurityPocketPC, [position](tb::ui::ModalDialog& d) {
    static_cast<tb::dialogs::SecurityOptionsDialog&>(d).Select(position);
    d.Dispatch(tb::ui::kCmdDone);
  });
}

}  // namespace

class SecurityTest : public QObject {
  Q_OBJECT

 private slots:
  void neverStopsTheChecksAndOtherPeriodsRestartThem() {
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    tb::test::TestWallet file;
    file.wallet().Options().SetAutoCloseMinutes(5);
    file.wallet().Options().changed = true;
    file.wallet().SaveHeaders();
    file.wallet().Close();
    tb::test::WiredProgram program;
    tb::shell::MainWindow& window = *program.window;
    PasswordAnswers passwords({QString::fromStdU16String(file.password())});
    QVERIFY(window.OpenWalletFlow(file.path(), false));
    QVERIFY(window.AutoCloseRunning());

    // Never: no timer, no watcher, and coming back after the old period
    // leaves the wallet open.
    AnswerSecurity(0);
    window.Dispatch(kCmdSecurity);
    QCOMPARE(program.context.wallet.Options().AutoCloseMinutes(), 0u);
    QVERIFY(!window.AutoCloseRunning());
    QVERIFY(!window.WatcherRunning());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clock.AdvanceSeconds(6 * 60);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.CheckAutoClose();
    QTest::qWait(50);
    QVERIFY(program.context.wallet.IsOpen());

    // One minute: the checks run again and close after it.
    AnswerSecurity(1);
    window.Dispatch(kCmdSecurity);
    QCOMPARE(program.context.wallet.Options().AutoCloseMinutes(), 1u);
    QVERIFY(window.AutoCloseRunning());
    QVERIFY(window.WatcherRunning());
    clock.AdvanceSeconds(61);
    window.CheckAutoClose();
    QTRY_VERIFY(!program.context.wallet.IsOpen());
  }
};

TB_QT_TEST(SecurityTest)

#include "security_test.moc"
