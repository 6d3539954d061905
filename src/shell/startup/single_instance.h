#pragma once
// One running copy per user. The first copy takes a lock named after the
// instance name and listens on a local socket of that name; a later copy
// finds the lock taken, connects, hands its request over (come to the
// front, or the synchronisation start or end) and ends.
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace tb::shell {

enum class InstanceRequest { Front, SyncStart, SyncEnd };

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // "qztbpro5.mtx-<user>".
  static QString DefaultName();

  explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  enum class Claim {
    First,         // no other copy: this one listens (or could not, and runs alone)
    OtherRunning,  // another copy holds the instance and answers
  };
  // Takes the instance or finds the copy that holds it. A copy that holds
  // the lock but does not answer within waitMs counts as none.
  Claim Acquire(int waitMs = 2000);

  // After Acquire found another copy: hands request to it. True when it was
  // delivered.
  bool HandOver(InstanceRequest request, int waitMs = 2000);

  // Where requests from later copies go: Front raises window and the
  // dialog active above it; the synchronisation requests are posted to it
  // as kMsgSyncStart / kMsgSyncEnd.
  void SetWindow(QWidget* window) { window_ = window; }
  bool IsListening() const;

 signals:
  void requestReceived(tb::shell::InstanceRequest request);

 private:
  void OnConnection();
  void OnRequest(const QByteArray& line);

  QString name_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
  QLocalSocket* peer_ = nullptr;
  QPointer<QWidget> window_;
};

}  // namespace tb::shell

Q_DECLARE_METATYPE(tb::shell::InstanceRequest)
