#include "tunefile/Profile.h"

#include <fstream>
#include <sstream>

#include "common/LenientNumber.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string lowerCase(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Narrows [begin, end) of text to its part without surrounding blanks.
void trim(std::string_view text, std::size_t& begin, std::size_t& end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
}

bool hasLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

int Profile::getInt(std::string_view section, std::string_view key, int defaultValue) const {
    // As the platform does, an empty value counts as missing.
    const std::string value = getString(section, key, {});
    return value.empty() ? defaultValue : leadingInt(value);
}

bool Profile::writeInt(std::string_view section, std::string_view key, int value) {
    return writeString(section, key, std::to_string(value));
}

IniProfile::IniProfile(std::string path, std::string text) : path_(std::move(path)), text_(std::move(text)) {
    buildIndex();
}

std::unique_ptr<IniProfile> IniProfile::open(std::string path) {
    // No size limit here: a profile is not a tune, and refusing a large one
    // would let the next write replace it with a nearly empty file.
    std::ifstream file(path, std::ios::binary);
    std::string text;
    if (file) {
        // Read in blocks, not a character at a time: every command reads the
        // symbol map's profile before anything else.
        std::ostringstream contents;
        contents << file.rdbuf();
        text = std::move(contents).str();
    }
    if (file.bad()) text.clear();
    return std::unique_ptr<IniProfile>(new IniProfile(std::move(path), std::move(text)));
}

std::unique_ptr<IniProfile> IniProfile::fromText(std::string text) {
    return std::unique_ptr<IniProfile>(new IniProfile({}, std::move(text)));
}

void IniProfile::buildIndex() {
    sections_.clear();
    const std::string_view text = text_;
    Section* current = nullptr;
    bool currentIsFirst = false;
    std::size_t lineBegin = 0;
    while (lineBegin < text.size()) {
        std::size_t lineEnd = text.find('\n', lineBegin);
        const std::size_t next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::size_t contentEnd = lineEnd;
        if (contentEnd > lineBegin && text[contentEnd - 1] == '\r') --contentEnd;
        std::size_t begin = lineBegin;
        std::size_t end = contentEnd;
        trim(text, begin, end);
        if (begin < end && text[begin] == '[') {
            std::size_t nameEnd = text.find(']', begin);
            if (nameEnd == std::string_view::npos || nameEnd > end) nameEnd = end;
            std::size_t nameBegin = begin + 1;
            trim(text, nameBegin, nameEnd);
            auto [entry, inserted] = sections_.try_emplace(lowerCase(text.substr(nameBegin, nameEnd - nameBegin)));
            current = &entry->second;
            currentIsFirst = inserted;
            if (inserted) current->insertAt = next;
        } else if (current && begin < end && text[begin] != ';') {
            const std::size_t equals = text.find('=', begin);
            if (equals != std::string_view::npos && equals < end) {
                std::size_t keyEnd = equals;
                std::size_t keyBegin = begin;
                trim(text, keyBegin, keyEnd);
                std::size_t valueBegin = equals + 1;
                std::size_t valueEnd = end;
                trim(text, valueBegin, valueEnd);
                if (valueEnd - valueBegin >= 2 && (text[valueBegin] == '"' || text[valueBegin] == '\'') &&
                    text[valueEnd - 1] == text[valueBegin]) {
                    ++valueBegin;
                    --valueEnd;
                }
                if (currentIsFirst) {
                    current->keys.try_emplace(lowerCase(text.substr(keyBegin, keyEnd - keyBegin)),
                                              KeySpan{valueBegin, valueEnd, equals + 1, contentEnd});
                    current->insertAt = next;
                }
            }
        }
        lineBegin = next;
    }
}

std::string IniProfile::getString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
    auto found = sections_.find(lowerCase(section));
    if (found == sections_.end()) return std::string(defaultValue);
    auto value = found->second.keys.find(lowerCase(key));
    if (value == found->second.keys.end()) return std::string(defaultValue);
    return text_.substr(value->second.valueBegin, value->second.valueEnd - value->second.valueBegin);
}

std::string IniProfile::lineEnd() const {
    const std::size_t lf = text_.find('\n');
    return lf != std::string::npos && (lf == 0 || text_[lf - 1] != '\r') ? "\n" : "\r\n";
}

bool IniProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::size_t sectionBegin = 0;
    std::size_t sectionEnd = section.size();
    trim(section, sectionBegin, sectionEnd);
    std::size_t keyBegin = 0;
    std::size_t keyEnd = key.size();
    trim(key, keyBegin, keyEnd);
    if (sectionBegin == sectionEnd || keyBegin == keyEnd || hasLineEnd(section) || hasLineEnd(key) ||
        hasLineEnd(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key[keyBegin] == '[' || key[keyBegin] == ';') {
        return false;
    }
    std::string text = text_;
    auto found = sections_.find(lowerCase(section));
    if (found != sections_.end()) {
        auto existing = found->second.keys.find(lowerCase(key));
        if (existing != found->second.keys.end()) {
            text.replace(existing->second.rawBegin, existing->second.rawEnd - existing->second.rawBegin, value);
        } else {
            const std::size_t at = found->second.insertAt;
            std::string line = std::string(key) + "=" + std::string(value) + lineEnd();
            if (at == text.size() && !text.empty() && text.back() != '\n') line.insert(0, lineEnd());
            text.insert(at, line);
        }
    } else {
        if (!text.empty() && text.back() != '\n') text += lineEnd();
        text += "[" + std::string(section) + "]" + lineEnd() + std::string(key) + "=" + std::string(value) + lineEnd();
    }
    return store(std::move(text));
}

bool IniProfile::store(std::string text) {
    if (!path_.empty()) {
        std::string error;
        if (!replaceFileContents(path_, text, error)) return false;
    }
    text_ = std::move(text);
    buildIndex();
    return true;
}

}  // namespace skirlo
