#pragma once
// A small streaming JSON writer: objects, arrays, numbers, booleans and
// strings (given as Windows-1252 bytes, written as escaped UTF-8).

#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class JsonWriter {
public:
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

    const std::string& text() const { return out_; }

private:
    void separate();
    std::string out_;
    // Per open container: whether it already holds an element.
    std::vector<bool> hasElement_;
    bool afterKey_ = false;
};

}  // namespace skirlo
