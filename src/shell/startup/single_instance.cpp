#include "shell/startup/single_instance.h"

#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include "platform/ui/private_messages.h"

namespace tb::shell {
namespace {

constexpr qsizetype kMaxRequestLine = 32;

QByteArray RequestLine(InstanceRequest request) {
  switch (request) {
    case InstanceRequest::Front: return "front\n";
    case InstanceRequest::SyncStart: return "3524\n";
    case InstanceRequest::SyncEnd: return "3525\n";
  }
  return "front\n";
}

// The user's name, reduced to characters a socket name may hold.
QString UserPart() {
  QString user;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name) user = QString::fromLocal8Bit(entry->pw_name);
  if (user.isEmpty()) user = QString::number(getuid());
  QString safe;
  for (const QChar c : user) safe += (c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.') ? c : QChar(u'_');
  return safe;
}

}  // namespace

QString SingleInstance::DefaultName() { return QStringLiteral("qztbpro5.mtx-") + UserPart(); }

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::IsListening() const { return server_ && server_->isListening(); }

SingleInstance::Claim SingleInstance::Acquire(int waitMs) {
  lock_ = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(name_ + QStringLiteral(".lock")));
  // A copy that runs for days still holds the instance; only a lock whose
  // process is gone is stale.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a copy that crashed would block listening.
    QLocalServer::removeServer(name_);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    if (!server_->listen(name_)) {
      // Without a server later copies cannot reach this one; it still runs.
      qWarning("single instance: cannot listen on %s", qPrintable(name_));
    }
    return Claim::First;
  }
  // The holder may be between taking the lock and listening: try for a while.
  QElapsedTimer timer;
  timer.start();
  do {
    auto* socket = new QLocalSocket(this);
    socket->connectToServer(name_);
    if (socket->waitForConnected(qMax(1, int(waitMs - timer.elapsed())))) {
      peer_ = socket;
      return Claim::OtherRunning;
    }
    delete socket;
    QThread::msleep(50);
  } while (timer.elapsed() < waitMs);
  // Holding nothing and reaching nobody: go on as the only copy.
  return Claim::First;
}

bool SingleInstance::HandOver(InstanceRequest request, int waitMs) {
  if (!peer_) return false;
  peer_->write(RequestLine(request));
  const bool written = peer_->waitForBytesWritten(waitMs) || peer_->bytesToWrite() == 0;
  peer_->disconnectFromServer();
  if (peer_->state() != QLocalSocket::UnconnectedState) peer_->waitForDisconnected(waitMs);
  peer_->deleteLater();
  peer_ = nullptr;
  return written;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    struct Pending {
      QByteArray line;
      bool done = false;
    };
    auto pending = std::make_shared<Pending>();
    auto take = [this, socket, pending] {
      if (pending->done) return;
      pending->line.append(socket->read(kMaxRequestLine - pending->line.size()));
      const qsizetype end = pending->line.indexOf('\n');
      if (end >= 0) {
        pending->done = true;
        OnRequest(pending->line.left(end));
        socket->disconnectFromServer();
      } else if (pending->line.size() >= kMaxRequestLine) {
        pending->done = true;
        socket->abort();  // not one of ours
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, take);
    // A copy that wrote and left at once: what it wrote is still buffered.
    connect(socket, &QLocalSocket::disconnected, this, take);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0) take();
  }
}

void SingleInstance::OnRequest(const QByteArray& line) {
  InstanceRequest request;
  if (line == "front") {
    request = InstanceRequest::Front;
  } else if (line == "3524") {
    request = InstanceRequest::SyncStart;
  } else if (line == "3525") {
    request = InstanceRequest::SyncEnd;
  } else {
    return;
  }
  if (request == InstanceRequest::Front) {
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
  } else if (window_) {
    tb::ui::PostPrivateMessage(window_, request == InstanceRequest::SyncStart ? tb::ui::kMsgSyncStart : tb::ui::kMsgSyncEnd);
  }
  emit requestReceived(request);
}

}  // namespace tb::shell
