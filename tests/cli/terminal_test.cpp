// tbwallet at a real terminal (a pseudo-terminal): the password prompt
// hides what is typed, and a signal at the prompt never leaves the
// terminal without its echo. Answers from a descriptor are read no
// further than the line they need.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "cli_harness.h"

namespace tb::test {
namespace {

using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
  const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// tbwallet in the foreground process group of a new terminal, below a
// session leader that reports how it ended: the group is not orphaned, so
// Ctrl-Z stops it as it would at a shell.
class TerminalRun {
 public:
  explicit TerminalRun(const std::vector<std::string>& args, const std::string& registry) {
    int report[2], go[2];
    if (pipe(report) != 0 || pipe(go) != 0) return;
    leader_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (leader_ == 0) {
      close(report[0]);
      const pid_t child = fork();
      if (child == 0) {
        close(go[1]);
        setpgid(0, 0);
        char byte;
        if (read(go[0], &byte, 1) != 1) _exit(100);
        std::vector<char*> argv;
        std::string program = TB_MODULE_DIR "/tbwallet";
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        setenv("TB_REGISTRY_FILE", registry.c_str(), 1);
        setenv("LC_ALL", "C", 1);
        execv(program.c_str(), argv.data());
        _exit(101);
      }
      close(go[0]);
      setpgid(child, child);
      tcsetpgrp(STDIN_FILENO, child);
      if (write(report[1], &child, sizeof child) != sizeof child) _exit(102);
      if (write(go[1], "g", 1) != 1) _exit(103);
      int status = 0;
      while (waitpid(child, &status, 0) < 0) {
      }
      _exit(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status));
    }
    close(report[1]);
    close(go[0]);
    close(go[1]);
    if (leader_ > 0 && read(report[0], &child_, sizeof child_) != sizeof child_) child_ = -1;
    close(report[0]);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }

  ~TerminalRun() {
    if (child_ > 0) kill(child_, SIGKILL);
    if (leader_ > 0) Wait();
    if (master_ >= 0) close(master_);
  }

  bool Started() const { return leader_ > 0 && child_ > 0; }
  pid_t Child() const { return child_; }

  // What the program wrote to the terminal so far.
  const std::string& Screen() {
    char buffer[512];
    for (ssize_t n; (n = read(master_, buffer, sizeof buffer)) > 0;) screen_.append(buffer, size_t(n));
    return screen_;
  }

  bool Echoing() const {
    termios t{};
    return tcgetattr(master_, &t) == 0 && (t.c_lflag & ECHO) != 0;
  }

  void Type(const std::string& text) { (void)!write(master_, text.data(), text.size()); }

  // The child's exit status, or 128 + the signal that ended it.
  int Wait() {
    int status = 0;
    if (leader_ <= 0) return -1;
    while (waitpid(leader_, &status, 0) < 0) {
    }
    leader_ = -1;
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The child's state letter from /proc ('T' while stopped).
  char State() const {
    std::ifstream stat("/proc/" + std::to_string(child_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
  }

 private:
  int master_ = -1;
  pid_t leader_ = -1;
  pid_t child_ = -1;
  std::string screen_;
};

class TerminalTest : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override { ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0); }

  // tbwallet info at its password prompt, echo off.
  std::unique_ptr<TerminalRun> AtPrompt() {
    auto run = std::make_unique<TerminalRun>(std::vector<std::string>{"info", wallet}, env.registryPath);
    EXPECT_TRUE(run->Started());
    EXPECT_TRUE(WaitFor([&] { return run->Screen().find("Password for") != std::string::npos; })) << run->Screen();
    EXPECT_TRUE(WaitFor([&] { return !run->Echoing(); })) << "echo stays on at the password prompt";
    return run;
  }
};

TEST_F(TerminalTest, PasswordIsTypedUnseenAndEchoComesBack) {
  auto run = AtPrompt();
  run->Type(password + "\n");
  EXPECT_EQ(run->Wait(), 0) << run->Screen();
  EXPECT_EQ(run->Screen().find(password), std::string::npos) << run->Screen();
  EXPECT_TRUE(Contains(run->Screen(), "Cards: 0"));
  EXPECT_TRUE(run->Echoing());
}

TEST_F(TerminalTest, SignalsAtThePromptGiveTheEchoBack) {
  for (int signal : {SIGINT, SIGTERM}) {
    auto run = AtPrompt();
    kill(run->Child(), signal);
    EXPECT_EQ(run->Wait(), 128 + signal) << signal;
    EXPECT_TRUE(run->Echoing()) << "echo lost after signal " << signal;
  }
}

TEST_F(TerminalTest, StoppedAtThePromptTheTerminalEchoesUntilItGoesOn) {
  auto run = AtPrompt();
  kill(run->Child(), SIGTSTP);
  ASSERT_TRUE(WaitFor([&] { return run->State() == 'T'; })) << "not stopped: " << run->State();
  EXPECT_TRUE(run->Echoing());
  kill(run->Child(), SIGCONT);
  EXPECT_TRUE(WaitFor([&] { return !run->Echoing(); })) << "echo stays on after the process went on";
  run->Type(password + "\n");
  EXPECT_EQ(run->Wait(), 0) << run->Screen();
  EXPECT_TRUE(run->Echoing());
}

// Each answer is taken from the descriptor up to its line break and no
// further: whatever follows is still there for whoever reads next.
TEST_F(TerminalTest, AnswersFromADescriptorAreReadNoFurtherThanNeeded) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string input = password + "\r\nleft for later\n";
  ASSERT_EQ(write(fds[1], input.data(), input.size()), ssize_t(input.size()));
  close(fds[1]);
  env.inputFd = fds[0];
  const CliResult r = Exec({"info", wallet}, "not this stream\n");
  EXPECT_EQ(r.rc, 0) << r.err;
  char rest[64] = {};
  EXPECT_EQ(read(fds[0], rest, sizeof rest - 1), ssize_t(15));
  EXPECT_STREQ(rest, "left for later\n");
  close(fds[0]);
}

}  // namespace
}  // namespace tb::test
