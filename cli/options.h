// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of morvane-cli.
#include <optional>
#include <string>
#include <vector>

#include "compare/comparison_mode.h"
#include "files/disposal.h"
#include "review/keep_rules.h"
#include "run/defaults.h"

namespace morvane::cli {

struct Options {
    std::vector<std::string> Folders;  // none with --fingerprint or --clear-cache alone
    // Searched first; their pictures are compared but never removed.
    std::vector<std::string> ReferenceFolders;
    std::string Masks = kDefaultMasks;  // kAllFormatsMasks with --all-formats
    ComparisonMode Mode = ComparisonMode::Exact;
    std::optional<std::string> Threshold;  // the mode's default when not given
    std::string ListPath = kListFileName;
    std::string LogPath = kLogFileName;
    std::optional<std::string> FingerprintFile;
    // The keep-one pass for every group: keep the file these rules choose.
    std::optional<KeepRules> Keep;
    DisposalWay Dispose = DisposalWay::None;
    std::string MoveFolder;
    bool DryRun = false;      // with --keep: tell what would go, touch nothing
    bool Json = false;        // the report as one JSON document on standard output
    bool Csv = false;         // the groups as CSV rows on standard output
    bool NoCache = false;     // neither read nor write the fingerprint cache
    bool ClearCache = false;  // empty it first; alone, nothing else is done
    // Put back the files of the last run's journal (""), or of the journal named.
    std::optional<std::string> Undo;
    bool Help = false;
    bool Version = false;
};

struct ParsedOptions {
    std::optional<cli::Options> Options;
    std::string Error;  // set when the command line is not usable
};

ParsedOptions ParseOptions(const std::vector<std::string>& arguments);
std::string UsageText();
// A text of the command line in the user's language, `value` (a path, byte for byte) in place
// of its "%1".
std::string Said(const char* text, const std::string& value = {});

}  // namespace morvane::cli
