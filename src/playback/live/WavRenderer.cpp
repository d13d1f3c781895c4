#include "playback/live/WavRenderer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "playback/live/MidiPlatform.h"
#include "playback/live/Synthesizer.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

constexpr std::size_t kChunkFrames = 4096;
constexpr std::uint64_t kProgressFrames = kChunkFrames * 64;  // about six seconds of sound
constexpr std::uint32_t kBytesPerFrame = 4;
constexpr std::uint32_t kHeaderBytes = 44;
// The RIFF sizes are 32-bit.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFULL - kHeaderBytes;

void putLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, kHeaderBytes> wavHeader(std::uint32_t dataBytes, std::uint32_t rate) {
    std::array<std::uint8_t, kHeaderBytes> header{};
    std::memcpy(header.data(), "RIFF", 4);
    putLittleEndian(&header[4], dataBytes + kHeaderBytes - 8, 4);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    putLittleEndian(&header[16], 16, 4);
    putLittleEndian(&header[20], 1, 2);  // PCM
    putLittleEndian(&header[22], 2, 2);  // stereo
    putLittleEndian(&header[24], rate, 4);
    putLittleEndian(&header[28], rate * kBytesPerFrame, 4);
    putLittleEndian(&header[32], kBytesPerFrame, 2);
    putLittleEndian(&header[34], 16, 2);
    std::memcpy(&header[36], "data", 4);
    putLittleEndian(&header[40], dataBytes, 4);
    return header;
}

std::uint64_t frameAt(std::uint64_t milliseconds, int rate) {
    return milliseconds * static_cast<std::uint64_t>(rate) / 1000;
}

class Renderer {
public:
    Renderer(Synthesizer& synthesizer, ReplacementFile& file, const WavProgress& progress, std::uint64_t total)
        : synthesizer_(synthesizer), file_(file), progress_(progress), total_(total) {}

    bool renderTo(std::uint64_t frame) {
        while (rendered_ < frame) {
            const std::size_t frames = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkFrames, frame - rendered_));
            const std::span<std::int16_t> samples(buffer_.data(), frames * 2);
            synthesizer_.render(samples);
            if (!file_.write(samples.data(), samples.size_bytes())) return false;
            rendered_ += frames;
            if (progress_ && rendered_ % kProgressFrames < frames) progress_(rendered_, total_);
        }
        return true;
    }

private:
    Synthesizer& synthesizer_;
    ReplacementFile& file_;
    const WavProgress& progress_;
    std::uint64_t total_;
    std::array<std::int16_t, kChunkFrames * 2> buffer_{};
    std::uint64_t rendered_ = 0;
};

}  // namespace

std::uint64_t renderedMilliseconds(const std::vector<MidiEvent>& events, const PlaySetup& setup) {
    std::uint64_t total = setup.droneIntroduction;
    for (const MidiEvent& event : events) total += event.delay;
    return total;
}

bool renderWav(const std::vector<MidiEvent>& events, const PlaySetup& setup, const Volumes& volumes,
               Synthesizer& synthesizer, const std::string& path, std::string& error, const WavProgress& progress) {
    const int rate = synthesizer.sampleRate();
    const std::uint64_t frames = frameAt(renderedMilliseconds(events, setup) + synthesizer.tailMilliseconds(), rate);
    if (frames * kBytesPerFrame > kMaxDataBytes) {
        error = "the performance is too long for a WAV file";
        return false;
    }
    ReplacementFile file(path, Durability::Renamed);
    if (!file.open(error)) return false;
    const auto dataBytes = static_cast<std::uint32_t>(frames * kBytesPerFrame);
    const auto header = wavHeader(dataBytes, static_cast<std::uint32_t>(rate));
    bool written = file.write(header.data(), header.size());
    synthesizer.tune(setup.tunings);
    for (const ShortMessage& message : startMessages(setup, volumes)) synthesizer.send(packShortMessage(message.status, message.channel, message.data1, message.data2));
    Renderer renderer(synthesizer, file, progress, frames);
    std::uint64_t at = setup.droneIntroduction;
    for (const MidiEvent& event : events) {
        if (!written) break;
        written = renderer.renderTo(frameAt(at, rate));
        synthesizer.send(event.message);
        at += event.delay;
    }
    written = written && renderer.renderTo(frames);
    // A failed write keeps its reason for the commit to report.
    return file.commit(error);
}

}  // namespace skirlo
