#pragma once
// Plays the built performance in real time on a thread of its own. For MIDI
// it walks the MIDI event list, sending each message and sleeping for its
// delay; for the PC speaker it walks the performance and sounds each note's
// frequency for its duration. Every deadline is absolute, counted from the
// start of playing on the monotonic clock, so a late wake-up never delays
// the notes after it.
//
// A MIDI device with a clock of its own (TimedMidiOutput) gets each message
// a little ahead, stamped with its time from the start of playing, and
// sounds it on that clock: then the sound does not depend on when this
// thread wakes at all. The notifications keep their times on this thread.
//
// Commands (play, stop, rewind, volumes) come from the view's thread; the
// notifications come from the playback thread and must only hand their
// values over (a view queues them to its own thread). The lists are the
// view's, set while idle and never changed while playing.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "playback/MidiEventList.h"
#include "playback/PerformanceEvent.h"
#include "playback/PlaybackSettings.h"
#include "playback/live/PlaybackClock.h"

namespace skirlo {

class MidiDeviceLayer;
class SpeakerTone;
class TimedMidiOutput;

// What Play sends before the music and how long the drones sound alone.
struct PlaySetup {
    PlaybackOutput output = PlaybackOutput::Midi;
    int chanterInstrument = 71;
    int droneInstrument = 71;
    int bassDroneNote = 33;
    int tenorDroneNote = 45;
    std::uint32_t droneIntroduction = 1000;
    // What the pipes voice tunes its keys to; other devices ignore it.
    KeyTunings tunings;
};

PlaySetup playSetup(const PlaybackSettings& settings);

// The three volume bytes, as the sliders set them.
struct Volumes {
    int chanter = midi::kStartChanterVolume;
    int tenor = midi::kStartTenorVolume;
    int bass = midi::kStartBassVolume;
};

enum class VolumeChannel { Chanter, Tenor, Bass };

// The MIDI channel each volume controls: chanter 0, bass 1, tenor 2.
int midiChannel(VolumeChannel channel);

struct ShortMessage {
    int status;
    int channel;
    int data1;
    int data2;
};

// Program changes on channels 0, 2 and 1; volumes on 0, 1 and 2; the bass
// and tenor drones' note-ons.
std::array<ShortMessage, 8> startMessages(const PlaySetup& setup, const Volumes& volumes);

// The first chanter messages follow the drone introduction after this.
inline constexpr std::chrono::milliseconds kFirstTimer{20};

// How far ahead messages go to a device with a clock of its own: room for a
// late wake-up of a thread at ordinary priority on a busy machine and for the
// audio the synthesizer renders before it is heard. Stop drops what is
// queued, so the margin delays nothing the user does.
inline constexpr std::chrono::milliseconds kQueueAhead{150};

// A volume menu command (chanter 4501-4511, tenor 4512-4522, bass
// 4523-4533, each 100% down to 0%) as its channel and slider position for a
// slider whose range ends at `rangeMax`; nullopt for another command.
struct MenuVolume {
    VolumeChannel channel;
    int position;
};
std::optional<MenuVolume> menuVolume(int commandId, int rangeMax);

struct PlaybackNotifications {
    // From the playback thread: the entry at this index of the active list
    // has started (the MIDI event list, or the performance for the speaker).
    std::function<void(std::size_t index)> progress;
    // From the playback thread: the end of the list was reached; the view
    // answers with handleEnd() on its own thread.
    std::function<void()> end;
    // From the commanding thread: the output device could not be opened and
    // playing did not start; the view re-applies its device selection.
    std::function<void()> openFailed;
};

class PlaybackScheduler {
public:
    PlaybackScheduler(MidiDeviceLayer& devices, SpeakerTone& speaker, PlaybackClock& clock,
                      PlaybackNotifications notifications);
    // Stops playing (all notes off) and ends the thread.
    ~PlaybackScheduler();
    PlaybackScheduler(const PlaybackScheduler&) = delete;
    PlaybackScheduler& operator=(const PlaybackScheduler&) = delete;

    // Refused (false) while playing. New lists start again at the first entry.
    bool setLists(const std::vector<MidiEvent>* midi, const std::vector<PerformanceEvent>* performance);
    bool setSetup(const PlaySetup& setup);

    // False when already playing, when nothing is left to play, or when the
    // output device could not be opened.
    bool play();
    bool playContinuous();
    // All notes off and close; the play index is kept, so Play resumes at
    // the entry after the last one sent.
    void stop();
    // Idle only: the next Play starts from the first entry.
    void rewind();
    // The view's answer to the end notification: stops, and starts again
    // from the first entry when playing continuously. Does nothing when the
    // playing that ended has already been stopped or restarted.
    void handleEnd();

    // Stored always; sent at once while playing through MIDI.
    void setVolume(VolumeChannel channel, int value);
    Volumes volumes() const;
    // The "Note Off" command: switches the PC speaker off.
    void speakerOff();

    bool playing() const { return playing_; }
    // The flag itself, for the performance whose lists this plays.
    const std::atomic<bool>& playingFlag() const { return playing_; }
    bool continuous() const { return continuous_; }
    std::size_t playIndex() const { return index_; }

private:
    using TimePoint = PlaybackClock::TimePoint;

    void run();
    void fire(std::unique_lock<std::mutex>& lock);
    void fireMidi(std::unique_lock<std::mutex>& lock);
    void fireSpeaker(std::unique_lock<std::mutex>& lock);
    void queueAhead();
    std::int64_t nextDeadline() const;
    void arm(TimePoint deadline);
    void reachEnd(std::unique_lock<std::mutex>& lock);
    void notifyProgress(std::unique_lock<std::mutex>& lock, std::size_t index);
    bool openAndStart();
    std::size_t activeSize() const;

    MidiDeviceLayer& devices_;
    SpeakerTone& speaker_;
    PlaybackClock& clock_;
    PlaybackNotifications notifications_;

    const std::vector<MidiEvent>* midi_ = nullptr;
    const std::vector<PerformanceEvent>* performance_ = nullptr;
    PlaySetup setup_;
    std::atomic<int> chanterVolume_{midi::kStartChanterVolume};
    std::atomic<int> tenorVolume_{midi::kStartTenorVolume};
    std::atomic<int> bassVolume_{midi::kStartBassVolume};

    std::atomic<bool> playing_{false};
    std::atomic<bool> continuous_{false};
    std::atomic<std::size_t> index_{0};
    // The pending deadline in clock ticks, or kNoTimer.
    static constexpr std::int64_t kNoTimer = std::numeric_limits<std::int64_t>::max();
    std::atomic<std::int64_t> timer_{kNoTimer};
    // Set when the end of the list was reached; handleEnd acts only then.
    std::atomic<bool> ended_{false};
    // Every message is sent and the sound is falling away (playback thread
    // and commands, under the lock).
    bool fallingAway_ = false;
    // A speaker tone of this play is sounding (playback thread only).
    bool toneSounding_ = false;

    // The open device's own clock, or nullptr; the start of this play on
    // the monotonic clock; the next entry to queue and its time from the
    // start. Changed under the lock.
    TimedMidiOutput* timed_ = nullptr;
    TimePoint start_{};
    std::size_t queueIndex_ = 0;
    std::uint32_t queueMs_ = 0;

    // Held by the playback thread while it sends and by the commands while
    // they change the play state.
    std::mutex mutex_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace skirlo
