// The session watcher on a bus of the test's own: the login manager's Lock
// for this process's session, its PrepareForSleep(true) and the screen
// saver's ActiveChanged(true) report; the same signals from anyone who is
// not the service, for another session, or saying "ended" do not.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include "platform/ui/session_watcher.h"
#include "ui_support/private_bus.h"
#include "ui_support/qt_test.h"

using tb::ui::SessionWatcher;

namespace {

const QString kOurSession = QStringLiteral("/org/freedesktop/login1/session/_32");
const QString kOtherSession = QStringLiteral("/org/freedesktop/login1/session/_37");

// The login manager's one method the watcher asks.
class FakeLoginManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  uint askedFor = 0;

 public slots:
  QDBusObjectPath GetSessionByPID(uint pid) {
    askedFor = pid;
    return QDBusObjectPath(kOurSession);
  }
};

void Send(QDBusConnection& from, const QString& path, const char* interface, const char* name,
          const QVariantList& arguments = {}) {
  QDBusMessage signal = QDBusMessage::createSignal(path, QString::fromLatin1(interface), QString::fromLatin1(name));
  signal.setArguments(arguments);
  QVERIFY(from.send(signal));
}

}  // namespace

class SessionWatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void reportsOnlyTheServicesOwnSignalsForThisSession() {
    tb::test::PrivateBus bus;
    QVERIFY2(!bus.Address().isEmpty(), "dbus-daemon could not be started");
    // One private bus serves as both the system and the session bus.
    QDBusConnection login = bus.Connect("login1");
    QDBusConnection saver = bus.Connect("saver");
    QDBusConnection stranger = bus.Connect("stranger");
    FakeLoginManager manager;
    QVERIFY(login.registerObject(QString::fromLatin1(tb::ui::kLogin1Path), &manager, QDBusConnection::ExportAllSlots));
    QVERIFY(login.registerService(QString::fromLatin1(tb::ui::kLogin1Service)));
    QVERIFY(saver.registerService(QString::fromLatin1(tb::ui::kScreenSaverService)));

    SessionWatcher watcher;
    QSignalSpy locked(&watcher, &SessionWatcher::locked);
    const QDBusConnection watching = bus.Connect("watcher");
    watcher.Start(watching, watching);
    QTRY_COMPARE(watcher.SessionPath(), kOurSession);
    QCOMPARE(manager.askedFor, uint(QCoreApplication::applicationPid()));

    // Ignored: another session's Lock, the same signals from a connection
    // that is not the service, the "ended" halves.
    Send(login, kOtherSession, tb::ui::kLogin1Session, "Lock");
    Send(stranger, kOurSession, tb::ui::kLogin1Session, "Lock");
    Send(stranger, tb::ui::kLogin1Path, tb::ui::kLogin1Manager, "PrepareForSleep", {true});
    Send(stranger, QStringLiteral("/org/freedesktop/ScreenSaver"), tb::ui::kScreenSaverInterface, "ActiveChanged",
         {true});
    Send(login, tb::ui::kLogin1Path, tb::ui::kLogin1Manager, "PrepareForSleep", {false});
    Send(saver, QStringLiteral("/ScreenSaver"), tb::ui::kScreenSaverInterface, "ActiveChanged", {false});
    QTest::qWait(300);
    QCOMPARE(locked.count(), 0);

    // Each of the three real ones reports.
    Send(login, kOurSession, tb::ui::kLogin1Session, "Lock");
    QTRY_COMPARE(locked.count(), 1);
    Send(login, tb::ui::kLogin1Path, tb::ui::kLogin1Manager, "PrepareForSleep", {true});
    QTRY_COMPARE(locked.count(), 2);
    Send(saver, QStringLiteral("/org/freedesktop/ScreenSaver"), tb::ui::kScreenSaverInterface, "ActiveChanged", {true});
    QTRY_COMPARE(locked.count(), 3);

    // Stopped, it hears nothing more.
    watcher.Stop();
    Send(login, kOurSession, tb::ui::kLogin1Session, "Lock");
    QTest::qWait(300);
    QCOMPARE(locked.count(), 3);
  }

  void withoutABusOrLoginManagerNothingFails() {
    SessionWatcher watcher;
    QSignalSpy locked(&watcher, &SessionWatcher::locked);
    watcher.Start(QDBusConnection(QStringLiteral("tb-test-none")), QDBusConnection(QStringLiteral("tb-test-none")));
    QVERIFY(watcher.SessionPath().isEmpty());
    // A bus with nobody answering for the login manager: the question
    // fails, the screen saver is still heard.
    tb::test::PrivateBus bus;
    QVERIFY2(!bus.Address().isEmpty(), "dbus-daemon could not be started");
    QDBusConnection saver = bus.Connect("saver");
    QVERIFY(saver.registerService(QString::fromLatin1(tb::ui::kScreenSaverService)));
    const QDBusConnection watching = bus.Connect("watcher");
    watcher.Start(watching, watching);
    QTest::qWait(200);
    QVERIFY(watcher.SessionPath().isEmpty());
    Send(saver, QStringLiteral("/ScreenSaver"), tb::ui::kScreenSaverInterface, "ActiveChanged", {true});
    QTRY_COMPARE(locked.count(), 1);
  }
};

TB_QT_TEST(SessionWatcherTest)
#include "session_watcher_test.moc"
