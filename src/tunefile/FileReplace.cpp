#include "tunefile/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace skirlo {

namespace {

std::string systemError() { return std::strerror(errno); }

// A link is followed so that the file it names is replaced, not the link.
std::string targetOf(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_symlink(path, ignored)) {
        auto resolved = std::filesystem::canonical(path, ignored);
        if (!ignored) return resolved.string();
    }
    return path;
}

// Creates a new, empty file beside the target; -1 when none can be made.
int createTemporary(const std::string& target, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        // 0666 lets the umask decide, as for any file the user creates.
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error) {
    const std::string target = targetOf(path);
    std::string temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0) {
        error = "Unable to write to " + path + ": " + systemError() + ".";
        return false;
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    std::string reason = ok ? std::string() : systemError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = systemError();
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        reason = systemError();
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = "Unable to write to " + path + ": " + reason + ".";
    }
    return ok;
}

}  // namespace skirlo
