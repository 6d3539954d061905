// ostreltbpro2006: the desktop program. Secrets stay out of core dumps from
// the first instruction; every argument is the program's own (Qt sees only
// the program name, so a wallet path can never be taken for a Qt option).
#include <QApplication>

#include <memory>
#include <string>
#include <vector>

#include "platform/core/process.h"
#include "shell/app/dialog_wiring.h"
#include "shell/startup/startup.h"
#include "shell/window/main_window.h"

int main(int argc, char** argv) {
  tb::platform::DisableCoreDumps();
  tb::shell::StartupOptions options;
  options.args.assign(argv + 1, argv + argc);
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("Tamberlock Pro"));
  return tb::shell::RunProgram(std::move(options), [](tb::shell::AppContext& context) {
    auto window = std::make_unique<tb::shell::MainWindow>(context);
    tb::shell::WireDialogs(*window);
    return window;
  });
}
