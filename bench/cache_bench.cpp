// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint cache on a folder: a run without it, a first run that fills it, a second
// run that reads it, and a run after one file was touched; times, decodes, and whether every
// record equals the uncached run's. The cache file is made in a fresh temporary folder.
// usage: cache_bench FOLDER [THREADS]
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "compare/worker_pool.h"
#include "run/collection.h"
#include "run/fingerprint_cache.h"

namespace {

using namespace morvane;

struct Timed {
    CollectedRun run;
    CollectCounts counts;
    double seconds = 0;
    double cpuSeconds = 0;  // of every thread: fairer than wall time on a busy machine
};

Timed Collect(const std::string& folder, int threads, FingerprintCache* cache) {
    const std::atomic<bool> running{true};
    Timed timed;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    CollectPictures(folder, "*.jpg;*.png", running, {},
                    CollectOptions{.Threads = threads, .Cache = cache, .Counts = &timed.counts},
                    timed.run);
    timed.cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    timed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return timed;
}

bool SameRecords(const CollectedRun& a, const CollectedRun& b) {
    if (a.FileList != b.FileList) return false;
    for (std::size_t i = 0; i < a.PicTable.size(); ++i) {
        const Dubl &x = a.PicTable[i], &y = b.PicTable[i];
        if (x.Fingerprint != y.Fingerprint || x.Valid != y.Valid || x.FileSize != y.FileSize ||
            x.PicWidth != y.PicWidth || x.PicHeight != y.PicHeight || x.BitDepth != y.BitDepth)
            return false;
    }
    return true;
}

void Print(const char* name, const Timed& timed, const Timed& reference) {
    std::printf("%-20s %8.3f s (CPU %7.3f s) %8.1f pictures/s  decoded %4d  cached %4d  same: %s\n",
                name, timed.seconds, timed.cpuSeconds, timed.run.FileList.size() / timed.seconds,
                timed.counts.Decoded, timed.counts.FromCache,
                SameRecords(timed.run, reference.run) ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cache_bench FOLDER [THREADS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int threads = argc > 2 ? std::atoi(argv[2]) : 0;
    std::string scratch = (std::filesystem::temp_directory_path() / "cache_bench.XXXXXX").string();
    if (!::mkdtemp(scratch.data())) return 1;
    const std::string database = scratch + "/fingerprints.sqlite";

    const Timed plain = Collect(folder, threads, nullptr);
    if (plain.run.FileList.empty()) return 1;
    auto cache = FingerprintCache::Open(database, [](const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
    });
    const Timed first = Collect(folder, threads, cache.get());
    const Timed second = Collect(folder, threads, cache.get());
    // Touched: the same content with a new time must be decoded again, alone.
    const std::string touched = plain.run.FullPath(plain.run.LastFile() / 2);
    ::utimensat(AT_FDCWD, touched.c_str(), nullptr, 0);
    const Timed third = Collect(folder, threads, cache.get());
    cache.reset();

    std::printf("%zu files, threads %d, cache file %.1f MiB\n", plain.run.FileList.size(),
                WorkerCount(threads), std::filesystem::file_size(database) / 1048576.0);
    Print("without cache", plain, plain);
    Print("first, filling", first, plain);
    Print("second, from cache", second, plain);
    Print("one file touched", third, plain);
    std::printf("second run %.0f x faster than the run without cache (CPU: %.0f x)\n",
                plain.seconds / second.seconds, plain.cpuSeconds / second.cpuSeconds);
    std::filesystem::remove_all(scratch);
    return 0;
}
