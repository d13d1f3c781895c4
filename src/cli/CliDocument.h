#pragma once
// A tune file opened for a headless command, as the desktop program opens it.

#include <memory>
#include <string>

#include "document/TuneDocument.h"

namespace skirlo {

struct CliEnvironment;

// What a command needs of the file: the commands that make music of it
// refuse a file with no music in it rather than write an empty result.
enum class FileNeed { AnyText, Music };

// Loads the file and does the first set-up's edits (settings lines,
// recognition and conversion) without building it. Null, with the message
// printed, when the file cannot be opened or lacks what the command needs.
std::unique_ptr<TuneDocument> loadDocument(const std::string& path, CliEnvironment& environment,
                                           FileNeed need = FileNeed::AnyText);

// Loads and sets up the document and builds its tunes without glyph
// geometry (nothing the headless commands print depends on glyph shapes);
// null, with the message printed, as for loadDocument.
std::unique_ptr<TuneDocument> openTunes(const std::string& path, CliEnvironment& environment,
                                        FileNeed need = FileNeed::AnyText);

// As openTunes, and builds the performance for `output` too (which also
// writes a tempo line into a text that lacks one); the MIDI event list only
// for the commands that sound it.
std::unique_ptr<TuneDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                           PlaybackOutput output = PlaybackOutput::Midi,
                                           FileNeed need = FileNeed::AnyText, SendList sendList = SendList::Skip);

// Says once when texts of the music are UTF-8 and drawn as such, so that
// the user knows why they look right in the picture and not in a
// Windows-1252 reader of the file. True when it said so.
bool noteUtf8Texts(const std::string& path, const LaidOutMusic& music);

// True, with the reason printed, when building the music reported errors
// (unknown symbols): a file made of it would lack what the tune asks for.
bool musicHasErrors(const CliEnvironment& environment, const std::string& input, const std::string& output);

// The text of the document written to `path` through a temporary file; false
// with the message printed when it cannot be written.
bool writeScript(const TuneDocument& document, const std::string& path);

}  // namespace skirlo
