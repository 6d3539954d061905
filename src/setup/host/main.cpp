// tbsetup: installs Tamberlock Pro per user, or removes it. The setup
// library's questions need a window system: without a display they can
// only be answered with --yes, shown off screen.
#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "setup/host/tbsetup.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool yes = false, help = false;
  for (const std::string& a : args) {
    yes = yes || a == "--yes";
    help = help || a == "--help" || a == "-h";
  }
  // Help and usage errors need no window system.
  if (help || args.size() < 2)
    return tb::setup::RunTbsetup(args, std::cout, std::cerr, tb::setup::DefaultSetupEnvironment());
  const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
  if (!display) {
    if (!yes) {
      std::cerr << "tbsetup: there is no display to ask on; give --yes to answer every question with yes\n";
      return tb::setup::kExitUsage;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  return tb::setup::RunTbsetup(args, std::cout, std::cerr, tb::setup::DefaultSetupEnvironment());
}
