#pragma once
// The monochrome image files: BMP (uncompressed, rows bottom-up) and PCX
// (version 5, run-length encoded rows, top-down), written one scan line at a
// time with progress and cancel.
//
// A file is written under a temporary name in its folder and renamed into
// place only when complete, so a failed or cancelled export leaves no file
// (and an older file of that name untouched, a link still a link).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/MonoBitmap.h"

namespace skirlo {

class ExportProgress;
class MessageSink;

enum class ImageFileFormat { Pcx, Bmp, Png, Svg, Pdf };

// By the extension, compared without regard to case; any other extension
// (or none) writes PCX.
ImageFileFormat imageFormatForPath(std::string_view path);
// The format the extension names; nullopt for any other extension or none.
std::optional<ImageFileFormat> imageFormatForExtension(std::string_view path);

// What a PCX header records of the drawing context.
struct PcxDevice {
    int pixelsPerInchX = 96;
    int pixelsPerInchY = 96;
    int screenWidth = 0;
    int screenHeight = 0;
};

inline constexpr std::size_t kBmpHeaderSize = 62;
inline constexpr std::size_t kPcxHeaderSize = 128;
inline constexpr std::size_t kPcxMaxRun = 63;

std::size_t bmpRowSize(int width);  // ceil(W / 32) x 4
std::size_t pcxRowSize(int width);  // ceil(W / 16) x 2

// The 14-byte file header and the 48-byte two-colour bitmap description.
std::vector<std::uint8_t> bmpHeaders(int width, int height);
std::vector<std::uint8_t> pcxHeader(int width, int height, const PcxDevice& device);

// Appends one encoded row; returns the number of bytes appended. Runs of
// equal bytes up to 63 long; a single byte below 0xC0 stands for itself,
// anything else is 0xC0 | count followed by the byte.
std::size_t encodePcxRow(const std::uint8_t* row, std::size_t length, std::vector<std::uint8_t>& out);

enum class WriteOutcome { Written, Cancelled, Failed };

// Writes the bitmap as BMP or PCX. Cancelling shows "Saving Cancelled";
// a failure is described in `error`.
WriteOutcome writeMonoImage(const MonoBitmap& bitmap, ImageFileFormat format, const std::string& path,
                            const PcxDevice& device, ExportProgress& progress, MessageSink& messages,
                            std::string& error);

}  // namespace skirlo
