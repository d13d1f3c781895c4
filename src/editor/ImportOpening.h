#pragma once
// Opening an ABC file or a MusicXML score in the desktop program: its tunes
// become a new, untitled tune document; what the reader skipped is said in
// one message.

#include <memory>
#include <string>

namespace skirlo {

class MessageSink;
class TuneDocument;
struct Workspace;

// Whether the path names an ABC file (".abc" in any letter case).
bool isAbcPath(const std::string& path);

// The untitled document "QTN32<number>" holding the file's tunes; null, with
// the reason shown, when the file cannot be read or holds no tune with music.
std::unique_ptr<TuneDocument> importAbcDocument(const std::string& path, int number, const Workspace& workspace,
                                                MessageSink& messages);

// Whether the path names a MusicXML score (".musicxml", ".xml", or compressed ".mxl").
bool isMusicXmlPath(const std::string& path);

// The untitled document of the score's chanter part, as for ABC.
std::unique_ptr<TuneDocument> importMusicXmlDocument(const std::string& path, int number, const Workspace& workspace,
                                                     MessageSink& messages);

}  // namespace skirlo
