#include "cli/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

// The files this process has open, by their names.
std::vector<std::string> openFiles() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ignored)) {
        const fs::path name = fs::read_symlink(entry.path(), ignored);
        if (!ignored) names.push_back(name.string());
    }
    return names;
}

// A signal handler can reach nothing but what is static; it only tells the
// watcher, through this pipe, which signal came.
std::atomic<int> interruptPipe{-1};

void tellWatcher(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe.load(), &number, 1);
    errno = saved;
}

}  // namespace

OutputFile::OutputFile(std::string path, const std::string& extension)
    : path_(std::move(path)), extension_(extension) {}

OutputFile::~OutputFile() {
    if (watcher_.joinable()) {
        for (const auto& [signal, action] : previousActions_) sigaction(signal, &action, nullptr);
        const unsigned char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(pipe_[1], &stop, 1);
        watcher_.join();
        interruptPipe = -1;
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    std::error_code ignored;
    if (!stagingFolder_.empty()) fs::remove_all(stagingFolder_, ignored);
}

bool OutputFile::open() {
    // Threads of the libraries may take a signal whatever their masks, so a
    // handler catches it on any thread and the watcher does the work.
    if (interruptPipe == -1 && ::pipe2(pipe_, O_CLOEXEC) == 0) {
        interruptPipe = pipe_[1];
        watcher_ = std::thread([this] { watchForInterrupts(); });
        struct sigaction action {};
        action.sa_handler = tellWatcher;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction previous {};
            sigaction(signal, &action, &previous);
            previousActions_.emplace_back(signal, previous);
        }
    }
    if (path_ != "-") return true;
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
    return true;
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

void OutputFile::watchForInterrupts() {
    unsigned char signal = 0;
    while (::read(pipe_[0], &signal, 1) < 0 && errno == EINTR) {
    }
    if (signal == 0) return;
    removeOwnTemporaries();
    // Ended by the signal, as the shell expects of an interrupted program.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

void OutputFile::removeOwnTemporaries() const {
    std::error_code ignored;
    if (!stagingFolder_.empty()) {
        fs::remove_all(stagingFolder_, ignored);
        return;
    }
    const std::vector<std::string> prefixes = temporaryPrefixes(path_);
    for (const std::string& name : openFiles()) {
        for (const std::string& prefix : prefixes) {
            if (name.rfind(prefix, 0) == 0) fs::remove(name, ignored);
        }
    }
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
