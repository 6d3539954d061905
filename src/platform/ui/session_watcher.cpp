#include "platform/ui/session_watcher.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace tb::ui {
namespace {

// Answers from the login manager later than this are not waited for.
constexpr int kAskTimeoutMs = 5000;

QDBusConnection NoBus() { return QDBusConnection(QStringLiteral("tb-no-bus")); }

}  // namespace

SessionWatcher::SessionWatcher(QObject* parent) : QObject(parent), system_(NoBus()), session_(NoBus()) {}

SessionWatcher::~SessionWatcher() { Stop(); }

void SessionWatcher::Start() { Start(QDBusConnection::systemBus(), QDBusConnection::sessionBus()); }

void SessionWatcher::Start(const QDBusConnection& system, const QDBusConnection& session) {
  Stop();
  system_ = system;
  session_ = session;
  const int generation = generation_;
  if (system_.isConnected()) {
    systemWatched_ = true;
    system_.connect(QString::fromLatin1(kLogin1Service), QString::fromLatin1(kLogin1Path),
                    QString::fromLatin1(kLogin1Manager), QStringLiteral("PrepareForSleep"), this,
                    SLOT(OnPrepareForSleep(bool)));
    // Which session object is ours: asked without waiting, so that a slow
    // or missing login manager never holds up the program.
    QDBusMessage ask =
        QDBusMessage::createMethodCall(QString::fromLatin1(kLogin1Service), QString::fromLatin1(kLogin1Path),
                                       QString::fromLatin1(kLogin1Manager), QStringLiteral("GetSessionByPID"));
    ask << uint(::getpid());
    auto* pending = new QDBusPendingCallWatcher(system_.asyncCall(ask, kAskTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* call) {
      call->deleteLater();
      const QDBusPendingReply<QDBusObjectPath> reply = *call;
      if (generation != generation_ || reply.isError()) return;
      WatchSession(reply.value().path());
    });
  }
  if (session_.isConnected()) {
    sessionWatched_ = true;
    // Screen savers send it from the object of their own choosing.
    session_.connect(QString::fromLatin1(kScreenSaverService), QString(), QString::fromLatin1(kScreenSaverInterface),
                     QStringLiteral("ActiveChanged"), this, SLOT(OnScreenSaverActive(bool)));
  }
}

void SessionWatcher::WatchSession(const QString& path) {
  if (path.isEmpty() || !system_.isConnected()) return;
  sessionPath_ = path;
  system_.connect(QString::fromLatin1(kLogin1Service), sessionPath_, QString::fromLatin1(kLogin1Session),
                  QStringLiteral("Lock"), this, SLOT(OnSessionLock()));
}

void SessionWatcher::Stop() {
  ++generation_;
  if (systemWatched_) {
    system_.disconnect(QString::fromLatin1(kLogin1Service), QString::fromLatin1(kLogin1Path),
                       QString::fromLatin1(kLogin1Manager), QStringLiteral("PrepareForSleep"), this,
                       SLOT(OnPrepareForSleep(bool)));
    if (!sessionPath_.isEmpty())
      system_.disconnect(QString::fromLatin1(kLogin1Service), sessionPath_, QString::fromLatin1(kLogin1Session),
                         QStringLiteral("Lock"), this, SLOT(OnSessionLock()));
  }
  if (sessionWatched_)
    session_.disconnect(QString::fromLatin1(kScreenSaverService), QString(), QString::fromLatin1(kScreenSaverInterface),
                        QStringLiteral("ActiveChanged"), this, SLOT(OnScreenSaverActive(bool)));
  systemWatched_ = sessionWatched_ = false;
  sessionPath_.clear();
  system_ = NoBus();
  session_ = NoBus();
}

void SessionWatcher::OnSessionLock() { emit locked(); }

void SessionWatcher::OnPrepareForSleep(bool start) {
  // Also sent with false on waking up: nothing to do then.
  if (start) emit locked();
}

void SessionWatcher::OnScreenSaverActive(bool active) {
  if (active) emit locked();
}

}  // namespace tb::ui
