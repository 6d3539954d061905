#pragma once
// Process-wide protections every program of the product applies at start.

namespace tb::platform {

// Keeps passwords and keys in memory out of core dumps: no core file, and
// no other process of the user may attach to read memory.
void DisableCoreDumps();

}  // namespace tb::platform
