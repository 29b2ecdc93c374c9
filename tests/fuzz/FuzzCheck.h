#pragma once
// A property a fuzz target asserts. A broken one aborts, so that libFuzzer keeps the input and
// the replay program (with or without a sanitizer) fails on it as it would on a crash.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: fuzz property broken: %s\n", __FILE__, __LINE__, #condition);       \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)
