// Plays a tune in the desktop program's window through the real devices (the
// built-in synthesizer where there is no MIDI port), takes pictures of the
// window at three moments, and reports how the music reached the device and
// how long the ball took to follow.
//
//   play_in_window TUNE.tnz OUT_DIR
//
// Run it under a display (Xvfb will do). A device with a clock of its own
// (the built-in synthesizer, an ALSA port's queue) gets the music ahead of
// time: reported are the stamps against the list's times (they must agree
// exactly) and how far ahead each message was handed over; the ball's lag is
// counted from each entry's time after the start. A device without one gets
// each message at its time: the lateness of message i is its send time less
// the first list message's, less the sum of the list's delays before it.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/MusicView.h"
#include "editor/PlaybackDevices.h"
#include "editor/TunePlayer.h"
#include "editor/TuneWindow.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/PlaybackClock.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/SystemMidiPlatform.h"

namespace {

using namespace skirlo;
using Clock = std::chrono::steady_clock;

// The system's devices, with the time of every short message sent.
class TimedPlatform final : public MidiPlatform {
public:
    explicit TimedPlatform(MidiPlatform& real) : real_(real) {}
    unsigned deviceCount(MidiDirection direction) override { return real_.deviceCount(direction); }
    std::uint32_t capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) override {
        return real_.capabilities(direction, id, out);
    }
    std::uint32_t open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) override {
        std::unique_ptr<MidiHandle> handle;
        const std::uint32_t result = real_.open(direction, id, handle);
        if (result == 0) out = std::make_unique<Handle>(std::move(handle), *this);
        return result;
    }
    std::vector<Clock::time_point> sendTimes() const {
        const std::lock_guard lock(mutex_);
        return sent_;
    }
    struct Queued {
        std::uint32_t ms;
        Clock::time_point handedAt;
    };
    std::vector<Queued> queued() const {
        const std::lock_guard lock(mutex_);
        return queued_;
    }
    Clock::time_point begunAt() const {
        const std::lock_guard lock(mutex_);
        return begunAt_;
    }

private:
    class Queue final : public TimedMidiOutput {
    public:
        Queue(TimedMidiOutput& real, TimedPlatform& platform) : real_(real), platform_(platform) {}
        std::uint32_t begin() override {
            {
                const std::lock_guard lock(platform_.mutex_);
                platform_.begunAt_ = Clock::now();
            }
            return real_.begin();
        }
        std::uint32_t sendAt(std::uint32_t message, std::uint32_t ms) override {
            {
                const std::lock_guard lock(platform_.mutex_);
                platform_.queued_.push_back({ms, Clock::now()});
            }
            return real_.sendAt(message, ms);
        }
        void drop() override { real_.drop(); }

    private:
        TimedMidiOutput& real_;
        TimedPlatform& platform_;
    };

    class Handle final : public MidiHandle {
    public:
        Handle(std::unique_ptr<MidiHandle> real, TimedPlatform& platform)
            : real_(std::move(real)), platform_(platform) {
            if (TimedMidiOutput* timed = real_->timed()) queue_.emplace(*timed, platform_);
        }
        std::uint32_t sendShort(std::uint32_t message) override {
            {
                const std::lock_guard lock(platform_.mutex_);
                platform_.sent_.push_back(Clock::now());
            }
            return real_->sendShort(message);
        }
        std::uint32_t reset() override { return real_->reset(); }
        std::uint32_t prepare(MidiBufferHeader& header) override { return real_->prepare(header); }
        std::uint32_t unprepare(MidiBufferHeader& header) override { return real_->unprepare(header); }
        std::uint32_t addBuffer(MidiBufferHeader& header) override { return real_->addBuffer(header); }
        std::uint32_t close() override { return real_->close(); }
        TimedMidiOutput* timed() override { return queue_ ? &*queue_ : nullptr; }

    private:
        std::unique_ptr<MidiHandle> real_;
        TimedPlatform& platform_;
        std::optional<Queue> queue_;
    };

    MidiPlatform& real_;
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> sent_;
    std::vector<Queued> queued_;
    Clock::time_point begunAt_;
};

