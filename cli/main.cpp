// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli: the duplicate search of the window program for folders on servers and for
// scripts. Every group is written to the list and the log; files go only with --keep.
#include <sys/stat.h>

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <vips/vips8>

#include "cli/csv_report.h"
#include "cli/front_end.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/report.h"
#include "compare/threshold.h"
#include "files/journal.h"
#include "files/paths.h"
#include "files/undo.h"
#include "imaging/fingerprint.h"
#include "run/fingerprint_cache.h"
#include "run/language.h"
#include "run/messages.h"
#include "run/search_run.h"

namespace morvane::cli {
namespace {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

int PrintFingerprint(const std::string& file) {
    // A pipe would block the reading and a device such as /dev/zero never end it.
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "Не обычный файл: %1"), file) << "\n";
        return kFailure;
    }
    const auto made = MakeFingerprint(file);
    if (!made) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "Не удалось прочитать картинку: %1"), file)
                  << "\n";
        return kFailure;
    }
    std::cout << made->Width << " " << made->Height << " " << made->BitDepth << "\n";
    // Stored bottom row first; printed top row first.
    for (int row = GridSize - 1; row >= 0; --row) {
        for (int column = 0; column < GridSize; ++column)
            std::cout << (column ? " " : "") << int{made->Cells[row * GridSize + column]};
        std::cout << "\n";
    }
    std::cout << std::flush;
    if (!std::cout) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "morvane-cli: отпечаток не выведен полностью"))
                  << "\n";
        return kFailure;
    }
    return kSuccess;
}

// Emptied when asked; a cache that was never made is left unmade.
void ClearCache() {
    const std::string path = DefaultCachePath();
    std::error_code ignored;
    if (path.empty() || !std::filesystem::exists(path, ignored)) return;
    if (const auto cache = FingerprintCache::Open(
            path, [](const std::string& message) { std::cerr << message << "\n"; }))
        cache->Clear();
}

// Puts back the files of a run; 1 when any of them could not come back.
int Undo(const std::string& named) {
    const std::string journal = named.empty() ? LastJournal(JournalFolder()) : named;
    const UndoReport report = journal.empty() ? UndoReport{} : UndoRun(journal);
    const std::string message = UndoMessage(report, journal);
    const bool done = report.Readable && report.AllBack();
    (done ? std::cout : std::cerr) << message << "\n";
    return done || journal.empty() ? kSuccess : kFailure;
}

// The first folder named that is not there, to name it before anything is read.
std::optional<std::string> MissingFolder(const Options& options) {
    for (const auto* list : {&options.ReferenceFolders, &options.Folders})
        for (const std::string& folder : *list)
            if (folder.empty() || !PathExists(AddTrailingBackslash(folder), true)) return folder;
    return std::nullopt;
}

