// SPDX-License-Identifier: GPL-3.0-or-later
// The first scan against the decoder's floor, format by format: every file of a folder decoded
// by its format's own library (libjpeg, libpng, libwebp, libheif) at the fingerprint's shrink
// on the run's number of threads, doing nothing else, beside a whole collection of the same
// files (no cache). Both ROUNDS times (2), alternating, the best of each kept, so load from
// other processes evens out; then the ratio run / floor, by wall clock and CPU.
// usage: decode_floor FOLDER [THREADS [ROUNDS]]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/plain_formats.h"
#include "bench/plain_jpeg.h"
#include "bench/run_facts.h"
#include "compare/worker_pool.h"
#include "imaging/decode.h"
#include "run/collection.h"

namespace {

using namespace morvane;

struct Timing {
    double wall = 1e300;
    double cpu = 1e300;  // of every thread of the process
    void KeepBest(const Timing& other) {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

template <typename Work>
Timing Time(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            double(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

bool DecodeOne(const std::string& path, bench::Format format) {
    const std::vector<std::uint8_t> file = bench::ReadFile(path);
    if (format != bench::Format::Jpeg) return bench::DecodeOther(file, format) > 0;
    bench::PlainPicture picture;
    return bench::DecodePlain(file, bench::Depth::Rgb, false, picture);
}

// Each thread takes the next file, reads it whole and decodes it to R,G,B rows.
int DecodeAll(const std::vector<std::string>& paths, bench::Format format, int threads) {
    std::atomic<int> decoded{0};
    WorkerPool pool(threads);
    pool.ForEach(static_cast<int>(paths.size()), [&](int index, int) {
        if (DecodeOne(paths[index], format)) ++decoded;
    });
    return decoded;
}

struct Collected {
    int readable = 0;
    std::uint64_t digest = 0;
};

Collected CollectAll(const std::string& folder, bench::Format format, int threads) {
    const std::atomic<bool> running{true};
    CollectedRun run;
    CollectPictures(folder, bench::FormatMasks(format), running, {},
                    CollectOptions{.Threads = threads}, run);
    Collected collected{0, bench::Digest(run)};
    for (const Dubl& record : run.PicTable) collected.readable += record.Valid;
    return collected;
}

void Compare(const std::string& folder, bench::Format format, int threads, int rounds) {
    const std::vector<std::string> paths = bench::ListFormat(folder, format);
    if (paths.empty()) return;
    const char* name = bench::FormatName(format);
    std::printf("\n%s: %zu files, %d threads, load average before: %s\n", name, paths.size(),
                threads, bench::Load().c_str());
    Timing floor, run;
    int decoded = 0;
    Collected collected;
    for (int round = 0; round < rounds; ++round) {
        floor.KeepBest(Time([&] { decoded = DecodeAll(paths, format, threads); }));
        run.KeepBest(Time([&] { collected = CollectAll(folder, format, threads); }));
    }
    const double count = static_cast<double>(paths.size());
    std::printf(
        "floor (decoder alone):   %7.3f s wall, %7.3f s CPU, %.2f ms CPU a picture; %d decoded\n",
        floor.wall, floor.cpu, 1000 * floor.cpu / count, decoded);
    std::printf(
        "whole collection:        %7.3f s wall, %7.3f s CPU, %.2f ms CPU a picture; %d readable\n"
        "fingerprint digest:      %016llx\n",
        run.wall, run.cpu, 1000 * run.cpu / count, collected.readable,
        static_cast<unsigned long long>(collected.digest));
    std::printf("%s ratio run / floor: %.2f wall, %.2f CPU (best of %d each, alternating)\n", name,
                run.wall / floor.wall, run.cpu / floor.cpu, rounds);
    std::printf("load average after: %s\n", bench::Load().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_floor FOLDER [THREADS [ROUNDS]]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int threads = WorkerCount(argc > 2 ? std::atoi(argv[2]) : 0);
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 2);
    if (!EnsureImagingStarted()) return 1;  // the run's allocator settings apply to both
    for (const auto format :
         {bench::Format::Jpeg, bench::Format::Png, bench::Format::WebP, bench::Format::Heif})
        Compare(folder, format, threads, rounds);
    return 0;
}
