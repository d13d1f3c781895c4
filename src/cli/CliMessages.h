#pragma once
// The desktop program's message boxes on a terminal: "caption: text" on
// standard error, each message once however often the build repeats it.

#include <set>
#include <string>
#include <utility>

#include "common/MessageSink.h"

namespace skirlo {

class CliMessages final : public MessageSink {
public:
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;
    // How many errors were shown ("Symbol Error" and the like), repeats included.
    int errors() const { return errors_; }

private:
    std::set<std::pair<std::string, std::string>> shown_;
    int errors_ = 0;
};

}  // namespace skirlo
