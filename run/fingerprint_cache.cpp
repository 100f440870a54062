// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/fingerprint_cache.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "run/messages.h"

namespace morvane {
namespace {

// Layout of the file; another layout is dropped and made afresh.
constexpr int kSchemaVersion = 2;
// Marks the file as this program's ("MRVF"): no other database is ever written to.
constexpr std::int64_t kApplicationId = 0x4D525646;
// Another program writing at the same time holds the file this long at most.
constexpr int kBusyMilliseconds = 3000;
// Rows written per transaction, and the longest wait before queued rows are written, so a
// killed run of slow pictures loses little.
constexpr std::size_t kBatchRows = 500;
constexpr std::chrono::seconds kBatchTime{5};

// A table with row ids: rows of a kilobyte and more fit three to a page, where a table
// without them moves the tail of each row to a page of its own.
constexpr const char* kCreate =
    "CREATE TABLE pictures("
    " path BLOB NOT NULL UNIQUE, device INTEGER, inode INTEGER, size INTEGER,"
    " modified_ns INTEGER, changed_ns INTEGER, written_ns INTEGER, fill INTEGER,"
    " version INTEGER, width INTEGER, height INTEGER, depth INTEGER, cells BLOB)";
// The columns of the first layout, made before the file was marked: such a file is ours.
constexpr const char* kIsFirstLayout =
    "SELECT (SELECT group_concat(name) FROM pragma_table_info('pictures')) IS"
    " 'path,device,inode,size,modified_ns,changed_ns,fill,version,width,height,depth,cells'";

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
    picture.WrittenNs = sqlite3_column_int64(row, 6);
    picture.Fill = static_cast<std::uint32_t>(sqlite3_column_int64(row, 7));
    picture.Width = sqlite3_column_int(row, 8);
    picture.Height = sqlite3_column_int(row, 9);
    picture.Depth = sqlite3_column_int(row, 10);
    const auto* cells = static_cast<const std::uint8_t*>(sqlite3_column_blob(row, 11));
    if (!cells || sqlite3_column_bytes(row, 11) != GridSize * GridSize) return std::nullopt;
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
        code = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK) return db;
    error = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
    return nullptr;
}

std::unique_ptr<FingerprintCache> FingerprintCache::Open(const std::string& path, Warn warn,
                                                         Clock clock) {
    // Copies: the cache keeps this to warn of later failures.
    const Warn say = [path, warn = std::move(warn)](const std::string& text) {
        if (warn) warn(CacheWarning(path, text));
    };
    if (path.empty()) {
        say(CacheNoFolderText());
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
        say(CacheRemadeText(error));
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix, ignored);
        db = Connect(path, error, code);
    }
    if (!db) {
        say(CacheNotOpenedText(error));
        return nullptr;
    }
    auto cache = std::make_unique<FingerprintCache>(Key{}, std::move(db), say,
                                                    clock ? std::move(clock) : WallClockNs);
    if (!cache->Prepare()) return nullptr;
    return cache;
}

FingerprintCache::FingerprintCache(Key, Database db, Warn warn, Clock clock)
    : db_(std::move(db)), warn_(std::move(warn)), clock_(std::move(clock)) {}

FingerprintCache::~FingerprintCache() {
    Flush();
}

std::optional<std::int64_t> FingerprintCache::Number(const char* sql) {
    const Statement query = Compile(sql);
    if (!query || sqlite3_step(query.get()) != SQLITE_ROW) return Fail(sql), std::nullopt;
    return sqlite3_column_int64(query.get(), 0);
}

// Marked as ours, or not marked and either empty or of the first layout; and nothing in it
// but our table.
bool FingerprintCache::Ours() {
    const auto id = Number("PRAGMA application_id");
    if (!id || (*id != kApplicationId && *id != 0)) return false;
    const auto others = Number("SELECT count(*) FROM sqlite_schema WHERE tbl_name <> 'pictures'");
    if (others != 0) return false;
    return *id == kApplicationId || Number("SELECT count(*) FROM sqlite_schema") == 0 ||
           Number(kIsFirstLayout) == 1;
}

bool FingerprintCache::Prepare() {
    const bool empty = Number("SELECT count(*) FROM sqlite_schema") == 0;
    if (!Ours()) {
        if (!broken_ && warn_) warn_(CacheForeignText());
        broken_ = true;
        return false;
    }
    // Only a new file takes this without a VACUUM; it lets pruned rows give their space back.
    if (empty && !Execute("PRAGMA auto_vacuum=INCREMENTAL")) return false;
    if (!Execute("PRAGMA journal_mode=WAL")) return false;
    const auto version = Number("PRAGMA user_version");
    if (!version) return false;
    const std::string mark = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                             "; PRAGMA user_version=" + std::to_string(kSchemaVersion);
    // Asked again inside the transaction: another program may have made the table meanwhile.
    if (*version != kSchemaVersion) {
        if (!InTransaction([&] {
                return Number("PRAGMA user_version") == kSchemaVersion ||
                       (Execute("DROP TABLE IF EXISTS pictures") && Execute(kCreate) &&
                        Execute(mark.c_str()));
            }))
            return false;
        // A file of the first layout, emptied now, is rebuilt to give space back from now on
        // (by the best effort: another program reading it meanwhile only delays this).
        if (Number("PRAGMA auto_vacuum") == 0)
            sqlite3_exec(db_.get(), "PRAGMA auto_vacuum=INCREMENTAL; VACUUM", nullptr, nullptr,
                         nullptr);
    }
    select_ = Compile(
        "SELECT path, device, inode, size, modified_ns, changed_ns, written_ns, fill, width,"
        " height, depth, cells FROM pictures WHERE path >= ?1 AND path < ?2 AND version = ?3");
    insert_ = Compile(
        "INSERT OR REPLACE INTO pictures(path, device, inode, size, modified_ns, changed_ns,"
        " written_ns, fill, version, width, height, depth, cells)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
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
    if (warn_) warn_(CacheGivenUpText(what + ": " + sqlite3_errmsg(db_.get())));
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
                                           picture.WrittenNs,
                                           picture.Fill,
                                           kFingerprintVersion,
                                           picture.Width,
                                           picture.Height,
                                           picture.Depth};
            for (int i = 0; i < 11; ++i) sqlite3_bind_int64(insert, i + 2, values[i]);
            sqlite3_bind_blob64(insert, 13, picture.Cells.data(), picture.Cells.size(),
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
    const bool removed = InTransaction([&] {
        for (const std::string& path : paths) {
            sqlite3_reset(remove);
            BindText(remove, 1, path);
            if (sqlite3_step(remove) != SQLITE_DONE) return Fail("DELETE"), false;
        }
        return true;
    });
    if (remove) sqlite3_reset(remove);
    // The freed pages go back to the file system; a failure here only keeps them.
    if (removed) sqlite3_exec(db_.get(), "PRAGMA incremental_vacuum", nullptr, nullptr, nullptr);
}

void FingerprintCache::Clear() {
    queued_.clear();
    if (InTransaction([&] { return Execute("DELETE FROM pictures"); }))
        sqlite3_exec(db_.get(), "VACUUM", nullptr, nullptr, nullptr);  // gives the space back
}

}  // namespace morvane
