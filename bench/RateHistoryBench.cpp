// Memory of the rate history for 32 stations over 24 hours, against the process before it was
// filled; and the cost of recording one cycle into a full history against an empty one.
//   build/bench/rate_history_bench
// Counters of RateHistory_Memory: heap_bytes (malloc's bytes in use, after minus before),
// rss_bytes (resident set, after minus before), sample_bytes (what the samples themselves take)
// and samples; unthinned_bytes is what a day of every sample would take.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "RateFill.h"

namespace {

using namespace zentrel;

long ResidentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4096;
}

// Arg: the seconds between cycles, in tenths (52: the default preferences; 10: one a second).
void RateHistory_Memory(benchmark::State& state) {
    const double cycle = static_cast<double>(state.range(0)) / 10;
    for (auto _ : state) {
        const auto heapBefore = static_cast<double>(mallinfo2().uordblks);
        const auto rssBefore = static_cast<double>(ResidentBytes());
        auto history = std::make_unique<RateHistory>();
        bench::FillDay(*history, 32, std::time(nullptr), cycle);
        state.counters["heap_bytes"] = static_cast<double>(mallinfo2().uordblks) - heapBefore;
        state.counters["rss_bytes"] = static_cast<double>(ResidentBytes()) - rssBefore;
        state.counters["sample_bytes"] = static_cast<double>(history->SampleBytes());
        std::size_t samples = 0;
        for (const auto& s : history->Series()) samples += s.Size();
        state.counters["samples"] = static_cast<double>(samples);
        state.counters["unthinned_bytes"] = 32.0 * (RateHistory::kKeepSeconds / cycle) * sizeof(RateSample);
        benchmark::DoNotOptimize(history.get());
    }
}
BENCHMARK(RateHistory_Memory)->Arg(52)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arg 0: an empty history (the baseline); 1: a full day of 32 stations.
void RateHistory_RecordCycle(benchmark::State& state) {
    RateHistory history;
    std::int64_t now = std::time(nullptr);
    if (state.range(0)) bench::FillDay(history, 32, now, 5.2);
    std::vector<RateHistory::Input> inputs(32);
    for (std::size_t s = 0; s < inputs.size(); ++s) inputs[s].mac = {0x00, 0xB0, 0x52, 0x5A, 0x01, static_cast<std::uint8_t>(s)};
    for (auto _ : state) {
        now += 5;
        history.Record(now, inputs);
    }
}
BENCHMARK(RateHistory_RecordCycle)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
