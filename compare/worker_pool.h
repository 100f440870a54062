// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fixed set of helper threads that share numbered tasks with the calling thread.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace morvane {

// One worker per processor core when `threads` is 0 or less.
int WorkerCount(int threads);

class WorkerPool {
  public:
    // `threads` counts the calling thread: 1 runs everything on the caller. Each helper calls
    // `helperEnds`, when given, as the pool goes (to free what a library keeps per thread).
    explicit WorkerPool(int threads, std::function<void()> helperEnds = {});
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int Threads() const { return static_cast<int>(helpers_.size()) + 1; }

    // Runs task(index, worker) once for every index in [0, count), spread over the helpers and
    // the calling thread (worker 0), and returns when all are done. Tasks must not throw.
    void ForEach(int count, const std::function<void(int index, int worker)>& task);
    // The same on the helpers alone, returning at once; Wait() returns when all are done. A
    // pool without helpers runs the tasks here.
    void Start(int count, std::function<void(int index, int worker)> task);
    void Wait();

  private:
    void HelperLoop(int worker);
    void TakeTasks(int worker);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::function<void(int, int)> task_;
    std::function<void()> helperEnds_;
    int count_ = 0;
    int next_ = 0;
    int busyHelpers_ = 0;
    unsigned generation_ = 0;
    bool quit_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace morvane
