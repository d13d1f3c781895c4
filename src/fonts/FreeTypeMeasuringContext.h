#pragma once
// The measuring context without Qt: music fonts are our own TrueType files
// in the resources folder, text fonts are found through fontconfig; FreeType
// reads both and HarfBuzz shapes texts. It reports the same numbers, to the
// pixel, as the desktop program's context for the same requests, so pictures
// made by a command without the GUI libraries match the screen.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

#include "common/Measuring.h"
#include "fonts/FaceLookup.h"
#include "fonts/FreeTypeFace.h"

namespace skirlo {

class FreeTypeTextFont;
class TextShaper;

class FreeTypeMeasuringContext final : public MeasuringContext {
public:
    // Music fonts are read from resourceDir/fonts/<face>.ttf. Resolutions
    // are those of the surface measured for.
    explicit FreeTypeMeasuringContext(std::filesystem::path resourceDir, int pixelsPerInchX = 96,
                                      int pixelsPerInchY = 96, bool printer = false);
    ~FreeTypeMeasuringContext() override;

    bool isPrinter() const override { return printer_; }
    int pixelsPerInchX() const override { return ppiX_; }
    int pixelsPerInchY() const override { return ppiY_; }
    // Null only when no text face at all can be found or read.
    std::unique_ptr<Font> createTextFont(const FontDescription& description) override;
    std::unique_ptr<Font> createTextFontByCellHeight(const FontDescription& description, int cellHeight) override;
    // Null when the face is not one of our font files or the file cannot be
    // read, and for a height below 1.
    std::unique_ptr<Font> createMusicFont(std::string_view faceName, int height, int width) override;

private:
    std::unique_ptr<FreeTypeTextFont> textFontAt(const FontDescription& description, int pixelSize);
    std::shared_ptr<const FreeTypeFace> textFace(const FontDescription& description, int pixelSize);
    // The face of a file at a size, opened once and shared by every font
    // made of it: a file of many tunes makes the same few fonts for each.
    std::shared_ptr<const FreeTypeFace> sharedFace(const std::string& file, int index, int pixelSize);
    // The file's bytes, read once; null when it cannot be read.
    std::shared_ptr<const FontBytes> fileBytes(const std::string& path);
    FreeTypeLibrary* library();

    std::filesystem::path resourceDir_;
    int ppiX_;
    int ppiY_;
    bool printer_;
    std::shared_ptr<FreeTypeLibrary> library_;
    FaceLookup lookup_;
    std::map<std::string, std::shared_ptr<const FontBytes>, std::less<>> files_;
    std::map<std::tuple<std::string, int, int>, std::shared_ptr<const FreeTypeFace>> faces_;
    std::map<const FreeTypeFace*, std::shared_ptr<const TextShaper>> shapers_;
};

// The family a face name asks for: the first of a comma-separated list,
// trimmed and unquoted, in UTF-8.
std::string requestedFamily(const std::string& faceName);

}  // namespace skirlo
