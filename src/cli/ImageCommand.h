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

#include "engraving/EngravingStyle.h"
#include "export/ImageWriters.h"

namespace skirlo {

struct CliEnvironment;
class CommandLine;
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
    std::optional<EngravingStyle> engraving;  // else the profile's
};

// The value of --engraving (none when not given), or the exit status of a
// usage mistake (the message printed).
std::variant<std::optional<EngravingStyle>, int> readEngraving(const CommandLine& line);

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

// `skirlo-cli tree FILE --layout`: the tree with its places, laid out as
// drawImage lays it out.
int runLayoutTree(const std::vector<std::string>& args, const MeasuringFactory& measuring);

// The picture helper's image command: every format, measured and drawn with
// Qt's fonts, as the desktop program's export draws them.
int runRasterImage(const std::vector<std::string>& args);
// The picture helper's tree --layout: measured with Qt's fonts, as PNG pictures are.
int runRasterTree(const std::vector<std::string>& args);

}  // namespace skirlo
