// The tests' wait for a dialog: it acts on the dialog once it shows, and a
// dialog that never shows fails the test instead of letting it pass.
#include <QTest>

#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/dialog_waits.h"
#include "ui_support/qt_test.h"

namespace {

class Probe : public tb::ui::ModalDialog {
 public:
  // A window without a size never shows on the offscreen platform.
  Probe() : ModalDialog(nullptr, 4711) { resize(120, 80); }
};

}  // namespace

class DialogWaitTest : public QObject {
  Q_OBJECT

 private slots:
  void actsOnTheDialogOnceItShows() {
    int byTemplate = 0, byType = 0;
    tb::dialogs::test::WhenDialogShows(4711, [&](tb::ui::ModalDialog& d) {
      ++byTemplate;
      tb::dialogs::test::WhenShown<Probe>([&](Probe* p) {
        ++byType;
        p->EndDialog(tb::ui::kResultOk);
      });
    });
    QTimer::singleShot(30, [] {
      Probe probe;
      probe.RunModal();
    });
    QTRY_COMPARE(byType, 1);
    QCOMPARE(byTemplate, 1);
  }

  void aDialogThatNeverShowsFailsTheTest() {
    const int wait = tb::test::StartDialogWait(QStringLiteral("probe"));
    QVERIFY(tb::test::DialogWaitStillWanted(wait));
    QEXPECT_FAIL("", "the probe never shows", Continue);
    tb::test::DialogWaitGaveUp(wait);
    tb::test::DialogWaitMet(wait);  // not counted at the end of the program
    QVERIFY(!tb::test::DialogWaitStillWanted(wait));
  }
};

TB_QT_TEST(DialogWaitTest)
#include "dialog_wait_test.moc"
