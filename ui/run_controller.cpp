// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/run_controller.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

namespace morvane {

// One run and its worker thread. The worker touches only `Running` and the search's
// collection and comparison, and posts everything else to the window thread.
struct RunController::Job {
    Job(int id, SearchSettings settings) : Id(id), Search(std::move(settings)) {}

    const int Id;
    std::atomic<bool> Running{true};
    SearchRun Search;
    std::thread Worker;
    WorkerRole Role = WorkerRole::None;  // which worker `Worker` holds
};

RunController::RunController(RunDisplay& display) : display_(display) {}

RunController::~RunController() {
    if (current_) current_->Running = false;
    for (auto& job : retiring_) job->Running = false;
    if (current_ && current_->Worker.joinable()) current_->Worker.join();
    for (auto& job : retiring_)
        if (job->Worker.joinable()) job->Worker.join();
}

bool RunController::AwaitingDecision() const {
    return current_ && current_->Search.HasReview() &&
           current_->Search.TheReview().AwaitingDecision();
}

template <typename Action>
void RunController::Post(int id, Action action) {
    QMetaObject::invokeMethod(
        this,
        [this, id, action = std::move(action)]() mutable {
            if (current_ && current_->Id == id && current_->Running) action(*current_);
        },
        Qt::QueuedConnection);
}

void RunController::Start(SearchSettings settings) {
    display_.ClearCounters();
    if (!retiring_.empty()) {
        pending_ = std::move(settings);
        return;
    }
    Launch(std::move(settings));
}

void RunController::Launch(SearchSettings settings) {
    current_ = std::make_unique<Job>(nextId_++, std::move(settings));
    Job* job = current_.get();
    job->Role = WorkerRole::Collection;
    job->Worker = std::thread([this, job] {
        CollectProgress progress;
        progress.FileHandled = [this, id = job->Id](int index, const std::string& relativePath) {
            if (fileHook_) fileHook_(index);
            Post(id, [this, text = QString::fromStdString(relativePath)](Job&) {
                display_.ShowFileCell(text);
            });
        };
        // A failing cache is only noted, and the run goes on without it.
        const CollectOutcome outcome = job->Search.Collect(
            job->Running, progress,
            [](const std::string& message) { qWarning("%s", message.c_str()); });
        Post(job->Id, [this, outcome](Job& done) {
            if (outcome == CollectOutcome::Done) return Collected(done);
            EndRun();  // folder missing: nothing is shown and nothing is written
        });
        NotifyWorkerEnded(job->Id, WorkerRole::Collection);
    });
}

// The collection is complete: show the count, open the log and the list, start the scan.
void RunController::Collected(Job& job) {
    if (job.Worker.joinable()) job.Worker.join();
    QString count = QString::number(job.Search.Collected().LastFile() + 1);
    // Said once, beside the count: those files could be neither read nor removed.
    if (const int skipped = job.Search.LongPathsSkipped(); skipped > 0)
        count += tr("; пропущено длинных путей: %1").arg(skipped);
    display_.ShowFileCell(count);
    if (const auto failed = job.Search.OpenOutput(static_cast<RunFrontEnd&>(*this))) {
        job.Running = false;
        display_.ShowCritical(QString::fromStdString(*failed));
        EndRun();
        display_.EndProgram(1);
        return;
    }
    StartScan(job);
}

void RunController::StartScan(Job& job) {
    job.Role = WorkerRole::Comparison;
    job.Worker = std::thread([this, job = &job] {
        if (scanHook_) scanHook_();
        job->Search.StartComparison();
        while (job->Running && !job->Search.ComparisonFinished()) {
            ScanStep step = job->Search.NextStep(&job->Running);
            if (!job->Running) break;
            Post(job->Id, [this, step = std::move(step)](Job& active) mutable {
                active.Search.TheReview().AddStep(std::move(step));
                Pump();
            });
        }
        Post(job->Id, [this](Job& active) {
            active.Search.TheReview().EndOfScan();
            Pump();
        });
        NotifyWorkerEnded(job->Id, WorkerRole::Comparison);
    });
}

// The last thing a worker does: tell the window thread that it may be joined.
void RunController::NotifyWorkerEnded(int id, WorkerRole worker) {
    QMetaObject::invokeMethod(
        this, [this, id, worker] { WorkerEnded(id, worker); }, Qt::QueuedConnection);
}

// Joins the worker when it is still the run's current one (a finished collection has been
// joined already and replaced by the scan), then drops stopped runs that are done.
void RunController::WorkerEnded(int id, WorkerRole worker) {
    const auto joinIfEnded = [&](Job& job) {
        if (job.Id == id && job.Role == worker && job.Worker.joinable()) job.Worker.join();
    };
    if (current_) joinIfEnded(*current_);
    for (auto& job : retiring_) joinIfEnded(*job);
    Reap();
}

void RunController::Pump() {
    if (inReview_) {
        pumpAgain_ = true;
        return;
    }
    Review& review = current_->Search.TheReview();
    ReviewState state;
    inReview_ = true;
    do {
        pumpAgain_ = false;
        state = review.Resume();
    } while (pumpAgain_ && state == ReviewState::NeedsStep);
    inReview_ = false;
    HandleState(state);
}

void RunController::HandleState(ReviewState state) {
    if (!current_) return;
    if (state == ReviewState::Finished) {
        current_->Search.CloseOutput();
        EndRun();
    } else if (const auto failed = current_->Search.WriteFailure()) {
        current_->Running = false;
        current_->Search.CloseOutput();
        EndRun();
        display_.ShowCritical(QString::fromStdString(*failed));
    }
}

void RunController::Decide(ReviewDecision decision) {
    if (!current_ || !current_->Search.HasReview() || inReview_) return;
    inReview_ = true;
    const bool acted = current_->Search.TheReview().Decide(decision);
    inReview_ = false;
    if (acted && current_) Pump();
}

void RunController::Stop() {
    pending_.reset();
    if (!current_) return;
    current_->Running = false;
    if (current_->Search.HasReview())
        current_->Search.TheReview().Stop();
    else
        current_->Search.CloseOutput();
    Retire();
}

// The run ended by itself.
void RunController::EndRun() {
    if (!current_) return;
    current_->Running = false;
    Retire();
}

// Moves the active run aside; it is destroyed from the event loop once its worker is done,
// never inside a call that may still be using it.
void RunController::Retire() {
    retiring_.push_back(std::move(current_));
    QTimer::singleShot(0, this, &RunController::Reap);
}

void RunController::Reap() {
    if (inReview_) return;
    std::erase_if(retiring_,
                  [](const std::unique_ptr<Job>& job) { return !job->Worker.joinable(); });
    if (retiring_.empty() && pending_ && !current_) {
        SearchSettings settings = std::move(*pending_);
        pending_.reset();
        Launch(std::move(settings));
    }
}

void RunController::ShowSlot(int slot, const SlotPicture& picture) {
    display_.ShowSlot(slot, picture);
}

void RunController::ClearSlots() {
    display_.ClearSlots();
}

void RunController::DuplicateCountChanged(int duplicateCount) {
    display_.ShowDuplicateCount(duplicateCount);
}

void RunController::ProcessedChanged(int processed) {
    display_.ShowProcessed(processed);
}

DisposalWay RunController::ChosenDisposalWay() const {
    return display_.ChosenDisposalWay();
}

void RunController::Tell(const std::string& message) {
    display_.ShowCritical(QString::fromStdString(message));
}

}  // namespace morvane
