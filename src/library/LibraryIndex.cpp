#include "library/LibraryIndex.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sqlite3.h>

namespace skirlo {

namespace fs = std::filesystem;

namespace {

// Bumped whenever the tables change: an index of another layout is rebuilt.
constexpr std::int64_t kSchemaVersion = 2;
constexpr int kBusyTimeoutMs = 60'000;

constexpr const char* kSchema = R"sql(
CREATE TABLE folders(path TEXT PRIMARY KEY);
CREATE TABLE files(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE,
  modified INTEGER NOT NULL,
  size INTEGER NOT NULL,
  skipped TEXT NOT NULL DEFAULT '');
CREATE TABLE tunes(
  id INTEGER PRIMARY KEY,
  file INTEGER NOT NULL REFERENCES files(id),
  position INTEGER NOT NULL,
  title TEXT NOT NULL, type TEXT NOT NULL, composer TEXT NOT NULL, footer TEXT NOT NULL,
  time TEXT NOT NULL, parts INTEGER NOT NULL, tempo INTEGER NOT NULL,
  fingerprint INTEGER NOT NULL DEFAULT 0, original INTEGER NOT NULL DEFAULT 0);
CREATE INDEX tunes_by_file ON tunes(file);
CREATE VIRTUAL TABLE tune_words USING fts5(title, type, composer, footer,
  content='tunes', content_rowid='id', prefix='1 2 3',
  tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER tunes_added AFTER INSERT ON tunes BEGIN
  INSERT INTO tune_words(rowid, title, type, composer, footer)
    VALUES (new.id, new.title, new.type, new.composer, new.footer);
END;
CREATE TRIGGER tunes_removed AFTER DELETE ON tunes BEGIN
  INSERT INTO tune_words(tune_words, rowid, title, type, composer, footer)
    VALUES ('delete', old.id, old.title, old.type, old.composer, old.footer);
END;
)sql";

// The first version had no fingerprints: its tunes are read again at the
// next scan, which the changed stamps force.
constexpr const char* kFromVersion1 = R"sql(
ALTER TABLE tunes ADD COLUMN fingerprint INTEGER NOT NULL DEFAULT 0;
ALTER TABLE tunes ADD COLUMN original INTEGER NOT NULL DEFAULT 0;
UPDATE files SET modified = -1;
)sql";

// Paths under `folder`: from "folder/" up to, not including, "folder0"
// ('0' follows '/'), so that an index range serves the prefix.
std::string lowerBound(const std::string& folder) { return folder + "/"; }
std::string upperBound(const std::string& folder) { return folder + "0"; }

bool isSearchable(const std::string& word) {
    for (const unsigned char c : word) {
        if (std::isalnum(c) || c >= 0x80) return true;
    }
    return false;
}

void removeFileRow(SqliteConnection& db, std::int64_t id) {
    SqliteStatement tunes(db, "DELETE FROM tunes WHERE file = ?");
    tunes.bind(1, id).run();
    SqliteStatement file(db, "DELETE FROM files WHERE id = ?");
    file.bind(1, id).run();
}

}  // namespace

void ScanReport::add(const ScanReport& other) {
    filesRead += other.filesRead;
    filesUnchanged += other.filesUnchanged;
    filesRemoved += other.filesRemoved;
    tunesRead += other.tunesRead;
    skipped.insert(skipped.end(), other.skipped.begin(), other.skipped.end());
    problems.insert(problems.end(), other.problems.begin(), other.problems.end());
}

std::string defaultLibraryPath() {
    fs::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = fs::path(home) / ".local" / "share";
    } else {
        base = fs::current_path();
    }
    return (base / "skirlo" / "library.sqlite").string();
}

std::string fullTextQuery(const std::string& words) {
    std::string query;
    std::size_t at = 0;
    while (at < words.size()) {
        while (at < words.size() && static_cast<unsigned char>(words[at]) <= ' ') ++at;
        std::size_t end = at;
        while (end < words.size() && static_cast<unsigned char>(words[end]) > ' ') ++end;
        std::string word = words.substr(at, end - at);
        at = end;
        if (!isSearchable(word)) continue;
        std::string quoted = "\"";
        for (const char c : word) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        if (!query.empty()) query += ' ';
        query += quoted + "\"*";
    }
    return query;
}

