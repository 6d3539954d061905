#pragma once
// What the bad-input tests share: the English language module, a record of
// a file's bytes and times to show that nothing wrote it, a way to be held
// to file permissions when the tests run as root, and a main window over a
// small wallet with a scripted password prompt.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/window/main_window.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"

namespace tb::test::bad {

using tb::dialogs::test::WhenShown;

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The English module the program ships, loaded once.
inline const shell::LanguageModule& English() {
  static shell::LanguageModule module;
  if (!module.IsLoaded()) module.Load(TB_MODULE_DIR "/ostreltbpro2006.exe.0409.mui");
  return module;
}

// A file's bytes, size, mode and modification time, and the names in its
// folder: what must stay as it was when nothing may write.
struct FileState {
  bool exists = false;
  std::string bytes;
  int64_t mtimeNs = 0;
  mode_t mode = 0;
  std::set<std::string> folder;

  static FileState Of(const std::string& path) {
    FileState s;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
      s.exists = true;
      s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      s.mode = st.st_mode;
      if (S_ISREG(st.st_mode)) s.bytes = ReadBytes(path);
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path(), ec))
      s.folder.insert(entry.path().filename().string());
    return s;
  }
  bool operator==(const FileState&) const = default;
};

// Sets a file's times far into the past, so that any later write shows in
// its modification time however coarse the clock.
inline void Backdate(const std::string& path) {
  const timespec times[2] = {{978307200, 0}, {978307200, 0}};  // 2001-01-01
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// While it lives, this thread is held to file permissions even as root
// (the capabilities that override them leave its effective set).
class ScopedFilePermissions {
 public:
  ScopedFilePermissions() {
    if (geteuid() != 0) return;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~ScopedFilePermissions() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  ScopedFilePermissions(const ScopedFilePermissions&) = delete;
  ScopedFilePermissions& operator=(const ScopedFilePermissions&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

// Whether this thread may open path for writing, or for reading (after a
// chmod: whether the permissions hold for it).
inline bool CanOpen(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

// A small closed wallet and a main window over it, in English, whose
// password prompt answers from a list (none left: cancelled).
struct WindowFixture {
  TestWallet file;
  shell::AppContext context;
  std::unique_ptr<shell::MainWindow> window;
  std::vector<std::optional<std::u16string>> answers;
  int prompts = 0;

  WindowFixture() {
    const int bank = file.AddFolder(u"Bank");
    file.AddCard(file.IdAt(bank), u"Giro", {{u"Number", u"4711"}});
    file.AddCard(file.IdAt(bank), u"Savings", {{u"Number", u"0815"}});
    file.AddCard(file.IdAt(bank), u"Credit", {{u"Number", u"1234"}});
    file.wallet().Close();
    ui::SetTextSource(&English());
    context.wallet.SetTextSource(&English());
    window = std::make_unique<shell::MainWindow>(context);
    window->SetMenuBar(shell::kBarBrowse);
    window->passwordPrompt = [this](const shell::WalletPrompt&) -> std::optional<storage::Text> {
      ++prompts;
      if (answers.empty()) return std::nullopt;
      auto answer = answers.front();
      answers.erase(answers.begin());
      if (!answer) return std::nullopt;
      return storage::ToText(*answer);
    };
  }
  ~WindowFixture() {
    window.reset();
    ui::SetTextSource(nullptr);
  }

  bool Open(const std::string& path) {
    answers = {file.password()};
    return window->OpenWalletFlow(path, false);
  }
};

// The messages of the open-wallet flow: the file cannot be used at all
// ("(NN)"), or the open with the password failed ("(reason:N)").
inline QString UnusableFileMessage(const QString& name, int status) {
  return QStringLiteral("%1\n%2\n(%3)").arg(ui::Text(23016), name).arg(status, 2, 10, QChar('0'));
}
inline QString OpenFailedMessage(const QString& name, uint32_t reason, int status) {
  return QStringLiteral("%1\n%2\n(%3:%4)").arg(ui::Text(23016), name, ui::Text(reason)).arg(status);
}

}  // namespace tb::test::bad
