// morvane-cli: the duplicate search of the window program for folders on servers and for
// scripts. Every group is written to the list and the log; nothing is shown or removed.
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <vips/vips8>

#include "cli/options.h"
#include "cli/progress.h"
#include "engine/comparison_mode.h"
#include "engine/fingerprint.h"
#include "engine/fingerprint_cache.h"
#include "engine/grouping.h"
#include "engine/output_files.h"
#include "engine/review.h"
#include "engine/search_run.h"
#include "engine/threshold.h"
#include "files/disposal.h"
#include "files/sizes.h"

namespace morvane::cli {
namespace {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

int PrintFingerprint(const std::string& file) {
    Fingerprint fingerprint;
    std::int32_t width = 0, height = 0, depth = 0;
    MakeFingerprint(file, fingerprint, GridSize, width, height, depth, kWhiteFill);
    if (fingerprint.size() != LastCell + 1) {
        std::cerr << "Не удалось прочитать картинку: " << file << "\n";
        return kFailure;
    }
    std::cout << width << " " << height << " " << depth << "\n";
    // Stored bottom row first; printed top row first.
    for (int row = GridSize - 1; row >= 0; --row) {
        for (int column = 0; column < GridSize; ++column)
            std::cout << (column ? " " : "") << int{fingerprint[row * GridSize + column]};
        std::cout << "\n";
    }
    return kSuccess;
}

// The review's window side, reduced to what a terminal needs.
class QuietFrontEnd : public ReviewFrontEnd {
  public:
    QuietFrontEnd(Progress& progress, int total, const Options& options)
        : progress_(progress), total_(total), options_(options) {}
    void ShowSlot(int, const SlotPicture&) override {}
    void ClearSlots() override {}
    void DuplicateCountChanged(int) override {}
    void ProcessedChanged(int processed) override { progress_.Comparing(processed, total_); }
    bool DisposeFile(const std::string& path) override {
        const std::int64_t size = FileSizeByName(path);
        const DisposalResult result =
            morvane::DisposeFile(path, options_.Dispose, options_.MoveFolder);
        if (!result.message.empty()) {
            progress_.Done();
            std::cerr << result.message << "\n";
        }
        if (result.contentKept) {
            ++notWiped_;
            keptBytes_ += size > 0 ? size : 0;
        }
        return result.removed;
    }
    int NotWiped() const { return notWiped_; }
    // Bytes of removed names whose content other names still hold: nothing was freed.
    std::int64_t KeptBytes() const { return keptBytes_; }

  private:
    Progress& progress_;
    int total_;
    const Options& options_;
    int notWiped_ = 0;
    std::int64_t keptBytes_ = 0;
};

// Emptied when asked; a cache that was never made is left unmade.
void ClearCache() {
    const std::string path = DefaultCachePath();
    std::error_code ignored;
    if (path.empty() || !std::filesystem::exists(path, ignored)) return;
    if (const auto cache = FingerprintCache::Open(
            path, [](const std::string& message) { std::cerr << message << "\n"; }))
        cache->Clear();
}

int Search(const Options& options) {
    const ThresholdSetting threshold =
        ParseThreshold(options.Threshold.value_or(std::to_string(DefaultThreshold(options.Mode))));
    if (threshold.correctedText)
        std::cerr << "Порог исправлен на " << *threshold.correctedText << "\n";

    Progress progress;
    const std::atomic<bool> running{true};
    CollectedRun run;
    // A cache that fails says so once and the run goes on without it, with the same results.
    const auto warn = [&](const std::string& message) {
        progress.Done();
        std::cerr << message << "\n";
    };
    const auto cache = options.NoCache ? nullptr : FingerprintCache::Open(DefaultCachePath(), warn);
    const CollectProgress collectProgress{
        [&](int total) { progress.Walked(total); },
        [&](int index, const std::string& path) { progress.FileHandled(index, path); }};
    if (CollectPictures(options.Folder, options.Masks, running, collectProgress,
                        CollectOptions{.Cache = cache.get()},
                        run) == CollectOutcome::FolderMissing) {
        std::cerr << "Папка не найдена: " << options.Folder << "\n";
        return kFailure;
    }

    OutputFiles files;
    if (const auto failed = files.Open(options.LogPath, options.ListPath, run)) {
        progress.Done();
        std::cerr << CreateFailedMessage(*failed) << "\n";
        return kFailure;
    }
    QuietFrontEnd frontEnd(progress, run.LastFile() + 1, options);
    Review review(run, files, frontEnd);
    review.SkipEverything();
    if (options.KeepSmallest) review.KeepOneOfEvery(*options.KeepSmallest);
    // Counted first: the scanner takes the fingerprints out of the records.
    int readable = 0;
    for (const Dubl& record : run.PicTable) readable += record.Fingerprint.empty() ? 0 : 1;
    const auto scanner = MakeScanner(options.Mode, run.PicTable, threshold.threshold);
    while (review.Resume() == ReviewState::NeedsStep) {
        if (scanner->Finished())
            review.EndOfScan();
        else
            review.AddStep(scanner->NextStep());
    }
    progress.Done();
    if (review.State() == ReviewState::WriteFailed) {
        std::cerr << WriteFailedMessage(review.FailedPath().value_or("")) << "\n";
        return kFailure;
    }
    files.Close();

    std::cout << "Файлов: " << run.FileList.size() << "\n"
              << "Прочитано картинок: " << readable << "\n"
              << "Групп: " << review.GroupCount() << "\n"
              << "Дубликатов: " << review.DuplicateCount() << "\n";
    if (options.KeepSmallest) {
        std::cout << "Удалено файлов: " << review.RemovedCount() << "\n"
                  << "Освобождено байт: " << review.RemovedBytes() - frontEnd.KeptBytes() << "\n";
        // Removed as asked, but the content stays under the file's other names.
        if (options.Dispose == DisposalWay::Wipe)
            std::cout << "Удалено без затирания: " << frontEnd.NotWiped() << "\n";
        if (review.FailedRemovals() > 0) {
            std::cout << "Не удалось удалить: " << review.FailedRemovals() << "\n";
            return kFailure;
        }
    }
    return kSuccess;
}

}  // namespace
}  // namespace morvane::cli

int main(int argc, char* argv[]) {
    using namespace morvane::cli;
    const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Options) {
        std::cerr << "morvane-cli: " << parsed.Error << "\n\n" << UsageText();
        return kUsage;
    }
    if (parsed.Options->Help) {
        std::cout << UsageText();
        return kSuccess;
    }
    // Metafile text is drawn with Qt's fonts, which need a GUI application object; the
    // offscreen platform gives one without a display, so the command line's fingerprints
    // equal the window's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes (a missing runtime folder, say) are not the command line's business.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication application(argc, argv);
    if (VIPS_INIT(argv[0])) {
        std::cerr << "morvane-cli: libvips не запускается\n";
        return kFailure;
    }
    if (parsed.Options->ClearCache) ClearCache();
    const int status = parsed.Options->FingerprintFile
                           ? PrintFingerprint(*parsed.Options->FingerprintFile)
                       : parsed.Options->Folder.empty() ? kSuccess
                                                        : Search(*parsed.Options);
    vips_shutdown();
    return status;
}
