#pragma once
// Walking a library folder: every tune file under it with its modification
// time and size, read only when those differ from what the index holds.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/TuneSummary.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

class EmbellishmentTable;
class SymbolMap;

struct FileStamp {
    std::int64_t modified = 0;  // nanoseconds since the epoch
    std::int64_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

struct ScannedFile {
    std::string path;
    FileStamp stamp;
    bool unchanged = false;   // the index's stamp matched: not read
    std::string skipReason;   // non-empty: unreadable, too large or not a tune file
    std::vector<TuneSummary> tunes;
};

struct FolderScanResult {
    std::string folder;             // absolute and normal
    bool found = false;             // false: missing or not a folder (nothing below is known)
    std::string problem;            // why the walk failed or stopped short
    std::vector<ScannedFile> files; // every tune file found, sorted by path
};

// The folder's absolute, normal form: the key it is kept under.
std::string normalFolderPath(const std::string& folder);

// True for a name ending in ".tnz" in any letter case.
bool isTuneFileName(const std::string& path);
// True for a name ending in ".abc" in any letter case.
bool isAbcFileName(const std::string& path);

// The tune text of a library file: a tune file's bytes, or the tunes of an
// ABC file as the importer writes them (read only: the ABC file stays as
// it is). Without `abc`, ABC files are refused.
TuneFileLoad loadLibraryFile(const std::string& path, const EmbellishmentTable* abc);

// Walks the folder (symbolic links to folders are not followed, so a loop
// cannot trap the walk) and reads every tune file, and with `abc` every ABC
// file, whose stamp is not the one in `known`.
FolderScanResult scanFolder(const std::string& folder, const std::unordered_map<std::string, FileStamp>& known,
                            const SymbolMap& symbols, const EmbellishmentTable* abc = nullptr);

}  // namespace skirlo
