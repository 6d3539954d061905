#include "platform/ui/activity_clock.h"

#include <mutex>

#include "platform/core/system.h"

namespace tb::ui {
namespace {

// A lock rather than a plain copy: the watcher thread must never read a
// half-written time.
std::mutex g_lock;
tb::platform::SystemTime g_last;

}  // namespace

void ActivityClock::Record() { Set(tb::platform::LocalTime()); }

void ActivityClock::Set(const tb::platform::SystemTime& time) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_last = time;
}

tb::platform::SystemTime ActivityClock::Last() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_last;
}

}  // namespace tb::ui
