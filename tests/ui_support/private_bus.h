#pragma once
// A D-Bus daemon of the test's own (dbus-daemon --session), so that tests
// can play the login manager and the screen saver without touching the
// machine's buses. Connections are named after the bus and the role and
// let go with it.
#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tb::test {

class PrivateBus {
 public:
  PrivateBus() {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments(
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) return;
    while (address_.isEmpty() && daemon_.waitForReadyRead(5000)) {
      if (daemon_.canReadLine()) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // Empty when the daemon could not be started (not installed).
  const QString& Address() const { return address_; }

  QDBusConnection Connect(const QString& role) {
    const QString name = QStringLiteral("tb-test-%1-%2").arg(quintptr(this)).arg(role);
    names_ << name;
    return QDBusConnection::connectToBus(address_, name);
  }

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace tb::test
