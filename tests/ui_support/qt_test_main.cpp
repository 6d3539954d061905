// The main of every QtTest program: runs each registered test class.
// "prog ClassName [QtTest options]" runs one class only.
#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "ui_support/dialog_waits.h"
#include "ui_support/qt_test.h"

namespace tb::test {
namespace {

std::map<std::string, std::function<QObject*()>>& Registry() {
  static std::map<std::string, std::function<QObject*()>> registry;
  return registry;
}

}  // namespace

bool RegisterQtTest(const char* name, std::function<QObject*()> make) {
  Registry()[name] = std::move(make);
  return true;
}

}  // namespace tb::test

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string only;
  QStringList args{QString::fromLocal8Bit(argv[0])};
  for (int i = 1; i < argc; ++i) {
    if (i == 1 && argv[i][0] != '-') {
      only = argv[i];
    } else {
      args << QString::fromLocal8Bit(argv[i]);
    }
  }
  int failures = 0;
  for (const auto& [name, make] : tb::test::Registry()) {
    if (!only.empty() && name != only) continue;
    std::unique_ptr<QObject> test(make());
    tb::test::SetRunningTestClass(name.c_str());
    failures += QTest::qExec(test.get(), args);
  }
  // A dialog a test waited for that never came fails the program even
  // when its test had already ended.
  failures += tb::test::UnmetDialogWaits();
  std::printf("%d QtTest failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
