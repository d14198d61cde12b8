#pragma once
// An opt-in trace of the desktop program's start for bench/desktop_startup.sh. With
// ZENTREL_STARTUP_TRACE=FILE in the environment, each mark appends a line "EVENT SECONDS FAULTS"
// to FILE: the seconds read from the wall clock so that the bench can set them against the moment
// it started the program, and the page faults the process has taken so far (all its threads; -1
// where the system does not count them). A first touch of a page costs microseconds, on a virtual
// machine ten or more, so the faults between two marks tell how much memory the step touched for
// the first time. Without the variable a mark tests one pointer and returns. Header-only and free
// of Qt so that the bench's bare dialog writes its marks the same way.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace zentrel::ui {

namespace startup_trace_detail {
inline std::FILE*& File() {
    static std::FILE* file = nullptr;
    return file;
}
}  // namespace startup_trace_detail

// Reads the variable; called once, first thing in main.
inline void OpenStartupTrace() {
    const char* path = std::getenv("ZENTREL_STARTUP_TRACE");
    if (path != nullptr && *path != '\0' && startup_trace_detail::File() == nullptr) {
        // "e": the descriptor does not leak into programs started from here.
        startup_trace_detail::File() = std::fopen(path, "ae");
    }
}

inline bool StartupTraceOn() { return startup_trace_detail::File() != nullptr; }

inline timespec StartupTraceNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

inline long StartupTraceFaults() {
#if defined(__unix__) || defined(__APPLE__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) return usage.ru_minflt + usage.ru_majflt;
#endif
    return -1;
}

// Writes "EVENT SECONDS FAULTS", or "EVENT=VALUE SECONDS FAULTS" for a value of 0 or more, for the
// time given; the faults are counted now.
inline void StartupMarkAt(timespec at, const char* event, long value = -1) {
    std::FILE* file = startup_trace_detail::File();
    if (file == nullptr) return;
    const long faults = StartupTraceFaults();
    if (value >= 0) {
        std::fprintf(file, "%s=%ld %lld.%09ld %ld\n", event, value, static_cast<long long>(at.tv_sec), at.tv_nsec, faults);
    } else {
        std::fprintf(file, "%s %lld.%09ld %ld\n", event, static_cast<long long>(at.tv_sec), at.tv_nsec, faults);
    }
    // Each line goes out at once: the bench reads the file while the program runs.
    std::fflush(file);
}

// The same for now.
inline void StartupMark(const char* event, long value = -1) {
    if (StartupTraceOn()) StartupMarkAt(StartupTraceNow(), event, value);
}

// Marks an event the first time only.
inline void StartupMarkOnce(bool& done, const char* event) {
    if (done || !StartupTraceOn()) return;
    done = true;
    StartupMark(event);
}

}  // namespace zentrel::ui
