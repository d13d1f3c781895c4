// The MIDI event list: what each note turns into, and the time it carries.

#include <gtest/gtest.h>

#include "notation/Symbol.h"
#include "playback/MidiEventList.h"
#include "playback/PerformanceEvent.h"

namespace skirlo {
namespace {

struct Message {
    int status;
    int data1;
    int data2;
    std::uint32_t delay;
    bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Message& m) {
    return out << std::hex << "{" << m.status << " " << std::dec << m.data1 << " " << m.data2 << " +" << m.delay
               << "}";
}

std::vector<Message> messages(const MidiEventList& list) {
    std::vector<Message> out;
    for (const MidiEvent& e : list.events()) {
        EXPECT_EQ(e.message >> 24, 0u);
        out.push_back({static_cast<int>(e.message & 0xFF), static_cast<int>(e.message >> 8 & 0xFF),
                       static_cast<int>(e.message >> 16 & 0xFF), e.delay});
    }
    return out;
}

PerformanceEvent note(int pitch, std::uint32_t duration, const Symbol* symbol = nullptr) {
    PerformanceEvent e;
    e.pitch = pitch;
    e.duration = duration;
    e.symbol = symbol;
    return e;
}

const MidiListSettings kSettings{71, 33, 45, 5};

TEST(MidiEventList, PacksStatusChannelAndDataIntoTheLowThreeBytes) {
    MidiEventList list;
    const MidiEvent& e = list.append(7, 0x90, 0x12, 0x1A5, 0x7F, nullptr);
    EXPECT_EQ(e.message, 0x7FA592u);  // channel 0x12 spills into the status, each byte masked
    EXPECT_EQ(e.delay, 7u);
}

TEST(MidiEventList, EmptyPerformanceGivesProgramChangeAndDroneReleasesOnly) {
    MidiEventList list;
    list.build({}, kSettings);
    EXPECT_EQ(messages(list), (std::vector<Message>{{0xC0, 71, 0, 0}, {0x81, 33, 0, 0}, {0x82, 45, 0, 0}}));
}

TEST(MidiEventList, DifferentNotesOverlapWithNoGap) {
    MidiEventList list;
    list.build({note(69, 300), note(67, 200)}, kSettings);
    EXPECT_EQ(messages(list), (std::vector<Message>{
                                  {0xC0, 71, 0, 0},
                                  {0x90, 69, 127, 300},
                                  {0xB0, 84, 69, 0},
                                  {0x90, 67, 127, 0},
                                  {0x80, 69, 127, 200},
                                  {0x80, 67, 0, 0},
                                  {0x81, 33, 0, 0},
                                  {0x82, 45, 0, 0},
                              }));
}

TEST(MidiEventList, EqualNotesAreReleasedAndStruckAgain) {
    MidiEventList list;
    list.build({note(62, 300), note(62, 250)}, kSettings);
    const std::vector<Message> got = messages(list);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[1], (Message{0x90, 62, 127, 300}));
    EXPECT_EQ(got[2], (Message{0x80, 62, 0, 0}));
    EXPECT_EQ(got[3], (Message{0x90, 62, 127, 250}));
}

TEST(MidiEventList, FirstNoteAtPitchZeroIsPrecededByAReleaseOfZero) {
    MidiEventList list;
    list.build({note(0, 100)}, kSettings);
    const std::vector<Message> got = messages(list);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[1], (Message{0x80, 0, 0, 0}));
    EXPECT_EQ(got[2], (Message{0x90, 0, 127, 100}));
}

TEST(MidiEventList, ShortNotesWaitAtLeastTheTimerResolution) {
    MidiEventList list;
    MidiListSettings settings = kSettings;
    settings.timerResolution = 10;
    list.build({note(60, 3), note(62, 0), note(62, 11)}, settings);
    const std::vector<Message> got = messages(list);
    EXPECT_EQ(got[1].delay, 10u);
    EXPECT_EQ(got[4].delay, 10u);
    EXPECT_EQ(got[6].delay, 11u);
}

TEST(MidiEventList, EmptiedOnEveryBuild) {
    MidiEventList list;
    list.build({note(60, 100), note(62, 100)}, kSettings);
    list.build({}, kSettings);
    EXPECT_EQ(list.events().size(), 3u);
}

TEST(MidiEventList, RestSoundsWithVelocityZero) {
    Symbol rest;
    rest.category = CAT_REST;
    MidiEventList list;
    list.build({note(60, 100), note(59, 200, &rest)}, kSettings);
    const std::vector<Message> got = messages(list);
    EXPECT_EQ(got[3], (Message{0x90, 59, 0, 0}));
    EXPECT_EQ(list.events()[4].symbol, &rest);
}

TEST(MidiEventList, TiedNoteIsHeldWithAMessageThatOnlyCarriesItsTime) {
    Symbol tied;
    tied.tieTarget = true;
    MidiEventList list;
    list.build({note(62, 300), note(62, 250, &tied)}, kSettings);
    const std::vector<Message> got = messages(list);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[2], (Message{0xC0, 71, 0, 250}));
    EXPECT_EQ(got[3], (Message{0x80, 62, 0, 0}));
    // A tie onto another pitch cannot hold the note: the new one is struck.
    list.build({note(62, 300), note(64, 250, &tied)}, kSettings);
    EXPECT_EQ(messages(list)[3], (Message{0x90, 64, 127, 0}));
    // Nor can a tied note that starts the list (a selection begun inside a tie).
    list.build({note(62, 300, &tied)}, kSettings);
    EXPECT_EQ(messages(list)[1], (Message{0x90, 62, 127, 300}));
}

TEST(TimerResolution, FiveMillisecondsUnlessTheTimerCannotGoThatFast) {
    EXPECT_EQ(timerResolution(std::nullopt), 5u);
    EXPECT_EQ(timerResolution(TimerCapabilities{1, 1000000}), 5u);
    EXPECT_EQ(timerResolution(TimerCapabilities{16, 1000000}), 16u);
    EXPECT_EQ(timerResolution(TimerCapabilities{1, 3}), 3u);
}

}  // namespace
}  // namespace skirlo
