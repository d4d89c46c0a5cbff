#include "ThreadCheck.h"

#include <cstdio>
#include <cstdlib>

namespace tonwerk::core {

void ThreadCheck::fail(const char* what) {
    static_cast<void>(std::fprintf(stderr, "Tonwerk: %s called from a thread it does not belong to\n", what));
    std::abort();
}

} // namespace tonwerk::core
