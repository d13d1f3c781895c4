#include "tunefile/TuneFileIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tunefile/FileReplace.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

TuneFileLoad failure(std::string message) {
    TuneFileLoad result;
    result.error = std::move(message);
    return result;
}

std::string unreadable(const std::string& path) {
    return "Unable to read from " + path + ": " + std::strerror(errno) + ".";
}

}  // namespace

TuneFileLoad loadTuneFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure(unreadable(path));
    // Read at most one byte more than the limit: enough to refuse the file
    // without holding an arbitrarily large one in memory.
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= ScriptText::kMaxSize) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            TuneFileLoad result = failure(unreadable(path));
            ::close(fd);
            return result;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (bytes.size() > ScriptText::kMaxSize) return failure("The file is too large to open.");
    // A tune is text: a NUL byte means a picture, a program or a damaged
    // file, which conversion would turn to garbage and a save would destroy.
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos)
        return failure(path + " is not a tune file: it holds binary data (a NUL byte at byte " +
                       std::to_string(nul + 1) + ").");
    TuneFileLoad result;
    result.ok = true;
    result.bytes = std::move(bytes);
    return result;
}

bool saveTuneFile(const std::string& path, std::string_view bytes, std::string& error) {
    // Conversion and settings lines add bytes; a file past the limit could
    // never be opened again, so it is not written at all.
    if (bytes.size() > ScriptText::kMaxSize) {
        error = "Unable to write to " + path + ": the text would be " + std::to_string(bytes.size()) +
                " bytes, more than a tune file may hold (" + std::to_string(ScriptText::kMaxSize) + ").";
        return false;
    }
    // Renaming over a read-only file would succeed; the user made it
    // read-only so that it is not overwritten.
    struct stat existing {};
    const bool readOnly = ::stat(path.c_str(), &existing) == 0 &&
                          ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0);
    if (readOnly) {
        error = "Unable to write to " + path + ", it is read-only or opened by someone else.";
        return false;
    }
    return replaceFileContents(path, bytes, error);
}

}  // namespace skirlo
