#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep. A broken one stops the fuzzer like a
// crash, so the input is saved and can be replayed.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
