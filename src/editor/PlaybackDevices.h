#pragma once
// What every tune window plays through, shared by all of them: the MIDI
// ports (with the built-in synthesizer), the PC speaker, the clock of the
// playback threads and their log. The program gives the real ones; tests give
// recorders and a clock they move by hand.

namespace skirlo {

class DiagnosticLog;
class MidiPlatform;
class PlaybackClock;
class SpeakerTone;

struct PlaybackDevices {
    MidiPlatform& platform;
    SpeakerTone& speaker;
    PlaybackClock& clock;
    DiagnosticLog& log;
};

}  // namespace skirlo
