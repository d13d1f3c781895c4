// The built-in synthesizer's own clock: messages queued ahead sound at the
// rendered block nearest their time, in the order queued, and nothing that
// was dropped or stopped sounds later. Rendered by hand, without audio output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SynthesizerHandle.h"

namespace skirlo {
namespace {

using namespace std::chrono_literals;

constexpr int kRate = kLiveSampleRate;
constexpr int kBlock = 64;
// Half a block: the furthest a message may sound from its time.
constexpr double kHalfBlockMs = 32.0 * 1000 / kRate + 1e-9;

constexpr std::uint32_t msg(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

struct Heard {
    std::uint32_t message;
    double ms;             // since begin(), as the synthesizer counts it
    std::int64_t frame;    // the first frame of the block it sounded in
};

class SynthesizerTimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Synthesizer::create(kRate, log, synthesizer) != 0) GTEST_SKIP() << "no General MIDI soundfont is installed";
        synthesizer->setSoundingListener(
            [this](std::uint32_t message, double ms) { heard.push_back({message, ms, std::int64_t(left.size())}); });
    }

    // Renders block by block, keeping the left channel.
    void render(std::chrono::milliseconds length) {
        std::vector<std::int16_t> block(2 * kBlock);
        for (std::int64_t i = 0; i < length.count() * kRate / 1000 / kBlock; ++i) {
            synthesizer->render(block);
            for (std::size_t frame = 0; frame < kBlock; ++frame) left.push_back(block[2 * frame]);
        }
    }

    int peak(std::int64_t from, std::int64_t to) const {
        int result = 0;
        for (std::int64_t i = std::max<std::int64_t>(from, 0); i < std::min<std::int64_t>(to, left.size()); ++i) {
            result = std::max(result, std::abs(int{left[i]}));
        }
        return result;
    }
    std::int64_t frames() const { return static_cast<std::int64_t>(left.size()); }

    static std::int64_t firstAudible(const std::vector<std::int16_t>& samples) {
        const auto loud = std::find_if(samples.begin(), samples.end(), [](std::int16_t each) { return std::abs(each) > 2; });
        return loud - samples.begin();
    }

    RecordingDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    std::vector<Heard> heard;
    std::vector<std::int16_t> left;
};

TEST_F(SynthesizerTimingTest, QueuedMessagesSoundInTheBlockNearestTheirTimeInTheOrderQueued) {
    // A start that is no whole number of milliseconds into the synthesizer's life.
    std::vector<std::int16_t> odd(2 * 1000);
    synthesizer->render(odd);
    synthesizer->begin();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> queued = {
        {msg(0xC0, 0, 0), 0},     {msg(0x90, 67, 110), 7},
        // The same key released and struck again at one time: the order must hold.
        {msg(0x80, 67, 0), 100},  {msg(0x90, 67, 110), 100}, {msg(0x80, 67, 0), 101},
        {msg(0x90, 69, 110), 101}, {msg(0x80, 69, 0), 333}};
    for (const auto& [message, ms] : queued) ASSERT_EQ(synthesizer->sendAt(message, ms), 0U);
    render(500ms);

    ASSERT_EQ(heard.size(), queued.size());
    for (std::size_t i = 0; i < queued.size(); ++i) {
        EXPECT_EQ(heard[i].message, queued[i].first) << i;
        EXPECT_NEAR(heard[i].ms, double(queued[i].second), kHalfBlockMs) << i;
    }
    // The first note is heard in the very block reported.
    const std::int64_t onset = firstAudible(left);
    EXPECT_GE(onset, heard[1].frame);
    EXPECT_LT(onset, heard[1].frame + kBlock);
}

TEST_F(SynthesizerTimingTest, DroppedMessagesNeverSoundAndTheNextBeginPlaysOnItsOwnTimes) {
    synthesizer->begin();
    for (std::uint32_t ms = 50; ms < 1000; ms += 100) synthesizer->sendAt(msg(0x90, 60, 100), ms);
    render(200ms);
    synthesizer->drop();
    render(1000ms);
    ASSERT_EQ(heard.size(), 2U);
    EXPECT_NEAR(heard[1].ms, 150, kHalfBlockMs);

    heard.clear();
    synthesizer->begin();
    synthesizer->sendAt(msg(0x90, 62, 100), 30);
    render(300ms);
    ASSERT_EQ(heard.size(), 1U);
    EXPECT_EQ(heard[0].message, msg(0x90, 62, 100));
    EXPECT_NEAR(heard[0].ms, 30, kHalfBlockMs);
}

TEST_F(SynthesizerTimingTest, ThroughTheSchedulerVolumeChangesSoundAtOnceAndStopSilencesAndForgetsTheQueue) {
    test::ManualClock clock;
    test::SynthesizerOnlyPlatform platform(*synthesizer);
    RecordingMessageSink messages;
    MidiDeviceLayer devices(platform, messages, log);
    devices.enumerateOutputs();
    devices.output().deviceId = 0;
    test::RecordingSpeakerPorts ports;
    SpeakerTone speaker(ports);
    PlaybackScheduler scheduler(devices, speaker, clock, {});
    MidiEventList list;
    list.append(2000, 0x90, 0, 67, 127, nullptr);
    list.append(0, 0x80, 0, 67, 0, nullptr);
    PlaySetup setup;
    setup.droneIntroduction = 0;
    ASSERT_TRUE(scheduler.setSetup(setup));
    ASSERT_TRUE(scheduler.setLists(&list.events(), nullptr));
    scheduler.setVolume(VolumeChannel::Tenor, 0);
    scheduler.setVolume(VolumeChannel::Bass, 0);

    ASSERT_TRUE(scheduler.play());
    clock.settle();
    render(300ms);
    ASSERT_EQ(heard.size(), 1U);
    EXPECT_NEAR(heard[0].ms, 20, kHalfBlockMs);
    const int loud = peak(frames() - 100 * kRate / 1000, frames());
    ASSERT_GT(loud, 1000);

    scheduler.setVolume(VolumeChannel::Chanter, 0);
    render(300ms);
    EXPECT_LT(peak(frames() - 100 * kRate / 1000, frames()), loud / 10);
    scheduler.setVolume(VolumeChannel::Chanter, 127);
    render(300ms);
    EXPECT_GT(peak(frames() - 100 * kRate / 1000, frames()), loud / 2);

    clock.advance(1900ms);  // the note-off at 2020 ms is queued now
    scheduler.stop();
    const std::int64_t stoppedAt = frames();
    render(2000ms);
    // The note stops at once; only the reverberation rings on, for a second.
    EXPECT_LT(peak(stoppedAt + kBlock, stoppedAt + 50 * kRate / 1000), loud / 4);
    EXPECT_LE(peak(stoppedAt + 1500 * kRate / 1000, frames()), 2);
    EXPECT_EQ(heard.size(), 1U);  // the queued note-off was dropped, not played
}

}  // namespace
}  // namespace skirlo
