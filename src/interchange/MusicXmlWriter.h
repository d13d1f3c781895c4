#pragma once
// The tunes of a document as a MusicXML 3.1 score: one part, each tune a
// section that opens with its title, type and composer. The written structure
// (bars, repeats, endings, signs) comes from the tune tree; every pitch comes
// from the performance, so the score sounds what the MIDI file sounds.

#include <memory>
#include <string>
#include <vector>

#include "playback/PerformanceEvent.h"

namespace skirlo {

struct Tune;

struct MusicXmlScore {
    std::string xml;  // UTF-8
    // What the score could not say, one line each ("'22 time line (2 times)").
    std::vector<std::string> leftOut;
};

MusicXmlScore writeMusicXml(const std::vector<std::unique_ptr<Tune>>& tunes,
                            const std::vector<PerformanceEvent>& performance);

}  // namespace skirlo
