#include "playback/MidiFileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "playback/MidiEventList.h"
#include "playback/SymbolTraits.h"
#include "playback/Tempo.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

constexpr std::string_view kCreatedBy = "Created by Skirlo 1.0.";
constexpr std::string_view kComposedBy = "Composed By: ";
// A text meta event's length is written as one byte that readers take as a
// variable-length quantity, so it must stay below 128.
constexpr std::size_t kMaxTextLength = 127;
constexpr std::size_t kTrackLengthOffset = 18;

// Settings lines can hold any number; a data byte above 127 would be read as
// a status byte and derail every reader, so data is held to 0-127.
std::uint32_t dataByte(int value) { return static_cast<std::uint32_t>(std::clamp(value, 0, 127)); }

std::uint32_t pack(int status, int data1, int data2 = 0) {
    return (static_cast<std::uint32_t>(status) & 0xFF) | dataByte(data1) << 8 | dataByte(data2) << 16;
}

void appendBigEndian(std::vector<std::uint8_t>& buffer, std::uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) buffer.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendBytes(std::vector<std::uint8_t>& buffer, std::string_view bytes) {
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
}

// The milliseconds in a quarter note at the first note's tempo.
std::uint32_t division(const PerformanceEvent& first) {
    const QuarterRatio ratio = quarterRatio(first.beatFactor);
    return static_cast<std::uint32_t>(std::int64_t{ratio.denominator} * 60000 /
                                      (std::int64_t{ratio.numerator} * playableTempo(first.tempo)));
}

// A tempo event holds three bytes: tempos below 4 bpm get the slowest one
// it can express rather than a wrapped-around value.
constexpr std::int64_t kSlowestTempo = 0xFFFFFF;

std::uint32_t microsecondsPerQuarter(const PerformanceEvent& first) {
    const QuarterRatio ratio = quarterRatio(first.beatFactor);
    const std::int64_t value = std::int64_t{ratio.denominator} * 60000000 /
                               (std::int64_t{ratio.numerator} * playableTempo(first.tempo));
    return static_cast<std::uint32_t>(std::min(value, kSlowestTempo));
}

// The drone track computes the same tempo in floating point.
std::uint32_t droneMicrosecondsPerQuarter(const PerformanceEvent& first) {
    const double beatFactor = first.beatFactor > 0 ? first.beatFactor : 0.25;
    const double value = 60000000.0 / playableTempo(first.tempo) * (0.25 / beatFactor);
    return static_cast<std::uint32_t>(std::clamp(value, 0.0, static_cast<double>(kSlowestTempo)));
}

void appendTimeSignature(std::vector<std::uint8_t>& buffer, const PerformanceEvent& event) {
    const QuarterRatio ratio = quarterRatio(event.beatFactor);
    const int clocksPerClick = ratio.numerator * 24 / ratio.denominator;
    for (int byte : {0x00, 0xFF, 0x58, 0x04}) buffer.push_back(static_cast<std::uint8_t>(byte));
    buffer.push_back(static_cast<std::uint8_t>(event.numerator));
    buffer.push_back(static_cast<std::uint8_t>(event.exponent));
    buffer.push_back(static_cast<std::uint8_t>(clocksPerClick));
    buffer.push_back(8);
}

void appendTempo(std::vector<std::uint8_t>& buffer, std::uint32_t microseconds) {
    for (int byte : {0x00, 0xFF, 0x51, 0x03}) buffer.push_back(static_cast<std::uint8_t>(byte));
    appendBigEndian(buffer, microseconds, 3);
}

void appendText(std::vector<std::uint8_t>& buffer, int type, std::string_view text) {
    text = text.substr(0, std::min(text.size(), kMaxTextLength));
    for (int byte : {0x00, 0xFF, type}) buffer.push_back(static_cast<std::uint8_t>(byte));
    buffer.push_back(static_cast<std::uint8_t>(text.size()));
    appendBytes(buffer, text);
}

void appendEndOfTrack(std::vector<std::uint8_t>& buffer) {
    for (int byte : {0x00, 0xFF, 0x2F, 0x00}) buffer.push_back(static_cast<std::uint8_t>(byte));
}

constexpr int kMaxBendRange = 24;  // the widest range General MIDI players take

// How far a key of a tuned channel is from the equal-tempered pitch of the
// key `octaves` above it that the file plays.
double keyOffset(const std::array<double, 128>& keys, int key, int octaves) {
    const int index = std::clamp(key, 0, 127);
    return keys[std::size_t(index)] - 100.0 * (index + 12 * octaves);
}

