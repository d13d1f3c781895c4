#pragma once
// Where a command writes its file: the path after -o, or standard output for
// "-o -". Ctrl+C (or a termination request) while it is being written leaves
// no temporary file behind.

#include <limits.h>
#include <signal.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace skirlo {

class OutputFile {
public:
    // `extension` (".png") names the file written aside for standard output,
    // so that writers that go by the name choose the right format.
    OutputFile(std::string path, const std::string& extension);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool toStandardOutput() const { return !stagingFolder_.empty(); }
    // The name to write; false from open() when no private folder can be made
    // for standard output, with the reason printed.
    bool open();
    const std::string& path() const { return path_; }
    // For standard output, copies the finished file there; false with the
    // reason printed when that fails.
    bool finish();

    // What the interrupt handler removes, in plain buffers, because a
    // handler may make system calls but not allocate.
    struct Leftovers {
        char stagingFolder[PATH_MAX] = {};
        char prefixes[2][PATH_MAX] = {};  // of temporaries beside the file
        int prefixCount = 0;
    };

private:
    void catchInterrupts();

    std::string path_;
    std::string extension_;
    std::string stagingFolder_;
    std::unique_ptr<Leftovers> leftovers_;
    std::vector<std::pair<int, struct sigaction>> previousActions_;
};

// Why `path` (after -o) cannot be used for a file of one of `extensions`
// (".mid,.midi"), or empty: a usage mistake names the formats.
std::string extensionProblem(const std::string& path, const std::string& extensions);

}  // namespace skirlo
