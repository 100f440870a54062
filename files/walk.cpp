// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

#include "files/paths.h"

namespace morvane {
namespace {

using FileId = std::pair<dev_t, ino_t>;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

struct Entry {
    std::string name;
    std::u32string upper;  // the name as the masks see it, the first sort key
    struct stat info {};   // the target's status (links followed)
};

bool ByName(const Entry& a, const Entry& b) {
    return std::tie(a.upper, a.name) < std::tie(b.upper, b.name);
}

// Whether an entry needs its status read: folders and links may lead to folders, and a
// file that matches must be told apart from others reached through other links. Files the
// masks reject are passed over without a status call.
bool WorthAStatus(const dirent& raw, const MaskList& masks) {
    switch (raw.d_type) {
        case DT_DIR:
        case DT_LNK:
        case DT_UNKNOWN:
            return true;
        case DT_REG:
            return masks.MatchesMask(raw.d_name);
        default:
            return false;
    }
}

// The entries of one folder worth walking or collecting, sorted by name, "." and ".." left
// out, each with its status (links followed). The listing is read whole and closed at once,
// so a deep tree never holds more than one folder open. An entry whose status cannot be read
// (a dangling link) is left out.
bool ListFolder(const std::string& folder, const MaskList& masks, std::vector<Entry>& entries) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return false;
    const int fd = ::dirfd(dir.get());
    while (const dirent* raw = ::readdir(dir.get())) {
        const std::string_view name(raw->d_name);
        if (name == "." || name == ".." || !WorthAStatus(*raw, masks)) continue;
        Entry entry{std::string(name), UpperCaseName(name)};
        if (::fstatat(fd, raw->d_name, &entry.info, 0) == 0) entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), ByName);
    return true;
}

class Walker {
  public:
    Walker(std::size_t rootLength, bool recurse, const MaskList& masks,
           std::vector<std::string>& list, const std::atomic<bool>* running)
        : rootLength_(rootLength),
          recurse_(recurse),
          masks_(masks),
          list_(list),
          running_(running) {}

    // Walks `folder` (ending with the separator) unless it was entered before.
    void Walk(const std::string& folder, const struct stat& info) {
        if (!entered_.emplace(info.st_dev, info.st_ino).second) return;
        std::vector<Entry> entries;
        if (!ListFolder(folder, masks_, entries)) return;
        for (const Entry& entry : entries) {
            if (Cancelled()) return;
            if (S_ISDIR(entry.info.st_mode)) {
                if (recurse_) Enter(folder + entry.name + kSeparator, entry.info);
            } else if (S_ISREG(entry.info.st_mode)) {
                Collect(folder, entry);
            }
        }
    }

    bool Cancelled() const { return running_ && !running_->load(std::memory_order_relaxed); }
    int LongPathsSkipped() const { return longPathsSkipped_; }

  private:
    // A folder whose path cannot be opened is counted, not entered: none of its files could
    // be read or removed by their full path.
    void Enter(const std::string& folder, const struct stat& info) {
        if (folder.size() > kMaxPathBytes) {
            ++longPathsSkipped_;
            return;
        }
        Walk(folder, info);
    }

    // Only regular files: a pipe or a device would block or never end when read.
    // A file reached again through another link keeps the path it was first found by.
    void Collect(const std::string& folder, const Entry& entry) {
        if (!masks_.MatchesMask(entry.name)) return;
        if (folder.size() + entry.name.size() > kMaxPathBytes) {
            ++longPathsSkipped_;
            return;
        }
        if (!collected_.emplace(entry.info.st_dev, entry.info.st_ino).second) return;
        list_.push_back(folder.substr(rootLength_) + entry.name);
    }

    const std::size_t rootLength_;
    const bool recurse_;
    const MaskList& masks_;
    std::vector<std::string>& list_;
    const std::atomic<bool>* const running_;
    std::set<FileId> entered_;
    std::set<FileId> collected_;
    int longPathsSkipped_ = 0;
};

}  // namespace

int CollectFiles(const std::string& searchRoot, bool recurse, const MaskList& masks,
                 std::vector<std::string>& list, const std::atomic<bool>* running) {
    const std::string root = AddTrailingBackslash(searchRoot);
    struct stat info {};
    if (root.empty() || ::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return 0;
    Walker walker(root.size(), recurse, masks, list, running);
    if (!walker.Cancelled()) walker.Walk(root, info);
    return walker.LongPathsSkipped();
}

}  // namespace morvane
