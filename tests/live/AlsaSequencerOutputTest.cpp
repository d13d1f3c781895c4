// What goes to an ALSA sequencer port: the events made from short messages,
// their queue stamps, and the port's address read from its listed name.
// None of this needs a sequencer; playing into a real port is
// AlsaSequencerTest's.

#include <gtest/gtest.h>

#include "playback/live/AlsaSequencerOutput.h"

namespace skirlo {
namespace {

constexpr std::uint32_t msg(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

TEST(AlsaSequencerOutputTest, EachChannelMessageBecomesItsEventFromOurPortToItsSubscribers) {
    const snd_seq_event_t on = *channelEvent(msg(0x92, 45, 127), 3);
    EXPECT_EQ(on.type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(on.data.note.channel, 2);
    EXPECT_EQ(on.data.note.note, 45);
    EXPECT_EQ(on.data.note.velocity, 127);
    EXPECT_EQ(on.source.port, 3);
    EXPECT_EQ(on.dest.client, SND_SEQ_ADDRESS_SUBSCRIBERS);
    EXPECT_EQ(on.queue, SND_SEQ_QUEUE_DIRECT);

    const snd_seq_event_t off = *channelEvent(msg(0x80, 60, 64), 0);
    EXPECT_EQ(off.type, SND_SEQ_EVENT_NOTEOFF);
    EXPECT_EQ(off.data.note.note, 60);
    EXPECT_EQ(off.data.note.velocity, 64);
    // A note-on of velocity 0 stays what the list says.
    EXPECT_EQ(channelEvent(msg(0x90, 60, 0), 0)->type, SND_SEQ_EVENT_NOTEON);

    const snd_seq_event_t volume = *channelEvent(msg(0xB1, 7, 38), 0);
    EXPECT_EQ(volume.type, SND_SEQ_EVENT_CONTROLLER);
    EXPECT_EQ(volume.data.control.channel, 1);
    EXPECT_EQ(volume.data.control.param, 7U);
    EXPECT_EQ(volume.data.control.value, 38);

    const snd_seq_event_t program = *channelEvent(msg(0xC2, 109, 0), 0);
    EXPECT_EQ(program.type, SND_SEQ_EVENT_PGMCHANGE);
    EXPECT_EQ(program.data.control.channel, 2);
    EXPECT_EQ(program.data.control.value, 109);

    EXPECT_EQ(channelEvent(msg(0xA0, 60, 50), 0)->type, SND_SEQ_EVENT_KEYPRESS);
    EXPECT_EQ(channelEvent(msg(0xD0, 50, 0), 0)->data.control.value, 50);
    // Pitch bend: 14 bits around the centre 0x2000.
    EXPECT_EQ(channelEvent(msg(0xE0, 0x00, 0x40), 0)->data.control.value, 0);
    EXPECT_EQ(channelEvent(msg(0xE0, 0x00, 0x00), 0)->data.control.value, -8192);
    EXPECT_EQ(channelEvent(msg(0xE0, 0x7F, 0x7F), 0)->data.control.value, 8191);
    // Data bytes are seven bits, whatever the packed message holds above them.
    EXPECT_EQ(channelEvent(0xFFFF90, 0)->data.note.note, 0x7F);

    EXPECT_FALSE(channelEvent(0xF0, 0));
    EXPECT_FALSE(channelEvent(0xFF, 0));
    EXPECT_FALSE(channelEvent(0x45, 0));
}

TEST(AlsaSequencerOutputTest, AQueuedEventCarriesItsTimeFromTheQueueStartExactly) {
    snd_seq_event_t event = *channelEvent(msg(0x90, 60, 127), 0);
    scheduleAt(event, 5, 61234);
    EXPECT_EQ(event.queue, 5);
    EXPECT_EQ(event.flags & SND_SEQ_TIME_STAMP_MASK, SND_SEQ_TIME_STAMP_REAL);
    EXPECT_EQ(event.flags & SND_SEQ_TIME_MODE_MASK, SND_SEQ_TIME_MODE_ABS);
    EXPECT_EQ(event.time.time.tv_sec, 61U);
    EXPECT_EQ(event.time.time.tv_nsec, 234000000U);
    scheduleAt(event, 5, 999);
    EXPECT_EQ(event.time.time.tv_sec, 0U);
    EXPECT_EQ(event.time.time.tv_nsec, 999000000U);
    EXPECT_EQ(event.data.note.note, 60);  // the message itself is untouched
}

TEST(AlsaSequencerOutputTest, APortsAddressIsTheLastWordOfItsListedName) {
    const auto address = [](const std::string& name) {
        const std::optional<snd_seq_addr_t> found = portAddress(name);
        return found ? std::to_string(found->client) + ":" + std::to_string(found->port) : std::string("none");
    };
    EXPECT_EQ(address("Midi Through:Midi Through Port-0 14:0"), "14:0");
    EXPECT_EQ(address("Synth: A 1:2 Port 130:3"), "130:3");
    EXPECT_EQ(address("20:1"), "20:1");
    EXPECT_EQ(address("Midi Through:Midi Through Port-0"), "none");
    EXPECT_EQ(address("Name 14:"), "none");
    EXPECT_EQ(address("Name :0"), "none");
    EXPECT_EQ(address("Name 14:0x"), "none");
    EXPECT_EQ(address("Name 300:0"), "none");
    EXPECT_EQ(address(""), "none");
}

}  // namespace
}  // namespace skirlo
