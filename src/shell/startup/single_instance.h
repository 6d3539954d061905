#pragma once
// One running copy per user. The first copy takes the lock of the instance
// channel and listens on its socket; a later copy finds the lock taken,
// connects, hands its request over (come to the front, the synchronisation
// start or end, import a form file) and ends. Where the channel lives, what
// its lines say and who may use it are the platform's
// (platform/core/instance_channel.h); this is the program's end of it.
#include <QLockFile>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include "platform/core/instance_channel.h"

class QLocalServer;

namespace tb::shell {

using InstanceRequest = tb::platform::InstanceRequest;
using InstanceRequestKind = tb::platform::InstanceRequestKind;

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The program's instance name, "qztbpro5.mtx".
  static QString DefaultName();

  explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  enum class Claim {
    First,         // no other copy: this one listens (or could not, and runs alone)
    OtherRunning,  // another copy of ours holds the instance and answers
  };
  // Takes the instance or finds the copy that holds it. A copy that holds
  // the lock but does not answer within waitMs counts as none.
  Claim Acquire(int waitMs = 2000);

  // After Acquire found another copy: hands request to it. True when it was
  // delivered.
  bool HandOver(const InstanceRequest& request, int waitMs = 2000);

  // Where requests from later copies go: Front (and Import) raise window and
  // the dialog active above it; the synchronisation requests are posted to
  // it as kMsgSyncStart / kMsgSyncEnd. Every request is also signalled.
  void SetWindow(QWidget* window) { window_ = window; }
  bool IsListening() const;
  // Stops listening and lets the lock go: later copies start as the first.
  void Release();

  const tb::platform::InstanceChannelPaths& Paths() const { return paths_; }

 signals:
  void requestReceived(const tb::platform::InstanceRequest& request);

 private:
  void OnConnection();
  void OnRequest(const QByteArray& line);

  tb::platform::InstanceChannelPaths paths_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
  tb::platform::InstanceConnection peer_;
  QPointer<QWidget> window_;
};

}  // namespace tb::shell

Q_DECLARE_METATYPE(tb::platform::InstanceRequest)
