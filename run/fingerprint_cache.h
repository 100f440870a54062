#pragma once
// Fingerprints of pictures already seen, kept between runs in one SQLite file per user, so a
// picture that has not changed is not decoded again. A row is trusted only while the file's
// identity (device, inode, size and both times) and the fingerprint version still match.
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
inline constexpr std::int64_t kFingerprintVersion = 1;

struct CachedPicture {
    FileStamp Stamp;
    std::uint32_t Fill = kWhiteFill;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Depth = 0;
    morvane::Fingerprint Cells;
};

// $XDG_CACHE_HOME/morvane/fingerprints.sqlite, or under ~/.cache; empty without a home.
std::string DefaultCachePath();

class FingerprintCache {
  public:
    using Warn = std::function<void(const std::string& message)>;

    // Null when the file cannot be opened or made; `warn` hears why. A damaged file is
    // replaced by a fresh one (with a warning) rather than given up.
    static std::unique_ptr<FingerprintCache> Open(const std::string& path, Warn warn);
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
    FingerprintCache(Key, Database db, Warn warn);

  private:
    static Database Connect(const std::string& path, std::string& error, int& code);
    bool Prepare();
    std::optional<int> SchemaVersion();
    Statement Compile(const char* sql);
    bool Execute(const char* sql);
    bool InTransaction(const std::function<bool()>& writes);
    void Fail(const std::string& what);

    Database db_;
    Warn warn_;
    bool broken_ = false;
    Statement select_;
    Statement insert_;
    Statement remove_;
    std::vector<std::pair<std::string, CachedPicture>> queued_;
    std::chrono::steady_clock::time_point firstQueued_;
};

}  // namespace morvane
