#include "document/FileHistory.h"

#include <algorithm>

#include "tunefile/Profile.h"

namespace skirlo {

namespace {

constexpr const char* kRecentSection = "Recent File List";

std::string recentKey(std::size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

TuneFolder::TuneFolder(const Profile& profile) : folder_(profile.getString("File", "TuneLocation", "")) {}

void TuneFolder::remember(const std::string& path, Profile& profile) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (folder == folder_) return;
    folder_ = folder;
    profile.writeString("File", "TuneLocation", folder_);
}

RecentFiles::RecentFiles(const Profile& profile) {
    for (std::size_t i = 0; i < kSize; ++i) {
        const std::string path = profile.getString(kRecentSection, recentKey(i), "");
        if (!path.empty()) loaded_.push_back(path);
    }
    paths_ = loaded_;
}

void RecentFiles::add(const std::string& path) {
    remove(path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kSize) paths_.resize(kSize);
}

void RecentFiles::remove(const std::string& path) { std::erase(paths_, path); }

void RecentFiles::save(Profile& profile) const {
    if (paths_ == loaded_) return;
    for (std::size_t i = 0; i < kSize; ++i) {
        profile.writeString(kRecentSection, recentKey(i), i < paths_.size() ? paths_[i] : std::string());
    }
}

}  // namespace skirlo
