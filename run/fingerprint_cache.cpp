#include "run/fingerprint_cache.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace morvane {
namespace {

// Layout of the file; another layout is dropped and made afresh.
constexpr int kSchemaVersion = 1;
// Another program writing at the same time holds the file this long at most.
constexpr int kBusyMilliseconds = 3000;
// Rows written per transaction, and the longest wait before queued rows are written, so a
// killed run of slow pictures loses little.
constexpr std::size_t kBatchRows = 500;
constexpr std::chrono::seconds kBatchTime{5};

constexpr const char* kCreate =
    "CREATE TABLE IF NOT EXISTS pictures("
    " path BLOB PRIMARY KEY, device INTEGER, inode INTEGER, size INTEGER,"
    " modified_ns INTEGER, changed_ns INTEGER, fill INTEGER, version INTEGER,"
    " width INTEGER, height INTEGER, depth INTEGER, cells BLOB) WITHOUT ROWID";

// The first path after every path that starts with `folder` (which ends with '/').
std::string FolderEnd(std::string folder) {
    folder.back() = static_cast<char>(folder.back() + 1);
    return folder;
}

void BindText(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_blob64(statement, column, text.data(), text.size(), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return data ? std::string(data, sqlite3_column_bytes(statement, column)) : std::string();
}

// Empty when the row does not hold a whole fingerprint: such a row is simply not used.
std::optional<CachedPicture> ReadRow(sqlite3_stmt* row) {
    CachedPicture picture;
    picture.Stamp = {{static_cast<dev_t>(sqlite3_column_int64(row, 1)),
                      static_cast<ino_t>(sqlite3_column_int64(row, 2))},
                     sqlite3_column_int64(row, 3),
                     sqlite3_column_int64(row, 4),
                     sqlite3_column_int64(row, 5)};
    picture.Fill = static_cast<std::uint32_t>(sqlite3_column_int64(row, 6));
    picture.Width = sqlite3_column_int(row, 7);
    picture.Height = sqlite3_column_int(row, 8);
    picture.Depth = sqlite3_column_int(row, 9);
    const auto* cells = static_cast<const std::uint8_t*>(sqlite3_column_blob(row, 10));
    if (!cells || sqlite3_column_bytes(row, 10) != GridSize * GridSize) return std::nullopt;
    picture.Cells.assign(cells, cells + GridSize * GridSize);
    return picture;
}

}  // namespace

void FingerprintCache::CloseDatabase::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}
void FingerprintCache::Finalize::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

std::string DefaultCachePath() {
    std::filesystem::path base;
    // The XDG rules ignore a relative value.
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = std::filesystem::path(home) / ".cache";
    else
        return {};
    return (base / "morvane" / "fingerprints.sqlite").string();
}

FingerprintCache::Database FingerprintCache::Connect(const std::string& path, std::string& error,
                                                     int& code) {
    sqlite3* raw = nullptr;
    code = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Database db(raw);
    if (code == SQLITE_OK) {
        sqlite3_busy_timeout(raw, kBusyMilliseconds);
        // The first read of the file: a damaged one shows here.
        code = sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK) return db;
    error = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
    return nullptr;
}

std::unique_ptr<FingerprintCache> FingerprintCache::Open(const std::string& path, Warn warn) {
    const auto say = [&](const std::string& text) {
        if (warn) warn("Кэш отпечатков " + path + ": " + text);
    };
    if (path.empty()) {
        say("нет папки для кэша");
        return nullptr;
    }
    std::error_code ignored;
    // The rows name the user's pictures: a folder made here is the user's alone.
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (std::filesystem::create_directories(folder, ignored))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    std::string error;
    int code = SQLITE_OK;
    Database db = Connect(path, error, code);
    if (!db && (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)) {
        say("файл повреждён, создаётся заново (" + error + ")");
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix, ignored);
        db = Connect(path, error, code);
    }
    if (!db) {
        say("не открывается, поиск идёт без него (" + error + ")");
        return nullptr;
    }
    auto cache = std::make_unique<FingerprintCache>(Key{}, std::move(db), say);
    if (!cache->Prepare()) return nullptr;
    return cache;
}

FingerprintCache::FingerprintCache(Key, Database db, Warn warn)
    : db_(std::move(db)), warn_(std::move(warn)) {}

FingerprintCache::~FingerprintCache() {
    Flush();
}

std::optional<int> FingerprintCache::SchemaVersion() {
    const Statement version = Compile("PRAGMA user_version");
    if (!version || sqlite3_step(version.get()) != SQLITE_ROW) return std::nullopt;
    return sqlite3_column_int(version.get(), 0);
}

