// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fingerprints of pictures already seen, kept between runs in one SQLite file per user, so a
// picture that has not changed is not decoded again. A row is trusted only while the file's
// identity (device, inode, size and both times) and the fingerprint version still match, and
// only once the file's times were settled when the row was made (see Settled).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/file_identity.h"
#include "imaging/fingerprint.h"

struct sqlite3;
struct sqlite3_stmt;

namespace morvane {

// Bumped whenever the decoders or the reduction change: rows of other versions are ignored.
inline constexpr std::int64_t kFingerprintVersion = 2;

struct CachedPicture {
    FileStamp Stamp;
    // Wall clock, read before the stamp was taken.
    std::int64_t WrittenNs = 0;
    std::uint32_t Fill = kWhiteFill;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Depth = 0;
    morvane::Fingerprint Cells;
    bool operator==(const CachedPicture&) const = default;
};

// A row is trusted only when its stamp was settled when the row was made (SettledBy); a
// younger row is made anew, and trusted from then on.
inline bool Settled(const CachedPicture& row) {
    return SettledBy(row.Stamp, row.WrittenNs);
}

// $XDG_CACHE_HOME/morvane/fingerprints.sqlite, or under ~/.cache; empty without a home.
std::string DefaultCachePath();

class FingerprintCache {
  public:
    using Warn = std::function<void(const std::string& message)>;
    // Nanoseconds of the wall clock, the one file times are taken from.
    using Clock = std::function<std::int64_t()>;

    // Null when the file cannot be opened or made, or is not ours (another program's
    // database behind the name is never written to); `warn` hears why, once. A damaged file is
    // replaced by a fresh one (with a warning) rather than given up.
    static std::unique_ptr<FingerprintCache> Open(const std::string& path, Warn warn,
                                                  Clock clock = {});
    ~FingerprintCache();
    FingerprintCache(const FingerprintCache&) = delete;
    FingerprintCache& operator=(const FingerprintCache&) = delete;

    // Rows under `folder` (an absolute path ending with the separator), keyed by full path.
    std::unordered_map<std::string, CachedPicture> LoadFolder(const std::string& folder);
    // Queued and written in batches; Flush writes what is queued.
    void Store(const std::string& path, const CachedPicture& picture);
    void Flush();
    void Forget(const std::vector<std::string>& paths);
    void Clear();

    // False once a write failed: the cache then stays as it was and is left alone.
    bool Working() const { return !broken_; }
    std::int64_t Now() const { return clock_(); }

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    struct CloseDatabase {
        void operator()(sqlite3* db) const;
    };
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Database = std::unique_ptr<sqlite3, CloseDatabase>;
    using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;
    // Made only by Open.
    FingerprintCache(Key, Database db, Warn warn, Clock clock);

  private:
    static Database Connect(const std::string& path, std::string& error, int& code);
    bool Ours();
    bool Prepare();
    std::optional<std::int64_t> Number(const char* sql);
    Statement Compile(const char* sql);
    bool Execute(const char* sql);
    bool InTransaction(const std::function<bool()>& writes);
    void Fail(const std::string& what);

    Database db_;
    Warn warn_;
    Clock clock_;
    bool broken_ = false;
    Statement select_;
    Statement insert_;
    Statement remove_;
    std::vector<std::pair<std::string, CachedPicture>> queued_;
    std::chrono::steady_clock::time_point firstQueued_;
};

}  // namespace morvane
