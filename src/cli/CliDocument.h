#pragma once
// A tune file opened as the desktop program opens it: the text loaded byte
// for byte, then what the first display of a newly opened document does to
// it (settings lines, recognition and conversion, the first build with its
// header line and bare-string conversion).

#include <memory>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "notation/TuneTree.h"
#include "playback/DocumentPlayback.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileFormat.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

struct CliEnvironment;

struct CliDocument {
    std::string path;
    ScriptText script;
    TuneSettings settings;
    FileRecognition recognition;
    std::vector<std::unique_ptr<Tune>> tunes;
    DocumentPlayback playback;
};

// Loads and sets up the document, then builds its tunes with `measuring`
// and `fonts` (null fonts: a structure-only build) and its performance for
// `output` (the first performance build writes a missing tempo line). Null,
// with the message printed, when the file cannot be opened.
std::unique_ptr<CliDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                          MeasuringContext& measuring, const FontSet& fonts,
                                          PlaybackOutput output = PlaybackOutput::Midi);

// The text of the document written to `path` through a temporary file; false
// with the message printed when it cannot be written.
bool writeScript(const CliDocument& document, const std::string& path);

}  // namespace skirlo