bool FingerprintCache::Prepare() {
    const auto version = SchemaVersion();
    if (!version) return Fail("PRAGMA user_version"), false;
    // Asked again inside the transaction: another program may have made the table meanwhile.
    if (*version != kSchemaVersion && !InTransaction([&] {
            return SchemaVersion() == kSchemaVersion ||
                   (Execute("DROP TABLE IF EXISTS pictures") && Execute(kCreate) &&
                    Execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str()));
        }))
        return false;
    select_ = Compile(
        "SELECT path, device, inode, size, modified_ns, changed_ns, fill, width, height, depth,"
        " cells FROM pictures WHERE path >= ?1 AND path < ?2 AND version = ?3");
    insert_ = Compile(
        "INSERT OR REPLACE INTO pictures VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
        "?12)");
    remove_ = Compile("DELETE FROM pictures WHERE path = ?1");
    return select_ && insert_ && remove_;
}

FingerprintCache::Statement FingerprintCache::Compile(const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK) Fail("prepare");
    return Statement(raw);
}

bool FingerprintCache::Execute(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    Fail(sql);
    return false;
}

// All the writes or none: a killed or failing run leaves the file as it was before them.
bool FingerprintCache::InTransaction(const std::function<bool()>& writes) {
    if (broken_ || !Execute("BEGIN IMMEDIATE")) return false;
    if (writes() && Execute("COMMIT")) return true;
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

void FingerprintCache::Fail(const std::string& what) {
    if (broken_) return;
    broken_ = true;
    if (warn_) warn_("не используется дальше (" + what + ": " + sqlite3_errmsg(db_.get()) + ")");
}

std::unordered_map<std::string, CachedPicture> FingerprintCache::LoadFolder(
    const std::string& folder) {
    std::unordered_map<std::string, CachedPicture> rows;
    if (broken_ || folder.empty() || folder.back() != '/') return rows;
    sqlite3_stmt* const select = select_.get();
    sqlite3_reset(select);
    BindText(select, 1, folder);
    BindText(select, 2, FolderEnd(folder));
    sqlite3_bind_int64(select, 3, kFingerprintVersion);
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(select)) == SQLITE_ROW)
        if (auto picture = ReadRow(select))
            rows.emplace(ColumnText(select, 0), std::move(*picture));
    sqlite3_reset(select);
    if (code != SQLITE_DONE) {
        Fail("SELECT");
        rows.clear();  // a partly read cache is not used at all
    }
    return rows;
}

void FingerprintCache::Store(const std::string& path, const CachedPicture& picture) {
    if (broken_) return;
    if (queued_.empty()) firstQueued_ = std::chrono::steady_clock::now();
    queued_.emplace_back(path, picture);
    if (queued_.size() >= kBatchRows ||
        std::chrono::steady_clock::now() - firstQueued_ >= kBatchTime)
        Flush();
}

void FingerprintCache::Flush() {
    if (broken_ || queued_.empty()) return;
    sqlite3_stmt* const insert = insert_.get();
    InTransaction([&] {
        for (const auto& [path, picture] : queued_) {
            const FileStamp& id = picture.Stamp;
            sqlite3_reset(insert);
            BindText(insert, 1, path);
            const std::int64_t values[] = {static_cast<std::int64_t>(id.File.device),
                                           static_cast<std::int64_t>(id.File.inode),
                                           id.Size,
                                           id.ModifiedNs,
                                           id.ChangedNs,
                                           picture.Fill,
                                           kFingerprintVersion,
                                           picture.Width,
                                           picture.Height,
                                           picture.Depth};
            for (int i = 0; i < 10; ++i) sqlite3_bind_int64(insert, i + 2, values[i]);
            sqlite3_bind_blob64(insert, 12, picture.Cells.data(), picture.Cells.size(),
                                SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) return Fail("INSERT"), false;
        }
        return true;
    });
    sqlite3_reset(insert);
    queued_.clear();
}

void FingerprintCache::Forget(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    sqlite3_stmt* const remove = remove_.get();
    InTransaction([&] {
        for (const std::string& path : paths) {
            sqlite3_reset(remove);
            BindText(remove, 1, path);
            if (sqlite3_step(remove) != SQLITE_DONE) return Fail("DELETE"), false;
        }
        return true;
    });
    if (remove) sqlite3_reset(remove);
}

void FingerprintCache::Clear() {
    queued_.clear();
    if (InTransaction([&] { return Execute("DELETE FROM pictures"); }))
        sqlite3_exec(db_.get(), "VACUUM", nullptr, nullptr, nullptr);  // gives the space back
}

}  // namespace morvane