// The whole octaves nearest a key's tuned pitch, so that bends stay small.
int nearestOctaves(const std::array<double, 128>& keys, int key) {
    return int(std::lround(keyOffset(keys, key, 0) / 1200.0));
}

// Sets the bend range by RPN 0 and then deselects the RPN, so a later data
// entry cannot change it by accident.
void appendBendRange(std::vector<std::uint8_t>& buffer, int channel, int range) {
    const int status = midi::kControlChange | channel;
    for (const auto& [control, value] : {std::pair{int{midi::kRegisteredParameter}, 0},
                                          {int{midi::kRegisteredParameterFine}, 0},
                                          {int{midi::kDataEntry}, range},
                                          {int{midi::kDataEntryFine}, 0},
                                          {int{midi::kRegisteredParameter}, 127},
                                          {int{midi::kRegisteredParameterFine}, 127}}) {
        appendShortMessage(buffer, pack(status, control, value), 0);
    }
}

void appendBend(std::vector<std::uint8_t>& buffer, int channel, int bend, std::uint32_t delta) {
    appendShortMessage(buffer, pack(midi::kPitchBend | channel, bend & 0x7F, bend >> 7), delta);
}

// Writes track 1 block by block and counts the bytes after its header.
class ChanterTrack {
public:
    ChanterTrack(MidiByteSink& sink, const MidiFileSettings& settings, const MidiBends& bends)
        : sink_(sink), settings_(settings), bends_(bends) {}

    bool write(const std::vector<PerformanceEvent>& performance);
    std::uint32_t length() const { return length_; }
    // The drone introduction plus every duration.
    std::uint32_t total() const { return total_; }

private:
    bool flush();
    void appendOpening(const PerformanceEvent& first);
    void appendNote(const PerformanceEvent& event, bool isFirst);

    MidiByteSink& sink_;
    const MidiFileSettings& settings_;
    const MidiBends& bends_;
    int bend_ = midi::kPitchBendCentre;  // the bend the chanter's channel holds
    std::vector<std::uint8_t> block_;
    std::uint32_t length_ = 0;
    std::uint32_t total_ = 0;
    std::uint32_t pending_ = 0;  // the delta the next chanter message waits
    int previous_ = 0;
    int numerator_ = 0;
    int exponent_ = 0;
};

bool ChanterTrack::flush() {
    const std::size_t written = sink_.write(block_.data(), block_.size());
    if (written != block_.size()) return false;
    length_ += static_cast<std::uint32_t>(written);
    block_.clear();
    return true;
}

void ChanterTrack::appendOpening(const PerformanceEvent& first) {
    appendTimeSignature(block_, first);
    appendTempo(block_, microsecondsPerQuarter(first));
    appendShortMessage(block_, pack(midi::kProgramChange, settings_.chanterInstrument), 0);
    if (settings_.keys) appendBendRange(block_, midi::kChanterChannel, bends_.range);
    numerator_ = first.numerator;
    exponent_ = first.exponent;
}

void ChanterTrack::appendNote(const PerformanceEvent& event, bool isFirst) {
    using namespace midi;
    if (event.numerator != numerator_ || event.exponent != exponent_) {
        appendTimeSignature(block_, event);
        numerator_ = event.numerator;
        exponent_ = event.exponent;
    }
    total_ += event.duration;
    const int key = event.pitch + 12 * bends_.chanterOctaves;
    const ChanterStep step = chanterStep(event, isFirst, key, previous_);
    const int velocity = step.silent ? 0 : settings_.chanterVolume;
    if (step.changes) {
        appendShortMessage(block_, pack(kControlChange, kPortamentoControl, previous_), 0);
    } else if (key == previous_) {
        // The time of the note before rides on its release, or on a message
        // that changes nothing where a tie holds the note.
        const std::uint32_t carrier = step.held ? pack(kProgramChange, settings_.chanterInstrument)
                                                : pack(kNoteOff, previous_, settings_.chanterVolume);
        appendShortMessage(block_, carrier, pending_);
        pending_ = 0;
    }
    std::uint32_t delta = pending_;
    if (settings_.keys && !step.held && velocity > 0) {
        const int bend =
            pitchBend(keyOffset(settings_.keys->chanter, event.pitch, bends_.chanterOctaves), bends_.range);
        if (bend != bend_) {
            appendBend(block_, kChanterChannel, bend, delta);
            delta = 0;
            bend_ = bend;
        }
    }
    if (!step.held) appendShortMessage(block_, pack(kNoteOn, key, velocity), delta);
    if (step.changes) appendShortMessage(block_, pack(kNoteOff, previous_, settings_.chanterVolume), 0);
    pending_ = event.duration;
    previous_ = key & 0xFF;
}