LibraryIndex::LibraryIndex(const std::string& path, const SymbolMap& symbols, const EmbellishmentTable* abc)
    : path_(path), symbols_(symbols), abc_(abc) {
    std::error_code error;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, error);
    try {
        openChecked();
    } catch (const LibraryError& damage) {
        setAsideAndRebuild(damage.what());
    }
}

LibraryIndex::~LibraryIndex() = default;

void LibraryIndex::openChecked() {
    db_ = std::make_unique<SqliteConnection>(path_);
    sqlite3_busy_timeout(db_->handle(), kBusyTimeoutMs);
    const std::vector<std::string> check = column("PRAGMA quick_check");
    if (check.size() != 1 || check[0] != "ok") throw LibraryError("the integrity check failed");
    const std::int64_t found = number("PRAGMA user_version");
    const bool known = found == 0 || found == 1 || found == kSchemaVersion;
    if (!known || (found == 0 && number("SELECT count(*) FROM sqlite_schema") != 0)) {
        throw LibraryError("it is not a tune library index of this version");
    }
    // Readers go on while another program writes.
    db_->execute("PRAGMA journal_mode=WAL");
    if (found != kSchemaVersion) createSchema();
}

void LibraryIndex::createSchema() {
    Transaction transaction(*db_);
    // Another program may have made it while this one waited for the lock.
    const std::int64_t found = number("PRAGMA user_version");
    if (found == kSchemaVersion) return;
    db_->execute(found == 1 ? kFromVersion1 : kSchema);
    db_->execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    transaction.commit();
}

std::int64_t LibraryIndex::number(const char* sql) {
    SqliteStatement select(*db_, sql);
    return select.step() ? select.integer(0) : 0;
}

void LibraryIndex::setAsideAndRebuild(const std::string& why) {
    // The folders are the user's own choice: read what can still be read of
    // them, then scan them from the disk. No tune is taken from the old file.
    std::vector<std::string> oldFolders;
    try {
        if (db_) oldFolders = column("SELECT path FROM folders ORDER BY path");
    } catch (const LibraryError&) {
        oldFolders.clear();
    }
    db_.reset();
    const std::string aside = path_ + ".damaged";
    std::error_code error;
    fs::rename(path_, aside, error);
    if (error) throw LibraryError(path_ + ": damaged (" + why + ") and cannot be set aside: " + error.message());
    // A journal left beside the old file belongs to it, never to the new one.
    for (const char* suffix : {"-wal", "-journal"}) fs::rename(path_ + suffix, aside + suffix, error);
    fs::remove(path_ + "-shm", error);
    openChecked();
    rebuildNotice_ = "The library index " + path_ + " was damaged (" + why + "); it was kept as " + aside +
                     " and made again from the folders.";
    std::vector<std::string> existing;
    for (const std::string& folder : oldFolders) {
        if (fs::is_directory(folder, error)) existing.push_back(folder);
    }
    if (!existing.empty()) addFolders(existing);
}

ScanReport LibraryIndex::addFolders(const std::vector<std::string>& folders) {
    ScanReport report;
    for (const std::string& given : folders) {
        const std::string folder = normalFolderPath(given);
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            report.problems.push_back(given + ": not found or not a folder");
            continue;
        }
        {
            Transaction transaction(*db_);
            SqliteStatement insert(*db_, "INSERT OR IGNORE INTO folders(path) VALUES (?)");
            insert.bind(1, folder).run();
            transaction.commit();
        }
        report.add(scanOne(folder));
    }
    return report;
}

bool LibraryIndex::removeFolder(const std::string& given) {
    const std::string folder = normalFolderPath(given);
    Transaction transaction(*db_);
    SqliteStatement remove(*db_, "DELETE FROM folders WHERE path = ?");
    remove.bind(1, folder).run();
    if (sqlite3_changes(db_->handle()) == 0) return false;
    // Files that another library folder still holds stay.
    const std::vector<std::string> remaining = column("SELECT path FROM folders");
    SqliteStatement files(*db_, "SELECT id, path FROM files WHERE path >= ? AND path < ?");
    files.bind(1, lowerBound(folder)).bind(2, upperBound(folder));
    std::vector<std::int64_t> drop;
    while (files.step()) {
        const std::string path = files.text(1);
        bool kept = false;
        for (const std::string& other : remaining) kept = kept || path.starts_with(lowerBound(other));
        if (!kept) drop.push_back(files.integer(0));
    }
    files.reset();
    for (const std::int64_t id : drop) removeFileRow(*db_, id);
    markDuplicates();
    transaction.commit();
    return true;
}

