// A clear period as large as the setting can hold: the copy stays for
// that long rather than leaving at once or overflowing a timer.
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "bad_input_fixture.h"
#include "platform/core/registry.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "ui_support/qt_test.h"

using tb::platform::TestClock;
using tb::ui::ClipboardService;

class ClipboardInputTest : public QObject {
  Q_OBJECT

 private slots:
  void theLargestPeriodKeepsTheCopy() {
    tb::platform::Registry registry("");
    registry.SetDword(tb::shell::kSettingsKey, u"Clipboard.ClearSeconds", 0xFFFFFFFF);
    tb::shell::AppContext context;
    QVERIFY(context.settings.Load(registry));
    tb::shell::MainWindow window(context);
    ClipboardService& service = *ClipboardService::Instance();
    QCOMPARE(service.PeriodSeconds(), 0xFFFFFFFFu);

    TestClock clock({2024, 1, 0, 1, 8, 0, 0, 0});
    QVERIFY(service.CopySecret("card text"));
    QVERIFY(service.ClearPending());
    QTest::qWait(1500);  // the service's timer looks at least once
    clock.AdvanceSeconds(100LL * 365 * 24 * 3600);
    service.CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("card text"));
    QVERIFY(service.ClearPending());
    // Closing the wallet still takes it off.
    window.CloseWallet();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
  }
};

TB_QT_TEST(ClipboardInputTest)
#include "clipboard_input_test.moc"
