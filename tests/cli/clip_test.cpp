// tbwallet clip: the value reaches the clipboard tool on its standard
// input and never in its arguments, the secret hint is used where the tool
// has it, and the clipboard is cleared after the period only if it still
// holds the value. Fake tools stand in for wl-copy and wl-paste; a real X
// server and xclip are used where the machine has them.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli_harness.h"
#include "platform/core/registry.h"
#include "shell/core/settings.h"

namespace tb::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Sets environment variables for one test and puts them back afterwards.
class ScopedEnv {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// Waits until the condition holds, at most the given time.
template <typename F>
bool WaitFor(F condition, std::chrono::milliseconds most) {
  const auto end = std::chrono::steady_clock::now() + most;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

class ClipCommand : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Web"}).rc, 0);
    ASSERT_EQ(On("new-card", {"Web", "Shop", "--form", "4", "--field", "User name=ann"}).rc, 0);
    ASSERT_EQ(On("set", {"Web/Shop", "Password=-"}, secret + "\n").rc, 0);
    tools = dir.File("tools");
    ::mkdir(tools.c_str(), 0700);
    clip = dir.File("clip");
  }

  // Fake wl-copy and wl-paste keeping the clipboard in a file.
  void FakeWayland(bool withSensitive) {
    Script("wl-copy", "if [ \"$1\" = --help ]; then echo 'Usage: wl-copy [options]'; " +
                          std::string(withSensitive ? "echo '  -s, --sensitive  mark as a secret'; " : "") +
                          "exit 0; fi\n"
                          "echo \"$@\" >> '" +
                          dir.File("args") +
                          "'\n"
                          "if [ \"$1\" = --clear ]; then rm -f '" +
                          clip +
                          "'; exit 0; fi\n"
                          "cat > '" +
                          clip + "'\n");
    Script("wl-paste", "[ -f '" + clip + "' ] && cat '" + clip + "'\nexit 0\n");
    vars.Set("PATH", (tools + ":/usr/bin:/bin").c_str());
    vars.Set("WAYLAND_DISPLAY", "wayland-test");
    vars.Set("DISPLAY", nullptr);
  }

  void Script(const std::string& name, const std::string& body) {
    const std::string path = tools + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0700);
  }

  ScopedEnv vars;
  std::string secret = "s3cr3t-\xC3\xA9-value";
  std::string tools, clip;
};

TEST_F(ClipCommand, ValueGoesThroughStandardInputAndIsClearedLater) {
  FakeWayland(false);
  CliResult r = On("clip", {"Web/Shop", "--seconds", "1"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "Copied Password of Web/Shop to the clipboard; it is cleared in 1 seconds"));
  EXPECT_EQ(r.out.find(secret), std::string::npos);
  EXPECT_EQ(Slurp(clip), secret);
  EXPECT_EQ(Slurp(dir.File("args")), "\n") << "no arguments, and no hint the tool does not know";
  EXPECT_TRUE(WaitFor([&] { return !Exists(clip); }, std::chrono::seconds(5)));
  EXPECT_EQ(Slurp(dir.File("args")), "\n--clear\n");

  // Something else copied meanwhile stays.
  r = On("clip", {"Web/Shop", "User name", "--seconds", "1"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(Slurp(clip), "ann");
  std::ofstream(clip) << "mine";
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(Slurp(clip), "mine");
}

TEST_F(ClipCommand, HintWhereTheToolHasItAndPeriodFromTheSettings) {
  FakeWayland(true);
  {
    platform::Registry registry(env.registryPath);
    registry.SetDword(shell::kSettingsKey, u"Clipboard.ClearSeconds", 0);
    ASSERT_TRUE(registry.Save());
  }
  const CliResult r = On("clip", {"Web/Shop"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "to the clipboard.\n"));
  EXPECT_EQ(Slurp(dir.File("args")), "--sensitive\n");
  EXPECT_EQ(Slurp(clip), secret);
}

TEST_F(ClipCommand, ClearMessagesWithoutADisplayOrTool) {
  vars.Set("WAYLAND_DISPLAY", nullptr);
  vars.Set("DISPLAY", nullptr);
  CliResult r = Exec({"clip", wallet, "Web/Shop"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "there is no display"));
  EXPECT_EQ(r.err.find("no answer"), std::string::npos) << "refused before the password is asked";
  vars.Set("DISPLAY", ":99");
  vars.Set("PATH", tools.c_str());
  r = Exec({"clip", wallet, "Web/Shop"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "xclip was not found (Debian package xclip)"));
  vars.Set("WAYLAND_DISPLAY", "wayland-0");
  vars.Set("DISPLAY", nullptr);
  r = Exec({"clip", wallet, "Web/Shop"});
  EXPECT_TRUE(Contains(r.err, "wl-copy and wl-paste were not found (Debian package wl-clipboard)"));

  FakeWayland(false);
  r = On("clip", {"Web/Shop", "E-mail"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "E-mail of Web/Shop is empty; nothing was copied"));
  EXPECT_FALSE(Exists(clip));
  r = On("clip", {"Web/Shop", "--seconds", "86401"});
  EXPECT_EQ(r.rc, 2);
}

// A real X server and xclip, when the machine has both.
TEST_F(ClipCommand, RealXclipUnderXvfb) {
  if (::access("/usr/bin/Xvfb", X_OK) != 0 || ::access("/usr/bin/xclip", X_OK) != 0)
    GTEST_SKIP() << "Xvfb or xclip is not installed";
  const std::string display = ":" + std::to_string(70 + ::getpid() % 200);
  const pid_t server = ::fork();
  ASSERT_GE(server, 0);
  if (server == 0) {
    ::execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  vars.Set("WAYLAND_DISPLAY", nullptr);
  vars.Set("DISPLAY", display.c_str());
  auto paste = [&] {
    std::string out;
    if (FILE* p = ::popen("/usr/bin/xclip -selection clipboard -out 2>/dev/null", "r")) {
      char buffer[256];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
      ::pclose(p);
    }
    return out;
  };
  // xclip fails as long as it cannot reach the server.
  const bool up =
      WaitFor([] { return std::system("/usr/bin/xclip -selection clipboard -in </dev/null >/dev/null 2>&1") == 0; },
              std::chrono::seconds(10));
  if (up) {
    const CliResult r = On("clip", {"Web/Shop", "--seconds", "1"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(paste(), secret);
    EXPECT_TRUE(WaitFor([&] { return paste().empty(); }, std::chrono::seconds(5)));
  }
  ::kill(server, SIGTERM);
  ::waitpid(server, nullptr, 0);
  ASSERT_TRUE(up) << "the X server did not start";
}

}  // namespace
}  // namespace tb::test
