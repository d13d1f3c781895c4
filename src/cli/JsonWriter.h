#pragma once
// A small streaming JSON writer: objects, arrays, numbers, booleans and
// strings (given as Windows-1252 bytes, written as escaped UTF-8).
//
// With a sink the text goes out in chunks as it is written, so that the JSON
// of a large file never needs memory of its own size; without one it is
// kept whole for text().

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class JsonWriter {
public:
    explicit JsonWriter(std::FILE* sink = nullptr) : sink_(sink) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);
    void value(std::string_view windows1252);
    void value(const char* windows1252) { value(std::string_view(windows1252)); }
    void value(long long number);
    void value(int number) { value(static_cast<long long>(number)); }
    void value(bool flag);

    template <typename T>
    void field(std::string_view name, T v) {
        key(name);
        value(v);
    }

    // What has not gone to the sink: all of it when there is none.
    const std::string& text() const { return out_; }
    // Sends the rest to the sink; false when the sink reports an error.
    bool flush();

private:
    void separate();
    std::FILE* sink_;
    std::string out_;
    // Per open container: whether it already holds an element.
    std::vector<bool> hasElement_;
    bool afterKey_ = false;
};

}  // namespace skirlo
