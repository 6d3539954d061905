#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "ui_support/qt_test.h"

using namespace tb::ui;
using tb::platform::SystemTime;
using tb::platform::TestClock;

namespace {

const SystemTime kNoon{2024, 3, 0, 12, 12, 0, 0, 0};

QByteArray Format(const char* format) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data ? data->data(QString::fromLatin1(format)) : QByteArray();
}

// Sets the period the service reads for the life of the object.
struct Period {
  explicit Period(uint32_t seconds) {
    ClipboardService::Instance()->SetPeriodSource([seconds] { return seconds; });
  }
  ~Period() { ClipboardService::Instance()->SetPeriodSource(nullptr); }
};

}  // namespace

class ClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    ClipboardService::Instance()->ClearOurs();
    QApplication::clipboard()->clear();
  }

  void copiesCarryTheHintBesideTheirText() {
    ClipboardService& service = *ClipboardService::Instance();
    QVERIFY(service.CopySecret(QString::fromUtf8("Grüße €5")));
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("Grüße €5"));
    QCOMPARE(Format(kPasswordManagerHintFormat), QByteArray("secret"));
    QVERIFY(Format(kWindows1252Format).isEmpty());  // Unicode only unless asked

    QVERIFY(service.CopySecret(QString::fromUtf8("Grüße €5"), true));
    QCOMPARE(Format(kWindows1252Format), QByteArray("Gr\xFC\xDF"
                                                    "e \x80"
                                                    "5"));
    QCOMPARE(Format(kPasswordManagerHintFormat), QByteArray("secret"));
    QVERIFY(service.HoldsOurCopy());

    // Nothing to copy places nothing.
    QApplication::clipboard()->setText("kept");
    QVERIFY(!service.CopySecret(QString()));
    QCOMPARE(QApplication::clipboard()->text(), QString("kept"));
  }

  void ourCopyLeavesAfterThePeriod() {
    TestClock clock(kNoon);
    Period period(30);
    ClipboardService& service = *ClipboardService::Instance();
    QVERIFY(service.CopySecret("PIN 1234"));
    QVERIFY(service.ClearPending());
    clock.AdvanceSeconds(29);
    service.CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("PIN 1234"));
    clock.AdvanceSeconds(1);
    // The service's own timer notices within a second or so.
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::clipboard()->text().isEmpty(), 3000);
    QVERIFY(!service.ClearPending());
  }

  void anotherCopyIsLeftAlone() {
    TestClock clock(kNoon);
    Period period(30);
    ClipboardService& service = *ClipboardService::Instance();
    QVERIFY(service.CopySecret("PIN 1234"));
    // The same text copied by someone else is still someone else's copy.
    QApplication::clipboard()->setText("PIN 1234");
    QVERIFY(!service.HoldsOurCopy());
    clock.AdvanceSeconds(60);
    service.CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("PIN 1234"));
    QVERIFY(!service.ClearPending());
    service.ClearOurs();  // closing the wallet leaves it too
    QCOMPARE(QApplication::clipboard()->text(), QString("PIN 1234"));
  }

  void periodZeroNeverClearsButClosingDoes() {
    TestClock clock(kNoon);
    Period period(0);
    ClipboardService& service = *ClipboardService::Instance();
    QVERIFY(service.CopySecret("account 42"));
    QVERIFY(!service.ClearPending());
    clock.AdvanceSeconds(400LL * 24 * 3600);
    service.CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("account 42"));
    service.ClearOurs();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
  }

  void aNewCopyStartsThePeriodAgain() {
    TestClock clock(kNoon);
    Period period(30);
    ClipboardService& service = *ClipboardService::Instance();
    QVERIFY(service.CopySecret("first"));
    clock.AdvanceSeconds(20);
    QVERIFY(service.CopySecret("second"));
    clock.AdvanceSeconds(20);
    service.CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("second"));
    clock.AdvanceSeconds(10);
    service.CheckExpiry();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
  }
};

TB_QT_TEST(ClipboardTest)
#include "clipboard_test.moc"