class NoSaving final : public SaveNameDialog {
public:
    Answer ask(std::string_view, std::string_view) override { return {}; }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// The list's entries from the start of playing: the drone introduction is
// what comes before the first stamp.
int reportQueued(const std::vector<MidiEvent>& events, const std::vector<TimedPlatform::Queued>& queued,
                 Clock::time_point begunAt, const std::vector<std::pair<std::size_t, Clock::time_point>>& ballMoves) {
    if (queued.size() != events.size()) {
        std::fprintf(stderr, "only %zu of %zu messages were queued\n", queued.size(), events.size());
        return 1;
    }
    std::vector<long long> due;
    long long at = queued.front().ms;
    std::size_t wrongStamps = 0;
    std::vector<double> lead;
    for (std::size_t i = 0; i < events.size(); ++i) {
        due.push_back(at);
        if (queued[i].ms != at) ++wrongStamps;
        lead.push_back(double(at) - std::chrono::duration<double, std::milli>(queued[i].handedAt - begunAt).count());
        at += events[i].delay;
    }
    std::printf("messages: %zu queued over %.1f s, stamps differing from the list's times: %zu\n", queued.size(),
                double(at) / 1000.0, wrongStamps);
    std::printf("handed over ahead of their time, ms: min %.3f  median %.3f  max %.3f\n", percentile(lead, 0.0),
                percentile(lead, 0.5), percentile(lead, 1.0));
    std::vector<double> lag;
    for (const auto& [index, when] : ballMoves) {
        if (index < due.size()) {
            lag.push_back(std::chrono::duration<double, std::milli>(when - begunAt).count() - double(due[index]));
        }
    }
    std::printf("ball follows %zu entries, lag ms after their time: median %.3f  p99 %.3f  max %.3f\n", lag.size(),
                percentile(lag, 0.5), percentile(lag, 0.99), percentile(lag, 1.0));
    return wrongStamps == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: play_in_window TUNE.tnz OUT_DIR\n");
        return 1;
    }
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);

    StderrDiagnosticLog log;
    SystemMidiPlatform system(log);
    TimedPlatform platform(system);
    std::unique_ptr<ToneOutput> tone = openToneOutput(log);
    PitSpeakerPorts ports(*tone);
    SpeakerTone speaker(ports);
    SteadyPlaybackClock clock;
    PlaybackDevices devices{platform, speaker, clock, log};
    StderrMessageSink messages;
    NoSaving dialog;

    Application::Options options;
    options.files = {QString::fromLocal8Bit(argv[1])};
    options.messages = &messages;
    options.saveDialog = &dialog;
    options.devices = &devices;
    Application application(options);
    if (!application.start()) return 1;
    TuneWindow* tune = application.mainWindow()->activeTune();
    if (tune == nullptr) return 1;

    // The ball's lag: from the send of an entry to the window's move of the ball.
    std::vector<std::pair<std::size_t, Clock::time_point>> ballMoves;
    QObject::connect(tune->player(), &TunePlayer::sounding,
                     [&](std::size_t index) { ballMoves.emplace_back(index, Clock::now()); });
    // A loop of its own: quitting the application would close the tune window.
    QEventLoop playing;
    QObject::connect(tune->player(), &TunePlayer::stateChanged, [&] {
        if (!tune->player()->playing()) QTimer::singleShot(300, &playing, &QEventLoop::quit);
    });
    int shot = 0;
    QTimer camera;
    QObject::connect(&camera, &QTimer::timeout, [&] {
        const QString path = QString::fromStdString((out / ("ball-" + std::to_string(++shot) + ".png")).string());
        application.mainWindow()->grab().save(path);
        std::printf("%s\n", path.toLocal8Bit().constData());
        if (shot == 3) camera.stop();
    });
    QTimer::singleShot(500, [&] {
        tune->runCommand(command::kPlay);
        camera.start(3000);
    });
    playing.exec();

    const auto& events = tune->document().playback().midiEvents.events();
    std::printf("device: %s\n", tune->player()->listDevices().names.front().c_str());
    const std::vector<TimedPlatform::Queued> queued = platform.queued();
    if (!queued.empty()) {
        const int status = reportQueued(events, queued, platform.begunAt(), ballMoves);
        application.shutDown();
        return status;
    }
    const std::vector<Clock::time_point> sent = platform.sendTimes();
    // Eight messages of the set-up come before the list.
    constexpr std::size_t kSetUp = 8;
    if (sent.size() < kSetUp + events.size()) {
        std::fprintf(stderr, "only %zu of %zu messages were sent\n", sent.size(), kSetUp + events.size());
        return 1;
    }
    std::vector<double> lateness;
    long long due = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const double actual = std::chrono::duration<double, std::milli>(sent[kSetUp + i] - sent[kSetUp]).count();
        lateness.push_back(actual - static_cast<double>(due));
        due += events[i].delay;
    }
    std::printf("messages: %zu (%zu sent) due over %.1f s, sent over %.1f s\n", lateness.size(), sent.size(),
                static_cast<double>(due) / 1000.0,
                std::chrono::duration<double>(sent.back() - sent[kSetUp]).count());
    std::printf("lateness ms: median %.3f  p99 %.3f  max %.3f  last %.3f\n", percentile(lateness, 0.5),
                percentile(lateness, 0.99), percentile(lateness, 1.0), lateness.back());
    std::vector<double> lag;
    for (const auto& [index, at] : ballMoves) {
        if (kSetUp + index < sent.size()) {
            lag.push_back(std::chrono::duration<double, std::milli>(at - sent[kSetUp + index]).count());
        }
    }
    std::printf("ball follows %zu entries, lag ms: median %.3f  p99 %.3f  max %.3f\n", lag.size(),
                percentile(lag, 0.5), percentile(lag, 0.99), percentile(lag, 1.0));
    application.shutDown();
    return 0;
}
