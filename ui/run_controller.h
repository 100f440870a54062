// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One search run at a time, driven from the main window. Collection, fingerprints and the
// comparison run on a worker thread that reports through queued calls; the review runs on
// the window thread and waits for a decision without a loop.
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "files/disposal.h"
#include "review/review.h"
#include "run/search_run.h"

namespace morvane {

// What a run shows in, and asks of, the window.
class RunDisplay {
  public:
    virtual ~RunDisplay() = default;
    virtual void ClearCounters() = 0;
    // The file being read, then the number of files.
    virtual void ShowFileCell(const QString& text) = 0;
    virtual void ShowProcessed(int processed) = 0;
    virtual void ShowDuplicateCount(int count) = 0;
    virtual void ShowSlot(int slot, const SlotPicture& picture) = 0;
    virtual void ClearSlots() = 0;
    virtual DisposalWay ChosenDisposalWay() const = 0;
    virtual void ShowCritical(const QString& text) = 0;
    virtual void EndProgram(int status) = 0;
};

class RunController : public QObject, private RunFrontEnd {
    Q_OBJECT
  public:
    explicit RunController(RunDisplay& display);
    ~RunController() override;

    // A run is active: collecting, reviewing, or waiting for the previous one to wind down.
    bool Running() const { return current_ != nullptr || pending_.has_value(); }
    // True while the review waits for a decision button.
    bool AwaitingDecision() const;
    // Starts a run; when a stopped run is still winding down, the new one begins after it.
    void Start(SearchSettings settings);
    // Ends the active run: nothing more is written, shown or removed; the files are closed.
    void Stop();
    void Decide(ReviewDecision decision);
    // Called on the collecting thread after each file (index given), before the window hears
    // of it; tests use it to hold a run in its collection.
    void SetFileHook(std::function<void(int index)> hook) { fileHook_ = std::move(hook); }
    // Called on the comparing thread before it starts; tests use it to hold a run there.
    void SetScanHook(std::function<void()> hook) { scanHook_ = std::move(hook); }

  private:
    struct Job;
    // The worker a run has at a time; a thread id cannot tell them apart, since a new thread
    // may get the id of one just joined.
    enum class WorkerRole { None, Collection, Comparison };

    void Launch(SearchSettings settings);
    void StartScan(Job& job);
    // Runs `action` on the window thread while `id` is still the active run.
    template <typename Action>
    void Post(int id, Action action);
    void NotifyWorkerEnded(int id, WorkerRole worker);
    void WorkerEnded(int id, WorkerRole worker);
    void Collected(Job& job);
    void Pump();
    void HandleState(ReviewState state);
    void EndRun();
    void Retire();
    void Reap();

    // RunFrontEnd
    void ShowSlot(int slot, const SlotPicture& picture) override;
    void ClearSlots() override;
    void DuplicateCountChanged(int duplicateCount) override;
    void ProcessedChanged(int processed) override;
    DisposalWay ChosenDisposalWay() const override;
    void Tell(const std::string& message) override;

    RunDisplay& display_;
    std::function<void(int)> fileHook_;
    std::function<void()> scanHook_;
    std::unique_ptr<Job> current_;
    std::vector<std::unique_ptr<Job>> retiring_;
    std::optional<SearchSettings> pending_;
    int nextId_ = 1;
    // Set while the review is inside a call (a removal may show a modal message meanwhile).
    bool inReview_ = false;
    bool pumpAgain_ = false;
};

}  // namespace morvane
