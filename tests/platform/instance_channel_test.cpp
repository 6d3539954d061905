#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/instance_channel.h"
#include "support/temp_dir.h"

namespace tb::platform {
namespace {

using Kind = InstanceRequestKind;

// A listening socket at path, as the running copy's would be.
class Listener {
 public:
  explicit Listener(const std::string& path) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd_, 4) == 0;
  }
  ~Listener() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return ok_; }
  // The next connection's first line (without its LF) and its peer's user.
  std::string Receive(int* peerIsOurs = nullptr) {
    const int c = accept(fd_, nullptr, nullptr);
    if (c < 0) return "<accept failed>";
    if (peerIsOurs) *peerIsOurs = PeerIsOurUser(c);
    std::string line;
    char ch;
    while (read(c, &ch, 1) == 1 && ch != '\n') line += ch;
    close(c);
    return line;
  }
  void Stop() {
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

TEST(InstanceChannelFormat, RequestsRoundTripAsTheirLines) {
  const struct {
    InstanceRequest request;
    const char* line;
  } cases[] = {
      {{Kind::Front, ""}, "front\n"},
      {{Kind::SyncStart, ""}, "3524\n"},
      {{Kind::SyncEnd, ""}, "3525\n"},
      {{Kind::Close, ""}, "close\n"},
      {{Kind::Import, "/home/u/Form Sample.tbx"}, "import /home/u/Form Sample.tbx\n"},
      // Line feeds and backslashes in a path cannot end or bend the line.
      {{Kind::Import, "/tmp/a\nb\\n.tbx"}, "import /tmp/a\\nb\\\\n.tbx\n"},
      {{Kind::Import, "/tmp/\xc3\xa4 \"q\".tbx"}, "import /tmp/\xc3\xa4 \"q\".tbx\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string line = EncodeInstanceRequest(c.request);
    EXPECT_EQ(c.line, line);
    const auto decoded = DecodeInstanceRequest(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(c.request, *decoded);
  }
}

TEST(InstanceChannelFormat, LinesThatAreNotOursAreDropped) {
  for (const std::string& line : std::vector<std::string>{
           "", "Front", "front ", "3526", "import", "import ", "import a\\x", "import a\\", "close now",
           std::string("import a\0b", 10), "import /" + std::string(kMaxRequestLine, 'a')}) {
    SCOPED_TRACE(line.substr(0, 40));
    EXPECT_FALSE(DecodeInstanceRequest(line));
  }
  // Nothing unsendable is ever written.
  EXPECT_EQ("", EncodeInstanceRequest({Kind::Import, ""}));
  EXPECT_EQ("", EncodeInstanceRequest({Kind::Import, std::string("a\0b", 3)}));
  EXPECT_EQ("", EncodeInstanceRequest({Kind::Import, "/" + std::string(kMaxRequestLine, 'a')}));
}

TEST(InstanceChannelFolder, TheRuntimeFolderIsUsedOnlyWhenPrivate) {
  test::TempDir dir;
  const uid_t me = getuid();
  const std::string runtime = dir.File("run");
  ASSERT_EQ(0, mkdir(runtime.c_str(), 0700));
  const std::string tmp = dir.File("tmp");
  ASSERT_EQ(0, mkdir(tmp.c_str(), 0777));
  const std::string fallback = tmp + "/tamberlock-" + std::to_string(me);

  EXPECT_EQ(runtime, PrivateRuntimeFolderFrom(runtime.c_str(), tmp, me));
  EXPECT_EQ(runtime, PrivateRuntimeFolderFrom((runtime + "/").c_str(), tmp, me));

  const std::string open = dir.File("open");
  ASSERT_EQ(0, mkdir(open.c_str(), 0700));
  ASSERT_EQ(0, chmod(open.c_str(), 0755));
  const std::string link = dir.File("link");
  ASSERT_EQ(0, symlink(runtime.c_str(), link.c_str()));
  for (const char* unusable : {(const char*)nullptr, "", "run", open.c_str(), link.c_str(), "/no/such/folder"}) {
    SCOPED_TRACE(unusable ? unusable : "(unset)");
    EXPECT_EQ(fallback, PrivateRuntimeFolderFrom(unusable, tmp, me));
  }
  struct stat st {};
  ASSERT_EQ(0, lstat(fallback.c_str(), &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  // Folders this process makes belong to it: for another user none of them
  // would do, nor would the runtime folder.
  EXPECT_EQ("", PrivateRuntimeFolderFrom(runtime.c_str(), tmp, me + 1));
}

TEST(InstanceChannelFolder, ANameTakenByOthersIsPassedOverTheSameWayEveryTime) {
  test::TempDir dir;
  const uid_t me = getuid();
  const std::string base = dir.Path() + "/tamberlock-" + std::to_string(me);
  // Someone made the first name, open to all, and the second as a link.
  ASSERT_EQ(0, mkdir(base.c_str(), 0700));
  ASSERT_EQ(0, chmod(base.c_str(), 0777));
  ASSERT_EQ(0, symlink(dir.Path().c_str(), (base + "-1").c_str()));
  const std::string chosen = PrivateRuntimeFolderFrom(nullptr, dir.Path(), me);
  EXPECT_EQ(base + "-2", chosen);
  EXPECT_EQ(chosen, PrivateRuntimeFolderFrom(nullptr, dir.Path(), me));
  // A path too long for a socket is no place for one.
  EXPECT_EQ("", PrivateRuntimeFolderFrom(nullptr, "/" + std::string(120, 'x'), me));
}

TEST(InstanceChannelPeers, TheKernelNamesThePeerAndOnlyOurUserIsTalkedTo) {
  int pair[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, pair));
  ASSERT_EQ(getuid(), PeerUserId(pair[0]).value_or(uid_t(-1)));
  EXPECT_TRUE(PeerIsOurUser(pair[0]));
  {
    ScopedChannelUser someoneElse(getuid() + 1);
    EXPECT_FALSE(PeerIsOurUser(pair[0]));
  }
  EXPECT_TRUE(PeerIsOurUser(pair[0]));
  close(pair[0]);
  close(pair[1]);
  EXPECT_FALSE(PeerUserId(-1));
  const int file = open("/dev/null", O_RDONLY);
  EXPECT_FALSE(PeerIsOurUser(file));
  close(file);
}

TEST(InstanceChannelPeers, RequestsReachTheListenerAndAForeignListenerIsNeverTalkedTo) {
  test::TempDir dir;
  const std::string path = dir.File("qztbpro5.mtx");
  EXPECT_EQ(ChannelConnect::NoListener, SendInstanceRequest(path, {Kind::Front, ""}));
  Listener listener(path);
  ASSERT_TRUE(listener.Ok());
  EXPECT_TRUE(InstanceListening(path));
  listener.Receive();  // the probe's empty connection

  EXPECT_EQ(ChannelConnect::Connected, SendInstanceRequest(path, {Kind::Import, "/a b.tbx"}));
  int ours = 0;
  EXPECT_EQ("import /a b.tbx", listener.Receive(&ours));
  EXPECT_TRUE(ours);
  {
    ScopedChannelUser someoneElse(getuid() + 1);
    EXPECT_EQ(ChannelConnect::ForeignPeer, SendInstanceRequest(path, {Kind::Close, ""}));
    EXPECT_FALSE(InstanceListening(path));
  }
  listener.Stop();
  EXPECT_FALSE(InstanceListening(path));  // the socket file stays, nobody answers
  EXPECT_TRUE(WaitUntilInstanceGone(path, 0));
}

TEST(InstanceChannelPeers, AListenerWithAFullQueueIsStillThere) {
  test::TempDir dir;
  const std::string path = dir.File("sock");
  Listener listener(path);  // never accepts: a program busy saving
  ASSERT_TRUE(listener.Ok());
  std::vector<InstanceConnection> held(12);
  ChannelConnect last = ChannelConnect::Connected;
  for (InstanceConnection& c : held) last = c.Connect(path);
  EXPECT_EQ(ChannelConnect::Busy, last);
  EXPECT_TRUE(InstanceListening(path));
  EXPECT_FALSE(WaitUntilInstanceGone(path, 100));
}

TEST(InstanceChannelPeers, WaitingEndsWhenTheListenerGoes) {
  test::TempDir dir;
  const std::string path = dir.File("sock");
  auto listener = std::make_unique<Listener>(path);
  ASSERT_TRUE(listener->Ok());
  EXPECT_FALSE(WaitUntilInstanceGone(path, 120));
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    listener->Stop();
  });
  EXPECT_TRUE(WaitUntilInstanceGone(path, 5000));
  stopper.join();
}

// With the privilege to be someone else, a real process of another user
// connects to ours and listens for ours: both ends refuse it.
TEST(InstanceChannelPeers, AProcessOfAnotherUserIsRefusedAtBothEnds) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
  constexpr uid_t kNobody = 65534;
  test::TempDir dir;
  ASSERT_EQ(0, chmod(dir.Path().c_str(), 0777));
  const std::string ours = dir.File("ours");
  Listener listener(ours);
  ASSERT_TRUE(listener.Ok());
  ASSERT_EQ(0, chmod(ours.c_str(), 0777));
  const std::string theirs = dir.File("theirs");

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(10);
    // Talks to ours as another user would; then listens as one.
    ScopedChannelUser asRoot(0);
    if (SendInstanceRequest(ours, {Kind::Close, ""}) != ChannelConnect::Connected) _exit(11);
    Listener foreign(theirs);
    if (!foreign.Ok()) _exit(12);
    int ignored = 0;
    foreign.Receive(&ignored);
    _exit(0);
  }
  int peerIsOurs = 1;
  EXPECT_EQ("close", listener.Receive(&peerIsOurs));
  EXPECT_FALSE(peerIsOurs);
  ChannelConnect result = ChannelConnect::NoListener;
  for (int i = 0; i < 100 && result == ChannelConnect::NoListener; ++i) {
    result = SendInstanceRequest(theirs, {Kind::Front, ""});
    if (result == ChannelConnect::NoListener) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(ChannelConnect::ForeignPeer, result);
  // The child waits for a connection; give it one it will refuse as well.
  SendInstanceRequest(theirs, {Kind::Front, ""});
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace
}  // namespace tb::platform
