#include "tunefile/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace skirlo {

namespace {

std::string systemError(int number) { return std::strerror(number); }

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

}  // namespace

ReplacementFile::ReplacementFile(std::string path, Durability durability)
    : path_(std::move(path)), target_(targetOf(path_)), durability_(durability) {}

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

bool ReplacementFile::open(std::string& error) {
    fd_ = createTemporary(target_, temporary_);
    if (fd_ < 0) {
        temporary_.clear();
        error = "Unable to write to " + path_ + ": " + systemError(errno) + ".";
        return false;
    }
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
    return true;
}

void ReplacementFile::fail() {
    if (errno_ == 0) errno_ = errno != 0 ? errno : EIO;
}

bool ReplacementFile::write(const void* data, std::size_t size) {
    if (fd_ < 0 || errno_ != 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail();
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReplacementFile::writeAt(std::size_t offset, const void* data, std::size_t size) {
    if (fd_ < 0 || errno_ != 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            fail();
            return false;
        }
        bytes += written;
        offset += static_cast<std::size_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReplacementFile::commit(std::string& error) {
    if (fd_ < 0) return false;
    if (errno_ == 0 && durability_ == Durability::Flushed && ::fsync(fd_) != 0) fail();
    if (::close(fd_) != 0) fail();
    fd_ = -1;
    if (errno_ == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    if (errno_ != 0) {
        error = "Unable to write to " + path_ + ": " + systemError(errno_) + ".";
        return false;
    }
    committed_ = true;
    return true;
}

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error, Durability durability) {
    ReplacementFile file(path, durability);
    if (!file.open(error)) return false;
    file.write(bytes.data(), bytes.size());
    return file.commit(error);
}

}  // namespace skirlo
