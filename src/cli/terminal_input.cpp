#include "cli/terminal_input.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

namespace tb::cli {

namespace {

// What the handlers need: only plain data, read in a signal handler.
int g_fd = -1;
termios g_saved{};
termios g_quiet{};
volatile sig_atomic_t g_hidden = 0;
volatile sig_atomic_t g_stopped = 0;

constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction g_previous[kSignalCount];
// A signal the process ignores (SIGHUP under nohup) stays ignored.
bool g_handled[kSignalCount];

// Gives the terminal its echo back, then lets the signal do what it would
// have done: it is blocked while its handler runs, so the raised copy is
// delivered with the default action as soon as the handler returns.
void RestoreEchoAndResend(int signal) {
  const int savedErrno = errno;
  if (g_hidden) tcsetattr(g_fd, TCSANOW, &g_saved);
  if (signal == SIGTSTP) g_stopped = 1;
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);
  errno = savedErrno;
}

void InstallHandlers() {
  struct sigaction action {};
  action.sa_handler = RestoreEchoAndResend;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = 0;  // no SA_RESTART: the read returns, so a stop can be noticed
  for (size_t i = 0; i < kSignalCount; ++i)
    if (g_handled[i]) sigaction(kSignals[i], &action, nullptr);
}

// After a stop the process goes on here: hide the input again.
void ResumeHidden() {
  if (!g_stopped) return;
  g_stopped = 0;
  if (!g_hidden) return;
  InstallHandlers();
  tcsetattr(g_fd, TCSAFLUSH, &g_quiet);
}

}  // namespace

bool ReadLineFrom(int fd, storage::SecureString* line) {
  line->clear();
  bool any = false;
  for (;;) {
    char c = 0;
    const ssize_t n = read(fd, &c, 1);
    if (n < 0) {
      if (errno == EINTR) {
        ResumeHidden();
        continue;
      }
      return false;
    }
    if (n == 0) return any;
    any = true;
    if (c == '\n') return true;
    line->push_back(c);
  }
}

HiddenInput::HiddenInput(int fd) {
  if (tcgetattr(fd, &g_saved) != 0) return;
  g_fd = fd;
  g_quiet = g_saved;
  g_quiet.c_lflag &= ~tcflag_t(ECHO);
  g_quiet.c_lflag |= ECHONL;
  for (size_t i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], nullptr, &g_previous[i]);
    g_handled[i] = g_previous[i].sa_handler != SIG_IGN;
  }
  g_stopped = 0;
  g_hidden = 1;
  InstallHandlers();
  tcsetattr(fd, TCSAFLUSH, &g_quiet);
  active_ = true;
}

HiddenInput::~HiddenInput() {
  if (!active_) return;
  tcsetattr(g_fd, TCSAFLUSH, &g_saved);
  g_hidden = 0;
  for (size_t i = 0; i < kSignalCount; ++i)
    if (g_handled[i]) sigaction(kSignals[i], &g_previous[i], nullptr);
}

}  // namespace tb::cli
