#pragma once
// The inactivity auto-close: the check shared by the timer, activation and
// the watcher thread, and the watcher that catches a device that slept.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/core/system_time.h"

namespace tb::shell {

// Whole minutes from earlier to later (milliseconds ignored), truncated
// toward zero; negative when earlier is the later time.
int64_t MinutesBetween(const tb::platform::SystemTime& earlier, const tb::platform::SystemTime& later);

// True when a wallet is open, its period is not 0 and the user has been
// idle for at least one minute and at least the period.
bool AutoCloseDue(bool walletOpen, uint32_t periodMinutes, const tb::platform::SystemTime& lastActivity,
                  const tb::platform::SystemTime& now);

// Wakes about every 1.2 seconds; when the clock jumped (the device slept)
// it runs the check on the activity time it copied before sleeping and, when
// due, calls onDue (from its own thread). It reads only the activity clock
// and the two values the window keeps for it.
class InactivityWatcher {
 public:
  InactivityWatcher(const std::atomic<bool>& walletOpen, const std::atomic<uint32_t>& period,
                    std::function<void()> onDue);
  ~InactivityWatcher();
  void Start();  // unless running
  void Stop();   // wakes the thread and gives it at most a second to end
  bool Running() const { return alive_.load(); }

 private:
  void Loop();
  // Sleeps for ms unless Stop wakes it first; false when stopped.
  bool Nap(int ms);

  const std::atomic<bool>& walletOpen_;
  const std::atomic<uint32_t>& period_;
  std::function<void()> onDue_;
  std::atomic<bool> run_{false};
  std::atomic<bool> alive_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
};

}  // namespace tb::shell
