#pragma once
// Hooks that let tests interrupt long operations at a chosen step.
#include <functional>

namespace tb::storage {

// Called before each record of a password change is re-enciphered, with the
// record's number; returning false makes the change fail there.
std::function<bool(int)>& RekeyInterruptionForTesting();

}  // namespace tb::storage
