// libFuzzer entry of the ".ico" picture target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzIconFile(data, size); }
