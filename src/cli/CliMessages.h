#pragma once
// The desktop program's message boxes on a terminal: "caption: text" on
// standard error, each message once however often the build repeats it.
// A problem of the tune text is printed once per occurrence as
// "FILE:LINE:COLUMN: caption: text", the place counted in the file as it is
// on disk: the edits that opening makes to the text (settings lines, the
// header line, completed records) are followed and counted back.

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/MessageSink.h"

namespace skirlo {

class ScriptText;

class CliMessages final : public MessageSink {
public:
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;
    void report(const TuneProblem& problem) override;
    // How many errors were shown ("Symbol Error" and the like), repeats included.
    int errors() const { return errors_; }

    // The file whose script the next builds read, as loaded from disk: its
    // edits from now on are followed. The script's observer then calls this
    // sink, so the sink outlives the script; `stopFollowing` ends it early.
    void follow(std::string path, ScriptText& script);
    void stopFollowing();
    // Prints a problem whose place is counted in the file text itself.
    void reportInFile(const TuneProblem& problem);

private:
    struct Edit {
        std::size_t begin;
        std::size_t removed;
        std::size_t inserted;
    };
    // The offset in the file of an offset in the script as it is now.
    std::size_t offsetInFile(std::size_t at) const;

    std::set<std::pair<std::string, std::string>> shown_;
    std::set<std::pair<std::size_t, std::string>> shownAt_;  // file offset, message
    int errors_ = 0;
    std::string path_;
    std::string fileText_;
    ScriptText* script_ = nullptr;
    std::vector<Edit> edits_;
};

}  // namespace skirlo