bool ChanterTrack::write(const std::vector<PerformanceEvent>& performance) {
    total_ = settings_.droneIntroduction;
    pending_ = settings_.droneIntroduction;
    appendOpening(performance.front());
    if (!flush()) return false;
    const std::string composed = std::string(kComposedBy) + settings_.composer + "." + settings_.footer;
    for (auto [type, text] : {std::pair<int, std::string_view>{0x03, settings_.title},
                              {0x01, kCreatedBy},
                              {0x02, composed}}) {
        appendText(block_, type, text);
        if (!flush()) return false;
    }
    for (std::size_t i = 0; i < performance.size(); ++i) {
        appendNote(performance[i], i == 0);
        if (!flush()) return false;
    }
    appendShortMessage(block_, pack(midi::kNoteOff, previous_, settings_.chanterVolume), pending_);
    if (!flush()) return false;
    appendEndOfTrack(block_);
    return flush();
}

std::vector<std::uint8_t> droneTrack(const PerformanceEvent& first, std::uint32_t total,
                                     const MidiFileSettings& settings, const MidiBends& bends) {
    using namespace midi;
    // Both drones share one channel in the file, unless each needs its own bend.
    constexpr int kBassChannel = 1;
    const int tenorChannel = settings.keys ? 2 : kBassChannel;
    const int bassKey = settings.bassDroneNote + 12 * bends.bassOctaves;
    const int tenorKey = settings.tenorDroneNote + 12 * bends.tenorOctaves;
    std::vector<std::uint8_t> track;
    appendBytes(track, "MTrk");
    appendBigEndian(track, 0, 4);
    appendTempo(track, droneMicrosecondsPerQuarter(first));
    appendShortMessage(track, pack(kProgramChange | kBassChannel, settings.droneInstrument), 0);
    if (settings.keys) {
        appendShortMessage(track, pack(kProgramChange | tenorChannel, settings.droneInstrument), 0);
        appendBendRange(track, kBassChannel, bends.range);
        appendBendRange(track, tenorChannel, bends.range);
        appendBend(track, kBassChannel,
                   pitchBend(keyOffset(settings.keys->bass, settings.bassDroneNote, bends.bassOctaves), bends.range), 0);
        appendBend(track, tenorChannel,
                   pitchBend(keyOffset(settings.keys->tenor, settings.tenorDroneNote, bends.tenorOctaves), bends.range),
                   0);
    }
    appendShortMessage(track, pack(kNoteOn | tenorChannel, tenorKey, settings.tenorVolume), 0);
    appendShortMessage(track, pack(kNoteOn | kBassChannel, bassKey, settings.bassVolume), 0);
    appendShortMessage(track, pack(kNoteOff | tenorChannel, tenorKey, settings.tenorVolume), total);
    appendShortMessage(track, pack(kNoteOff | kBassChannel, bassKey, settings.bassVolume), 0);
    appendEndOfTrack(track);
    const auto length = static_cast<std::uint32_t>(track.size() - 8);
    for (int i = 0; i < 4; ++i) track[4 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    return track;
}

}  // namespace

std::size_t MemoryByteSink::write(const std::uint8_t* data, std::size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
    return size;
}

bool MemoryByteSink::overwrite(std::size_t offset, const std::uint8_t* data, std::size_t size) {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::memcpy(bytes_.data() + offset, data, size);
    return true;
}

void appendVariableLength(std::vector<std::uint8_t>& buffer, std::uint32_t value) {
    // Four bytes at most: a longer gap (74 hours) is held at the longest one.
    value = std::min(value, kMaxVariableLength);
    std::uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) buffer.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    buffer.push_back(groups[0]);
}

void appendShortMessage(std::vector<std::uint8_t>& buffer, std::uint32_t message, std::uint32_t delta) {
    const auto status = static_cast<std::uint8_t>(message);
    if (status >= 0xF0) return;
    appendVariableLength(buffer, delta);
    buffer.push_back(status);
    buffer.push_back(static_cast<std::uint8_t>(message >> 8));
    const std::uint8_t command = status & 0xF0;
    if (command != midi::kProgramChange && command != midi::kChannelPressure) buffer.push_back(static_cast<std::uint8_t>(message >> 16));
}

