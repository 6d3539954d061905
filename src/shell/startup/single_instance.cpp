#include "shell/startup/single_instance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include "platform/ui/private_messages.h"

namespace tb::shell {

using tb::platform::ChannelConnect;
using tb::platform::kMaxRequestLine;

namespace {
constexpr int kRetryMs = 50;
}  // namespace

QString SingleInstance::DefaultName() { return QString::fromLatin1(tb::platform::kInstanceName); }

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), paths_(tb::platform::InstanceChannelPathsFor(name.toStdString())) {
  qRegisterMetaType<tb::platform::InstanceRequest>();
}

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::IsListening() const { return server_ && server_->isListening(); }

void SingleInstance::Release() {
  if (server_) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
  if (lock_) lock_->unlock();
  lock_.reset();
}

SingleInstance::Claim SingleInstance::Acquire(int waitMs) {
  // Without a private folder there is nowhere safe to meet: run alone.
  if (paths_.folder.empty()) {
    qWarning("single instance: no private folder for the instance channel");
    return Claim::First;
  }
  const QString socketPath = QString::fromStdString(paths_.socket);
  lock_ = std::make_unique<QLockFile>(QString::fromStdString(paths_.lock));
  // A copy that runs for days still holds the instance; only a lock whose
  // process is gone is stale.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a copy that crashed would block listening.
    QLocalServer::removeServer(socketPath);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    if (!server_->listen(socketPath)) {
      // Without a server later copies cannot reach this one; it still runs.
      qWarning("single instance: cannot listen on %s", qPrintable(socketPath));
    }
    return Claim::First;
  }
  lock_.reset();
  // The holder may be between taking the lock and listening: try for a while.
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    const ChannelConnect result = peer_.Connect(paths_.socket);
    if (result == ChannelConnect::Connected) return Claim::OtherRunning;
    // Another user's listener never answers for ours; a busy one may yet.
    if (result == ChannelConnect::ForeignPeer || timer.elapsed() >= waitMs) break;
    QThread::msleep(kRetryMs);
  }
  // Holding nothing and reaching nobody: go on as the only copy.
  return Claim::First;
}

bool SingleInstance::HandOver(const InstanceRequest& request, int waitMs) {
  if (!peer_.IsConnected()) return false;
  return peer_.Send(request, waitMs);
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // Only our own user may steer this copy.
    if (!tb::platform::PeerIsOurUser(int(socket->socketDescriptor()))) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    struct Pending {
      QByteArray line;
      bool done = false;
    };
    auto pending = std::make_shared<Pending>();
    auto take = [this, socket, pending] {
      if (pending->done) return;
      pending->line.append(socket->read(qint64(kMaxRequestLine) - pending->line.size()));
      const qsizetype end = pending->line.indexOf('\n');
      if (end >= 0) {
        pending->done = true;
        OnRequest(pending->line.left(end));
        socket->disconnectFromServer();
      } else if (pending->line.size() >= qsizetype(kMaxRequestLine)) {
        pending->done = true;
        socket->abort();  // not one of ours
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, take);
    // A copy that wrote and left at once: what it wrote is still buffered.
    connect(socket, &QLocalSocket::disconnected, this, take);
    if (socket->bytesAvailable() > 0) take();
  }
}

void SingleInstance::OnRequest(const QByteArray& line) {
  const std::optional<InstanceRequest> request =
      tb::platform::DecodeInstanceRequest(std::string_view(line.constData(), size_t(line.size())));
  if (!request) return;
  switch (request->kind) {
    case InstanceRequestKind::Front:
    case InstanceRequestKind::Import:
      if (window_) {
        if (window_->isMinimized()) window_->showNormal();
        window_->raise();
        window_->activateWindow();
      }
      // The dialog open above the window comes to the front with it.
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
      }
      break;
    case InstanceRequestKind::SyncStart:
    case InstanceRequestKind::SyncEnd:
      if (window_)
        tb::ui::PostPrivateMessage(
            window_, request->kind == InstanceRequestKind::SyncStart ? tb::ui::kMsgSyncStart : tb::ui::kMsgSyncEnd);
      break;
    case InstanceRequestKind::Close: break;  // the program's own to carry out
  }
  emit requestReceived(*request);
}

}  // namespace tb::shell
