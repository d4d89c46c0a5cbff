// Builds the demo style and the start-up setup into a program folder (a step of the build).
// Usage: tonwerk-make-demo PROGRAM_FOLDER
#include "demo/DemoMaker.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        static_cast<void>(std::fputs("usage: tonwerk-make-demo PROGRAM_FOLDER\n", stderr));
        return 2;
    }
    const tonwerk::platform::Status status = tonwerk::demo::makeDemo(argv[1]);
    if (!status.ok()) {
        static_cast<void>(std::fprintf(stderr, "tonwerk-make-demo: %s\n", status.message().c_str()));
        return 1;
    }
    return 0;
}
