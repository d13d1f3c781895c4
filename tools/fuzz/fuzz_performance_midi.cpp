// Arbitrary tune text built as the document builds it, performed for MIDI
// or the PC speaker, and written as a MIDI file. Besides crashes and hangs,
// a file a reader would reject is a finding: a data byte above 127, a
// variable-length number of more than four bytes, or a wrong track length.

#include <cstdlib>

#include "FuzzSupport.h"
#include "playback/DocumentPlayback.h"
#include "playback/MidiFileWriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t bigEndian(const Bytes& file, std::size_t at) {
    return std::uint32_t{file.at(at)} << 24 | std::uint32_t{file.at(at + 1)} << 16 | file.at(at + 2) << 8 |
           file.at(at + 3);
}

// Walks one track's events; false at the first thing a reader would reject.
bool trackIsSound(const Bytes& file, std::size_t at, std::size_t end) {
    while (at < end) {
        int continued = 0;
        while (file.at(at++) & 0x80) ++continued;
        if (continued >= 4) return false;
        const std::uint8_t status = file.at(at++);
        if (status == 0xFF) {
            at += 2 + file.at(at + 1);
            continue;
        }
        if (status < 0x80) return false;
        const int data = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        for (int i = 0; i < data; ++i) {
            if (file.at(at++) >= 0x80) return false;
        }
    }
    return at == end;
}

bool fileIsSound(const Bytes& file) {
    std::size_t at = 14;
    while (at < file.size()) {
        const std::size_t end = at + 8 + bigEndian(file, at + 4);
        if (end > file.size() || !trackIsSound(file, at + 8, end)) return false;
        at = end;
    }
    return at == file.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace skirlo;
    if (size == 0) return 0;
    // The first byte chooses the output, the rest is the file.
    const PlaybackOutput output = data[0] % 2 == 0 ? PlaybackOutput::Midi : PlaybackOutput::Speaker;
    fuzz::DiscardingSink sink;
    const auto document = fuzz::openDocument(data + 1, size - 1, sink);
    if (!document) return 0;
    document->rebuildStructure(fuzz::workspace().symbols, sink);
    document->rebuildPlayback(*fuzz::workspace().profile, output);
    const DocumentPlayback& playback = document->playback();
    if (output != PlaybackOutput::Midi || playback.performance.events().empty()) return 0;
    const Tune* firstTune = document->tunes().empty() ? nullptr : document->tunes().front().get();
    MemoryByteSink file;
    if (!writeMidi(file, playback.performance.events(), midiFileSettings(playback.settings, firstTune))) std::abort();
    if (!fileIsSound(file.bytes())) std::abort();
    return 0;
}
