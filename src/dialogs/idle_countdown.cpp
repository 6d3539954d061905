#include "dialogs/idle_countdown.h"

#include <QTimer>

#include "platform/core/system.h"

namespace tb::dialogs {
namespace {

int64_t Now() { return tb::platform::ToEpochSeconds(tb::platform::LocalTime()); }

}  // namespace

IdleCountdown::IdleCountdown(QObject* parent, std::function<void()> expired)
    : QObject(parent), timer_(new QTimer(this)), expired_(std::move(expired)) {
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &IdleCountdown::Tick);
}

void IdleCountdown::Start() {
  Reset();
  fired_ = false;
  timer_->start();
}

void IdleCountdown::Stop() { timer_->stop(); }

void IdleCountdown::Reset() { setAt_ = Now(); }

int64_t IdleCountdown::SecondsLeft() const {
  const int64_t elapsed = Now() - setAt_;
  // A clock set back counts as no time passed.
  return kIdleSeconds - (elapsed < 0 ? 0 : elapsed);
}

bool IdleCountdown::IsRunning() const { return timer_->isActive(); }

void IdleCountdown::Tick() {
  if (fired_ || SecondsLeft() >= 1) return;
  fired_ = true;
  timer_->stop();
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (expired_) expired_();
      },
      Qt::QueuedConnection);
}

}  // namespace tb::dialogs
