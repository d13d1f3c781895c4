#pragma once
// Writing a whole file so that it is never left half written: the bytes go to
// a new file in the same folder, which is then renamed over the old one. The
// contents are replaced, not the name: a link stays a link to the file it
// names, and a file keeps its permissions.

#include <cstddef>
#include <string>
#include <string_view>

namespace skirlo {

// Whether a replaced file must survive a crash of the whole machine that
// comes right after it is written. Either way the program itself never
// leaves a half-written file: the rename puts the whole file in place.
enum class Durability {
    // Flushed to the disk before it is renamed into place: tune files and
    // settings, the user's own work, which nothing can make again.
    Flushed,
    // Renamed into place as soon as it is written: MIDI files, pictures and
    // the like, made from a tune and made again as easily. Flushing costs
    // more than making a MIDI file does.
    Renamed,
};

// A file written in pieces and put in place only when complete; a write that
// is abandoned (destroyed without commit) leaves nothing behind.
class ReplacementFile {
public:
    explicit ReplacementFile(std::string path, Durability durability = Durability::Flushed);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // False with `error` set when no file can be made beside the target.
    bool open(std::string& error);
    // False once any write has failed; the reason is kept for commit.
    bool write(const void* data, std::size_t size);
    // Writes over bytes written before, such as a length known only at the
    // end; false, as write, once any write has failed.
    bool writeAt(std::size_t offset, const void* data, std::size_t size);
    // Whether a write has failed: commit will then say why.
    bool failed() const { return errno_ != 0; }
    // Flushes the bytes to the disk (if they are to be durable) and renames
    // them into place.
    bool commit(std::string& error);

private:
    void fail();

    std::string path_;
    std::string target_;
    std::string temporary_;
    Durability durability_;
    int fd_ = -1;
    int errno_ = 0;  // of the first failed write
    bool committed_ = false;
};

// True when the file now holds exactly `bytes`. On failure the old file (if
// any) is untouched, no temporary file is left behind and `error` says why.
bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error,
                         Durability durability = Durability::Flushed);

}  // namespace skirlo
