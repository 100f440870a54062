// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/worker_pool.h"

namespace morvane {

int WorkerCount(int threads) {
    if (threads > 0) return threads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

WorkerPool::WorkerPool(int threads, std::function<void()> helperEnds)
    : helperEnds_(std::move(helperEnds)) {
    const int helpers = WorkerCount(threads) - 1;
    for (int worker = 1; worker <= helpers; ++worker)
        helpers_.emplace_back([this, worker] { HelperLoop(worker); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (auto& helper : helpers_) helper.join();
}

// Task indices are handed out one at a time under the lock: tasks are meant to be coarse
// (thousands of pair comparisons each), so the lock is never the bottleneck.
void WorkerPool::TakeTasks(int worker) {
    std::unique_lock lock(mutex_);
    while (next_ < count_) {
        const int index = next_++;
        lock.unlock();
        task_(index, worker);
        lock.lock();
    }
}

void WorkerPool::HelperLoop(int worker) {
    unsigned seen = 0;
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
        if (quit_) break;
        seen = generation_;
        lock.unlock();
        TakeTasks(worker);
        lock.lock();
        if (--busyHelpers_ == 0) finished_.notify_all();
    }
    lock.unlock();
    if (helperEnds_) helperEnds_();
}

void WorkerPool::ForEach(int count, const std::function<void(int index, int worker)>& task) {
    if (helpers_.empty() || count <= 1) {
        for (int index = 0; index < count; ++index) task(index, 0);
        return;
    }
    Start(count, task);
    TakeTasks(0);
    Wait();
}

void WorkerPool::Start(int count, std::function<void(int index, int worker)> task) {
    if (helpers_.empty()) {
        for (int index = 0; index < count; ++index) task(index, 0);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        count_ = count;
        next_ = 0;
        busyHelpers_ = static_cast<int>(helpers_.size());
        ++generation_;
    }
    wake_.notify_all();
}

void WorkerPool::Wait() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return busyHelpers_ == 0; });
    task_ = nullptr;
    count_ = 0;
}

}  // namespace morvane
