#pragma once
// The private profile file (QTN32.INI) with the platform's private-profile
// semantics: section and key names compared without regard to case, values
// trimmed of blanks and of one pair of enclosing quotes, the first of
// duplicate keys wins, lines starting with ';' are comments, reads never
// create keys, and writes keep the rest of the file exactly as it was.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace skirlo {

class Profile {
public:
    virtual ~Profile() = default;
    // The value, or the default when the section or key is missing.
    virtual std::string getString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue = {}) const = 0;
    // The value's leading integer read leniently, or the default when missing.
    virtual int getInt(std::string_view section, std::string_view key, int defaultValue) const;
    // Creates the section or key when missing; false when the file cannot be written.
    virtual bool writeString(std::string_view section, std::string_view key, std::string_view value) = 0;
    bool writeInt(std::string_view section, std::string_view key, int value);
};

// A profile held in memory and, when it has a path, written back to its file
// on every change (through a temporary file renamed over the old one).
// Lines may end in CR LF or LF; new lines follow the file's first line end.
// An index of every key's value is built once at load and after each write,
// so reading hundreds of keys at start-up does not scan the file per key.
// Of two sections with the same name the first is the one read and written.
// A write whose section, key or value would break the line structure (a line
// end, a ']' in the section, a '=' in the key, an empty name) is refused.
class IniProfile final : public Profile {
public:
    // Reads the file; a missing or unreadable file gives an empty profile.
    static std::unique_ptr<IniProfile> open(std::string path);
    static std::unique_ptr<IniProfile> fromText(std::string text);

    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const override;
    bool writeString(std::string_view section, std::string_view key, std::string_view value) override;

    const std::string& text() const { return text_; }

private:
    struct KeySpan {
        std::size_t valueBegin, valueEnd;  // trimmed and unquoted
        std::size_t rawBegin, rawEnd;      // everything after '=' up to the line end
    };
    struct Section {
        std::unordered_map<std::string, KeySpan> keys;  // by lower-case name
        std::size_t insertAt = 0;  // after the section's last key line (or its header line)
    };

    IniProfile(std::string path, std::string text);
    void buildIndex();
    bool store(std::string text);
    std::string lineEnd() const;

    std::string path_;
    std::string text_;
    std::unordered_map<std::string, Section> sections_;  // by lower-case name
};

}  // namespace skirlo
