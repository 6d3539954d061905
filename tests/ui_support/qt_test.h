#pragma once
// QtTest classes of one test program register themselves here; the shared
// main runs them all (or those named on the command line) offscreen.
#include <QObject>

#include <functional>

namespace tb::test {

bool RegisterQtTest(const char* name, std::function<QObject*()> make);

}  // namespace tb::test

#define TB_QT_TEST(Class)                           \
  static const bool tb_qt_test_registered_##Class = \
      ::tb::test::RegisterQtTest(#Class, [] { return static_cast<QObject*>(new Class); });
