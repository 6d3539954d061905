#pragma once
// The time of the user's last activity, for the inactivity auto-close.
// Written on the user-interface thread by every command, notification,
// opened popup and every event that reaches a dialog; read by the
// auto-close timer and by the watcher thread.
#include "platform/core/system_time.h"

namespace tb::ui {

class ActivityClock {
 public:
  // Records the current local time (tb::platform::LocalTime, so the test
  // clock governs it).
  static void Record();
  static void Set(const tb::platform::SystemTime& time);
  static tb::platform::SystemTime Last();
};

}  // namespace tb::ui
