// A second process for the single-instance tests: takes the guard on the given lock file,
// prints whether it got it, and when it did, holds it until its standard input closes.
#include <cstdio>

#include "app/desktop/InstanceGuard.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    zentrel::app::InstanceGuard guard(argv[1]);
    std::puts(guard.Acquired() ? "acquired" : "refused");
    std::fflush(stdout);
    if (!guard.Acquired()) return 0;
    while (std::getchar() != EOF) {
    }
    return 0;
}
