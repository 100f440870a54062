// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/keep_rules.h"

#include "imaging/raw_decode.h"

#include <vips/vips.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <sstream>

#include "files/file_identity.h"

namespace morvane {
namespace {

constexpr const char* kInFolder = "in:";

struct Named {
    const char* name;
    KeepRuleKind kind;
};
constexpr Named kNames[] = {
    {"largest", KeepRuleKind::Largest},        {"smallest", KeepRuleKind::Smallest},
    {"most-pixels", KeepRuleKind::MostPixels}, {"oldest", KeepRuleKind::Oldest},
    {"newest", KeepRuleKind::Newest},          {"shortest-path", KeepRuleKind::ShortestPath}};

std::optional<KeepRule> ParseRule(const std::string& text) {
    if (text.rfind(kInFolder, 0) == 0 && text.size() > 3)
        return KeepRule{KeepRuleKind::InFolder, text.substr(3)};
    for (const Named& named : kNames)
        if (text == named.name) return KeepRule{named.kind, {}};
    return std::nullopt;
}

// A folder and a file compared by whole path components, so "/a/b" holds "/a/b/c.jpg" but not
// "/a/bc/d.jpg"; both taken from the current folder, with "." and ".." resolved.
std::filesystem::path Absolute(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal();
}

bool IsUnder(const std::filesystem::path& file, const std::filesystem::path& folder) {
    auto inFolder = folder.begin();
    auto inFile = file.begin();
    for (; inFolder != folder.end() && !inFolder->empty(); ++inFolder, ++inFile)
        if (inFile == file.end() || *inFile != *inFolder) return false;
    return inFile != file.end();
}

// "YYYY:MM:DD HH:MM:SS" as the camera's local time; nothing for a blank or broken date.
std::optional<std::int64_t> ExifDateNs(const char* text) {
    std::tm parts{};
    std::istringstream in(text);
    in >> std::get_time(&parts, "%Y:%m:%d %H:%M:%S");
    if (in.fail()) return std::nullopt;
    parts.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int64_t>(seconds) * 1'000'000'000;
}

// When the photo was taken: its EXIF DateTimeOriginal, else the modification time its stamp
// recorded. The header is read only while the file is still the one compared (a pipe put in
// its place would block the reading).
std::int64_t TakenNs(const std::string& path, const FileStamp& stamp) {
    if (StampOfPath(path) != stamp) return stamp.ModifiedNs;
    const std::unique_ptr<VipsImage, void (*)(gpointer)> image(
        vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr),
        g_object_unref);
    const char* date = nullptr;
    std::optional<std::int64_t> taken;
    if (image && vips_image_get_typeof(image.get(), "exif-ifd2-DateTimeOriginal") &&
        vips_image_get_string(image.get(), "exif-ifd2-DateTimeOriginal", &date) == 0)
        taken = ExifDateNs(date);
    vips_error_clear();
    return taken.value_or(stamp.ModifiedNs);
}

// The rule's measure of a member: the lower, the better.
std::int64_t Measure(const KeepRule& rule, const CollectedRun& run, int index) {
    const Dubl& record = run.PicTable[index];
    switch (rule.Kind) {
        case KeepRuleKind::Largest:
            return -record.Stamp->Size;
        case KeepRuleKind::Smallest:
            return record.Stamp->Size;
        case KeepRuleKind::MostPixels:
            return -std::int64_t{record.PicWidth} * record.PicHeight;
        case KeepRuleKind::Oldest:
            return TakenNs(run.FullPath(index), *record.Stamp);
        case KeepRuleKind::Newest:
            return -TakenNs(run.FullPath(index), *record.Stamp);
        case KeepRuleKind::InFolder:
            return IsUnder(Absolute(run.FullPath(index)), Absolute(rule.Folder)) ? 0 : 1;
        case KeepRuleKind::ShortestPath:
            return static_cast<std::int64_t>(run.FullPath(index).size());
    }
    return 0;
}

}  // namespace

std::optional<KeepRules> ParseKeepRules(const std::string& text, std::string* unknown) {
    KeepRules rules;
    std::istringstream parts(text);
    for (std::string part; std::getline(parts, part, ',');) {
        const auto rule = ParseRule(part);
        if (!rule) {
            if (unknown) *unknown = part;
            return std::nullopt;
        }
        rules.push_back(*rule);
    }
    if (rules.empty() && unknown) *unknown = text;
    return rules.empty() ? std::nullopt : std::optional(rules);
}

std::string KeepRulesText(const KeepRules& rules) {
    std::string text;
    for (const KeepRule& rule : rules) {
        if (!text.empty()) text += ',';
        if (rule.Kind == KeepRuleKind::InFolder) {
            text += kInFolder + rule.Folder;
            continue;
        }
        for (const Named& named : kNames)
            if (named.kind == rule.Kind) text += named.name;
    }
    return text;
}

int KeptMember(const std::vector<int>& members, const CollectedRun& run, const KeepRules& rules) {
    std::vector<int> candidates;
    for (const int index : members) {
        const auto& stamp = run.PicTable[index].Stamp;
        if (stamp && stamp->Size > 0 && !IsCameraRawPath(run.FileList[index]))
            candidates.push_back(index);
    }
    const auto reference = std::find_if(candidates.begin(), candidates.end(),
                                        [&](int index) { return run.IsReference(index); });
    if (reference != candidates.end()) return *reference;
    for (const KeepRule& rule : rules) {
        if (candidates.size() < 2) break;
        std::vector<std::int64_t> measures;
        for (const int index : candidates) measures.push_back(Measure(rule, run, index));
        const std::int64_t best = *std::min_element(measures.begin(), measures.end());
        std::vector<int> tied;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (measures[i] == best) tied.push_back(candidates[i]);
        candidates = std::move(tied);
    }
    return candidates.empty() ? -1 : candidates.front();
}

bool NeverRemovedByKeepAll(const CollectedRun& run, int index) {
    return run.IsReference(index) || IsCameraRawPath(run.FileList[index]);
}

}  // namespace morvane
