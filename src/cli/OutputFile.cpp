#include "cli/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace skirlo {

namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The names a writer's temporary files start with: the name beside which it
// writes, for the path as given and for the file a link names.
std::vector<std::string> temporaryPrefixes(const std::string& path) {
    std::error_code ignored;
    std::vector<std::string> prefixes{fs::weakly_canonical(fs::absolute(path), ignored).string() + "."};
    const fs::path target = fs::canonical(path, ignored);
    if (!ignored) prefixes.push_back(target.string() + ".");
    return prefixes;
}

bool copyInto(char (&buffer)[PATH_MAX], const std::string& text) {
    if (text.size() >= PATH_MAX) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// A signal handler can reach nothing but what is static.
std::atomic<const OutputFile::Leftovers*> pendingLeftovers{nullptr};

// Calls `each` with the name of every entry of the open folder `folder`
// but . and .., by system calls alone.
template <typename Each>
void forEachEntry(int folder, Each each) {
    alignas(8) char buffer[4096];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer);
        if (got <= 0) return;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) each(name);
            at += entry->d_reclen;
        }
    }
}

void removeFolder(const char* path) {
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    forEachEntry(folder, [folder](const char* name) { ::unlinkat(folder, name, 0); });
    ::close(folder);
    ::rmdir(path);
}

// The temporaries this process has open beside the file: found through the
// names of its open files, since the writer chose them.
void removeOpenTemporaries(const OutputFile::Leftovers& leftovers) {
    const int fds = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fds < 0) return;
    forEachEntry(fds, [&](const char* fd) {
        char name[PATH_MAX];
        const ssize_t length = ::readlinkat(fds, fd, name, sizeof name - 1);
        if (length <= 0) return;
        name[length] = '\0';
        for (int i = 0; i < leftovers.prefixCount; ++i) {
            const char* prefix = leftovers.prefixes[i];
            if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) ::unlink(name);
        }
    });
    ::close(fds);
}

void onInterrupt(int signal) {
    if (const OutputFile::Leftovers* leftovers = pendingLeftovers.load()) {
        if (leftovers->stagingFolder[0] != '\0') {
            removeFolder(leftovers->stagingFolder);
        } else {
            removeOpenTemporaries(*leftovers);
        }
    }
    // Ended by the signal, as the shell expects of an interrupted program:
    // the handler is already reset to the default and does not block it.
    ::raise(signal);
    ::_exit(128 + signal);
}

}  // namespace

OutputFile::OutputFile(std::string path, const std::string& extension)
    : path_(std::move(path)), extension_(extension) {}

OutputFile::~OutputFile() {
    if (leftovers_) {
        for (const auto& [signal, action] : previousActions_) sigaction(signal, &action, nullptr);
        pendingLeftovers = nullptr;
    }
    std::error_code ignored;
    if (!stagingFolder_.empty()) fs::remove_all(stagingFolder_, ignored);
}

bool OutputFile::open() {
    if (path_ == "-") {
        const char* temporaryRoot = std::getenv("TMPDIR");
        std::string pattern = std::string(temporaryRoot != nullptr && *temporaryRoot != '\0' ? temporaryRoot : "/tmp") +
                              "/skirlo-cli-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr, "skirlo-cli: cannot make a folder for the output in %s: %s\n",
                         fs::path(pattern).parent_path().c_str(), std::strerror(errno));
            return false;
        }
        stagingFolder_ = pattern;
        path_ = stagingFolder_ + "/output" + extension_;
    }
    catchInterrupts();
    return true;
}

// Ctrl+C, a termination request or a closed terminal removes what this file
// left half made. Threads of the libraries may take a signal whatever their
// masks, so the handler does its work on whichever thread it runs.
void OutputFile::catchInterrupts() {
    if (pendingLeftovers.load() != nullptr) return;
    auto leftovers = std::make_unique<Leftovers>();
    if (!stagingFolder_.empty()) {
        if (!copyInto(leftovers->stagingFolder, stagingFolder_)) return;
    } else {
        for (const std::string& prefix : temporaryPrefixes(path_)) {
            if (leftovers->prefixCount < 2 && copyInto(leftovers->prefixes[leftovers->prefixCount], prefix)) {
                ++leftovers->prefixCount;
            }
        }
    }
    leftovers_ = std::move(leftovers);
    pendingLeftovers = leftovers_.get();
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND | SA_NODEFER;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        sigaction(signal, &action, &previous);
        previousActions_.emplace_back(signal, previous);
    }
}

bool OutputFile::finish() {
    if (stagingFolder_.empty()) return true;
    std::ifstream in(path_, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0 && std::fwrite(buffer.data(), 1, got, stdout) != got) break;
    }
    if (!in.eof() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "skirlo-cli: cannot write to standard output: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}

std::string extensionProblem(const std::string& path, const std::string& extensions) {
    if (path == "-") return {};
    const std::string extension = lowerExtension(path);
    std::string list;
    std::size_t start = 0;
    while (start < extensions.size()) {
        const std::size_t comma = std::min(extensions.find(',', start), extensions.size());
        const std::string allowed = extensions.substr(start, comma - start);
        if (!extension.empty() && extension == allowed) return {};
        list += (list.empty() ? "" : comma == extensions.size() ? " or " : ", ") + allowed;
        start = comma + 1;
    }
    return "cannot tell the format of '" + path + "': the name must end in " + list + " (or be - for standard output)";
}

}  // namespace skirlo
