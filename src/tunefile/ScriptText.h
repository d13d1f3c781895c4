#pragma once
// The document's text: Windows-1252 bytes, exactly as loaded from the tune
// file. Every edit the program makes to a tune goes through here, in the
// edit control's three steps: select a range, bring it into view, replace the
// selection. Each replacement marks the text modified and is reported to the
// observer (the script view binds its editor that way).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace skirlo {

class ScriptText {
public:
    static constexpr std::size_t npos = std::string::npos;
    // Largest text the document accepts (the edit-view limit).
    static constexpr std::size_t kMaxSize = 1'048'575;

    // Called after every replacement with the replaced range's start, the
    // number of bytes removed and the bytes inserted.
    using Observer = std::function<void(std::size_t begin, std::size_t removed, std::string_view inserted)>;

    ScriptText() = default;
    explicit ScriptText(std::string bytes) : text_(std::move(bytes)) {}

    const std::string& text() const { return text_; }
    std::size_t size() const { return text_.size(); }
    std::size_t find(std::string_view needle, std::size_t from = 0) const { return text_.find(needle, from); }

    // Selects [begin, end), clamped to the text.
    void select(std::size_t begin, std::size_t end);
    std::size_t selectionBegin() const { return selectionBegin_; }
    std::size_t selectionEnd() const { return selectionEnd_; }
    // Replaces the selection, leaves the caret after the inserted text and
    // marks the text modified.
    void replaceSelection(std::string_view replacement);

    // Replaces the whole text without marking it modified (loading a file).
    void load(std::string bytes);

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    std::string text_;
    std::size_t selectionBegin_ = 0;
    std::size_t selectionEnd_ = 0;
    bool modified_ = false;
    Observer observer_;
};

}  // namespace skirlo
