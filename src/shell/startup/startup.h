#pragma once
// The program's entry: prepares the process-wide records, reads the
// command line, keeps to one running copy, loads the language module,
// creates the main window, runs the message loop and cleans up in a fixed
// order.
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/registry.h"
#include "platform/ui/message_boxes.h"
#include "shell/core/command_line.h"
#include "shell/core/language_module.h"
#include "shell/core/platform_info.h"
#include "shell/core/settings.h"
#include "shell/core/string_numbers.h"
#include "shell/startup/single_instance.h"
#include "storage/wallet.h"

class QWidget;

namespace tb::shell {

inline constexpr const char16_t* kMainWindowTitle = u"Tamberlock Pro 6";

// Everything start-up prepares; lives for the whole process.
struct AppContext {
  PlatformInfo platform;
  Settings settings;
  std::unique_ptr<tb::platform::Registry> registry;
  StartupRequest request;
  int commandLineResult = 0;  // ParseCommandLine's answer (-1: a form file)
  LanguageModule language;
  tb::storage::Wallet wallet;  // the one wallet, empty until opened
  tb::ui::MessageBoxPrompter prompter;
  // Run in order at the normal end, after the settings are saved and before
  // the language module goes (the icon tables register theirs here).
  std::vector<std::function<void()>> cleanups;
};

// What start-up needs of the main window.
class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  virtual QWidget* Window() = 0;
  // The creation handler: menus, controls, the first-run message and the
  // wallet decision. False fails creation and the program ends.
  virtual bool OnCreate() = 0;
  // A request a later copy or the setup library sent over the instance
  // channel (the channel has brought the window to the front already).
  virtual void OnInstanceRequest(const InstanceRequest& request) {}
};
using MainWindowFactory = std::function<std::unique_ptr<MainWindowHost>(AppContext&)>;

struct StartupOptions {
  std::vector<std::string> args;  // the program's arguments, without its name
  std::string registryPath;       // empty: the user's registry file
  std::string moduleFolder;       // empty: the program's folder
  QString instanceName;           // empty: SingleInstance::DefaultName()
  std::u16string programPath;     // for the file-type registrations; empty: this program
};

enum class StartupOutcome {
  Started,           // the main window is up
  HandedOver,        // a running copy got the request
  SyncWithoutCopy,   // a synchronisation request and no copy: nothing shown
  CloseWithoutCopy,  // "--close" and no copy running: nothing to close
  NoLanguageModule,  // its message shown
  CreationFailed,    // settings saved
};

class Program {
 public:
  explicit Program(StartupOptions options);
  ~Program();

  // Everything up to the message loop. False when the program ends early
  // (Outcome says why; the exit code is then 0).
  bool Start(const MainWindowFactory& factory);
  // The message loop, then the normal clean-up. Returns the loop's code.
  int Run();
  // The normal clean-up alone (for callers that ran the loop themselves).
  void CleanUp();

  StartupOutcome Outcome() const { return outcome_; }
  AppContext& Context() { return *context_; }
  MainWindowHost* MainWindow() { return window_.get(); }
  SingleInstance* Instance() { return instance_.get(); }
  // Set by --screenshot DIR: the main window and every dialog write PNGs
  // there; the program ends once the main window is drawn, leaving the
  // settings as they were.
  const QString& ScreenshotDir() const { return screenshotDir_; }

 private:
  bool LoadLanguage();

  StartupOptions options_;
  std::unique_ptr<AppContext> context_;
  std::unique_ptr<SingleInstance> instance_;
  std::unique_ptr<MainWindowHost> window_;
  StartupOutcome outcome_ = StartupOutcome::Started;
  QString screenshotDir_;
  std::unique_ptr<tb::ui::MessageBoxes> unattended_;
  std::unique_ptr<tb::ui::ScopedMessageBoxes> unattendedScope_;
  bool cleanedUp_ = false;
};

// The whole entry over a QApplication the caller made: returns the exit code.
int RunProgram(StartupOptions options, const MainWindowFactory& factory);

// The first-run message (string 20580, information) when Count6 is 0 or
// bit 0 of Info is set. Returns whether it showed.
bool ShowFirstRunMessageIfDue(const Settings& settings, QWidget* parent);

}  // namespace tb::shell
