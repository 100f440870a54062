// SPDX-License-Identifier: GPL-3.0-or-later
// Times the two halves of a run on a folder through the engine: collection with fingerprints
// (pictures per second) and grouping (pairs per second), and prints the peak memory.
// usage: run_phases FOLDER [THRESHOLD] [THREADS]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "compare/grouping.h"
#include "run/collection.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace morvane;
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_phases FOLDER [THRESHOLD] [THREADS]\n");
        return 2;
    }
    const int threshold = argc > 2 ? std::atoi(argv[2]) : 70;
    const int threads = argc > 3 ? std::atoi(argv[3]) : 0;
    const std::atomic<bool> running{true};
    CollectedRun run;
    auto start = std::chrono::steady_clock::now();
    CollectPictures(argv[1], "*.jpg;*.png", running, {}, CollectOptions{threads}, run);
    const double collect = Seconds(start);
    const long collectPeak = PeakKiB();
    int readable = 0;
    for (const Dubl& record : run.PicTable) readable += record.Valid;

    start = std::chrono::steady_clock::now();
    GroupScanner scanner(run.PicTable, threshold, threads);
    int groups = 0;
    while (!scanner.Finished()) groups += scanner.NextStep().Group ? 1 : 0;
    const double group = Seconds(start);
    const double pairs = double(readable) * (readable - 1) / 2;

    std::printf("pictures %zu (readable %d), threads %d, kernel %s\n", run.FileList.size(),
                readable, WorkerCount(threads), KernelName(ActiveCellKernel()));
    std::printf("collection + fingerprints: %.2f s, %.1f pictures/s, peak memory %.1f MiB\n",
                collect, run.FileList.size() / collect, collectPeak / 1024.0);
    std::printf("grouping at %d: %.3f s, %.3g pairs/s, %d groups, %d duplicates\n", threshold,
                group, pairs / group, groups, scanner.DuplicateCount());
    std::printf("peak memory: %.1f MiB\n", PeakKiB() / 1024.0);
    return 0;
}
