#include "playback/live/PlaybackScheduler.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/SpeakerTone.h"

namespace skirlo {

namespace {

constexpr int kDroneVelocity = 127;

constexpr int kChanterMenuLast = 4511;
constexpr int kTenorMenuLast = 4522;
constexpr int kBassMenuLast = 4533;
constexpr int kMenuSteps = 10;
// Low among real-time priorities: above every ordinary thread (a busy
// desktop must not make notes late), below the audio servers' threads.
constexpr int kRealTimePriority = 10;

// Where the user may not have real-time scheduling, playback runs at
// ordinary priority and is only later under load.
void raiseThreadPriority() {
    sched_param parameters{};
    parameters.sched_priority = kRealTimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters);
}

}  // namespace

PlaySetup playSetup(const PlaybackSettings& settings) {
    return {settings.output,        settings.chanterInstrument, settings.droneInstrument,
            settings.bassDroneNote, settings.tenorDroneNote,    settings.droneIntroduction,
            keyTunings(settings.pipes, settings.midiNotes.natural[1], settings.bassDroneNote, settings.tenorDroneNote)};
}

int midiChannel(VolumeChannel channel) {
    switch (channel) {
        case VolumeChannel::Chanter: return midi::kChanterChannel;
        case VolumeChannel::Tenor: return midi::kTenorDroneChannel;
        case VolumeChannel::Bass: return midi::kBassDroneChannel;
    }
    return midi::kChanterChannel;
}

std::array<ShortMessage, 8> startMessages(const PlaySetup& setup, const Volumes& volumes) {
    using namespace midi;
    return {{
        {kProgramChange, kChanterChannel, setup.chanterInstrument, 0},
        {kProgramChange, kTenorDroneChannel, setup.droneInstrument, 0},
        {kProgramChange, kBassDroneChannel, setup.droneInstrument, 0},
        {kControlChange, kChanterChannel, midi::kVolumeController, volumes.chanter},
        {kControlChange, kBassDroneChannel, midi::kVolumeController, volumes.bass},
        {kControlChange, kTenorDroneChannel, midi::kVolumeController, volumes.tenor},
        {kNoteOn, kBassDroneChannel, setup.bassDroneNote, kDroneVelocity},
        {kNoteOn, kTenorDroneChannel, setup.tenorDroneNote, kDroneVelocity},
    }};
}

std::optional<MenuVolume> menuVolume(int commandId, int rangeMax) {
    for (const auto& [last, channel] : {std::pair{kChanterMenuLast, VolumeChannel::Chanter},
                                        std::pair{kTenorMenuLast, VolumeChannel::Tenor},
                                        std::pair{kBassMenuLast, VolumeChannel::Bass}}) {
        if (commandId >= last - kMenuSteps && commandId <= last) {
            return MenuVolume{channel, (last - commandId) * 10 * rangeMax / 100};
        }
    }
    return std::nullopt;
}

PlaybackScheduler::PlaybackScheduler(MidiDeviceLayer& devices, SpeakerTone& speaker, PlaybackClock& clock,
                                     PlaybackNotifications notifications)
    : devices_(devices), speaker_(speaker), clock_(clock), notifications_(std::move(notifications)) {
    devices_.setPlayingQuery([this] { return playing_.load(); });
    thread_ = std::thread([this] { run(); });
}

PlaybackScheduler::~PlaybackScheduler() {
    stop();
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    clock_.notify();
    thread_.join();
    devices_.setPlayingQuery([] { return false; });
}

bool PlaybackScheduler::setLists(const std::vector<MidiEvent>* midi, const std::vector<PerformanceEvent>* performance) {
    const std::lock_guard lock(mutex_);
    if (playing_) return false;
    midi_ = midi;
    performance_ = performance;
    index_ = 0;
    return true;
}

bool PlaybackScheduler::setSetup(const PlaySetup& setup) {
    const std::lock_guard lock(mutex_);
    if (playing_) return false;
    setup_ = setup;
    return true;
}

std::size_t PlaybackScheduler::activeSize() const {
    const bool midi = setup_.output == PlaybackOutput::Midi;
    if (midi) return midi_ != nullptr ? midi_->size() : 0;
    return performance_ != nullptr ? performance_->size() : 0;
}

