#pragma once
// Waits for a dialog that a test expects to appear. A wait that never
// acts fails its test: at once when it gives up while its test function
// still runs, or, when the function ended first, by failing the test
// program with the test's name (a dialog that never shows must never let
// a test pass by doing nothing).
#include <QString>

namespace tb::test {

// Starts a wait for what (a dialog's description) in the running test
// function; the id goes to the calls below.
int StartDialogWait(const QString& what);
// The dialog appeared and the wait acted on it.
void DialogWaitMet(int id);
// Whether the wait should go on polling: false once its test function has
// ended (the wait is then recorded as unmet).
bool DialogWaitStillWanted(int id);
// The wait gives up: the test fails.
void DialogWaitGaveUp(int id);

// For the shared main: the test class about to run, and the waits that
// never acted so far (each named on standard error once).
void SetRunningTestClass(const char* name);
int UnmetDialogWaits();

}  // namespace tb::test
