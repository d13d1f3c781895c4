#pragma once
// What the program remembers of the files it opened, in the profile file:
// the folder the Open dialog starts in ("File"/"TuneLocation", written once
// per new folder) and the recent-file list of four entries ("Recent File
// List"/"File1".."File4", newest first, written at exit when it changed).

#include <string>
#include <vector>

namespace skirlo {

class Profile;

class TuneFolder {
public:
    explicit TuneFolder(const Profile& profile);
    const std::string& folder() const { return folder_; }
    // After a successful open: the path's folder, with its trailing '/',
    // becomes the tune folder and is written when it differs.
    void remember(const std::string& path, Profile& profile);

private:
    std::string folder_;
};

class RecentFiles {
public:
    static constexpr std::size_t kSize = 4;

    explicit RecentFiles(const Profile& profile);
    const std::vector<std::string>& paths() const { return paths_; }
    // Moves or adds the path to the front; the oldest falls off.
    void add(const std::string& path);
    void remove(const std::string& path);
    // Writes the list when it differs from the one read.
    void save(Profile& profile) const;

private:
    std::vector<std::string> loaded_;
    std::vector<std::string> paths_;
};

}  // namespace skirlo
