#include "library/FolderScan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <sys/stat.h>

#include "interchange/AbcReader.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace fs = std::filesystem;

namespace {

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    stamp.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.size = static_cast<std::int64_t>(info.st_size);
    return true;
}

bool endsWith(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    std::string end = path.substr(path.size() - extension.size());
    std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == extension;
}

void readFile(ScannedFile& file, const SymbolMap& symbols, const EmbellishmentTable* abc) {
    if (file.stamp.size > static_cast<std::int64_t>(ScriptText::kMaxSize)) {
        file.skipReason = "The file is too large to open.";
        return;
    }
    TuneFileLoad load = loadLibraryFile(file.path, abc);
    if (!load.ok) {
        file.skipReason = load.error;
        return;
    }
    file.skipReason = notTuneFileReason(load.bytes);
    if (file.skipReason.empty()) file.tunes = summarizeTunes(std::move(load.bytes), symbols);
}

}  // namespace

std::string normalFolderPath(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::absolute(folder, error).lexically_normal();
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool isTuneFileName(const std::string& path) { return endsWith(path, ".tnz"); }

bool isAbcFileName(const std::string& path) { return endsWith(path, ".abc"); }

TuneFileLoad loadLibraryFile(const std::string& path, const EmbellishmentTable* abc) {
    if (!isAbcFileName(path)) return loadTuneFile(path);
    TuneFileLoad load;
    if (abc == nullptr) {
        load.error = path + ": ABC files are not read here.";
        return load;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        load.error = "Unable to read from " + path + ".";
        return load;
    }
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    AbcImport imported = importAbc(text, *abc);
    if (imported.tunes == 0) {
        load.error = "No tune with music was found in " + path + ".";
    } else if (imported.tuneText.size() > ScriptText::kMaxSize) {
        load.error = "The file is too large to open.";
    } else {
        load.ok = true;
        load.bytes = std::move(imported.tuneText);
    }
    return load;
}

FolderScanResult scanFolder(const std::string& folder, const std::unordered_map<std::string, FileStamp>& known,
                            const SymbolMap& symbols, const EmbellishmentTable* abc) {
    FolderScanResult result;
    result.folder = normalFolderPath(folder);
    std::error_code error;
    if (!fs::is_directory(result.folder, error)) {
        result.problem = result.folder + ": not found or not a folder";
        return result;
    }
    fs::recursive_directory_iterator walk(result.folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        result.problem = result.folder + ": " + error.message();
        return result;
    }
    result.found = true;
    for (const fs::recursive_directory_iterator end; walk != end; walk.increment(error)) {
        if (error) {
            result.problem = result.folder + ": " + error.message();
            result.found = false;  // a walk cut short must not drop the files it did not reach
            break;
        }
        const std::string path = walk->path().string();
        const bool wanted = isTuneFileName(path) || (abc != nullptr && isAbcFileName(path));
        if (!wanted || !walk->is_regular_file(error)) continue;
        ScannedFile file;
        file.path = path;
        if (!stampOf(path, file.stamp)) {
            file.skipReason = "Unable to read from " + path + ".";
        } else if (const auto old = known.find(path); old != known.end() && old->second == file.stamp) {
            file.unchanged = true;
        } else {
            readFile(file, symbols, abc);
        }
        result.files.push_back(std::move(file));
    }
    std::sort(result.files.begin(), result.files.end(),
              [](const ScannedFile& a, const ScannedFile& b) { return a.path < b.path; });
    return result;
}

}  // namespace skirlo
