#include "export/SpooledText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace skirlo {

std::optional<std::string> gathered(const std::function<bool(const TextWrite&)>& writeAll) {
    std::string out;
    const bool whole = writeAll([&out](std::string_view piece) {
        out += piece;
        return true;
    });
    if (!whole) return std::nullopt;
    return out;
}

SpooledText::~SpooledText() {
    if (file_ != nullptr) std::fclose(file_);
}

SpooledText::SpooledText(SpooledText&& other) noexcept
    : limit_(other.limit_),
      memory_(std::move(other.memory_)),
      file_(std::exchange(other.file_, nullptr)),
      spooled_(other.spooled_),
      lost_(other.lost_) {}

void SpooledText::clear() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    memory_.clear();
    spooled_ = 0;
    lost_ = false;
}

void SpooledText::append(std::string_view text) {
    if (lost_) return;
    // A long text goes to the file as it stands, not through memory.
    if (memory_.empty() && text.size() >= limit_ && spool(text)) return;
    if (lost_) return;
    memory_ += text;
    if (memory_.size() >= limit_ && spool(memory_)) memory_.clear();
}

bool SpooledText::spool(std::string_view text) {
    if (lost_) return false;
    if (file_ == nullptr) file_ = std::tmpfile();
    if (file_ == nullptr) {
        // Without a temporary file the text stays whole in memory.
        limit_ = memory_.max_size();
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        // Part of the text may be missing from the file: it is reported as
        // lost when read, and the rest is not kept.
        lost_ = true;
        memory_ = std::string();
        return false;
    }
    spooled_ += text.size();
    return true;
}

bool SpooledText::writeTo(const std::function<bool(std::string_view)>& write) const {
    if (lost_) return false;
    if (file_ != nullptr) {
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
        std::vector<char> block(std::size_t{1} << 16);
        std::size_t left = spooled_;
        while (left > 0) {
            const std::size_t read = std::fread(block.data(), 1, std::min(block.size(), left), file_);
            if (read == 0 || !write({block.data(), read})) return false;
            left -= read;
        }
        if (std::fseek(file_, 0, SEEK_END) != 0) return false;
    }
    return memory_.empty() || write(memory_);
}

}  // namespace skirlo
