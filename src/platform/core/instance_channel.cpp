#include "platform/core/instance_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace tb::platform {

namespace {

// Folders tried under the temporary folder before giving up.
constexpr int kFolderCandidates = 8;
constexpr int kPollStepMs = 50;

// A socket path must fit sockaddr_un with its terminating NUL.
constexpr size_t kMaxSocketPath = sizeof(sockaddr_un{}.sun_path) - 1;

bool hasChannelUser = false;
uid_t channelUser = 0;

uid_t ChannelUser() { return hasChannelUser ? channelUser : getuid(); }

// A folder (not a link) the user owns that nobody else may enter.
bool IsPrivateFolder(const std::string& path, uid_t user) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == user && (st.st_mode & 077) == 0;
}

bool Absolute(const char* path) { return path && path[0] == '/'; }

// Room is left for the longest socket name we make in the folder.
bool FitsSocketNames(const std::string& folder) {
  return folder.size() + 1 + std::strlen(kInstanceName) + 32 <= kMaxSocketPath;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

// ---------------------------------------------------------------- where

std::string PrivateRuntimeFolderFrom(const char* runtimeDir, const std::string& tmpFolder, uid_t user) {
  if (Absolute(runtimeDir)) {
    const std::string folder = WithoutTrailingSlashes(runtimeDir);
    if (IsPrivateFolder(folder, user) && FitsSocketNames(folder)) return folder;
  }
  const std::string root = WithoutTrailingSlashes(Absolute(tmpFolder.c_str()) ? tmpFolder : "/tmp");
  const std::string base = root + "/tamberlock-" + std::to_string(user);
  for (int i = 0; i < kFolderCandidates; ++i) {
    const std::string folder = i == 0 ? base : base + "-" + std::to_string(i);
    if (!FitsSocketNames(folder)) return {};
    // Made owner-only; one that is there already must be ours and private.
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) continue;
    if (IsPrivateFolder(folder, user)) return folder;
  }
  return {};
}

std::string PrivateRuntimeFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return PrivateRuntimeFolderFrom(std::getenv("XDG_RUNTIME_DIR"), Absolute(tmp) ? tmp : "/tmp", getuid());
}

InstanceChannelPaths InstanceChannelPathsFor(std::string_view name) {
  InstanceChannelPaths paths;
  paths.folder = PrivateRuntimeFolder();
  if (paths.folder.empty()) return paths;
  paths.socket = paths.folder + "/" + std::string(name);
  paths.lock = paths.socket + ".lock";
  return paths;
}

// ---------------------------------------------------------------- what

namespace {

constexpr std::string_view kImportPrefix = "import ";

std::string EscapePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> UnescapePath(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') return std::nullopt;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    if (text[i] == '\\') {
      out += '\\';
    } else if (text[i] == 'n') {
      out += '\n';
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::string EncodeInstanceRequest(const InstanceRequest& request) {
  switch (request.kind) {
    case InstanceRequestKind::Front: return "front\n";
    case InstanceRequestKind::SyncStart: return "3524\n";
    case InstanceRequestKind::SyncEnd: return "3525\n";
    case InstanceRequestKind::Close: return "close\n";
    case InstanceRequestKind::Import: {
      if (request.path.empty() || request.path.find('\0') != std::string::npos) return {};
      std::string line = std::string(kImportPrefix) + EscapePath(request.path) + "\n";
      if (line.size() > kMaxRequestLine) return {};
      return line;
    }
  }
  return {};
}

std::optional<InstanceRequest> DecodeInstanceRequest(std::string_view line) {
  if (line.size() + 1 > kMaxRequestLine) return std::nullopt;
  InstanceRequest request;
  if (line == "front") {
    request.kind = InstanceRequestKind::Front;
  } else if (line == "3524") {
    request.kind = InstanceRequestKind::SyncStart;
  } else if (line == "3525") {
    request.kind = InstanceRequestKind::SyncEnd;
  } else if (line == "close") {
    request.kind = InstanceRequestKind::Close;
  } else if (line.substr(0, kImportPrefix.size()) == kImportPrefix) {
    std::optional<std::string> path = UnescapePath(line.substr(kImportPrefix.size()));
    if (!path || path->empty()) return std::nullopt;
    request.kind = InstanceRequestKind::Import;
    request.path = std::move(*path);
  } else {
    return std::nullopt;
  }
  return request;
}

// ---------------------------------------------------------------- who

std::optional<uid_t> PeerUserId(int socketFd) {
  struct ucred credentials;
  socklen_t size = sizeof credentials;
  if (socketFd < 0 || getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
      size != sizeof credentials)
    return std::nullopt;
  return credentials.uid;
}

bool PeerIsOurUser(int socketFd) {
  const std::optional<uid_t> peer = PeerUserId(socketFd);
  return peer && *peer == ChannelUser();
}

ScopedChannelUser::ScopedChannelUser(uid_t user) : hadPrevious_(hasChannelUser), previous_(channelUser) {
  hasChannelUser = true;
  channelUser = user;
}

ScopedChannelUser::~ScopedChannelUser() {
  hasChannelUser = hadPrevious_;
  channelUser = previous_;
}

// ---------------------------------------------------------------- the sending end

InstanceConnection::~InstanceConnection() { Close(); }

InstanceConnection::InstanceConnection(InstanceConnection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

InstanceConnection& InstanceConnection::operator=(InstanceConnection&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void InstanceConnection::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ChannelConnect InstanceConnection::Connect(const std::string& socketPath) {
  Close();
  if (socketPath.empty() || socketPath.size() > kMaxSocketPath) return ChannelConnect::Failed;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return ChannelConnect::Failed;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    // A full backlog (EAGAIN) is a listener that is there but busy, as a
    // program is while it saves on its way out.
    if (error == EAGAIN) return ChannelConnect::Busy;
    return error == ENOENT || error == ECONNREFUSED || error == ENOTSOCK ? ChannelConnect::NoListener
                                                                         : ChannelConnect::Failed;
  }
  if (!PeerIsOurUser(fd)) {
    ::close(fd);
    return ChannelConnect::ForeignPeer;
  }
  fd_ = fd;
  return ChannelConnect::Connected;
}

bool InstanceConnection::Send(const InstanceRequest& request, int timeoutMs) {
  if (fd_ < 0) return false;
  const std::string line = EncodeInstanceRequest(request);
  bool sent = !line.empty();
  size_t done = 0;
  const int64_t deadline = NowMs() + timeoutMs;
  while (sent && done < line.size()) {
    const ssize_t n = ::send(fd_, line.data() + done, line.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int64_t left = deadline - NowMs();
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && left > 0) {
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, int(left));
      continue;
    }
    sent = false;
  }
  Close();
  return sent;
}

ChannelConnect SendInstanceRequest(const std::string& socketPath, const InstanceRequest& request, int timeoutMs) {
  InstanceConnection connection;
  const ChannelConnect result = connection.Connect(socketPath);
  if (result != ChannelConnect::Connected) return result;
  return connection.Send(request, timeoutMs) ? ChannelConnect::Connected : ChannelConnect::Failed;
}

bool InstanceListening(const std::string& socketPath) {
  InstanceConnection probe;
  const ChannelConnect result = probe.Connect(socketPath);
  return result == ChannelConnect::Connected || result == ChannelConnect::Busy;
}

bool WaitUntilInstanceGone(const std::string& socketPath, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (!InstanceListening(socketPath)) return true;
    if (NowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollStepMs));
  }
}

}  // namespace tb::platform
