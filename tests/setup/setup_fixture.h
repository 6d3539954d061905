#pragma once
// What the setup tests share: a temporary home for everything the setup
// library reads from the environment (settings file, documents folder,
// runtime folder, language, system version, platform), the library loaded
// by name as the installer loads it, and an answerer that records each
// box and dialog the library shows and answers it.
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/registry.h"
#include "platform/core/text_convert.h"
#include "setup/setup_exports.h"
#include "support/temp_dir.h"

namespace tb::test {

inline const char* kSettingsKey = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
inline const std::string kBuiltLibrary = TB_MODULE_DIR "/TamberlockPro2006_MobileSetup.so";

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
inline bool There(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Sets environment variables while it lives.
class ScopedEnv {
 public:
  void Set(const char* name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// The world the library sees.
struct SetupWorld {
  TempDir dir;
  ScopedEnv env;
  std::string registry = dir.File("registry.reg");
  std::string documents = dir.File("Documents");
  std::string samples = documents + "/Tamberlock Samples";
  std::string runtime = dir.File("run");
  std::string install = dir.File("Program Files");

  explicit SetupWorld(const std::string& language = "en_US.UTF-8") {
    std::filesystem::create_directories(documents);
    std::filesystem::create_directories(install);
    mkdir(runtime.c_str(), 0700);
    env.Set("TB_REGISTRY_FILE", registry);
    env.Set("XDG_DOCUMENTS_DIR", documents);
    env.Set("XDG_RUNTIME_DIR", runtime);
    env.Set("TB_OS_VERSION", std::nullopt);
    env.Set("TB_PLATFORM", std::nullopt);
    env.Set("LC_MESSAGES", std::nullopt);
    env.Set("LC_ALL", language);
  }

  platform::Registry Settings() const { return platform::Registry(registry); }
  std::optional<platform::RegistryValue> Value(const char16_t* name) const {
    return Settings().Get(kSettingsKey, name);
  }
  void SetValues(const std::function<void(platform::Registry&)>& fill) const {
    platform::Registry r(registry);
    fill(r);
    r.Save();
  }
  // Files of a folder, by name.
  static std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// The library as the installer loads it: by name, its four entry points.
struct LoadedLibrary {
  void* handle = dlopen(kBuiltLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  TbInstallInitFn installInit = reinterpret_cast<TbInstallInitFn>(dlsym(handle, "Install_Init"));
  TbInstallExitFn installExit = reinterpret_cast<TbInstallExitFn>(dlsym(handle, "Install_Exit"));
  TbUninstallInitFn uninstallInit = reinterpret_cast<TbUninstallInitFn>(dlsym(handle, "Uninstall_Init"));
  TbUninstallExitFn uninstallExit = reinterpret_cast<TbUninstallExitFn>(dlsym(handle, "Uninstall_Exit"));
  ~LoadedLibrary() {
    if (handle) dlclose(handle);
  }
};

struct ShownBox {
  QString title, text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};

// Answers the library's boxes from a queue (the first button when it runs
// out) and its language dialog with an action (OK when none is given).
class Answerer {
 public:
  Answerer() {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }
  void Queue(QMessageBox::StandardButton answer) { answers_.push_back(answer); }
  std::function<void(QDialog&)> onLanguage;
  std::vector<ShownBox> boxes;
  int languageDialogs = 0;
  QString languageDialogName;

 private:
  void Poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w == last_) return;
    last_ = w;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
      QMessageBox::StandardButton answer = QMessageBox::NoButton;
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
      }
      QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : box->buttons().value(0);
      if (!button) button = box->buttons().value(0);
      for (QAbstractButton* b : box->buttons())
        if (answer == QMessageBox::NoButton &&
            (box->standardButton(b) == QMessageBox::Ok || box->standardButton(b) == QMessageBox::Yes))
          button = b;
      button->click();
      return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->objectName().startsWith("Language")) {
      ++languageDialogs;
      languageDialogName = dialog->objectName();
      if (onLanguage) onLanguage(*dialog);
      else dialog->accept();
    }
  }

  QTimer poll_;
  std::deque<QMessageBox::StandardButton> answers_;
  QPointer<QWidget> last_;
};

}  // namespace tb::test
