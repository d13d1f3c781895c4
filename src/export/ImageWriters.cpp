#include "export/ImageWriters.h"

#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/MessageSink.h"
#include "export/ExportProgress.h"

namespace skirlo {

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8 & 0xFF);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

std::string upperExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string extension(path.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension;
}

void writeRun(std::uint8_t value, std::size_t count, std::vector<std::uint8_t>& out) {
    if (count == 1 && value < 0xC0) {
        out.push_back(value);
    } else {
        out.push_back(static_cast<std::uint8_t>(0xC0 | count));
        out.push_back(value);
    }
}

}  // namespace

ImageFileFormat imageFormatForPath(std::string_view path) {
    const std::string extension = upperExtension(path);
    if (extension == "BMP") return ImageFileFormat::Bmp;
    if (extension == "PNG") return ImageFileFormat::Png;
    if (extension == "SVG") return ImageFileFormat::Svg;
    if (extension == "PDF") return ImageFileFormat::Pdf;
    return ImageFileFormat::Pcx;
}

std::size_t bmpRowSize(int width) { return (static_cast<std::size_t>(width) + 31) / 32 * 4; }
std::size_t pcxRowSize(int width) { return (static_cast<std::size_t>(width) + 15) / 16 * 2; }

std::vector<std::uint8_t> bmpHeaders(int width, int height) {
    std::vector<std::uint8_t> out(kBmpHeaderSize, 0);
    const auto imageSize = static_cast<std::uint32_t>(bmpRowSize(width) * static_cast<std::size_t>(height));
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(kBmpHeaderSize) + imageSize);
    put32(out, 10, static_cast<std::uint32_t>(kBmpHeaderSize));
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    put16(out, 26, 1);                                   // planes
    put16(out, 28, 1);                                   // bits per pixel
    put32(out, 30, 0);                                   // no compression
    put32(out, 34, imageSize);
    put32(out, 46, 2);  // colours used; pixels per metre and colours important stay 0
    // Colour 0 black (already zero), colour 1 white.
    out[58] = 255;
    out[59] = 255;
    out[60] = 255;
    return out;
}

std::vector<std::uint8_t> pcxHeader(int width, int height, const PcxDevice& device) {
    std::vector<std::uint8_t> out(kPcxHeaderSize, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = 1;
    put16(out, 8, static_cast<std::uint32_t>(width - 1));
    put16(out, 10, static_cast<std::uint32_t>(height - 1));
    put16(out, 12, static_cast<std::uint32_t>(device.pixelsPerInchX));
    put16(out, 14, static_cast<std::uint32_t>(device.pixelsPerInchY));
    out[19] = 255;  // palette entry 1 white
    out[20] = 255;
    out[21] = 255;
    out[65] = 1;
    put16(out, 66, static_cast<std::uint32_t>(pcxRowSize(width)));
    put16(out, 68, 2);
    put16(out, 70, static_cast<std::uint32_t>(device.screenWidth));
    put16(out, 72, static_cast<std::uint32_t>(device.screenHeight));
    return out;
}

std::size_t encodePcxRow(const std::uint8_t* row, std::size_t length, std::vector<std::uint8_t>& out) {
    const std::size_t before = out.size();
    std::size_t i = 0;
    while (i < length) {
        const std::uint8_t value = row[i];
        std::size_t count = 1;
        while (i + count < length && row[i + count] == value && count < kPcxMaxRun) ++count;
        writeRun(value, count, out);
        i += count;
    }
    return out.size() - before;
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
}

bool AtomicFile::open(std::string& error) {
    std::string pattern = path_ + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error = "cannot create " + path_ + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = pattern;
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        close(fd);
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool AtomicFile::write(const std::uint8_t* data, std::size_t size) {
    return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
}

bool AtomicFile::commit(std::string& error) {
    if (file_ == nullptr) return false;
    const bool flushed = std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) {
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; an image is as readable as other files.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary_.c_str(), 0666 & ~mask);
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

WriteOutcome writeMonoImage(const MonoBitmap& bitmap, ImageFileFormat format, const std::string& path,
                            const PcxDevice& device, ExportProgress& progress, MessageSink& messages,
                            std::string& error) {
    const bool bmp = format == ImageFileFormat::Bmp;
    AtomicFile file(path);
    if (!file.open(error)) return WriteOutcome::Failed;
    const std::vector<std::uint8_t> header =
        bmp ? bmpHeaders(bitmap.width, bitmap.height) : pcxHeader(bitmap.width, bitmap.height, device);
    if (!file.write(header.data(), header.size())) {
        error = "cannot write " + path;
        return WriteOutcome::Failed;
    }
    const std::size_t rowSize = bmp ? bmpRowSize(bitmap.width) : pcxRowSize(bitmap.width);
    std::vector<std::uint8_t> encoded;
    encoded.reserve(rowSize * 2);
    progress.begin("Saving Progress", savingMessage(path), 0, bitmap.height);
    for (int i = 0; i < bitmap.height; ++i) {
        // BMP stores the bottom row first, PCX the top row.
        const std::uint8_t* row = bitmap.row(bmp ? bitmap.height - 1 - i : i);
        bool written = false;
        if (bmp) {
            written = file.write(row, rowSize);
        } else {
            encoded.clear();
            written = encodePcxRow(row, rowSize, encoded) > 0 && file.write(encoded.data(), encoded.size());
        }
        if (!written) {
            progress.end();
            error = "cannot write " + path;
            return WriteOutcome::Failed;
        }
        progress.step();
        if (progress.cancelled()) {
            progress.end();
            messages.show("Saving Cancelled", kApplicationTitle, MessageButtons::Ok);
            return WriteOutcome::Cancelled;
        }
    }
    progress.end();
    return file.commit(error) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace skirlo
