#pragma once
// skirlo-cli image: what it was asked for, and the run that lays the music
// out and writes the picture. SVG and PDF are made without Qt, by the
// vector helper; PCX, BMP and PNG by the picture helper, over Qt.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "export/ImageWriters.h"

namespace skirlo {

struct CliEnvironment;
struct LaidOutMusic;
class MeasuringContext;
class MessageSink;
class MusicRenderer;

struct ImageRequest {
    std::string file;
    std::string out;        // the path after -o, or "-"
    std::string extension;  // of the format to write: ".svg", or the --format for standard output
    std::optional<int> zoom;
    std::optional<std::string> profile;
};

// The request, or the exit status when the arguments are a usage mistake or
// ask for help (the message printed).
std::variant<ImageRequest, int> readImageRequest(const std::vector<std::string>& args);

// Whether the picture is drawn as vectors (SVG, PDF).
bool drawsVectors(const ImageRequest& request);

// The laid-out music to be written, and what writing it may need.
struct PictureJob {
    const LaidOutMusic& music;
    const MusicRenderer& renderer;
    ImageFileFormat format;
    const std::string& path;
    const MeasuringContext& measuring;
    MessageSink& messages;
};

using MeasuringFactory = std::function<std::unique_ptr<MeasuringContext>(const CliEnvironment&)>;
using PictureWriter = std::function<WriteOutcome(const PictureJob&, std::string& error)>;

// Lays the music out as the music view does, measured by what `measuring`
// makes, and writes it with `write`; the exit status.
int drawImage(const ImageRequest& request, const MeasuringFactory& measuring, const PictureWriter& write);

// The picture helper's image command: every format, measured and drawn with
// Qt's fonts, as the desktop program's export draws them.
int runRasterImage(const std::vector<std::string>& args);

}  // namespace skirlo