int Search(const Options& options) {
    const ThresholdSetting threshold =
        ParseThreshold(options.Threshold.value_or(std::to_string(DefaultThreshold(options.Mode))));
    if (threshold.correctedText)
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "Порог исправлен на %1"),
                          *threshold.correctedText)
                  << "\n";

    Progress progress;
    const std::atomic<bool> running{true};
    SearchRun search({.SearchFolder = options.Folders.front(),
                      .MoreFolders = {options.Folders.begin() + 1, options.Folders.end()},
                      .ReferenceFolders = options.ReferenceFolders,
                      .MaskText = options.Masks,
                      .ListPath = options.ListPath,
                      .LogPath = options.LogPath,
                      .MoveFolder = options.MoveFolder,
                      .Mode = options.Mode,
                      .Threshold = threshold.threshold,
                      .UseCache = !options.NoCache,
                      .DryRun = options.DryRun});
    // A cache that fails says so once and the run goes on without it, with the same results.
    const auto warn = [&](const std::string& message) {
        progress.Done();
        std::cerr << message << "\n";
    };
    const CollectProgress collectProgress{
        [&](int total) { progress.Walked(total); },
        [&](int index, const std::string& path) { progress.FileHandled(index, path); }};
    if (const auto missing = MissingFolder(options)) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "Папка не найдена: %1"), *missing) << "\n";
        return kFailure;
    }
    if (search.Collect(running, collectProgress, warn) == CollectOutcome::FolderMissing) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "Папка не найдена: %1"), options.Folders.front())
                  << "\n";
        return kFailure;
    }
    const CollectedRun& run = search.Collected();
    QuietFrontEnd frontEnd(progress, run.LastFile() + 1, options);
    if (const auto failed = search.OpenOutput(frontEnd)) {
        progress.Done();
        std::cerr << *failed << "\n";
        return kFailure;
    }
    Review& review = search.TheReview();
    if (options.Keep)
        review.SetKeepRules(*options.Keep);
    else
        review.SetMode(ReviewMode::SkipAll);
    search.StartComparison();
    std::vector<ReportedGroup> groups;  // for the JSON document or the CSV rows
    search.Drive([&](const ScanStep& step) {
        // Marked before the review may remove anything of the group.
        if ((options.Json || options.Csv) && step.Group && !run.OnlyReferences(step.Group->Members))
            groups.push_back(MarkIdentical(run, step.Group->Members, options.Mode));
    });
    progress.Done();
    if (const auto failed = search.WriteFailure()) {
        std::cerr << *failed << "\n";
        return kFailure;
    }
    search.CloseOutput();

    const Disposer& disposer = search.TheDisposer();
    const Summary summary{.Files = run.FileList.size(),
                          .Readable = search.Readable(),
                          .Groups = review.GroupCount(),
                          .Duplicates = review.DuplicateCount(),
                          .LongPathsSkipped = search.LongPathsSkipped(),
                          .Removed = review.RemovedCount(),
                          .FreedBytes = disposer.FreedBytes(),
                          .MovedBytes = disposer.MovedBytes(),
                          .NotWiped = disposer.NotWiped(),
                          .NotIdentical = disposer.NotIdentical(),
                          // A copy that differs is left by design, not by failure.
                          .FailedRemovals = review.FailedRemovals() - disposer.NotIdentical()};
    const bool written =
        options.Csv
            ? WriteCsvReport(stdout, run, groups, options.Keep)
            : static_cast<bool>(
                  std::cout << (options.Json
                                    ? JsonReport(options, run, groups, summary, disposer.Removals())
                                    : TextReport(options, summary, disposer.Removals()))
                            << std::flush);
    // A script reading a cut-off report must not take it for the whole one.
    if (!written) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "morvane-cli: отчёт не выведен полностью"))
                  << "\n";
        return kFailure;
    }
    // Also when a group's kept file changed and nothing of that group could go.
    if (summary.FailedRemovals > 0 || review.KeptChanged() > 0) return kFailure;
    return kSuccess;
}

}  // namespace
}  // namespace morvane::cli

int main(int argc, char* argv[]) {
    using namespace morvane::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Metafile text is drawn with Qt's fonts, which need a GUI application object; the
    // offscreen platform gives one without a display, so the command line's fingerprints
    // equal the window's. Made first, so that even the usage speaks the user's language; a
    // platform named by the user is not taken, as one without a display would abort even --help.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes (a missing runtime folder, say) are not the command line's business.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Qt reads options of its own from the arguments (a folder named "-platform" would name a
    // platform plugin), so it is given the program's name alone.
    int qtArgumentCount = 1;
    QGuiApplication application(qtArgumentCount, argv);
    morvane::InstallTranslations(application);
    const ParsedOptions parsed = ParseOptions(arguments);
    if (!parsed.Options) {
        std::cerr << "morvane-cli: " << parsed.Error << "\n\n" << UsageText();
        return kUsage;
    }
    if (parsed.Options->Help) {
        std::cout << UsageText();
        return kSuccess;
    }
    if (parsed.Options->Version) {
        // The project's version, as the About window and the package give it.
        std::cout << "morvane-cli " << MORVANE_VERSION_MAJOR << '.' << MORVANE_VERSION_MINOR << '.'
                  << MORVANE_VERSION_PATCH << "\n";
        return kSuccess;
    }
    if (parsed.Options->Undo) return Undo(*parsed.Options->Undo);
    if (VIPS_INIT(argv[0])) {
        std::cerr << Said(QT_TRANSLATE_NOOP("Cli", "morvane-cli: libvips не запускается")) << "\n";
        return kFailure;
    }
    if (parsed.Options->ClearCache) ClearCache();
    const int status = parsed.Options->FingerprintFile
                           ? PrintFingerprint(*parsed.Options->FingerprintFile)
                       : !parsed.Options->Folders.empty() ? Search(*parsed.Options)
                                                          : kSuccess;
    vips_shutdown();
    return status;
}
