// tbwallet killed at random moments: set, rm, passwd and import run as
// processes of their own and get SIGKILL while they work. The wallet is
// then opened with the program's own code (finishing or dropping what a
// journal left, repairing when asked): every card is in its old or its
// new version and nothing else, and the password is the old or the new one.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>

#include "platform/core/file.h"
#include "storage/wallet.h"
#include "support/fault_loop.h"
#include "support/fixed_services.h"
#include "support/temp_dir.h"
#include "support/wallet_fixture.h"

namespace tb::test {
namespace {

constexpr int kKills = 100;
const std::string kOld = "old-pass", kNew = "new-pass";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A child holds copies of every descriptor its parent had at the fork
// until it reaches execve, and a copy of a locked wallet keeps that lock.
// Forks and the test's own opens of a wallet therefore take turns: a
// command starts only while no thread holds a wallet open, and an open
// waits until every child forked so far has executed or died.
std::mutex forkOrOpen;

// Runs tbwallet with args and input; kills it after delay unless that is
// negative. Returns how long it ran. Other threads start commands at the
// same time: everything the child needs is made before the fork, and no
// descriptor of one command leaks into another.
std::chrono::microseconds RunTbwallet(const std::vector<std::string>& args, const std::string& input,
                                      const std::string& home, std::chrono::microseconds delay) {
  const std::string program = std::string(TB_MODULE_DIR) + "/tbwallet";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment{"HOME=" + home, "XDG_CONFIG_HOME=" + home};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "HOME=", 5) != 0 && std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0) environment.push_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  int in[2];
  if (pipe2(in, O_CLOEXEC) != 0) return {};
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  int exec[2];
  if (pipe2(exec, O_CLOEXEC) != 0) return {};
  std::unique_lock turn(forkOrOpen);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    dup2(in[0], 0);
    dup2(null, 1);
    dup2(null, 2);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(null);
  close(exec[1]);
  // The pipe's write end closes at execve (or when the child dies).
  char ignored;
  while (read(exec[0], &ignored, 1) < 0 && errno == EINTR) {
  }
  close(exec[0]);
  turn.unlock();
  if (write(in[1], input.data(), input.size()) != ssize_t(input.size())) ADD_FAILURE() << "input not written";
  close(in[1]);
  if (delay.count() >= 0) {
    std::this_thread::sleep_until(start + delay);
    kill(child, SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (delay.count() < 0) {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args[0] << " failed";
  }
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
}

// One command's folder: the wallet, a table to import, a home of its own.
class Scene {
 public:
  Scene() {
    path = dir.File("Crash.tb5");
    home = dir.File("home");
    table = dir.File("table.txt");
  }

  void Build() {
    ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
    storage::Wallet w;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Create(path, u"old-pass", u"hint", false), storage::CreateStatus::Ok);
    ASSERT_EQ(w.Open(path, u"old-pass", false, nullptr), storage::OpenStatus::Ok);
    storage::RecordHeader bank = storage::NewFolderRecord({}, false, &w.DataKey());
    bank.SetName(u"Bank");
    const int folder = w.AppendRecord(bank);
    for (int i = 0; i < 6; ++i) {
      storage::Card card = w.NewEmptyCard(w.At(folder)->Id());
      card.record.SetName(u"Card " + std::u16string(1, char16_t(u'A' + i)));
      storage::Field f;
      f.SetLabel(u"Number");
      f.SetValue(u"value " + std::u16string(size_t(i + 1), u'x'));
      card.AddField(f);
      if (i == 2) card.SetPicture(storage::SecureBytes(40000, 7), u"big.bmp", 9);
      ASSERT_GE(w.AppendCard(card), 0);
    }
    w.Close();
    start = ReadAll(path);
    WriteAll(table, "Card Name\tNumber\r\nNew one\t1\r\nNew two\t2\r\nNew three\t3\r\n");
  }

  // The folder as before the command: the wallet, the table, nothing else.
  void Restore() {
    if (DIR* d = opendir(dir.Path().c_str())) {
      while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && name != "home" && name != "table.txt") ::unlink(dir.File(name).c_str());
      }
      closedir(d);
    }
    WriteAll(path, start);
  }

  // The wallet as the program opens it after the command.
  WalletState Opened() {
    std::lock_guard turn(forkOrOpen);
    storage::Wallet w;
    w.SetTextSource(&texts);
    AgreeToAll agree;
    std::string label = "old";
    storage::OpenStatus s = w.Open(path, u"old-pass", false, &agree);
    if (s == storage::OpenStatus::WrongPassword) {
      label = "new";
      s = w.Open(path, u"new-pass", false, &agree);
    }
    EXPECT_EQ(s, storage::OpenStatus::Ok) << "the wallet does not open with the old or the new password";
    return s == storage::OpenStatus::Ok ? CaptureWallet(w, label) : WalletState{};
  }

  // Kills the command at random moments of its run; returns a line of
  // what the kills left.
  std::string KillAtRandom(const char* what, const std::vector<std::string>& args, const std::string& input) {
    Restore();
    const WalletState before = Opened();
    Restore();
    const auto full = RunTbwallet(args, input, home, std::chrono::microseconds(-1));
    const WalletState after = ByContentWhereNew(Opened(), before);
    if (before == after) {
      ADD_FAILURE() << what << " changed nothing";
      return {};
    }
    std::mt19937 random(20261210);
    int untouched = 0, finished = 0;
    for (int k = 0; k < kKills; ++k) {
      Restore();
      const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, full.count())(random));
      RunTbwallet(args, input, home, delay);
      const WalletState got = ByContentWhereNew(Opened(), before);
      bool whole = true;
      for (const auto& [key, content] : got) {
        const auto old = before.find(key), now = after.find(key);
        if ((old != before.end() && old->second == content) || (now != after.end() && now->second == content)) continue;
        ADD_FAILURE() << what << ", killed after " << delay.count() << " us: " << key << " = " << content;
        whole = false;
      }
      for (const auto& [key, content] : before) {
        if (got.count(key) || !after.count(key)) continue;
        ADD_FAILURE() << what << ", killed after " << delay.count() << " us: lost " << key;
        whole = false;
      }
      if (!whole) {
        ADD_FAILURE() << what << ", killed after " << delay.count()
                      << " us; against the finished command:" << DescribeDifference(got, after);
        return {};
      }
      untouched += got == before;
      finished += got == after;
    }
    return "  " + std::string(what) + ": " + std::to_string(kKills) + " kills within " + std::to_string(full.count()) +
           " us, " + std::to_string(untouched) + " left the old wallet, " + std::to_string(finished) +
           " the new one, " + std::to_string(kKills - untouched - finished) + " a mixture of old and new cards\n";
  }

  TempDir dir;
  FixedTexts texts;
  std::string path, home, table, start;
};

TEST(ProcessCrash, SetRmPasswdAndImportKilledAtRandomMoments) {
  // The commands spend most of their time waiting for the disk and for
  // their kill: each runs in a folder of its own, side by side.
  Scene scenes[4];
  for (Scene& scene : scenes) {
    scene.Build();
    if (::testing::Test::HasFatalFailure()) return;
  }
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string input;
  } commands[] = {
      {"set", {"set", scenes[0].path, "Bank/Card C", "Number=a changed and longer value"}, kOld + "\n"},
      {"rm", {"rm", scenes[1].path, "Bank"}, kOld + "\n"},
      {"passwd", {"passwd", scenes[2].path}, kOld + "\n" + kNew + "\n" + kNew + "\nnew hint\n"},
      {"import", {"import", scenes[3].path, scenes[3].table, "--yes"}, kOld + "\n"},
  };
  std::string lines[4];
  std::vector<std::thread> running;
  for (int i = 0; i < 4; ++i)
    running.emplace_back(
        [&, i] { lines[i] = scenes[i].KillAtRandom(commands[i].what, commands[i].args, commands[i].input); });
  for (std::thread& t : running) t.join();
  for (const std::string& line : lines) std::cout << line;
}

}  // namespace
}  // namespace tb::test
