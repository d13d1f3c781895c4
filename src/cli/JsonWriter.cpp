#include "cli/JsonWriter.h"

#include <cstdio>

#include "common/Windows1252.h"

namespace skirlo {

void JsonWriter::separate() {
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
