#include "shell/window/auto_close.h"

#include <chrono>

#include "platform/core/system.h"
#include "platform/ui/activity_clock.h"

namespace tb::shell {

int64_t MinutesBetween(const tb::platform::SystemTime& earlier, const tb::platform::SystemTime& later) {
  tb::platform::SystemTime a = earlier;
  tb::platform::SystemTime b = later;
  a.milliseconds = b.milliseconds = 0;
  return (tb::platform::ToEpochSeconds(b) - tb::platform::ToEpochSeconds(a)) / 60;
}

bool AutoCloseDue(bool walletOpen, uint32_t periodMinutes, const tb::platform::SystemTime& lastActivity,
                  const tb::platform::SystemTime& now) {
  if (!walletOpen || periodMinutes == 0) return false;
  const int64_t idle = MinutesBetween(lastActivity, now);
  return idle >= 1 && idle >= int64_t(periodMinutes);
}

InactivityWatcher::InactivityWatcher(const std::atomic<bool>& walletOpen, const std::atomic<uint32_t>& period,
                                     std::function<void()> onDue)
    : walletOpen_(walletOpen), period_(period), onDue_(std::move(onDue)) {}

InactivityWatcher::~InactivityWatcher() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void InactivityWatcher::Start() {
  if (alive_.load()) return;
  if (thread_.joinable()) thread_.join();
  run_ = true;
  alive_ = true;
  thread_ = std::thread([this] { Loop(); });
}

void InactivityWatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run_ = false;
  }
  wake_.notify_all();
  for (int i = 0; i < 100 && alive_.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!alive_.load() && thread_.joinable()) thread_.join();
}

bool InactivityWatcher::Nap(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !run_.load(); });
  return run_.load();
}

void InactivityWatcher::Loop() {
  tb::platform::SystemTime noted = tb::platform::LocalTime();
  while (run_.load()) {
    const tb::platform::SystemTime activity = tb::ui::ActivityClock::Last();
    if (!Nap(600) || !Nap(600)) break;
    const tb::platform::SystemTime now = tb::platform::LocalTime();
    int second = now.second;
    if (second < noted.second) second += 60;
    const bool continuous = second <= noted.second + 10 && now.day == noted.day && now.hour == noted.hour;
    if (!continuous && AutoCloseDue(walletOpen_.load(), period_.load(), activity, now)) onDue_();
    noted = now;
  }
  alive_ = false;
}

}  // namespace tb::shell
