// The speaker's port sequence and the emulated timer channel behind it.

#include <gtest/gtest.h>

#include "live/LiveTestSupport.h"
#include "playback/live/SpeakerTone.h"

namespace skirlo {
namespace {

class RecordingToneOutput final : public ToneOutput {
public:
    void sound(std::int32_t frequency) override { sounded.push_back(frequency); }
    std::vector<std::int32_t> sounded;
};

TEST(SpeakerToneTest, ProgramsTheCounterThenGatesItKeepingThePortsOtherBits) {
    test::RecordingSpeakerPorts ports;
    ports.systemControl = 0x4C;
    SpeakerTone tone(ports);
    tone.start(494);  // 1193180 / 494 = 2415 = 0x096f
    EXPECT_EQ(ports.accesses(),
              (std::vector<std::string>{"out 43 b6", "out 42 6f", "out 42 09", "in 61 4c", "out 61 4f"}));
    EXPECT_EQ(tone.savedPortValue(), 0x4C);
    ports.clear();
    ports.systemControl = 0x4F;  // the port now reads with the gates set
    tone.off();
    EXPECT_EQ(ports.accesses(), std::vector<std::string>{"out 61 4c"});
}

TEST(SpeakerToneTest, NonPositiveFrequenciesAreSilence) {
    for (const std::int32_t frequency : {0, -440}) {
        test::RecordingSpeakerPorts ports;
        ports.systemControl = 0x33;
        SpeakerTone tone(ports);
        tone.start(frequency);
        EXPECT_EQ(ports.accesses(), (std::vector<std::string>{"in 61 33", "out 61 30"})) << frequency;
    }
}

TEST(SpeakerToneTest, TheEmulatedTimerSoundsWhileBothGatesAreSet) {
    RecordingToneOutput output;
    PitSpeakerPorts ports(output);
    SpeakerTone tone(ports);
    tone.start(440);
    tone.off();
    tone.start(30000);  // a rest: divisor 39, far above hearing
    EXPECT_EQ(output.sounded, (std::vector<std::int32_t>{0, 440, 0, 0, 30594}));
    output.sounded.clear();
    ports.write(speaker_port::kSystemControl, 0x01);  // counter gated, speaker not connected
    EXPECT_EQ(output.sounded, std::vector<std::int32_t>{0});
    // A frequency below the timer's range wraps the 16-bit divisor as the hardware does.
    tone.start(10);
    EXPECT_EQ(output.sounded.back(), 1193180 / (119318 & 0xFFFF));
}

}  // namespace
}  // namespace skirlo
