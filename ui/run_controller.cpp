#include "ui/run_controller.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

#include "compare/grouping.h"
#include "run/collection.h"
#include "run/fingerprint_cache.h"

namespace morvane {

// One run: its settings, what it collected, its files and review, and its worker thread.
// The worker touches only `running`, `run` (before the review exists, then the records the
// scanner still owns) and posts everything else to the window thread.
struct RunController::Job {
    Job(int id, RunSettings settings) : Id(id), Settings(std::move(settings)) {}

    const int Id;
    const RunSettings Settings;
    std::atomic<bool> Running{true};
    CollectedRun Run;
    OutputFiles Files;
    std::unique_ptr<Review> TheReview;
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
    return current_ && current_->TheReview && current_->TheReview->AwaitingDecision();
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

void RunController::Start(RunSettings settings) {
    display_.ClearCounters();
    if (!retiring_.empty()) {
        pending_ = std::move(settings);
        return;
    }
    Launch(std::move(settings));
}

void RunController::Launch(RunSettings settings) {
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
        // Opened on this thread and closed before the run is collected; a failing cache is
        // only noted, and the run goes on without it.
        auto cache = job->Settings.UseCache
                         ? FingerprintCache::Open(
                               DefaultCachePath(),
                               [](const std::string& message) { qWarning("%s", message.c_str()); })
                         : nullptr;
        const CollectOutcome outcome =
            CollectPictures(job->Settings.SearchFolder, job->Settings.MaskText, job->Running,
                            progress, CollectOptions{.Cache = cache.get()}, job->Run);
        cache.reset();
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
    display_.ShowFileCell(QString::number(job.Run.LastFile() + 1));
    if (const auto failed = job.Files.Open(job.Settings.LogPath, job.Settings.ListPath, job.Run)) {
        job.Running = false;
        display_.ShowCritical(QString::fromStdString(CreateFailedMessage(*failed)));
        job.Files.Close();
        EndRun();
        display_.EndProgram(1);
        return;
    }
    job.TheReview =
        std::make_unique<Review>(job.Run, job.Files, static_cast<ReviewFrontEnd&>(*this));
    StartScan(job);
}

void RunController::StartScan(Job& job) {
    job.Role = WorkerRole::Comparison;
    job.Worker = std::thread([this, job = &job] {
        if (scanHook_) scanHook_();
        const auto scanner =
            MakeScanner(job->Settings.Mode, job->Run.PicTable, job->Settings.Threshold);
        while (job->Running && !scanner->Finished()) {
            ScanStep step = scanner->NextStep(&job->Running);
            if (!job->Running) break;
            Post(job->Id, [this, step = std::move(step)](Job& active) mutable {
                active.TheReview->AddStep(std::move(step));
                Pump();
            });
        }
        Post(job->Id, [this](Job& active) {
            active.TheReview->EndOfScan();
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
    Review& review = *current_->TheReview;
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
        current_->Files.Close();
        EndRun();
    } else if (state == ReviewState::WriteFailed) {
        const std::string path = current_->TheReview->FailedPath().value_or("");
        current_->Running = false;
        current_->Files.Close();
        EndRun();
        display_.ShowCritical(QString::fromStdString(WriteFailedMessage(path)));
    }
}

void RunController::Decide(ReviewDecision decision) {
    if (!current_ || !current_->TheReview || inReview_) return;
    inReview_ = true;
    const bool acted = current_->TheReview->Decide(decision);
    inReview_ = false;
    if (acted && current_) Pump();
}

void RunController::Stop() {
    pending_.reset();
    if (!current_) return;
    current_->Running = false;
    if (current_->TheReview)
        current_->TheReview->Stop();
    else
        current_->Files.Close();
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
        RunSettings settings = std::move(*pending_);
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

bool RunController::DisposeFile(const std::string& fullPath) {
    const std::string moveFolder = current_ ? current_->Settings.MoveFolder : std::string();
    const DisposalResult result =
        ::morvane::DisposeFile(fullPath, display_.ChosenDisposalWay(), moveFolder);
    if (!result.message.empty()) display_.ShowCritical(QString::fromStdString(result.message));
    return result.removed;
}

}  // namespace morvane