ScanReport LibraryIndex::rescan() {
    ScanReport report;
    for (const std::string& folder : folders()) report.add(scanOne(folder));
    return report;
}

ScanReport LibraryIndex::scanOne(const std::string& folder) {
    std::unordered_map<std::string, FileStamp> known;
    {
        SqliteStatement select(*db_, "SELECT path, modified, size FROM files WHERE path >= ? AND path < ?");
        select.bind(1, lowerBound(folder)).bind(2, upperBound(folder));
        while (select.step()) known.emplace(select.text(0), FileStamp{select.integer(1), select.integer(2)});
    }
    // The files are read without holding the lock; only the writing below
    // keeps other programs waiting.
    const FolderScanResult scan = scanFolder(folder, known, symbols_, abc_);
    ScanReport report;
    if (!scan.problem.empty()) report.problems.push_back(scan.problem);
    if (!scan.found) return report;

    Transaction transaction(*db_);
    std::set<std::string> seen;
    for (const ScannedFile& file : scan.files) {
        seen.insert(file.path);
        if (file.unchanged) {
            ++report.filesUnchanged;
            continue;
        }
        storeFile(file);
        ++report.filesRead;
        report.tunesRead += static_cast<int>(file.tunes.size());
        if (!file.skipReason.empty()) report.skipped.push_back({file.path, file.skipReason});
    }
    // What the index holds now, which another program may have changed
    // since the stamps were read.
    SqliteStatement present(*db_, "SELECT id, path FROM files WHERE path >= ? AND path < ?");
    present.bind(1, lowerBound(folder)).bind(2, upperBound(folder));
    std::vector<std::int64_t> gone;
    while (present.step()) {
        if (!seen.contains(present.text(1))) gone.push_back(present.integer(0));
    }
    present.reset();
    for (const std::int64_t id : gone) removeFileRow(*db_, id);
    report.filesRemoved = static_cast<int>(gone.size());
    if (report.filesRead > 0 || report.filesRemoved > 0) markDuplicates();
    transaction.commit();
    return report;
}

void LibraryIndex::markDuplicates() {
    // The first copy of a tune, by file path and place in its file, is the
    // one the library shows; each later copy names it as its original.
    SqliteStatement select(*db_,
                           "SELECT t.id, t.fingerprint, t.original FROM tunes t JOIN files f ON f.id = t.file "
                           "WHERE t.fingerprint <> 0 ORDER BY t.fingerprint, f.path, t.position");
    SqliteStatement update(*db_, "UPDATE tunes SET original = ? WHERE id = ?");
    std::int64_t fingerprint = 0;
    std::int64_t first = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> changes;  // (id, original)
    while (select.step()) {
        const std::int64_t id = select.integer(0);
        if (select.integer(1) != fingerprint || first == 0) {
            fingerprint = select.integer(1);
            first = id;
        }
        const std::int64_t original = id == first ? 0 : first;
        if (select.integer(2) != original) changes.emplace_back(id, original);
    }
    select.reset();
    for (const auto& [id, original] : changes) update.bind(1, original).bind(2, id).run();
}

