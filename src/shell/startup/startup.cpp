#include "shell/startup/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "platform/ui/font_service.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/texts.h"

namespace tb::shell {
namespace {

using tb::ui::MessageIcon;

// The wait for the main window to be drawn before its picture is taken.
constexpr int kScreenshotDelayMs = 300;

// A picture-taking run is unattended: its message boxes are written to the
// error stream and answered as Enter would.
class UnattendedMessageBoxes : public tb::ui::MessageBoxes {
 public:
  tb::ui::Answer Show(QWidget*, const tb::ui::MessageBoxRequest& request) override {
    qInfo("message box: %s: %s", qPrintable(request.caption), qPrintable(request.text));
    return request.buttons == tb::ui::Buttons::YesNo || request.buttons == tb::ui::Buttons::YesNoCancel
               ? tb::ui::Answer::Yes
               : tb::ui::Answer::Ok;
  }
};

// What a second copy asks of the running one: the synchronisation
// keywords, a form file to import (Pocket PC only), else the front.
InstanceRequest RequestForRunningCopy(const AppContext& ctx) {
  InstanceRequest request;
  if (ctx.request.syncEnd) {
    request.kind = InstanceRequestKind::SyncEnd;
  } else if (ctx.request.syncStart) {
    request.kind = InstanceRequestKind::SyncStart;
  } else if (!ctx.request.formFile.empty() && !ctx.platform.isSmartphone) {
    // The running copy has a folder of its own: it gets the whole path.
    const QString path = QFileInfo(tb::ui::ToQString(ctx.request.formFile)).absoluteFilePath();
    request.kind = InstanceRequestKind::Import;
    request.path = path.toStdString();
  }
  return request;
}

}  // namespace

bool ShowFirstRunMessageIfDue(const Settings& settings, QWidget* parent) {
  if (settings.count6 != 0 && (settings.info & 1) == 0) return false;
  tb::ui::ShowMessage(parent, kStrFirstRun, tb::ui::kCaptionInformation, MessageIcon::Information);
  return true;
}

Program::Program(StartupOptions options) : options_(std::move(options)), context_(std::make_unique<AppContext>()) {}

Program::~Program() {
  // The window goes before the records it uses.
  window_.reset();
  tb::ui::SetTextSource(nullptr);
}

bool Program::Start(const MainWindowFactory& factory) {
  AppContext& ctx = *context_;
  const ProgramArguments args = SplitProgramArguments(options_.args);
  if (args.screenshotDir) {
    screenshotDir_ = QString::fromStdString(*args.screenshotDir);
    unattended_ = std::make_unique<UnattendedMessageBoxes>();
    unattendedScope_ = std::make_unique<tb::ui::ScopedMessageBoxes>(unattended_.get());
  }
  tb::ui::SetScreenshotDirectory(screenshotDir_);

  // "--close" (session scripts, the desktop's lock hooks): the running copy
  // closes as on inactivity; this one ends at once either way, touching no
  // settings.
  if (args.close) {
    instance_ = std::make_unique<SingleInstance>(options_.instanceName.isEmpty() ? SingleInstance::DefaultName()
                                                                                 : options_.instanceName);
    if (instance_->Acquire() == SingleInstance::Claim::OtherRunning) {
      InstanceRequest request;
      request.kind = InstanceRequestKind::Close;
      instance_->HandOver(request);
      outcome_ = StartupOutcome::HandedOver;
    } else {
      outcome_ = StartupOutcome::CloseWithoutCopy;
    }
    instance_->Release();
    return false;
  }

  DetectPlatform(ctx.platform, SystemPlatformFacts(args.platform));
  ctx.settings = Settings(ctx.platform.Variant());

  // 1. Settings, with the file-type registrations of this program.
  ctx.registry = std::make_unique<tb::platform::Registry>(
      options_.registryPath.empty() ? tb::platform::Registry::DefaultPath() : options_.registryPath);
  LoadOptions load;
  load.writeRegistrations = true;
  load.programPath = options_.programPath;
  ctx.settings.Load(*ctx.registry, load);
  tb::ui::FontService::Init(ctx.settings, *ctx.registry);

  // 3. The command line.
  ctx.commandLineResult = ParseCommandLine(ctx.request, args.commandText, ctx.settings);

  // 4.-7. One copy: hand over to a running one, or end a synchronisation
  // request nobody is there to take.
  instance_ = std::make_unique<SingleInstance>(options_.instanceName.isEmpty() ? SingleInstance::DefaultName()
                                                                               : options_.instanceName);
  const bool sync = ctx.request.syncEnd || ctx.request.syncStart;
  if (instance_->Acquire() == SingleInstance::Claim::OtherRunning) {
    instance_->HandOver(RequestForRunningCopy(ctx));
    outcome_ = StartupOutcome::HandedOver;
    return false;
  }
  if (sync) {
    outcome_ = StartupOutcome::SyncWithoutCopy;
    return false;
  }

  // 8. The language module.
  if (!LoadLanguage()) {
    outcome_ = StartupOutcome::NoLanguageModule;
    return false;
  }
  ctx.wallet.SetTextSource(&ctx.language);
  if (ctx.registry->LoadFailed()) {
    const QString text = tb::ui::ToQString(
        FormatMessage(ctx.language.Text(kStrSettingsUnreadable), tb::platform::FromUtf8(ctx.registry->Path())));
    tb::ui::ShowMessageText(nullptr, text, tb::ui::kCaptionError, MessageIcon::Warning);
  }

  // 9. The main window and its creation handler.
  window_ = factory(ctx);
  if (window_) {
    instance_->SetWindow(window_->Window());
    ctx.prompter.SetParent(window_->Window());
    MainWindowHost* host = window_.get();
    QObject::connect(instance_.get(), &SingleInstance::requestReceived, window_->Window(),
                     [host](const InstanceRequest& request) { host->OnInstanceRequest(request); });
  }
  if (!window_ || !window_->OnCreate()) {
    window_.reset();
    if (screenshotDir_.isEmpty()) ctx.settings.Save(*ctx.registry);
    outcome_ = StartupOutcome::CreationFailed;
    return false;
  }
  if (!screenshotDir_.isEmpty()) {
    QWidget* window = window_->Window();
    QTimer::singleShot(kScreenshotDelayMs, window, [window] {
      tb::ui::GrabToScreenshotDirectory(window, QStringLiteral("main-window"));
      QCoreApplication::exit(0);
    });
  }
  outcome_ = StartupOutcome::Started;
  return true;
}

bool Program::LoadLanguage() {
  AppContext& ctx = *context_;
  ModuleRequest request;
  request.langPref = ctx.settings.langPref;
  request.folder = options_.moduleFolder.empty() ? tb::platform::ProgramDirectory() : options_.moduleFolder;
  const ModuleChoice choice = LoadLanguageModule(ctx.language, request);
  if (!choice.loaded) {
    tb::ui::ShowMessageText(nullptr, tb::ui::ToQString(choice.failureText), tb::ui::ToQString(choice.failureCaption),
                            MessageIcon::Stop);
    return false;
  }
  tb::ui::SetTextSource(&ctx.language);
  return true;
}

int Program::Run() {
  const int code = QApplication::exec();
  CleanUp();
  return code;
}

void Program::CleanUp() {
  if (cleanedUp_ || outcome_ != StartupOutcome::Started) return;
  cleanedUp_ = true;
  AppContext& ctx = *context_;
  // The window is gone before the loop ends in the program's own terms;
  // closing it wrote back and closed the wallet.
  window_.reset();
  if (screenshotDir_.isEmpty()) ctx.settings.Save(*ctx.registry);
  for (auto& cleanup : ctx.cleanups) cleanup();
  ctx.cleanups.clear();
  tb::ui::SetTextSource(nullptr);
  ctx.wallet.SetTextSource(nullptr);
  ctx.language.Unload();
  // The channel goes last: whoever asked this copy to close waits for it
  // to go, and the settings are written by then.
  if (instance_) instance_->Release();
}

int RunProgram(StartupOptions options, const MainWindowFactory& factory) {
  Program program(std::move(options));
  if (!program.Start(factory)) return 0;
  return program.Run();
}

}  // namespace tb::shell
