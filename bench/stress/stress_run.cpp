// SPDX-License-Identifier: GPL-3.0-or-later
// Stress: whole runs (collection, grouping, a review that skips everything) over one folder,
// again and again in one process, each stopped by another thread after a random delay, as
// the Stop button would. After each run everything it made is gone; the resident memory is
// read then (after malloc_trim, so freed heap is not counted) and must not grow from run to
// run. The first run is never stopped: its length sets the range of the random delays.
// usage: stress_run FOLDER [RUNS] [THRESHOLD] [SEED]
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <stop_token>
#include <string>
#include <thread>

#include "compare/grouping.h"
#include "review/output_files.h"
#include "review/review.h"
#include "run/collection.h"

namespace {

using namespace morvane;
using Clock = std::chrono::steady_clock;

double ResidentMiB() {
    ::malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

class SkipEverythingFrontEnd : public ReviewFrontEnd {
  public:
    void ShowSlot(int, const SlotPicture&) override {}
    void ClearSlots() override {}
    void DuplicateCountChanged(int) override {}
    void ProcessedChanged(int) override {}
    bool DisposeFile(const std::string&, const std::optional<FileStamp>&,
                     const KeptFile&) override {
        return false;  // never asked: skip-all
    }
};

struct RunReport {
    const char* reached = "";
    std::size_t files = 0;
    int groups = 0;
    double seconds = 0;
};

// One whole run, as the window runs it; `running` may go false at any moment.
RunReport WholeRun(const std::string& folder, int threshold, const std::string& outputs,
                   const std::atomic<bool>& running) {
    const auto start = Clock::now();
    RunReport report;
    CollectedRun run;
    const CollectOutcome collected = CollectPictures(folder, "*.jpg;*.png", running, {}, run);
    report.files = run.FileList.size();
    if (collected != CollectOutcome::Done) {
        report.reached = "stopped collecting";
    } else {
        OutputFiles files;
        if (files.Open(outputs + "/stress.log", outputs + "/stress.txt")) std::abort();
        SkipEverythingFrontEnd frontEnd;
        Review review(run, files, frontEnd);
        review.SetMode(ReviewMode::SkipAll);
        GroupScanner scanner(run.PicTable, threshold);
        while (review.Resume() == ReviewState::NeedsStep) {
            if (!running) {
                review.Stop();
                break;
            }
            if (scanner.Finished())
                review.EndOfScan();
            else
                review.AddStep(scanner.NextStep(&running));
        }
        report.reached = review.State() == ReviewState::Stopped ? "stopped grouping" : "finished";
        report.groups = review.GroupCount();
        files.Close();
    }
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return report;
}

// Sets `running` false after `delay`, unless the run ends first.
class Stopper {
  public:
    Stopper(std::atomic<bool>& running, std::chrono::milliseconds delay)
        : thread_([this, &running, delay](std::stop_token stop) {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, stop, delay, [] { return false; }) &&
                  !stop.stop_requested())
                  running = false;
          }) {}

  private:
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: stress_run FOLDER [RUNS] [THRESHOLD] [SEED]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    const int threshold = argc > 3 ? std::atoi(argv[3]) : 70;
    std::mt19937 random(argc > 4 ? std::atoi(argv[4]) : 1206);
    const std::string outputs = std::filesystem::temp_directory_path() / "morvane-stress";
    std::filesystem::create_directories(outputs);

    std::printf("%-4s %-9s %-19s %8s %7s %9s %9s\n", "run", "stop at", "reached", "files", "groups",
                "seconds", "RSS MiB");
    double fullSeconds = 0;
    for (int i = 0; i <= runs; ++i) {
        std::atomic<bool> running{true};
        std::chrono::milliseconds delay{0};
        RunReport report;
        if (i == 0) {
            report = WholeRun(folder, threshold, outputs, running);
            fullSeconds = report.seconds;
        } else {
            // Up to 10 % past the whole run, so that some runs finish.
            std::uniform_int_distribution<long> draw(0, long(fullSeconds * 1100));
            delay = std::chrono::milliseconds(draw(random));
            const Stopper stopper(running, delay);
            report = WholeRun(folder, threshold, outputs, running);
        }
        std::printf(
            "%-4d %-9s %-19s %8zu %7d %9.2f %9.1f\n", i,
            i == 0 ? "-" : (std::to_string(delay.count() / 1000.0).substr(0, 6) + " s").c_str(),
            report.reached, report.files, report.groups, report.seconds, ResidentMiB());
        std::fflush(stdout);
    }
    std::filesystem::remove_all(outputs);
    return 0;
}
