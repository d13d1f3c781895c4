#include "document/CompressedScore.h"

#include <unzip.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>

namespace skirlo {

namespace {

// No score comes near this unpacked; more is an archive made to fill memory.
constexpr unsigned long kMaxScoreBytes = 64ul << 20;

using Archive = std::unique_ptr<void, int (*)(unzFile)>;

// The named entry's bytes, or none with the reason in `error`.
std::optional<std::string> readEntry(unzFile archive, const std::string& name, std::string& error) {
    if (unzLocateFile(archive, name.c_str(), 0) != UNZ_OK) {
        error = "the archive holds no " + name;
        return std::nullopt;
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        error = name + " in the archive cannot be read";
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    int got = 0;
    while ((got = unzReadCurrentFile(archive, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > kMaxScoreBytes) {
            unzCloseCurrentFile(archive);
            error = name + " unpacks to more than " + std::to_string(kMaxScoreBytes >> 20) + " MB: not a score";
            return std::nullopt;
        }
    }
    // A damaged entry fails its check when closed.
    if (unzCloseCurrentFile(archive) != UNZ_OK || got < 0) {
        error = name + " in the archive is damaged";
        return std::nullopt;
    }
    return bytes;
}

// The score the container names: the first rootfile's full-path.
std::optional<std::string> rootFile(const std::string& container) {
    const std::string key = "full-path=\"";
    const std::size_t at = container.find(key);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t end = container.find('"', at + key.size());
    if (end == std::string::npos) return std::nullopt;
    return container.substr(at + key.size(), end - at - key.size());
}

}  // namespace

bool isCompressedScorePath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mxl";
}

CompressedScore readCompressedScore(const std::string& path) {
    CompressedScore score;
    const Archive archive(unzOpen64(path.c_str()), unzClose);
    if (!archive) {
        score.error = "not a compressed MusicXML score (no zip archive)";
        return score;
    }
    const auto container = readEntry(archive.get(), "META-INF/container.xml", score.error);
    if (!container) return score;
    const auto root = rootFile(*container);
    if (!root) {
        score.error = "META-INF/container.xml names no score";
        return score;
    }
    if (auto xml = readEntry(archive.get(), *root, score.error)) score.xml = std::move(*xml);
    return score;
}

}  // namespace skirlo
