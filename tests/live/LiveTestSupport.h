#pragma once
// Stand-ins for the hardware the live playback drives: a clock the test
// moves by hand, MIDI devices that record what reaches them (and when), and
// speaker ports that record each access.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playback/live/MidiPlatform.h"
#include "playback/live/PlaybackClock.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SynthesizerHandle.h"

namespace skirlo::test {

using namespace std::chrono_literals;

// Time stands still until the test advances it. advanceTo() returns only
// once the playback thread has done everything that became due and sleeps
// again, so a test sees the exact messages of each moment without sleeping.
class ManualClock final : public PlaybackClock {
public:
    static constexpr TimePoint kStart = TimePoint(1000s);

    TimePoint now() const override {
        const std::lock_guard lock(mutex_);
        return now_;
    }

    void waitUntil(std::unique_lock<std::mutex>& outer, TimePoint deadline) override {
        std::unique_lock lock(mutex_);
        if (pendingWake_ || now_ >= deadline) {
            pendingWake_ = false;
            return;
        }
        sleeping_ = true;
        deadline_ = deadline;
        changed_.notify_all();
        outer.unlock();
        wake_.wait(lock, [&] { return pendingWake_ || now_ >= deadline; });
        pendingWake_ = false;
        sleeping_ = false;
        lock.unlock();
        outer.lock();
    }

    void notify() override {
        {
            const std::lock_guard lock(mutex_);
            pendingWake_ = true;
        }
        wake_.notify_all();
    }

    // Waits until the sleeper has taken every wake-up and sleeps towards a
    // deadline still ahead.
    void settle() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return sleeping_ && !pendingWake_ && now_ < deadline_; });
    }

    void advanceTo(TimePoint time) {
        {
            const std::lock_guard lock(mutex_);
            now_ = time;
        }
        wake_.notify_all();
        settle();
    }

    void advance(std::chrono::milliseconds by) { advanceTo(now() + by); }

    // The deadline the sleeper waits for; TimePoint::max() when none.
    TimePoint deadline() {
        settle();
        const std::lock_guard lock(mutex_);
        return deadline_;
    }

    // Moves to each deadline in turn until none is pending; false if that
    // takes more than `limit` steps.
    bool runUntilIdle(int limit = 10000) {
        for (int step = 0; step < limit; ++step) {
            const TimePoint next = deadline();
            if (next == TimePoint::max()) return true;
            advanceTo(next);
        }
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable changed_;
    TimePoint now_ = kStart;
    TimePoint deadline_ = TimePoint::max();
    bool sleeping_ = false;
    bool pendingWake_ = false;
};

// Milliseconds since the clock's start.
inline long long msSinceStart(PlaybackClock::TimePoint at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at - ManualClock::kStart).count();
}

struct SentMessage {
    std::uint32_t message;
    long long at;  // ms since the clock's start

    bool operator==(const SentMessage&) const = default;
};

// A message handed to a device with a clock of its own: when it is to sound
// (ms after begin) and when it was handed over (ms since the clock's start).
struct QueuedMessage {
    std::uint32_t message;
    std::uint32_t ms;
    long long handedAt;

    bool operator==(const QueuedMessage&) const = default;
};

// Devices that record what is done to them. Thread-safe: the playback thread
// sends while the test looks.
class RecordingMidiPlatform final : public MidiPlatform {
public:
    explicit RecordingMidiPlatform(const PlaybackClock& clock) : clock_(clock) {}

    // Whether the devices have a clock of their own (TimedMidiOutput).
    bool timed = false;
    // What the open devices answer for fallAwayMilliseconds.
    std::uint32_t fallAway = 0;

    std::vector<MidiCapabilities> outputs;
    std::vector<MidiCapabilities> inputs;
    // Returned by open and by capabilities when non-zero.
    std::uint32_t openError = 0;
    std::uint32_t capabilitiesError = 0;
    // Returned by open for one device only.
    std::map<unsigned, std::uint32_t> openErrorOf;

    unsigned deviceCount(MidiDirection direction) override {
        return static_cast<unsigned>((direction == MidiDirection::Output ? outputs : inputs).size());
    }
    std::uint32_t capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) override {
        const auto& list = direction == MidiDirection::Output ? outputs : inputs;
        if (capabilitiesError != 0) return capabilitiesError;
        if (id >= list.size()) return midi_error::kBadDeviceId;
        out = list[id];
        return 0;
    }
    std::uint32_t open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) override {
        const auto& list = direction == MidiDirection::Output ? outputs : inputs;
        if (openError != 0) return openError;
        if (id >= list.size()) return midi_error::kBadDeviceId;
        if (openErrorOf.contains(id)) return openErrorOf.at(id);
        record("open " + std::to_string(id));
        out = std::make_unique<Handle>(*this);
        return 0;
    }

    std::vector<SentMessage> sent() const {
        const std::lock_guard lock(mutex_);
        return sent_;
    }
    std::vector<std::uint32_t> sentMessages() const {
        std::vector<std::uint32_t> messages;
        for (const SentMessage& each : sent()) messages.push_back(each.message);
        return messages;
    }
    std::vector<QueuedMessage> queued() const {
        const std::lock_guard lock(mutex_);
        return queued_;
    }
    // "open N", "reset", "prepare", "unprepare", "add", "close", in order;
    // for a timed device also "begin" and "drop after N sent" (N short
    // messages had been sent when the queue was dropped).
    std::vector<std::string> actions() const {
        const std::lock_guard lock(mutex_);
        return actions_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        sent_.clear();
        actions_.clear();
        queued_.clear();
    }

