#pragma once
// The PC speaker: channel 2 of the programmable interval timer makes a square
// wave (ports 0x42 and 0x43) and the system control port 0x61 gates it to the
// speaker. SpeakerTone programs the ports in the order the hardware needs;
// SpeakerPorts is where the bytes go. On Linux the ports are emulated
// (PitSpeakerPorts) and the tone sounds through the kernel's PC-speaker input
// device, or as a square wave through the sound card where there is none.

#include <atomic>
#include <cstdint>
#include <memory>

namespace skirlo {

class DiagnosticLog;

namespace speaker_port {
inline constexpr std::uint16_t kCounter2 = 0x42;
inline constexpr std::uint16_t kTimerControl = 0x43;
inline constexpr std::uint16_t kSystemControl = 0x61;
// Counter 2, low byte then high byte, mode 3 (square wave), binary.
inline constexpr std::uint8_t kCounter2SquareWave = 0xB6;
// Bit 0 gates counter 2, bit 1 connects it to the speaker.
inline constexpr std::uint8_t kSpeakerGates = 0x03;
// The timer's input clock in Hz.
inline constexpr std::int32_t kTimerClock = 1193180;
}  // namespace speaker_port

class SpeakerPorts {
public:
    virtual ~SpeakerPorts() = default;
    virtual void write(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t read(std::uint16_t port) = 0;
};

class SpeakerTone {
public:
    explicit SpeakerTone(SpeakerPorts& ports) : ports_(ports) {}

    // Sounds `frequency` Hz until the next start or off. A frequency of 0 or
    // below would divide by zero: it sounds as silence (the speaker is
    // switched off, keeping the port's other bits).
    void start(std::int32_t frequency);
    // Writes the saved port value with the speaker gates cleared.
    void off();
    std::uint8_t savedPortValue() const { return saved_; }

private:
    SpeakerPorts& ports_;
    // Written by start on one thread, read by off on another.
    std::atomic<std::uint8_t> saved_{0};
};

// Where the emulated speaker sounds.
class ToneOutput {
public:
    virtual ~ToneOutput() = default;
    // 0: silence.
    virtual void sound(std::int32_t frequency) = 0;
};

// The timer channel and the control port as the hardware behaves: the tone
// sounds while both gate bits are set, at the clock divided by the divisor
// (a divisor of 0 counts 65536).
class PitSpeakerPorts final : public SpeakerPorts {
public:
    explicit PitSpeakerPorts(ToneOutput& output) : output_(output) {}
    void write(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t port) override;

private:
    void update();

    ToneOutput& output_;
    std::uint8_t systemControl_ = 0;
    std::uint16_t divisor_ = 0;
    bool expectHighByte_ = false;
};

// The kernel's PC-speaker input device when there is one, else a square wave
// through the default sound device; silent (with a note in the log) where
// neither can be opened.
std::unique_ptr<ToneOutput> openToneOutput(DiagnosticLog& log);

}  // namespace skirlo
