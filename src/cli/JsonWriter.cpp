#include "cli/JsonWriter.h"

#include <cstdio>

#include "common/Windows1252.h"

namespace skirlo {

namespace {

constexpr std::size_t kChunk = 64 * 1024;  // bytes sent to a sink at a time

}  // namespace

bool JsonWriter::flush() {
    if (sink_ == nullptr) return true;
    std::fwrite(out_.data(), 1, out_.size(), sink_);
    out_.clear();
    return std::fflush(sink_) == 0 && std::ferror(sink_) == 0;
}

void JsonWriter::separate() {
    if (sink_ != nullptr && out_.size() >= kChunk) flush();
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasElement_.empty()) {
        if (hasElement_.back()) out_ += ',';
        hasElement_.back() = true;
    }
}

void JsonWriter::beginObject() {
    separate();
    out_ += '{';
    hasElement_.push_back(false);
}

void JsonWriter::endObject() {
    out_ += '}';
    hasElement_.pop_back();
}

void JsonWriter::beginArray() {
    separate();
    out_ += '[';
    hasElement_.push_back(false);
}

void JsonWriter::endArray() {
    out_ += ']';
    hasElement_.pop_back();
}

void JsonWriter::key(std::string_view name) {
    value(name);
    out_ += ':';
    afterKey_ = true;
}

void JsonWriter::value(std::string_view windows1252) {
    separate();
    out_ += '"';
    for (char c : tuneTextToUtf8(windows1252)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out_ += escaped;
        } else {
            out_ += c;
        }
    }
    out_ += '"';
}

void JsonWriter::value(long long number) {
    separate();
    out_ += std::to_string(number);
}

void JsonWriter::value(bool flag) {
    separate();
    out_ += flag ? "true" : "false";
}

}  // namespace skirlo