private:
    class Queue final : public TimedMidiOutput {
    public:
        explicit Queue(RecordingMidiPlatform& platform) : platform_(platform) {}
        std::uint32_t begin() override { return platform_.record("begin"); }
        std::uint32_t sendAt(std::uint32_t message, std::uint32_t ms) override {
            const std::lock_guard lock(platform_.mutex_);
            platform_.queued_.push_back({message, ms, msSinceStart(platform_.clock_.now())});
            return 0;
        }
        void drop() override { platform_.record("drop after " + std::to_string(platform_.sent().size()) + " sent"); }

    private:
        RecordingMidiPlatform& platform_;
    };

    class Handle final : public MidiHandle {
    public:
        explicit Handle(RecordingMidiPlatform& platform) : platform_(platform) {}
        std::uint32_t sendShort(std::uint32_t message) override {
            const std::lock_guard lock(platform_.mutex_);
            platform_.sent_.push_back({message, msSinceStart(platform_.clock_.now())});
            return 0;
        }
        std::uint32_t reset() override { return platform_.record("reset"); }
        std::uint32_t prepare(MidiBufferHeader& header) override {
            header.prepared = true;
            return platform_.record("prepare");
        }
        std::uint32_t unprepare(MidiBufferHeader& header) override {
            header.prepared = false;
            return platform_.record("unprepare");
        }
        std::uint32_t addBuffer(MidiBufferHeader&) override { return platform_.record("add"); }
        std::uint32_t close() override { return platform_.record("close"); }
        TimedMidiOutput* timed() override { return platform_.timed ? &platform_.queue_ : nullptr; }
        std::uint32_t fallAwayMilliseconds() const override { return platform_.fallAway; }

    private:
        RecordingMidiPlatform& platform_;
    };

    std::uint32_t record(std::string action) {
        const std::lock_guard lock(mutex_);
        actions_.push_back(std::move(action));
        return 0;
    }

    const PlaybackClock& clock_;
    mutable std::mutex mutex_;
    std::vector<SentMessage> sent_;
    std::vector<std::string> actions_;
    std::vector<QueuedMessage> queued_;
    Queue queue_{*this};
};

// Each port access as "out 43 b6" or "in 61 -> 30"; reads of port 0x61
// answer `systemControl`.
class RecordingSpeakerPorts final : public SpeakerPorts {
public:
    std::uint8_t systemControl = 0x30;

    void write(std::uint16_t port, std::uint8_t value) override { record("out", port, value); }
    std::uint8_t read(std::uint16_t port) override {
        const std::uint8_t value = port == speaker_port::kSystemControl ? systemControl : 0;
        record("in", port, value);
        return value;
    }
    std::vector<std::string> accesses() const {
        const std::lock_guard lock(mutex_);
        return accesses_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        accesses_.clear();
    }

private:
    void record(const char* what, std::uint16_t port, std::uint8_t value) {
        char text[32];
        std::snprintf(text, sizeof text, "%s %x %02x", what, port, value);
        const std::lock_guard lock(mutex_);
        accesses_.emplace_back(text);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> accesses_;
};

// The built-in synthesizer as the only MIDI output; whoever made it renders
// its sound (the test by hand, a benchmark through a paced sound card).
class SynthesizerOnlyPlatform final : public MidiPlatform {
public:
    explicit SynthesizerOnlyPlatform(Synthesizer& synthesizer) : synthesizer_(synthesizer) {}
    unsigned deviceCount(MidiDirection direction) override { return direction == MidiDirection::Output ? 1 : 0; }
    std::uint32_t capabilities(MidiDirection, unsigned, MidiCapabilities& out) override {
        out = {kSynthesizerName, kMidiSupportsVolume};
        return 0;
    }
    std::uint32_t open(MidiDirection, unsigned, std::unique_ptr<MidiHandle>& out) override {
        out = std::make_unique<SynthesizerHandle>(synthesizer_);
        return 0;
    }

private:
    Synthesizer& synthesizer_;
};

}  // namespace skirlo::test
