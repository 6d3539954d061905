// libFuzzer entry of the custom form text target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzCustomFormText(data, size); }
