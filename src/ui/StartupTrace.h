#pragma once
// An opt-in trace of the desktop program's start for bench/desktop_startup.sh. With
// ZENTREL_STARTUP_TRACE=FILE in the environment, each mark appends a line
// "EVENT SECONDS FAULTS CPU THREAD_CPU" to FILE: the seconds read from the wall clock so that the
// bench can set them against the moment it started the program, then what the process has used
// so far, all its threads together: its page faults and its CPU seconds, and last the CPU seconds
// of the thread that marks, the UI thread (-1 where the system does not count one of them). A
// first touch of a page costs microseconds, on a virtual machine ten or more, so the faults
// between two marks tell how much memory the step touched for the first time; the CPU seconds
// tell how much of the time was work rather than waiting, and the UI thread's how much of it had
// to be done one step after the other. Without the variable a mark tests one pointer and
// returns. Header-only and free of Qt so that the bench's bare dialog writes its marks the same
// way.
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

struct StartupTraceUsage {
    long faults = -1;
    double cpuSeconds = -1;
    double threadCpuSeconds = -1;
};

#if defined(__unix__) || defined(__APPLE__)
inline double StartupTraceCpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
#endif

inline StartupTraceUsage StartupTraceUsed() {
    StartupTraceUsage used;
#if defined(__unix__) || defined(__APPLE__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        used.faults = usage.ru_minflt + usage.ru_majflt;
        used.cpuSeconds = StartupTraceCpuSeconds(usage);
    }
#endif
#ifdef RUSAGE_THREAD
    if (getrusage(RUSAGE_THREAD, &usage) == 0) used.threadCpuSeconds = StartupTraceCpuSeconds(usage);
#endif
    return used;
}

// Writes "EVENT SECONDS FAULTS CPU THREAD_CPU", or "EVENT=VALUE SECONDS ..." for a value of 0 or
// more, for the time given; the faults and CPU are counted now.
inline void StartupMarkAt(timespec at, const char* event, long value = -1) {
    std::FILE* file = startup_trace_detail::File();
    if (file == nullptr) return;
    const StartupTraceUsage used = StartupTraceUsed();
    const auto seconds = static_cast<long long>(at.tv_sec);
    if (value >= 0) {
        std::fprintf(file, "%s=%ld %lld.%09ld %ld %.6f %.6f\n", event, value, seconds, at.tv_nsec,
                     used.faults, used.cpuSeconds, used.threadCpuSeconds);
    } else {
        std::fprintf(file, "%s %lld.%09ld %ld %.6f %.6f\n", event, seconds, at.tv_nsec, used.faults,
                     used.cpuSeconds, used.threadCpuSeconds);
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
