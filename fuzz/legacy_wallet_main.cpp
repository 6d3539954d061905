// libFuzzer entry of the legacy wallet target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzLegacyWallet(data, size); }
