#pragma once
// The tune library: an SQLite index of every tune in the user's folders.
//
// The database holds the folders, every tune file found under them (with the
// modification time and size it was read at, or the reason it was skipped)
// and every tune's text records, searchable word by word with accents
// ignored. Every change is one transaction, so another program reading or
// writing the same database sees the index before or after it, never half
// of it; a writer waits for another one (SQLite's locking) instead of failing.
//
// A database that fails its integrity check, or is not a library index at
// all, is never trusted: it is renamed aside (FILE.damaged) and a new one is
// made, scanning again the folders the old one still names.
//
// Failures of the database throw LibraryError; problems with tune files are
// reported, never thrown.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "library/FolderScan.h"
#include "library/Sqlite.h"

namespace skirlo {

class EmbellishmentTable;
class SymbolMap;

struct LibraryTune {
    std::int64_t id = 0;
    std::string file;
    TuneSummary summary;
};

struct SkippedFile {
    std::string path;
    std::string reason;
};

struct ScanReport {
    int filesRead = 0;
    int filesUnchanged = 0;
    int filesRemoved = 0;
    int tunesRead = 0;
    std::vector<SkippedFile> skipped;   // files read in this scan and left out
    std::vector<std::string> problems;  // folders that could not be walked (their tunes are kept)
    void add(const ScanReport& other);
};

struct TuneQuery {
    std::string words;  // every word must begin a word of the title, type, composer or footer
    std::string type;   // exact tune type, any letter case; empty: any
    std::string time;   // exact time signature ("6/8"); empty: any
};

// $XDG_DATA_HOME/skirlo/library.sqlite, else ~/.local/share/skirlo/library.sqlite.
std::string defaultLibraryPath();

// The FTS5 query of what the user typed: each word a quoted prefix, all required.
// Empty when nothing searchable was typed.
std::string fullTextQuery(const std::string& words);

class LibraryIndex {
public:
    // Opens (creating the folder and the file when needed) and checks the
    // database. `symbols` tells the tune reader which words are time signatures;
    // with `abc`, ABC files are indexed too, read through the importer.
    LibraryIndex(const std::string& path, const SymbolMap& symbols, const EmbellishmentTable* abc = nullptr);
    ~LibraryIndex();

    // Non-empty when the database was damaged and has been made again.
    const std::string& rebuildNotice() const { return rebuildNotice_; }
    const std::string& path() const { return path_; }

    // Adds the folders and scans them.
    ScanReport addFolders(const std::vector<std::string>& folders);
    // Takes a folder out of the library with its tunes; false when it was not in it.
    bool removeFolder(const std::string& folder);
    // Scans every folder again: changed files are read, removed ones dropped.
    ScanReport rescan();

    std::vector<std::string> folders();
    // The first copy of each tune only: later copies (the same text in
    // another file, or later in the same one) are among the skipped.
    std::vector<LibraryTune> findTunes(const TuneQuery& query);
    // Files left out with the reason, and each copy of a tune shown from elsewhere.
    std::vector<SkippedFile> skippedFiles();
    // The distinct tune types and time signatures, sorted, for the filters.
    std::vector<std::string> types();
    std::vector<std::string> times();

private:
    void openChecked();
    void setAsideAndRebuild(const std::string& why);
    void createSchema();
    ScanReport scanOne(const std::string& folder);
    void storeFile(const ScannedFile& file);
    void markDuplicates();
    std::vector<std::string> column(const char* sql);
    std::int64_t number(const char* sql);

    std::string path_;
    const SymbolMap& symbols_;
    const EmbellishmentTable* abc_;
    std::unique_ptr<SqliteConnection> db_;
    std::string rebuildNotice_;
};

}  // namespace skirlo
