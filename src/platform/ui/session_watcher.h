#pragma once
// Tells when the desktop session locks or the machine is about to sleep:
// the login manager's Lock signal for this process's own session and its
// PrepareForSleep(true) on the system bus, the screen saver's
// ActiveChanged(true) on the session bus. Only the services' own signals
// count: the same signal sent by anyone else on the bus, or for another
// session, is ignored. Without a bus (or without the login manager) the
// watcher simply never reports.
#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace tb::ui {

inline constexpr const char* kLogin1Service = "org.freedesktop.login1";
inline constexpr const char* kLogin1Path = "/org/freedesktop/login1";
inline constexpr const char* kLogin1Manager = "org.freedesktop.login1.Manager";
inline constexpr const char* kLogin1Session = "org.freedesktop.login1.Session";
inline constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";
inline constexpr const char* kScreenSaverInterface = "org.freedesktop.ScreenSaver";

class SessionWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SessionWatcher(QObject* parent = nullptr);
  ~SessionWatcher() override;

  // Listens on the machine's system and session buses.
  void Start();
  // Listens on the buses given (tests hand in private ones). What it
  // listened to before is let go. The own session's object is asked of
  // the login manager (GetSessionByPID) without waiting; its Lock counts
  // once the answer is there.
  void Start(const QDBusConnection& system, const QDBusConnection& session);
  void Stop();

  // The login manager's object of this process's session; empty until known.
  QString SessionPath() const { return sessionPath_; }

 signals:
  // The session locked, the screen saver started or the machine goes to sleep.
  void locked();

 private slots:
  void OnSessionLock();
  void OnPrepareForSleep(bool start);
  void OnScreenSaverActive(bool active);

 private:
  void WatchSession(const QString& path);

  QDBusConnection system_;
  QDBusConnection session_;
  QString sessionPath_;
  bool systemWatched_ = false;
  bool sessionWatched_ = false;
  int generation_ = 0;
};

}  // namespace tb::ui
