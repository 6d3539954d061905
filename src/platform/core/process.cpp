#include "platform/core/process.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace tb::platform {

void DisableCoreDumps() {
  struct rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace tb::platform