bool PlaybackScheduler::play() {
    {
        const std::lock_guard lock(mutex_);
        // Nothing left to play: stay idle rather than "playing" with no timer.
        if (playing_ || index_ >= activeSize()) return false;
        playing_ = true;
        ended_ = false;
        fallingAway_ = false;
        toneSounding_ = false;
    }
    if (setup_.output == PlaybackOutput::Midi && !openAndStart()) return false;
    {
        const std::lock_guard lock(mutex_);
        if (!playing_) return false;
        start_ = clock_.now();
        if (setup_.output == PlaybackOutput::Midi) {
            const auto first = std::chrono::milliseconds(setup_.droneIntroduction) + kFirstTimer;
            timed_ = devices_.output().timed();
            queueIndex_ = index_;
            queueMs_ = static_cast<std::uint32_t>(first.count());
            // The first notes go at once: the playback thread's first
            // wake-up may come later than they are due.
            if (timed_ != nullptr) {
                timed_->begin();
                queueAhead();
            }
            arm(start_ + first);
        } else {
            timed_ = nullptr;
            arm(start_);
        }
    }
    clock_.notify();
    return true;
}

bool PlaybackScheduler::openAndStart() {
    MidiDevice& output = devices_.output();
    if (devices_.midiActivateDevice(output, midi_device::kOpen) != 0) {
        playing_ = false;
        continuous_ = false;
        if (notifications_.openFailed) notifications_.openFailed();
        return false;
    }
    output.handle->tune(setup_.tunings);
    for (const ShortMessage& message : startMessages(setup_, volumes())) {
        devices_.midiSendShortMsg(output, message.status, message.channel, message.data1, message.data2);
    }
    return true;
}

bool PlaybackScheduler::playContinuous() {
    if (playing_) return false;
    continuous_ = true;
    if (play()) return true;
    continuous_ = false;
    return false;
}

void PlaybackScheduler::stop() {
    {
        const std::lock_guard lock(mutex_);
        if (!playing_) return;
        playing_ = false;
        continuous_ = false;
        timer_ = kNoTimer;
        if (setup_.output == PlaybackOutput::Speaker) speaker_.off();
    }
    clock_.notify();
    if (setup_.output == PlaybackOutput::Midi) {
        MidiDevice& output = devices_.output();
        // Queued notes go first, or one could sound after the notes off.
        if (TimedMidiOutput* timed = output.timed()) timed->drop();
        devices_.sendOnOpenHandle(output, midi::kControlChange | midi::kChanterChannel | midi::kAllNotesOffController << 8);
        devices_.midiActivateDevice(output, midi_device::kClose);
    }
}

void PlaybackScheduler::rewind() {
    const std::lock_guard lock(mutex_);
    if (!playing_) index_ = 0;
}

void PlaybackScheduler::handleEnd() {
    if (!ended_.exchange(false)) return;
    const bool again = continuous_;
    stop();
    continuous_ = again;
    if (again && !play()) continuous_ = false;
}

void PlaybackScheduler::setVolume(VolumeChannel channel, int value) {
    switch (channel) {
        case VolumeChannel::Chanter: chanterVolume_ = value; break;
        case VolumeChannel::Tenor: tenorVolume_ = value; break;
        case VolumeChannel::Bass: bassVolume_ = value; break;
    }
    if (playing_ && setup_.output == PlaybackOutput::Midi) {
        devices_.midiSendShortMsg(devices_.output(), midi::kControlChange, midiChannel(channel), midi::kVolumeController,
                                  value);
    }
}

Volumes PlaybackScheduler::volumes() const { return {chanterVolume_, tenorVolume_, bassVolume_}; }

// Taken under the lock: the playback thread may be starting a tone.
void PlaybackScheduler::speakerOff() {
    const std::lock_guard lock(mutex_);
    speaker_.off();
}

void PlaybackScheduler::arm(TimePoint deadline) { timer_ = deadline.time_since_epoch().count(); }