void LibraryIndex::storeFile(const ScannedFile& file) {
    SqliteStatement old(*db_, "SELECT id FROM files WHERE path = ?");
    old.bind(1, file.path);
    if (old.step()) {
        SqliteStatement tunes(*db_, "DELETE FROM tunes WHERE file = ?");
        tunes.bind(1, old.integer(0)).run();
    }
    old.reset();
    SqliteStatement upsert(*db_,
                           "INSERT INTO files(path, modified, size, skipped) VALUES (?, ?, ?, ?) "
                           "ON CONFLICT(path) DO UPDATE SET modified = excluded.modified, size = excluded.size, "
                           "skipped = excluded.skipped RETURNING id");
    upsert.bind(1, file.path).bind(2, file.stamp.modified).bind(3, file.stamp.size).bind(4, file.skipReason);
    upsert.step();
    const std::int64_t id = upsert.integer(0);
    upsert.reset();
    SqliteStatement insert(*db_,
                           "INSERT INTO tunes(file, position, title, type, composer, footer, time, parts, tempo, "
                           "fingerprint) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const TuneSummary& tune : file.tunes) {
        insert.bind(1, id).bind(2, std::int64_t{tune.position}).bind(3, tune.title).bind(4, tune.type);
        insert.bind(5, tune.composer).bind(6, tune.footer).bind(7, tune.time).bind(8, std::int64_t{tune.parts});
        insert.bind(9, std::int64_t{tune.tempo}).bind(10, static_cast<std::int64_t>(tune.fingerprint)).run();
    }
}

std::vector<std::string> LibraryIndex::folders() { return column("SELECT path FROM folders ORDER BY path"); }

std::vector<std::string> LibraryIndex::types() {
    return column("SELECT DISTINCT type FROM tunes WHERE type <> '' ORDER BY type COLLATE NOCASE");
}

std::vector<std::string> LibraryIndex::times() {
    return column("SELECT DISTINCT time FROM tunes WHERE time <> '' ORDER BY time");
}

std::vector<std::string> LibraryIndex::column(const char* sql) {
    std::vector<std::string> values;
    SqliteStatement select(*db_, sql);
    while (select.step()) values.push_back(select.text(0));
    return values;
}

std::vector<LibraryTune> LibraryIndex::findTunes(const TuneQuery& query) {
    const std::string words = fullTextQuery(query.words);
    std::string sql =
        "SELECT t.id, f.path, t.position, t.title, t.type, t.composer, t.footer, t.time, t.parts, t.tempo "
        "FROM tunes t JOIN files f ON f.id = t.file";
    if (!words.empty()) sql += " JOIN tune_words w ON w.rowid = t.id";
    sql += " WHERE t.original = 0 AND (?2 = '' OR t.type = ?2 COLLATE NOCASE) AND (?3 = '' OR t.time = ?3)";
    if (!words.empty()) sql += " AND tune_words MATCH ?1";
    sql += " ORDER BY t.title COLLATE NOCASE, f.path, t.position";
    SqliteStatement select(*db_, sql.c_str());
    if (!words.empty()) select.bind(1, words);
    select.bind(2, query.type).bind(3, query.time);
    std::vector<LibraryTune> tunes;
    while (select.step()) {
        LibraryTune tune;
        tune.id = select.integer(0);
        tune.file = select.text(1);
        tune.summary.position = static_cast<int>(select.integer(2));
        tune.summary.title = select.text(3);
        tune.summary.type = select.text(4);
        tune.summary.composer = select.text(5);
        tune.summary.footer = select.text(6);
        tune.summary.time = select.text(7);
        tune.summary.parts = static_cast<int>(select.integer(8));
        tune.summary.tempo = static_cast<int>(select.integer(9));
        tunes.push_back(std::move(tune));
    }
    return tunes;
}

std::vector<SkippedFile> LibraryIndex::skippedFiles() {
    std::vector<SkippedFile> files;
    SqliteStatement select(*db_, "SELECT path, skipped FROM files WHERE skipped <> '' ORDER BY path");
    while (select.step()) files.push_back({select.text(0), select.text(1)});
    SqliteStatement copies(*db_,
                           "SELECT f.path, t.position, t.title, g.path, o.position FROM tunes t "
                           "JOIN files f ON f.id = t.file JOIN tunes o ON o.id = t.original "
                           "JOIN files g ON g.id = o.file ORDER BY f.path, t.position");
    while (copies.step()) {
        files.push_back({copies.text(0), "tune " + std::to_string(copies.integer(1) + 1) + " \"" + copies.text(2) +
                                             "\" is the same as tune " + std::to_string(copies.integer(4) + 1) +
                                             " of " + copies.text(3) + " (shown from there)"});
    }
    return files;
}

}  // namespace skirlo
