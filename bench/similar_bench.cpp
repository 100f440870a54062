// SPDX-License-Identifier: GPL-3.0-or-later
// Google Benchmark: the "similar" mode. The hash of one fingerprint and of all its turns and
// parts, and the whole grouping of N synthetic fingerprints (hashing on every core included)
// against a plain greedy scan of every pair of whole hashes.
#include <benchmark/benchmark.h>

#include <bit>

#include "bench/synthetic.h"
#include "compare/comparison_mode.h"
#include "compare/similar_hash.h"
#include "compare/similar_scanner.h"
#include "compare/similar_variants.h"
#include "run/defaults.h"

namespace morvane::bench {
namespace {

void BM_Hash(benchmark::State& state) {
    const PicTable table = SyntheticTable(1024);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PerceptualHash(table[i].Fingerprint.data()));
        i = (i + 1) % table.size();
    }
}
BENCHMARK(BM_Hash)->Name("Similar/hash");

void BM_Variants(benchmark::State& state) {
    const PicTable table = SyntheticTable(1024);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(VariantHashes(table[i].Fingerprint.data()));
        i = (i + 1) % table.size();
    }
}
BENCHMARK(BM_Variants)->Name("Similar/variants");

// range(0): pictures; range(1): threshold. The CPU time is that of every thread.
void BM_Scanner(benchmark::State& state) {
    const PicTable made = SyntheticTable(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        PicTable table = made;
        state.ResumeTiming();
        SimilarScanner scanner(table, static_cast<int>(state.range(1)));
        while (!scanner.Finished()) scanner.NextStep();
        state.counters["duplicates"] = scanner.DuplicateCount();
    }
}
BENCHMARK(BM_Scanner)
    ->Name("Similar/scanner")
    ->Args({10'000, DefaultThreshold(ComparisonMode::Similar)})
    ->Args({100'000, DefaultThreshold(ComparisonMode::Similar)})
    ->Args({100'000, 80})
    ->Args({100'000, 70})
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Every pair of hashes, one head after another: what the index saves.
void BM_PlainHashes(benchmark::State& state) {
    const PicTable made = SyntheticTable(static_cast<int>(state.range(0)));
    std::vector<std::uint64_t> hashes;
    for (const Dubl& record : made) hashes.push_back(PerceptualHash(record.Fingerprint.data()));
    const int distance = MaxHashDistance(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::vector<bool> taken(hashes.size(), false);
        int duplicates = 0;
        for (std::size_t head = 0; head < hashes.size(); ++head) {
            if (taken[head]) continue;
            for (std::size_t c = head + 1; c < hashes.size(); ++c)
                if (!taken[c] && std::popcount(hashes[head] ^ hashes[c]) <= distance) {
                    taken[c] = true;
                    ++duplicates;
                }
        }
        state.counters["duplicates"] = duplicates;
    }
}
BENCHMARK(BM_PlainHashes)
    ->Name("Similar/plain_pairs")
    ->Args({100'000, DefaultThreshold(ComparisonMode::Similar)})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvane::bench

BENCHMARK_MAIN();
