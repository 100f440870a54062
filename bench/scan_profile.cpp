// SPDX-License-Identifier: GPL-3.0-or-later
// Where the first scan's time goes: every JPEG of a folder taken through the steps of the
// fingerprint one at a time on one thread (CPU time of that thread), then the real collection
// on one and on the run's threads, the cache writes and the grouping. The decoder's stages are
// told apart by decoding each file three times: raw planes, YCbCr pixels and R,G,B pixels.
// usage: scan_profile FOLDER [THREADS]
#include <sys/resource.h>

#include <ctime>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/plain_jpeg.h"
#include "bench/run_facts.h"
#include "compare/grouping.h"
#include "compare/similar_hash.h"
#include "compare/worker_pool.h"
#include "files/file_identity.h"
#include "files/sizes.h"
#include "imaging/decode.h"
#include "imaging/fingerprint.h"
#include "imaging/grid_reduce.h"
#include "run/collection.h"
#include "run/fingerprint_cache.h"
#include "run/run_cache.h"

namespace {

using namespace morvane;

double ThreadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// Adds the calling thread's CPU time for `work` to `total` and passes on its result.
template <typename Work>
auto Charge(double& total, Work&& work) {
    const double start = ThreadCpu();
    if constexpr (std::is_void_v<decltype(work())>) {
        work();
        total += ThreadCpu() - start;
    } else {
        auto result = work();
        total += ThreadCpu() - start;
        return result;
    }
}

struct Phases {
    double stat = 0, read = 0, entropy = 0, ycc = 0, rgb = 0, reduce = 0, alongRows = 0;
    double grey = 0, hash = 0;
    double product = 0;  // MakeFingerprint itself, the same work in one call
    int sameCells = 0, compared = 0;
};

// The fingerprint's reduction on libjpeg's rows: the picture cut to the whole-pixel size the
// fingerprint's decoder keeps (the full size divided by the shrink, rounded down).
// `lastPass` gets the time of the pass along the rows (Finish) alone.
std::vector<std::uint8_t> Reduce(const bench::PlainPicture& picture, int shrink, double& lastPass) {
    const int width = picture.fullWidth / shrink, height = picture.fullHeight / shrink;
    GridReducer reducer(width, height, picture.components, GridSize);
    const std::size_t stride = std::size_t(picture.width) * picture.components;
    for (int y = 0; y < height; ++y) reducer.AddRow(picture.rows.data() + stride * y);
    return Charge(lastPass, [&] { return reducer.Finish(); });
}

// Bottom row first, B,G,R, then the grey of each cell: the fingerprint's last step.
std::vector<std::uint8_t> GreyCells(const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> triplets(rgb.size());
    const std::size_t rowBytes = 3 * GridSize;
    for (std::size_t row = 0; row < GridSize; ++row)
        for (std::size_t x = 0; x < rowBytes; x += 3)
            for (std::size_t b = 0; b < 3; ++b)
                triplets[row * rowBytes + x + b] = rgb[(GridSize - 1 - row) * rowBytes + x + 2 - b];
    PixelsToGrey(triplets);
    return triplets;
}

void ProfileFile(const std::string& path, Phases& phases) {
    Charge(phases.stat, [&] {
        FileSizeByName(path);
        StampOfPath(path);
    });
    const auto file = Charge(phases.read, [&] { return bench::ReadFile(path); });
    bench::PlainPicture picture;
    Charge(phases.entropy, [&] { bench::DecodePlain(file, bench::Depth::Raw, false, picture); });
    Charge(phases.ycc, [&] { bench::DecodePlain(file, bench::Depth::YCbCr, false, picture); });
    if (!Charge(phases.rgb,
                [&] { return bench::DecodePlain(file, bench::Depth::Rgb, true, picture); }))
        return;
    const int shrink = bench::FingerprintShrink(picture.fullWidth, picture.fullHeight);
    const auto reduced =
        Charge(phases.reduce, [&] { return Reduce(picture, shrink, phases.alongRows); });
    if (picture.components != 3 || reduced.size() != 3 * GridSize * GridSize) return;
    const auto cells = Charge(phases.grey, [&] { return GreyCells(reduced); });
    Charge(phases.hash, [&] { return PerceptualHash(cells.data()); });
    const auto made = Charge(phases.product, [&] { return MakeFingerprint(path); });
    ++phases.compared;
    phases.sameCells += made && made->Cells == cells;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

struct Run {
    CollectedRun run;
    double wall = 0, cpu = 0;
    long faults = 0;
};

Run Collect(const std::string& folder, int threads) {
    const std::atomic<bool> running{true};
    Run timed;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const long faults = MinorFaults();
    CollectPictures(folder, "*.jpg;*.png", running, {}, CollectOptions{.Threads = threads},
                    timed.run);
    timed.cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    timed.faults = MinorFaults() - faults;
    timed.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return timed;
}

// The writes a first run makes to the fingerprint cache, in a fresh temporary folder.
double CacheWrites(const CollectedRun& run) {
    std::string scratch = (std::filesystem::temp_directory_path() / "scan_profile.XXXXXX").string();
    if (!::mkdtemp(scratch.data())) return -1;
    double cpu = 0;
    {
        auto cache =
            FingerprintCache::Open(scratch + "/fingerprints.sqlite", [](const std::string&) {});
        if (!cache) return -1;
        Charge(cpu, [&] {
            RunCache writes(cache.get(), run);
            for (int i = 0; i <= run.LastFile(); ++i) writes.Remember(i, run.PicTable[i]);
            writes.Finish(true);
        });
    }
    std::filesystem::remove_all(scratch);
    return cpu;
}

void Row(const char* name, double seconds, double whole, std::size_t files) {
    std::printf("| %-44s | %8.3f s | %7.3f ms | %5.1f %% |\n", name, seconds,
                1000 * seconds / files, 100 * seconds / whole);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_profile FOLDER [THREADS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int threads = WorkerCount(argc > 2 ? std::atoi(argv[2]) : 0);
    if (!EnsureImagingStarted()) return 1;
    const std::vector<std::string> paths = bench::ListJpegs(folder);
    if (paths.empty()) return 1;
    std::printf("%zu JPEG files; load average before: %s\n", paths.size(), bench::Load().c_str());

    Phases phases;
    for (const std::string& path : paths) ProfileFile(path, phases);
    const Run single = Collect(folder, 1);
    Run parallel = Collect(folder, threads);
    const double cache = CacheWrites(single.run);
    const std::uint64_t digest = bench::Digest(single.run);
    const bool sameOnThreads = digest == bench::Digest(parallel.run);
    double grouping = 0;
    Charge(grouping, [&] {
        GroupScanner scanner(parallel.run.PicTable, 70, 1);
        while (!scanner.Finished()) scanner.NextStep();
    });

    const std::size_t n = paths.size();
    const double steps = phases.stat + phases.read + phases.rgb + phases.reduce + phases.grey;
    std::printf("cells made step by step equal MakeFingerprint's: %d of %d\n\n", phases.sameCells,
                phases.compared);
    std::printf(
        "| CPU of one thread (share: of the sum of the steps) | total | a picture | share |\n");
    std::printf("|---|---|---|---|\n");
    Row("size and stamp (stat)", phases.stat, steps, n);
    Row("read the file", phases.read, steps, n);
    Row("libjpeg: entropy decoding + scaled IDCT", phases.entropy, steps, n);
    Row("libjpeg: upsampling + colour conversion", phases.rgb - phases.entropy, steps, n);
    Row("reduction to 32x32", phases.reduce, steps, n);
    Row("  of which down the columns", phases.reduce - phases.alongRows, steps, n);
    Row("  of which along the rows", phases.alongRows, steps, n);
    Row("grey cells", phases.grey, steps, n);
    Row("similar-mode hash (at grouping, not in the scan)", phases.hash, steps, n);
    Row("sum of the steps of a scan", steps, steps, n);
    Row("MakeFingerprint, one call a picture", phases.product, steps, n);
    Row("collection, 1 thread", single.cpu, steps, n);
    Row("cache writes (a first run's, in one go)", cache, steps, n);
    Row("grouping at 70, 1 thread", grouping, steps, n);
    // libjpeg-turbo converts colour in SIMD code; leaving it out only swaps it for a copy.
    std::printf("\nlibjpeg to YCbCr (no colour conversion): %.3f s; to R,G,B: %.3f s\n", phases.ycc,
                phases.rgb);
    std::printf("collection, 1 thread: %.3f s wall, %.3f s CPU, %ld page faults\n", single.wall,
                single.cpu, single.faults);
    std::printf("collection, %d threads: %.3f s wall, %.3f s CPU, %ld page faults\n", threads,
                parallel.wall, parallel.cpu, parallel.faults);
    std::printf("fingerprints digest: %016llx (%s on %d threads)\n",
                static_cast<unsigned long long>(digest), sameOnThreads ? "the same" : "DIFFERENT",
                threads);
    std::printf("load average after: %s\n", bench::Load().c_str());
    return 0;
}
