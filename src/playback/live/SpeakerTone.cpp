#include "playback/live/SpeakerTone.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "playback/live/DiagnosticLog.h"
#include "playback/live/QuietAlsa.h"

namespace skirlo {

void SpeakerTone::start(std::int32_t frequency) {
    using namespace speaker_port;
    if (frequency <= 0) {
        saved_ = ports_.read(kSystemControl);
        off();
        return;
    }
    ports_.write(kTimerControl, kCounter2SquareWave);
    const std::int32_t divisor = kTimerClock / frequency;
    ports_.write(kCounter2, static_cast<std::uint8_t>(divisor & 0xFF));
    ports_.write(kCounter2, static_cast<std::uint8_t>(divisor >> 8 & 0xFF));
    saved_ = ports_.read(kSystemControl);
    ports_.write(kSystemControl, saved_ | kSpeakerGates);
}

void SpeakerTone::off() {
    ports_.write(speaker_port::kSystemControl, saved_ & ~speaker_port::kSpeakerGates & 0xFF);
}

void PitSpeakerPorts::write(std::uint16_t port, std::uint8_t value) {
    using namespace speaker_port;
    if (port == kTimerControl) {
        // Selecting counter 2 restarts its low-then-high byte sequence.
        if ((value & 0xC0) == 0x80) expectHighByte_ = false;
    } else if (port == kCounter2) {
        divisor_ = expectHighByte_ ? static_cast<std::uint16_t>((divisor_ & 0x00FF) | value << 8)
                                   : static_cast<std::uint16_t>((divisor_ & 0xFF00) | value);
        expectHighByte_ = !expectHighByte_;
        if (!expectHighByte_) update();
    } else if (port == kSystemControl) {
        systemControl_ = value;
        update();
    }
}

std::uint8_t PitSpeakerPorts::read(std::uint16_t port) {
    return port == speaker_port::kSystemControl ? systemControl_ : 0;
}

void PitSpeakerPorts::update() {
    using namespace speaker_port;
    const bool gated = (systemControl_ & kSpeakerGates) == kSpeakerGates;
    const std::int32_t count = divisor_ == 0 ? 65536 : divisor_;
    output_.sound(gated ? kTimerClock / count : 0);
}

namespace {

constexpr const char* kSpeakerDevice = "/dev/input/by-path/platform-pcspkr-event-spkr";

bool canSoundTones(int fd) {
    std::array<unsigned long, 1> bits{};
    if (ioctl(fd, EVIOCGBIT(EV_SND, sizeof bits), bits.data()) < 0) return false;
    return (bits[0] & (1UL << SND_TONE)) != 0;
}

// The first input device that takes EV_SND/SND_TONE events.
int openSpeakerDevice() {
    int fd = ::open(kSpeakerDevice, O_WRONLY | O_CLOEXEC);
    if (fd >= 0) return fd;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/input", error)) {
        if (entry.path().filename().string().rfind("event", 0) != 0) continue;
        fd = ::open(entry.path().c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) continue;
        if (canSoundTones(fd)) return fd;
        ::close(fd);
    }
    return -1;
}

class KernelSpeaker final : public ToneOutput {
public:
    explicit KernelSpeaker(int fd) : fd_(fd) {}
    ~KernelSpeaker() override {
        sound(0);
        ::close(fd_);
    }
    void sound(std::int32_t frequency) override {
        input_event event{};
        event.type = EV_SND;
        event.code = SND_TONE;
        event.value = frequency;
        // A speaker that stops answering only makes playback silent.
        [[maybe_unused]] const ssize_t written = ::write(fd_, &event, sizeof event);
    }

private:
    int fd_;
};

// A square wave written to the sound card by a thread of its own; the
// frequency is all the two sides share.
class SquareWaveSpeaker final : public ToneOutput {
public:
    SquareWaveSpeaker(snd_pcm_t* pcm, unsigned rate) : pcm_(pcm), rate_(rate), thread_([this] { run(); }) {}
    ~SquareWaveSpeaker() override {
        running_ = false;
        thread_.join();
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }
    void sound(std::int32_t frequency) override { frequency_ = frequency; }

private:
    static constexpr std::int16_t kAmplitude = 6000;
    static constexpr snd_pcm_uframes_t kPeriod = 256;

    void run() {
        std::vector<std::int16_t> samples(kPeriod);
        double phase = 0;
        while (running_) {
            const std::int32_t frequency = frequency_;
            // Above half the sample rate (the 30000 Hz of a rest) nothing
            // audible can be made: silence instead of aliasing.
            const bool audible = frequency > 0 && frequency < static_cast<std::int32_t>(rate_ / 2);
            for (std::int16_t& sample : samples) {
                sample = audible ? (phase < 0.5 ? kAmplitude : -kAmplitude) : 0;
                phase += audible ? static_cast<double>(frequency) / rate_ : 0;
                if (phase >= 1) phase -= 1;
            }
            const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, samples.data(), kPeriod);
            if (written < 0 && snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) return;
        }
    }

    snd_pcm_t* pcm_;
    unsigned rate_;
    std::atomic<std::int32_t> frequency_{0};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

class SilentSpeaker final : public ToneOutput {
public:
    void sound(std::int32_t) override {}
};

snd_pcm_t* openPcm(unsigned rate) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
    // 50 ms of latency: short enough for the shortest gracenote to be heard in time.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, rate, 1, 50000) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

}  // namespace

std::unique_ptr<ToneOutput> openToneOutput(DiagnosticLog& log) {
    const int fd = openSpeakerDevice();
    if (fd >= 0) return std::make_unique<KernelSpeaker>(fd);
    constexpr unsigned kRate = 44100;
    snd_pcm_t* pcm = nullptr;
    {
        const QuietAlsa quiet;
        pcm = openPcm(kRate);
    }
    if (pcm != nullptr) return std::make_unique<SquareWaveSpeaker>(pcm, kRate);
    log.write("PC speaker: no PC-speaker device and no sound card; playing silently\n");
    return std::make_unique<SilentSpeaker>();
}

}  // namespace skirlo
