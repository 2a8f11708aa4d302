#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run with a message when a property of the code under test does not hold; libFuzzer
// then keeps the input that broke it.
inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}
