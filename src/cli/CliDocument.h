#pragma once
// A tune file opened as the desktop program opens it: the text loaded byte
// for byte, then what the first display of a newly opened document does to
// it (settings lines, recognition and conversion, the first build with its
// header line and bare-string conversion, the first performance build with
// a missing tempo line).

#include <memory>
#include <string>
#include <vector>

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

// Loads the file and sets the document up (settings lines, recognition and
// conversion) without building it. Null, with the message printed, when the
// file cannot be opened.
std::unique_ptr<CliDocument> loadDocument(const std::string& path, CliEnvironment& environment);

// Loads and sets up the document, builds its tunes without glyph geometry
// (nothing the headless commands print depends on glyph shapes) and its
// performance for `output`.
std::unique_ptr<CliDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                          PlaybackOutput output = PlaybackOutput::Midi);

// The text of the document written to `path` through a temporary file; false
// with the message printed when it cannot be written.
bool writeScript(const CliDocument& document, const std::string& path);

// Prints the command's usage line on standard error; returns the failure status.
int usageError(const char* usage);

}  // namespace skirlo
