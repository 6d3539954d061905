#include "cli/clipboard_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "storage/cipher/sha256.h"

extern char** environ;

namespace tb::cli {

namespace {

// How long a paste may take before the tool is given up on (a clipboard
// owner that never answers).
constexpr int kPasteTimeoutMs = 3000;
// The most of the clipboard read back for the comparison.
constexpr size_t kMaxPasteBytes = 1 << 20;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The program's full path when it is an executable file on the PATH.
std::string OnPath(const std::string& program) {
  const std::string path = Env("PATH");
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string dir = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty()) {
      const std::string candidate = dir + "/" + program;
      struct stat st {};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    if (colon == std::string::npos) return {};
    start = colon + 1;
  }
}

// Starts argv with standard input from inFd (or /dev/null), standard output
// to outFd (or /dev/null) and standard error to /dev/null, or with the
// output when asked. The pid, or -1.
pid_t Start(const std::vector<std::string>& argv, int inFd, int outFd, bool errorsToOutput = false) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (inFd >= 0) posix_spawn_file_actions_adddup2(&actions, inFd, STDIN_FILENO);
  else posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (errorsToOutput && outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDERR_FILENO);
  else posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

bool Succeeded(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs the tool with the bytes on its standard input. The tools stay
// behind to serve the clipboard; their output is not waited for.
bool RunWithInput(const std::vector<std::string>& argv, const uint8_t* data, size_t size) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t pid = Start(argv, fds[0], -1);
  ::close(fds[0]);
  if (pid < 0) {
    ::close(fds[1]);
    return false;
  }
  // The tool going away early must not end this process.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  bool written = true;
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::write(fds[1], data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += size_t(n);
  }
  ::close(fds[1]);
  ::sigaction(SIGPIPE, &old, nullptr);
  return Succeeded(pid) && written;
}

// Reads what the tool writes, up to a limit and a time.
bool RunForOutput(const std::vector<std::string>& argv, storage::SecureBytes* out, bool withErrors = false) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t pid = Start(argv, -1, fds[1], withErrors);
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPasteTimeoutMs);
  bool complete = false;
  uint8_t buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, int(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      complete = n == 0;
      break;
    }
    if (out->size() + size_t(n) > kMaxPasteBytes) break;
    out->insert(out->end(), buffer, buffer + n);
  }
  storage::SecureWipe(buffer, sizeof buffer);
  ::close(fds[0]);
  if (!complete) ::kill(pid, SIGKILL);
  return Succeeded(pid) && complete;
}

// Whether the tool's help names the option: newer versions of both tools
// can mark a value as a secret for clipboard managers.
bool HelpMentions(const std::string& program, const std::string& helpOption, const std::string& option) {
  storage::SecureBytes help;
  RunForOutput({program, helpOption}, &help, true);  // xclip writes its help to standard error
  const std::string text(help.begin(), help.end());
  for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
    const bool startsWord = at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t' || text[at - 1] == ',';
    const size_t end = at + option.size();
    const bool endsWord = end >= text.size() || !(std::isalnum(uint8_t(text[end])) || text[end] == '-');
    if (startsWord && endsWord) return true;
  }
  return false;
}

}  // namespace

std::optional<ClipboardTool> FindClipboardTool(std::string* why) {
  const bool wayland = !Env("WAYLAND_DISPLAY").empty();
  const bool x11 = !Env("DISPLAY").empty();
  if (wayland) {
    const std::string copy = OnPath("wl-copy"), paste = OnPath("wl-paste");
    if (!copy.empty() && !paste.empty()) {
      ClipboardTool t;
      t.name = "wl-copy";
      t.copy = {copy};
      t.secretHint = HelpMentions(copy, "--help", "--sensitive");
      if (t.secretHint) t.copy.push_back("--sensitive");
      t.paste = {paste, "--no-newline"};
      t.clear = {copy, "--clear"};
      return t;
    }
    if (!x11) {
      *why = "wl-copy and wl-paste were not found (Debian package wl-clipboard)";
      return std::nullopt;
    }
  }
  if (x11) {
    const std::string xclip = OnPath("xclip");
    if (!xclip.empty()) {
      ClipboardTool t;
      t.name = "xclip";
      t.copy = {xclip, "-selection", "clipboard", "-in"};
      t.secretHint = HelpMentions(xclip, "-help", "-sensitive");
      if (t.secretHint) t.copy.push_back("-sensitive");
      t.paste = {xclip, "-selection", "clipboard", "-out"};
      t.clear = {xclip, "-selection", "clipboard", "-in"};
      return t;
    }
    *why = wayland ? "neither wl-copy and wl-paste (Debian package wl-clipboard) nor xclip were found"
                   : "xclip was not found (Debian package xclip)";
    return std::nullopt;
  }
  *why = "there is no display: neither WAYLAND_DISPLAY nor DISPLAY is set";
  return std::nullopt;
}

Digest DigestOf(const storage::SecureBytes& bytes) {
  storage::Sha256 sha;
  sha.Update(bytes.data(), bytes.size());
  return sha.Finish();
}

bool CopyToClipboard(const ClipboardTool& tool, const storage::SecureBytes& bytes) {
  return RunWithInput(tool.copy, bytes.data(), bytes.size());
}

bool ClipboardHolds(const ClipboardTool& tool, const Digest& digest) {
  storage::SecureBytes now;
  return RunForOutput(tool.paste, &now) && DigestOf(now) == digest;
}

bool ClearClipboard(const ClipboardTool& tool) { return RunWithInput(tool.clear, nullptr, 0); }

bool ClearClipboardLater(const ClipboardTool& tool, const Digest& digest, unsigned seconds) {
  // A grandchild does the waiting, in a session of its own, so that it
  // outlives this process and a closed terminal; the child ends at once
  // and is reaped here.
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::setsid();
    const pid_t waiter = ::fork();
    if (waiter != 0) ::_exit(waiter < 0 ? 1 : 0);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) ::close(null);
    }
    timespec left{time_t(seconds), 0};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    if (ClipboardHolds(tool, digest)) ClearClipboard(tool);
    ::_exit(0);
  }
  return Succeeded(child);
}

}  // namespace tb::cli
