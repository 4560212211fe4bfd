// The fuzzers' property checks. A failed check prints what was expected and aborts, which
// libFuzzer reports as a crash (and keeps the input); the replay tests fail the same way.
#ifndef STIMFORGE_FUZZ_FUZZ_CHECK_H_
#define STIMFORGE_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define SF_FUZZ_CHECK(condition, what)                                                           \
  do {                                                                                           \
    if (!(condition)) {                                                                          \
      std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__, what, \
                   #condition);                                                                  \
      std::abort();                                                                              \
    }                                                                                            \
  } while (0)

#endif  // STIMFORGE_FUZZ_FUZZ_CHECK_H_
