// SPDX-License-Identifier: GPL-3.0-or-later
// Google Benchmark micro-benchmarks: the equal-cell count of unrelated fingerprints against
// the plain byte loop, and the whole grouping of N synthetic fingerprints.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/byte_loop.h"
#include "bench/synthetic.h"
#include "compare/equal_cells.h"
#include "compare/fingerprint_store.h"
#include "compare/grouping.h"

namespace morvane::bench {
namespace {

// 1 MiB of unrelated fingerprints: it stays in the level-2 cache, as the scan's batches do.
constexpr int kPrints = 1024;
constexpr int kLeast70 = 712;  // equal cells for similarity 70

const FingerprintStore& Prints() {
    static const FingerprintStore store = [] {
        FingerprintStore made(kPrints);
        std::mt19937 random(3);
        for (int i = 0; i < kPrints; ++i)
            for (int c = 0; c < kFingerprintCells; ++c)
                made.At(i)[c] = static_cast<std::uint8_t>(random());
        return made;
    }();
    return store;
}

template <int (*Count)(const std::uint8_t*, const std::uint8_t*)>
void BM_Reference(benchmark::State& state) {
    const auto& prints = Prints();
    int head = 0;
    for (auto _ : state) {
        int matches = 0;
        for (int i = 0; i < kPrints; ++i)
            matches += Count(prints.At(head), prints.At(i)) >= kLeast70;
        benchmark::DoNotOptimize(matches);
        head = (head + 1) % kPrints;
    }
    state.counters["pairs/s"] =
        benchmark::Counter(double(state.iterations()) * kPrints, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Reference<ByteLoop>)->Name("EqualCells/byte_loop");
BENCHMARK(BM_Reference<ByteLoopVectorised>)->Name("EqualCells/byte_loop_autovectorised");

// One head against many, as the scan calls it, with the early exit at threshold 70.
void BM_Kernel(benchmark::State& state) {
    const auto kernel = static_cast<CellKernel>(state.range(0));
    if (!KernelAvailable(kernel)) return state.SkipWithError("not on this processor");
    const auto& prints = Prints();
    std::vector<std::uint8_t> skip(kPrints, 0);
    std::vector<std::int16_t> equal(kPrints);
    int head = 0;
    for (auto _ : state) {
        CountEqualCellsMany(kernel, prints.At(head), prints.At(0), kPrints, skip.data(), kLeast70,
                            equal.data());
        benchmark::DoNotOptimize(equal.data());
        head = (head + 1) % kPrints;
    }
    state.SetLabel(KernelName(kernel));
    state.counters["pairs/s"] =
        benchmark::Counter(double(state.iterations()) * kPrints, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Kernel)->Name("EqualCells/early_exit_70")->DenseRange(0, 3);

// The full count, no early exit.
void BM_KernelFull(benchmark::State& state) {
    const auto kernel = static_cast<CellKernel>(state.range(0));
    if (!KernelAvailable(kernel)) return state.SkipWithError("not on this processor");
    const auto& prints = Prints();
    int head = 0;
    for (auto _ : state) {
        int total = 0;
        for (int i = 0; i < kPrints; ++i)
            total += CountEqualCells(kernel, prints.At(head), prints.At(i));
        benchmark::DoNotOptimize(total);
        head = (head + 1) % kPrints;
    }
    state.SetLabel(KernelName(kernel));
    state.counters["pairs/s"] =
        benchmark::Counter(double(state.iterations()) * kPrints, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_KernelFull)->Name("EqualCells/full")->DenseRange(0, 3);

// The one-by-one scan with the byte loop: the reference for the grouping.
int PlainGrouping(PicTable& table, int threshold) {
    const int least = LeastEqualCells(threshold);
    int duplicates = 0;
    for (std::size_t head = 0; head < table.size(); ++head) {
        if (table[head].Valid != 1) continue;
        for (std::size_t c = head + 1; c < table.size(); ++c) {
            if (table[c].Valid != 1) continue;
            if (ByteLoop(table[head].Fingerprint.data(), table[c].Fingerprint.data()) < least)
                continue;
            table[c].Valid = 0;
            ++duplicates;
        }
    }
    return duplicates;
}

// Groups a fresh copy of N synthetic fingerprints per iteration; `group` returns the
// duplicates found.
template <class Grouping>
void TimeGrouping(benchmark::State& state, const Grouping& group) {
    const int count = static_cast<int>(state.range(0));
    const PicTable made = SyntheticTable(count);
    for (auto _ : state) {
        state.PauseTiming();
        PicTable table = made;
        state.ResumeTiming();
        state.counters["duplicates"] = group(table, static_cast<int>(state.range(1)));
    }
    const double pairs = double(count) * (count - 1) / 2;
    state.counters["pairs/s"] =
        benchmark::Counter(pairs * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PlainGrouping(benchmark::State& state) {
    TimeGrouping(state, PlainGrouping);
}
BENCHMARK(BM_PlainGrouping)
    ->Name("Grouping/plain")
    ->Args({10'000, 70})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// range(2): threads (0 = one per core); range(3): 1 lets the scanner use the candidate
// filter (thresholds of 90 and above), 0 keeps it to the batches.
void BM_Grouping(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(2));
    const auto filter = state.range(3) ? GroupScanner::Filter::Auto : GroupScanner::Filter::Off;
    TimeGrouping(state, [threads, filter](PicTable& table, int threshold) {
        GroupScanner scanner(table, threshold, threads, filter);
        while (!scanner.Finished()) scanner.NextStep();
        return scanner.DuplicateCount();
    });
}
BENCHMARK(BM_Grouping)
    ->Name("Grouping/scanner")
    ->Args({10'000, 70, 1, 1})
    ->Args({10'000, 70, 0, 1})
    ->Args({10'000, 90, 0, 0})
    ->Args({10'000, 90, 0, 1})
    ->Args({10'000, 99, 0, 0})
    ->Args({10'000, 99, 0, 1})
    ->Args({100'000, 70, 0, 1})
    ->Args({100'000, 90, 0, 0})
    ->Args({100'000, 90, 0, 1})
    ->Args({100'000, 99, 0, 0})
    ->Args({100'000, 99, 0, 1})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvane::bench

BENCHMARK_MAIN();
