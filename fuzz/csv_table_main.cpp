// libFuzzer entry of the CSV table target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzCsvTable(data, size); }
