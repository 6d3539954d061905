#pragma once
// Hooks that let tests interrupt long operations at a chosen step. They are
// set only through the guards below, which put back what was there when
// they go, so that no test leaves a hook behind for the next one.
#include <functional>

namespace tb::storage {

// Called with a record's number before it is re-enciphered by a password
// change, or converted by a format upgrade; returning false makes the
// operation fail there.
using InterruptionHook = std::function<bool(int)>;

class ScopedRekeyInterruption {
 public:
  explicit ScopedRekeyInterruption(InterruptionHook hook);
  ~ScopedRekeyInterruption();
  ScopedRekeyInterruption(const ScopedRekeyInterruption&) = delete;
  ScopedRekeyInterruption& operator=(const ScopedRekeyInterruption&) = delete;

 private:
  InterruptionHook previous_;
};

class ScopedUpgradeInterruption {
 public:
  explicit ScopedUpgradeInterruption(InterruptionHook hook);
  ~ScopedUpgradeInterruption();
  ScopedUpgradeInterruption(const ScopedUpgradeInterruption&) = delete;
  ScopedUpgradeInterruption& operator=(const ScopedUpgradeInterruption&) = delete;

 private:
  InterruptionHook previous_;
};

namespace detail {
// The hooks themselves, for the operations that call them.
InterruptionHook& RekeyInterruption();
InterruptionHook& UpgradeInterruption();
}  // namespace detail

}  // namespace tb::storage
