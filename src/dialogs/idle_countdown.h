#pragma once
// The idle countdown of the password dialogs: a one-second timer whose
// ticks compare the local time (the test clock in tests) with the moment
// the countdown was last set; once the period has run out the dialog
// cancels itself.
#include <QObject>

#include <cstdint>
#include <functional>

class QTimer;

namespace tb::dialogs {

inline constexpr int kIdleSeconds = 120;

class IdleCountdown : public QObject {
  Q_OBJECT

 public:
  // expired runs (queued) once when the countdown runs out.
  IdleCountdown(QObject* parent, std::function<void()> expired);

  void Start();  // sets the countdown to the full period and starts ticking
  void Stop();
  void Reset();  // back to the full period
  // Seconds left (at most kIdleSeconds, may be 0 or less once run out).
  int64_t SecondsLeft() const;
  // One tick of the timer; the tests call it after moving the clock.
  void Tick();
  bool IsRunning() const;

 private:
  QTimer* timer_;
  int64_t setAt_ = 0;
  bool fired_ = false;
  std::function<void()> expired_;
};

}  // namespace tb::dialogs
