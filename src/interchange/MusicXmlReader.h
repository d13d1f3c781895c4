#pragma once
// Reads a MusicXML score (score-partwise, as score editors write it) and
// writes its chanter part as tune text: the part named for pipes, chanter or
// bagpipe, else the first. Notes on the chanter's nine degrees whatever
// octave the score writes them at; a grace group becomes the embellishment
// whose gracenotes it equals (a longer gracenote makes it a cadence), else
// its single gracenotes; time signatures, repeats, first and second endings,
// ties, tuplets, pauses, tempo, signs and jumps, title and composer. Several
// tunes written one after another (each opening a new system under a bold
// title, as our own export writes them) come back as several tunes.
// Whatever cannot be held is left out and counted.

#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

class EmbellishmentTable;

struct MusicXmlImport {
    std::string tuneText;  // empty when nothing could be read
    int tunes = 0;
    // Not MusicXML, or not read at all: why. Nothing else is set then.
    std::string error;
    // What was left out, each kind once with its count ("2 chords (their
    // lower notes kept)"); what a piper would hear or see.
    std::vector<std::string> lost;
    // What changes nothing heard or seen (the key signature, slurs).
    std::vector<std::string> notices;
};

MusicXmlImport importMusicXml(std::string_view xml, const EmbellishmentTable& table);

}  // namespace skirlo
