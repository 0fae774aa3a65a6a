#include <cstdio>
#include <cstdlib>

#include "FuzzEntries.h"

void fuzzCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}
