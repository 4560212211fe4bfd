// The libFuzzer entry of one fuzzer: SF_FUZZ_TARGET names the target (fuzz_targets.h).
#include "fuzz_targets.h"

#ifndef SF_FUZZ_TARGET
#error "SF_FUZZ_TARGET must name a fuzz target"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return stimforge::fuzzing::SF_FUZZ_TARGET(data, size);
}
