#include "ui_support/dialog_waits.h"

#include <QTest>

#include <cstdio>
#include <map>
#include <string>

namespace tb::test {

namespace {

struct Wait {
  QString what;
  std::string test;  // "Class::function"
  bool met = false;
  bool reported = false;
};

std::string g_class;
std::map<int, Wait> g_waits;
int g_next = 1;
int g_unmet = 0;

std::string RunningTest() {
  const char* function = QTest::currentTestFunction();
  return g_class + "::" + (function ? function : "?");
}

void Report(Wait& w, const char* why) {
  if (w.met || w.reported) return;
  w.reported = true;
  ++g_unmet;
  std::fprintf(stderr, "FAIL!  : %s: the %s never appeared (%s)\n", w.test.c_str(), qPrintable(w.what), why);
}

}  // namespace

int StartDialogWait(const QString& what) {
  const int id = g_next++;
  g_waits[id] = Wait{what, RunningTest()};
  return id;
}

void DialogWaitMet(int id) {
  const auto it = g_waits.find(id);
  if (it != g_waits.end()) g_waits.erase(it);
}

bool DialogWaitStillWanted(int id) {
  const auto it = g_waits.find(id);
  if (it == g_waits.end()) return false;
  if (it->second.test == RunningTest()) return true;
  Report(it->second, "the test ended first");
  return false;
}

void DialogWaitGaveUp(int id) {
  const auto it = g_waits.find(id);
  if (it == g_waits.end()) return;
  Wait& w = it->second;
  if (w.test == RunningTest()) {
    w.reported = true;
    QTest::qFail(qPrintable(QStringLiteral("the %1 never appeared").arg(w.what)), __FILE__, __LINE__);
  } else {
    Report(w, "the wait gave up after the test ended");
  }
}

void SetRunningTestClass(const char* name) { g_class = name; }

int UnmetDialogWaits() {
  for (auto& [id, w] : g_waits) Report(w, "still waited for when the tests ended");
  return g_unmet;
}

}  // namespace tb::test