void PlaybackScheduler::run() {
    raiseThreadPriority();
    std::unique_lock lock(mutex_);
    while (!quit_) {
        const std::int64_t timer = playing_ ? nextDeadline() : kNoTimer;
        const TimePoint deadline = timer == kNoTimer ? TimePoint::max() : TimePoint(TimePoint::duration(timer));
        if (timer != kNoTimer && clock_.now() >= deadline) {
            fire(lock);
        } else {
            clock_.waitUntil(lock, deadline);
        }
    }
}

void PlaybackScheduler::fire(std::unique_lock<std::mutex>& lock) {
    if (setup_.output == PlaybackOutput::Midi) {
        fireMidi(lock);
    } else {
        fireSpeaker(lock);
    }
}

// The earlier of the next notification and the moment the next entry is
// to be queued.
std::int64_t PlaybackScheduler::nextDeadline() const {
    const std::int64_t timer = timer_;
    if (timed_ == nullptr || queueIndex_ >= midi_->size()) return timer;
    const TimePoint queueAt = start_ + std::chrono::milliseconds(queueMs_) - kQueueAhead;
    return std::min(timer, static_cast<std::int64_t>(queueAt.time_since_epoch().count()));
}

// Hands the device every entry due within kQueueAhead of now, each stamped
// with its time from the start of playing.
void PlaybackScheduler::queueAhead() {
    const std::vector<MidiEvent>& events = *midi_;
    const TimePoint horizon = clock_.now() + kQueueAhead;
    while (queueIndex_ < events.size() && start_ + std::chrono::milliseconds(queueMs_) <= horizon) {
        timed_->sendAt(events[queueIndex_].message, queueMs_);
        queueMs_ += events[queueIndex_].delay;
        ++queueIndex_;
    }
}

// Sends every message up to the next one with a delay, then sleeps that
// delay past the deadline just met (not past now: lateness is not carried on).
// A device with its own clock has had the messages already: only the
// notification is due.
void PlaybackScheduler::fireMidi(std::unique_lock<std::mutex>& lock) {
    if (timed_ != nullptr) queueAhead();
    const TimePoint due(TimePoint::duration(timer_.load()));
    if (timer_ == kNoTimer || clock_.now() < due) return;
    if (fallingAway_) {
        reachEnd(lock);
        return;
    }
    const std::vector<MidiEvent>& events = *midi_;
    MidiDevice& output = devices_.output();
    while (index_ < events.size()) {
        const std::size_t index = index_;
        const MidiEvent& event = events[index];
        index_ = index + 1;
        if (timed_ == nullptr) devices_.sendOnOpenHandle(output, event.message);
        if (event.delay != 0) {
            arm(due + std::chrono::milliseconds(event.delay));
            notifyProgress(lock, index);
            return;
        }
    }
    const std::uint32_t fallAway = output.handle ? output.handle->fallAwayMilliseconds() : 0;
    if (fallAway == 0) {
        reachEnd(lock);
        return;
    }
    // The music is over: a Stop now leaves the next Play at the start, as
    // the end does.
    fallingAway_ = true;
    index_ = 0;
    arm(due + std::chrono::milliseconds(fallAway));
}

void PlaybackScheduler::fireSpeaker(std::unique_lock<std::mutex>& lock) {
    const TimePoint due(TimePoint::duration(timer_.load()));
    // The first note of a play has no tone before it to end; switching the
    // speaker off then would write a port value never read.
    if (toneSounding_) speaker_.off();
    toneSounding_ = false;
    const std::vector<PerformanceEvent>& events = *performance_;
    if (index_ >= events.size()) {
        reachEnd(lock);
        return;
    }
    const std::size_t index = index_;
    index_ = index + 1;
    speaker_.start(events[index].pitch);
    toneSounding_ = true;
    arm(due + std::chrono::milliseconds(events[index].duration));
    notifyProgress(lock, index);
}

void PlaybackScheduler::reachEnd(std::unique_lock<std::mutex>& lock) {
    timer_ = kNoTimer;
    index_ = 0;
    ended_ = true;
    if (!notifications_.end) return;
    lock.unlock();
    notifications_.end();
    lock.lock();
}

void PlaybackScheduler::notifyProgress(std::unique_lock<std::mutex>& lock, std::size_t index) {
    if (!notifications_.progress) return;
    lock.unlock();
    notifications_.progress(index);
    lock.lock();
}

}  // namespace skirlo
