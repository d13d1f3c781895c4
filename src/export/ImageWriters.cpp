#include "export/ImageWriters.h"

#include "common/MessageSink.h"
#include "export/ExportProgress.h"
#include "tunefile/FileReplace.h"

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

std::optional<ImageFileFormat> imageFormatForExtension(std::string_view path) {
    const std::string extension = upperExtension(path);
    if (extension == "PCX") return ImageFileFormat::Pcx;
    if (extension == "BMP") return ImageFileFormat::Bmp;
    if (extension == "PNG") return ImageFileFormat::Png;
    if (extension == "SVG") return ImageFileFormat::Svg;
    if (extension == "PDF") return ImageFileFormat::Pdf;
    return std::nullopt;
}

ImageFileFormat imageFormatForPath(std::string_view path) {
    return imageFormatForExtension(path).value_or(ImageFileFormat::Pcx);
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

WriteOutcome writeMonoImage(const MonoBitmap& bitmap, ImageFileFormat format, const std::string& path,
                            const PcxDevice& device, ExportProgress& progress, MessageSink& messages,
                            std::string& error) {
    const bool bmp = format == ImageFileFormat::Bmp;
    // Encoded whole in memory (no larger than the bitmap, bar PCX's worst
    // case), then put in place in one go, so a full disk leaves nothing.
    std::vector<std::uint8_t> file =
        bmp ? bmpHeaders(bitmap.width, bitmap.height) : pcxHeader(bitmap.width, bitmap.height, device);
    const std::size_t rowSize = bmp ? bmpRowSize(bitmap.width) : pcxRowSize(bitmap.width);
    progress.begin("Saving Progress", savingMessage(path), 0, bitmap.height);
    for (int i = 0; i < bitmap.height; ++i) {
        // BMP stores the bottom row first, PCX the top row.
        const std::uint8_t* row = bitmap.row(bmp ? bitmap.height - 1 - i : i);
        if (bmp) {
            file.insert(file.end(), row, row + rowSize);
        } else {
            encodePcxRow(row, rowSize, file);
        }
        progress.step();
        if (progress.cancelled()) {
            progress.end();
            messages.show("Saving Cancelled", kApplicationTitle, MessageButtons::Ok);
            return WriteOutcome::Cancelled;
        }
    }
    progress.end();
    const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.size());
    return replaceFileContents(path, bytes, error, Durability::Renamed) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace skirlo