MidiBends midiBends(const std::vector<PerformanceEvent>& performance, const MidiFileSettings& settings) {
    MidiBends bends;
    if (!settings.keys) return bends;
    const KeyTunings& keys = *settings.keys;
    // One shift for the whole chanter keeps its keys in order.
    bends.chanterOctaves = nearestOctaves(keys.chanter, settings.lowAKey);
    bends.bassOctaves = nearestOctaves(keys.bass, settings.bassDroneNote);
    bends.tenorOctaves = nearestOctaves(keys.tenor, settings.tenorDroneNote);
    double widest = std::max(std::abs(keyOffset(keys.bass, settings.bassDroneNote, bends.bassOctaves)),
                             std::abs(keyOffset(keys.tenor, settings.tenorDroneNote, bends.tenorOctaves)));
    for (const PerformanceEvent& event : performance) {
        if (isRest(event.symbol)) continue;  // a rest's key is never struck
        widest = std::max(widest, std::abs(keyOffset(keys.chanter, event.pitch, bends.chanterOctaves)));
    }
    bends.range = std::clamp(int(std::ceil(widest / 100.0)), 1, kMaxBendRange);
    return bends;
}

int pitchBend(double cents, int range) {
    const long bend = midi::kPitchBendCentre + std::lround(cents / (100.0 * range) * midi::kPitchBendCentre);
    return int(std::clamp(bend, 0L, 16383L));
}

QuarterRatio quarterRatio(double beatFactor) {
    if (beatFactor == 0.375) return {3, 2};
    if (beatFactor == 0.5) return {2, 1};
    if (beatFactor == 0.1875) return {3, 4};
    return {1, 1};
}

bool writeMidi(MidiByteSink& sink, const std::vector<PerformanceEvent>& performance,
               const MidiFileSettings& settings) {
    if (performance.empty()) return false;
    std::vector<std::uint8_t> header;
    appendBytes(header, "MThd");
    appendBigEndian(header, 6, 4);
    appendBigEndian(header, 1, 2);
    appendBigEndian(header, 2, 2);
    appendBigEndian(header, division(performance.front()), 2);
    appendBytes(header, "MTrk");
    appendBigEndian(header, 0, 4);
    if (sink.write(header.data(), header.size()) != header.size()) return false;

    const MidiBends bends = midiBends(performance, settings);
    ChanterTrack chanter(sink, settings, bends);
    if (!chanter.write(performance)) return false;
    const std::vector<std::uint8_t> drones = droneTrack(performance.front(), chanter.total(), settings, bends);
    if (sink.write(drones.data(), drones.size()) != drones.size()) return false;

    std::vector<std::uint8_t> length;
    appendBigEndian(length, chanter.length(), 4);
    return sink.overwrite(kTrackLengthOffset, length.data(), length.size());
}

namespace {

// Hands the bytes to the file in blocks as they are made, so that a large
// file is never all in memory, and writes the track length into the file.
class ReplacementSink final : public MidiByteSink {
public:
    explicit ReplacementSink(ReplacementFile& file) : file_(file) { block_.reserve(kBlock); }

    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        block_.insert(block_.end(), data, data + size);
        return block_.size() < kBlock || flush() ? size : 0;
    }
    bool overwrite(std::size_t offset, const std::uint8_t* data, std::size_t size) override {
        return flush() && file_.writeAt(offset, data, size);
    }
    bool flush() {
        const bool written = file_.write(block_.data(), block_.size());
        block_.clear();
        return written;
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 16;
    ReplacementFile& file_;
    std::vector<std::uint8_t> block_;
};

}  // namespace

bool writeMidiFile(const std::string& path, const std::vector<PerformanceEvent>& performance,
                   const MidiFileSettings& settings, std::string* error) {
    if (performance.empty()) return false;
    ReplacementFile file(path, Durability::Renamed);
    std::string reason;
    if (file.open(reason)) {
        ReplacementSink sink(file);
        // With notes to write, only a failed write stops writeMidi, and the
        // file keeps that failure: the commit then gives its reason and puts
        // nothing in place.
        const bool complete = writeMidi(sink, performance, settings) && sink.flush();
        if (file.commit(reason) && complete) return true;
    }
    if (error != nullptr) *error = reason;
    return false;
}

}  // namespace skirlo
