// A second process for the single-instance tests: takes the guard on the given lock file (the
// program's own default place without one), prints whether it got it, and when it did, holds it
// until its standard input closes. Where no lock can be made it prints why and ends with 1.
#include <cstdio>

#include "app/desktop/InstanceGuard.h"

int main(int argc, char** argv) {
    zentrel::app::InstanceGuard guard(argc > 1 ? argv[1] : "");
    if (!guard.Problem().empty()) {
        std::printf("failed: %s\n", guard.Problem().c_str());
        return 1;
    }
    std::puts(guard.Acquired() ? "acquired" : "refused");
    std::fflush(stdout);
    if (!guard.Acquired()) return 0;
    while (std::getchar() != EOF) {
    }
    return 0;
}
