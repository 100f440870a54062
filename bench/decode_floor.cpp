// The first scan against the decoder's floor: every JPEG of a folder decoded by libjpeg at the
// fingerprint's shrink on the run's number of threads, doing nothing else, beside a whole
// collection of the same folder (no cache). Both twice, alternating, the best of each kept, so
// load from other processes evens out; then the ratio run / floor, by wall clock and CPU.
// usage: decode_floor FOLDER [THREADS]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "bench/plain_jpeg.h"
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

// Each thread takes the next file, reads it whole and decodes it to R,G,B rows.
int DecodeAll(const std::vector<std::string>& paths, int threads) {
    std::atomic<int> decoded{0};
    WorkerPool pool(threads);
    pool.ForEach(static_cast<int>(paths.size()), [&](int index, int) {
        bench::PlainPicture picture;
        if (bench::DecodePlain(bench::ReadFile(paths[index]), bench::Depth::Rgb, false, picture))
            ++decoded;
    });
    return decoded;
}

int CollectAll(const std::string& folder, int threads) {
    const std::atomic<bool> running{true};
    CollectedRun run;
    CollectPictures(folder, "*.jpg;*.png", running, {}, CollectOptions{.Threads = threads}, run);
    int readable = 0;
    for (const Dubl& record : run.PicTable) readable += record.Valid;
    return readable;
}

std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_floor FOLDER [THREADS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int threads = WorkerCount(argc > 2 ? std::atoi(argv[2]) : 0);
    if (!EnsureImagingStarted()) return 1;  // the run's allocator settings apply to both
    const std::vector<std::string> paths = bench::ListJpegs(folder);
    if (paths.empty()) return 1;
    std::printf("%zu JPEG files, %d threads, load average before: %s\n", paths.size(), threads,
                Load().c_str());
    Timing floor, run;
    int decoded = 0, readable = 0;
    for (int round = 0; round < 2; ++round) {
        floor.KeepBest(Time([&] { decoded = DecodeAll(paths, threads); }));
        run.KeepBest(Time([&] { readable = CollectAll(folder, threads); }));
    }
    std::printf(
        "floor (libjpeg alone):   %7.3f s wall, %7.3f s CPU, %.2f ms CPU a picture; %d decoded\n",
        floor.wall, floor.cpu, 1000 * floor.cpu / paths.size(), decoded);
    std::printf(
        "whole collection:        %7.3f s wall, %7.3f s CPU, %.2f ms CPU a picture; %d readable\n",
        run.wall, run.cpu, 1000 * run.cpu / paths.size(), readable);
    std::printf("ratio run / floor: %.2f wall, %.2f CPU (best of 2 each, alternating)\n",
                run.wall / floor.wall, run.cpu / floor.cpu);
    std::printf("load average after: %s\n", Load().c_str());
    return 0;
}
