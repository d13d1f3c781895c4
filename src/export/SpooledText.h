#pragma once
// Text that is written in order and read back whole, kept in memory up to a
// limit and beyond it in an unnamed temporary file. The pictures of a large
// file hold their body so, while the parts that come before it in the file
// (the glyph definitions, the compressed page) are still being made: in
// memory it would be the largest thing the command holds.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace skirlo {

// Where text goes piece by piece, in order; false refuses a piece.
using TextWrite = std::function<bool(std::string_view)>;

// The pieces `writeAll` hands over, gathered into one string; nullopt when
// it fails.
std::optional<std::string> gathered(const std::function<bool(const TextWrite&)>& writeAll);

class SpooledText {
public:
    explicit SpooledText(std::size_t memoryLimit = kDefaultMemoryLimit) : limit_(memoryLimit) {}
    ~SpooledText();
    SpooledText(SpooledText&& other) noexcept;
    SpooledText& operator=(SpooledText&&) = delete;
    SpooledText(const SpooledText&) = delete;
    SpooledText& operator=(const SpooledText&) = delete;

    void append(std::string_view text);
    // Hands the whole text to `write` in order, as often as asked; false when
    // a write fails or part of the text could not be kept.
    bool writeTo(const std::function<bool(std::string_view)>& write) const;
    std::size_t size() const { return spooled_ + memory_.size(); }
    // Empty again, as made.
    void clear();

    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{1} << 20;

private:
    // True when `text` went to the file.
    bool spool(std::string_view text);

    std::size_t limit_;
    std::string memory_;
    std::FILE* file_ = nullptr;
    std::size_t spooled_ = 0;
    bool lost_ = false;  // the temporary file could not be made or written
};

}  // namespace skirlo
