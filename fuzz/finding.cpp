#include "finding.hpp"

#include <cstdio>
#include <cstdlib>

namespace tbfuzz {

void fail(const char *what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace tbfuzz
