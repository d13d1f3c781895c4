// The scheduler driven by a recording MIDI device and a hand-moved clock:
// which messages go out, in which order, and at which millisecond.

#include <gtest/gtest.h>

#include <memory>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"

namespace skirlo {
namespace {

using namespace std::chrono_literals;
using test::ManualClock;
using test::SentMessage;

PerformanceEvent note(std::int32_t pitch, std::uint32_t duration) {
    PerformanceEvent event;
    event.pitch = pitch;
    event.duration = duration;
    return event;
}

constexpr std::uint32_t msg(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

// Program changes 0, 2, 1; volumes 0, 1, 2; the bass and tenor drones.
std::vector<std::uint32_t> startOf(int chanterVolume = 127, int tenorVolume = 77, int bassVolume = 38) {
    return {msg(0xC0, 71, 0),           msg(0xC2, 71, 0),          msg(0xC1, 71, 0),
            msg(0xB0, 7, chanterVolume), msg(0xB1, 7, bassVolume), msg(0xB2, 7, tenorVolume),
            msg(0x91, 33, 127),          msg(0x92, 45, 127)};
}

const std::uint32_t kAllNotesOff = msg(0xB0, 123, 0);

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.outputs = {{"Synth", kMidiSupportsVolume}};
        devices.enumerateOutputs();
        devices.output().deviceId = 0;
        // A note of 300 ms, a different note of 200 ms, the same note again for 100 ms.
        midiList.append(0, 0xC0, 0, 71, 0, nullptr);
        midiList.append(300, 0x90, 0, 60, 127, nullptr);
        midiList.append(0, 0xB0, 0, 84, 60, nullptr);
        midiList.append(0, 0x90, 0, 62, 127, nullptr);
        midiList.append(200, 0x80, 0, 60, 127, nullptr);
        midiList.append(0, 0x80, 0, 62, 0, nullptr);
        midiList.append(100, 0x90, 0, 62, 127, nullptr);
        midiList.append(0, 0x80, 0, 62, 0, nullptr);
        midiList.append(0, 0x80, 1, 33, 0, nullptr);
        midiList.append(0, 0x80, 2, 45, 0, nullptr);
        PlaybackNotifications notifications;
        notifications.progress = [this](std::size_t index) {
            const std::lock_guard lock(mutex);
            progress.push_back({index, test::msSinceStart(clock.now())});
        };
        notifications.end = [this] { ++ends; };
        notifications.openFailed = [this] { ++openFailures; };
        scheduler = std::make_unique<PlaybackScheduler>(devices, speaker, clock, notifications);
        ASSERT_TRUE(scheduler->setLists(&midiList.events(), &performance));
        clock.settle();
    }

    std::vector<std::pair<std::size_t, long long>> progressSeen() {
        const std::lock_guard lock(mutex);
        return progress;
    }

    // The messages sent from `from` on, without their times.
    std::vector<std::uint32_t> sentFrom(std::size_t from) {
        const auto all = platform.sentMessages();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }

    ManualClock clock;
    test::RecordingMidiPlatform platform{clock};
    RecordingMessageSink messages;
    RecordingDiagnosticLog log;
    MidiDeviceLayer devices{platform, messages, log};
    test::RecordingSpeakerPorts ports;
    SpeakerTone speaker{ports};
    MidiEventList midiList;
    std::vector<PerformanceEvent> performance;
    std::mutex mutex;
    std::vector<std::pair<std::size_t, long long>> progress;
    std::atomic<int> ends{0};
    std::atomic<int> openFailures{0};
    std::unique_ptr<PlaybackScheduler> scheduler;
};

TEST_F(SchedulerTest, PlayOpensSendsProgramsVolumesAndDronesThenWaitsTheIntroduction) {
    ASSERT_TRUE(scheduler->play());
    EXPECT_EQ(platform.actions(), std::vector<std::string>{"open 0"});
    EXPECT_EQ(platform.sentMessages(), startOf());
    // The drones sound alone for the introduction (1000 ms) and the 20 ms first timer.
    EXPECT_EQ(test::msSinceStart(clock.deadline()), 1020);
    clock.advance(1019ms);
    EXPECT_EQ(platform.sent().size(), 8U);
    clock.advance(1ms);
    EXPECT_EQ(sentFrom(8), (std::vector<std::uint32_t>{msg(0xC0, 71, 0), msg(0x90, 60, 127)}));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SchedulerTest, WalksTheListSendingEachGroupAtItsTimeAndReportsEachStartedEntry) {
    ASSERT_TRUE(scheduler->play());
    ASSERT_TRUE(clock.runUntilIdle());
    const std::vector<SentMessage> sent = platform.sent();
    ASSERT_EQ(sent.size(), 18U);
    const std::vector<SentMessage> music(sent.begin() + 8, sent.end());
    const std::vector<SentMessage> expected = {
        {msg(0xC0, 71, 0), 1020},  {msg(0x90, 60, 127), 1020}, {msg(0xB0, 84, 60), 1320},
        {msg(0x90, 62, 127), 1320}, {msg(0x80, 60, 127), 1320}, {msg(0x80, 62, 0), 1520},
        {msg(0x90, 62, 127), 1520}, {msg(0x80, 62, 0), 1620},  {msg(0x81, 33, 0), 1620},
        {msg(0x82, 45, 0), 1620}};
    EXPECT_EQ(music, expected);
    EXPECT_EQ(progressSeen(), (std::vector<std::pair<std::size_t, long long>>{{1, 1020}, {4, 1320}, {6, 1520}}));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(scheduler->playIndex(), 0U);
    // Playing lasts until the view answers the end notification.
    EXPECT_TRUE(scheduler->playing());
    scheduler->handleEnd();
    EXPECT_FALSE(scheduler->playing());
    EXPECT_EQ(sentFrom(18), std::vector<std::uint32_t>{kAllNotesOff});
    EXPECT_EQ(platform.actions().back(), "close");
}

TEST_F(SchedulerTest, LateWakeUpsDoNotDelayTheNotesAfterThem) {
    ASSERT_TRUE(scheduler->play());
    clock.advanceTo(ManualClock::kStart + 1027ms);  // woken 7 ms late
    EXPECT_EQ(test::msSinceStart(clock.deadline()), 1320);
    clock.advanceTo(ManualClock::kStart + 1700ms);  // far behind: everything due goes out at once
    EXPECT_EQ(platform.sent().size(), 18U);
    EXPECT_EQ(ends, 1);
}

TEST_F(SchedulerTest, StopSilencesAndClosesThenPlayResumesAfterTheLastEntrySent) {
    ASSERT_TRUE(scheduler->play());
    clock.advance(1020ms);  // entries 0 and 1 sent
    scheduler->stop();
    EXPECT_FALSE(scheduler->playing());
    EXPECT_EQ(sentFrom(10), std::vector<std::uint32_t>{kAllNotesOff});
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "close"}));
    EXPECT_EQ(scheduler->playIndex(), 2U);
    // Nothing more is sent once stopped, however long one waits.
    EXPECT_EQ(clock.deadline(), PlaybackClock::TimePoint::max());
    clock.advance(5000ms);
    EXPECT_EQ(platform.sent().size(), 11U);

    platform.clear();
    ASSERT_TRUE(scheduler->play());
    EXPECT_EQ(platform.sentMessages(), startOf());  // the drones sound again
    clock.advance(1020ms);
    EXPECT_EQ(sentFrom(8), (std::vector<std::uint32_t>{msg(0xB0, 84, 60), msg(0x90, 62, 127), msg(0x80, 60, 127)}));
}

TEST_F(SchedulerTest, StopDuringTheIntroductionSendsNoMusic) {
    ASSERT_TRUE(scheduler->play());
    clock.advance(500ms);
    scheduler->stop();
    clock.advance(2000ms);
    EXPECT_EQ(sentFrom(8), std::vector<std::uint32_t>{kAllNotesOff});
    EXPECT_EQ(scheduler->playIndex(), 0U);
}

TEST_F(SchedulerTest, RewindActsOnlyWhenIdleAndRestartsFromTheFirstEntry) {
    ASSERT_TRUE(scheduler->play());
    clock.advance(1320ms);
    EXPECT_EQ(scheduler->playIndex(), 5U);
    scheduler->rewind();
    EXPECT_EQ(scheduler->playIndex(), 5U);
    scheduler->stop();
    scheduler->rewind();
    EXPECT_EQ(scheduler->playIndex(), 0U);
    platform.clear();
    ASSERT_TRUE(scheduler->play());
    clock.advance(1020ms);
    EXPECT_EQ(sentFrom(8), (std::vector<std::uint32_t>{msg(0xC0, 71, 0), msg(0x90, 60, 127)}));
}

TEST_F(SchedulerTest, ContinuousPlayStartsAgainWithProgramsVolumesDronesAndIntroduction) {
    ASSERT_TRUE(scheduler->playContinuous());
    EXPECT_TRUE(scheduler->continuous());
    ASSERT_TRUE(clock.runUntilIdle());
    ASSERT_EQ(ends, 1);
    platform.clear();
    const auto endedAt = test::msSinceStart(clock.now());
    scheduler->handleEnd();
    EXPECT_TRUE(scheduler->playing());
    EXPECT_TRUE(scheduler->continuous());
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"close", "open 0"}));
    std::vector<std::uint32_t> expected{kAllNotesOff};
    const auto start = startOf();
    expected.insert(expected.end(), start.begin(), start.end());
    EXPECT_EQ(platform.sentMessages(), expected);
    EXPECT_EQ(test::msSinceStart(clock.deadline()), endedAt + 1020);
    ASSERT_TRUE(clock.runUntilIdle());
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(platform.sent().size(), 9U + 10U);
    scheduler->stop();
    EXPECT_FALSE(scheduler->continuous());
}

TEST_F(SchedulerTest, AStaleEndNotificationDoesNotStopANewPlay) {
    ASSERT_TRUE(scheduler->play());
    ASSERT_TRUE(clock.runUntilIdle());
    scheduler->stop();
    ASSERT_TRUE(scheduler->play());
    scheduler->handleEnd();  // the first play's notification, arriving late
    EXPECT_TRUE(scheduler->playing());
}

TEST_F(SchedulerTest, VolumeChangesGoOutAtOnceWhilePlayingAndAreOnlyStoredWhileIdle) {
    scheduler->setVolume(VolumeChannel::Tenor, 10);
    EXPECT_TRUE(platform.sent().empty());
    EXPECT_EQ(scheduler->volumes().tenor, 10);
    ASSERT_TRUE(scheduler->play());
    EXPECT_EQ(platform.sentMessages(), startOf(127, 10, 38));
    clock.advance(1100ms);
    scheduler->setVolume(VolumeChannel::Bass, 90);
    scheduler->setVolume(VolumeChannel::Chanter, 64);
    const auto sent = platform.sent();
    EXPECT_EQ(sent[sent.size() - 2], (SentMessage{msg(0xB1, 7, 90), 1100}));
    EXPECT_EQ(sent.back(), (SentMessage{msg(0xB0, 7, 64), 1100}));
}

TEST_F(SchedulerTest, MenuVolumesStepFromFullToSilentInTenths) {
    EXPECT_EQ(menuVolume(4501, 127)->position, 127);
    EXPECT_EQ(menuVolume(4506, 127)->position, 63);
    EXPECT_EQ(menuVolume(4511, 127)->position, 0);
    EXPECT_EQ(menuVolume(4512, 127)->channel, VolumeChannel::Tenor);
    EXPECT_EQ(menuVolume(4522, 127)->position, 0);
    EXPECT_EQ(menuVolume(4523, 100)->channel, VolumeChannel::Bass);
    EXPECT_EQ(menuVolume(4524, 100)->position, 90);
    EXPECT_FALSE(menuVolume(4500, 127));
    EXPECT_FALSE(menuVolume(4534, 127));
}

TEST_F(SchedulerTest, MessagesWhileNotPlayingAreDroppedWithoutAMessage) {
    devices.midiActivateDevice(devices.output(), midi_device::kOpen);
    EXPECT_EQ(devices.midiSendShortMsg(devices.output(), 0x90, 0, 60, 127), kMidiLayerError);
    EXPECT_TRUE(platform.sent().empty());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SchedulerTest, ADeviceThatCannotBeOpenedLeavesPlaybackIdleAndAsksForTheSelectionAgain) {
    platform.openError = midi_error::kAllocated;
    EXPECT_FALSE(scheduler->playContinuous());
    EXPECT_FALSE(scheduler->playing());
    EXPECT_FALSE(scheduler->continuous());
    EXPECT_EQ(openFailures, 1);
    EXPECT_EQ(devices.output().deviceId, midi_device::kNone);
    ASSERT_EQ(messages.messages().size(), 1U);
    EXPECT_EQ(messages.messages()[0].caption, "MIDI Output Error");
    EXPECT_EQ(messages.messages()[0].text, *midiErrorText(midi_error::kAllocated));
    EXPECT_TRUE(platform.sent().empty());
    EXPECT_EQ(clock.deadline(), PlaybackClock::TimePoint::max());
}

TEST_F(SchedulerTest, NothingLeftToPlayStaysIdle) {
    const std::vector<MidiEvent> empty;
    ASSERT_TRUE(scheduler->setLists(&empty, &performance));
    EXPECT_FALSE(scheduler->play());
    EXPECT_FALSE(scheduler->playing());
    EXPECT_TRUE(platform.actions().empty());
}

TEST_F(SchedulerTest, ListsAndSetupAreRefusedWhilePlaying) {
    ASSERT_TRUE(scheduler->play());
    EXPECT_FALSE(scheduler->setLists(&midiList.events(), &performance));
    EXPECT_FALSE(scheduler->setSetup(PlaySetup{}));
    scheduler->stop();
    EXPECT_TRUE(scheduler->setSetup(PlaySetup{}));
}

// A device with a clock of its own gets the music ahead of time, each
// message stamped with its time from the start of playing.
class TimedSchedulerTest : public SchedulerTest {
protected:
    void SetUp() override {
        platform.timed = true;
        SchedulerTest::SetUp();
    }

    // The queued messages with their stamps, without the moments they were handed over.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> stamps() {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> result;
        for (const test::QueuedMessage& each : platform.queued()) result.emplace_back(each.message, each.ms);
        return result;
    }
};

TEST_F(TimedSchedulerTest, HandsEachMessageOverAheadStampedWithItsTimeAndKeepsTheBallOnTime) {
    ASSERT_TRUE(scheduler->play());
    ASSERT_TRUE(clock.runUntilIdle());
    // Each group goes 150 ms before its time; the stamps are the performance's times.
    const std::vector<test::QueuedMessage> expected = {
        {msg(0xC0, 71, 0), 1020, 870},    {msg(0x90, 60, 127), 1020, 870}, {msg(0xB0, 84, 60), 1320, 1170},
        {msg(0x90, 62, 127), 1320, 1170}, {msg(0x80, 60, 127), 1320, 1170}, {msg(0x80, 62, 0), 1520, 1370},
        {msg(0x90, 62, 127), 1520, 1370}, {msg(0x80, 62, 0), 1620, 1470}, {msg(0x81, 33, 0), 1620, 1470},
        {msg(0x82, 45, 0), 1620, 1470}};
    EXPECT_EQ(platform.queued(), expected);
    // Only the start goes out at once; the ball keeps the performance's times.
    EXPECT_EQ(platform.sentMessages(), startOf());
    EXPECT_EQ(progressSeen(), (std::vector<std::pair<std::size_t, long long>>{{1, 1020}, {4, 1320}, {6, 1520}}));
    EXPECT_EQ(ends, 1);
    scheduler->handleEnd();
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin", "drop after 8 sent", "close"}));
    EXPECT_EQ(sentFrom(8), std::vector<std::uint32_t>{kAllNotesOff});
}

TEST_F(TimedSchedulerTest, AWakeUpLaterThanTheMarginStillStampsEveryMessageWithItsOwnTime) {
    ASSERT_TRUE(scheduler->play());
    clock.advanceTo(ManualClock::kStart + 1700ms);
    const auto queued = stamps();
    ASSERT_EQ(queued.size(), 10U);
    EXPECT_EQ(queued[2], std::pair(msg(0xB0, 84, 60), 1320U));
    EXPECT_EQ(queued[6], std::pair(msg(0x90, 62, 127), 1520U));
    EXPECT_EQ(queued[9], std::pair(msg(0x82, 45, 0), 1620U));
    EXPECT_EQ(ends, 1);
}

TEST_F(TimedSchedulerTest, StopDropsTheQueueBeforeSilencingAndPlayQueuesTheRestAfreshWithVolumesAtOnce) {
    ASSERT_TRUE(scheduler->play());
    clock.advanceTo(ManualClock::kStart + 1330ms);
    ASSERT_EQ(platform.queued().size(), 5U);
    scheduler->stop();
    // The queue goes before the notes off, or a queued note could sound after them.
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin", "drop after 8 sent", "close"}));
    EXPECT_EQ(sentFrom(8), std::vector<std::uint32_t>{kAllNotesOff});
    EXPECT_EQ(scheduler->playIndex(), 5U);
    clock.advance(5000ms);
    EXPECT_EQ(platform.queued().size(), 5U);

    platform.clear();
    ASSERT_TRUE(scheduler->play());
    EXPECT_EQ(platform.sentMessages(), startOf());
    clock.advance(1050ms);
    scheduler->setVolume(VolumeChannel::Chanter, 64);
    EXPECT_EQ(platform.sent().back(), (SentMessage{msg(0xB0, 7, 64), 7380}));
    ASSERT_TRUE(clock.runUntilIdle());
    // Resumed after the last entry that sounded, on the new start's times.
    EXPECT_EQ(stamps(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{msg(0x80, 62, 0), 1020},
                                                                              {msg(0x90, 62, 127), 1020},
                                                                              {msg(0x80, 62, 0), 1120},
                                                                              {msg(0x81, 33, 0), 1120},
                                                                              {msg(0x82, 45, 0), 1120}}));
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin"}));
}

// The pipes voice lets the last note and the drones fall away after the
// music: the end closes the device only after that, Stop still at once.
class FallingAwaySchedulerTest : public TimedSchedulerTest {
protected:
    void SetUp() override {
        platform.fallAway = 300;
        TimedSchedulerTest::SetUp();
    }
};

TEST_F(FallingAwaySchedulerTest, TheEndWaitsForTheSoundToFallAwayBeforeClosing) {
    ASSERT_TRUE(scheduler->play());
    // The last messages (the releases) are due at 1620 ms.
    clock.advanceTo(ManualClock::kStart + 1620ms);
    EXPECT_EQ(platform.queued().size(), 10U);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(test::msSinceStart(clock.deadline()), 1920);
    clock.advanceTo(ManualClock::kStart + 1919ms);
    EXPECT_EQ(ends, 0);
    EXPECT_TRUE(scheduler->playing());
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin"}));
    clock.advanceTo(ManualClock::kStart + 1920ms);
    EXPECT_EQ(ends, 1);
    scheduler->handleEnd();
    EXPECT_FALSE(scheduler->playing());
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin", "drop after 8 sent", "close"}));
}

TEST_F(FallingAwaySchedulerTest, StopWhileTheSoundFallsAwayClosesAtOnceAndPlayStartsOver) {
    ASSERT_TRUE(scheduler->play());
    clock.advanceTo(ManualClock::kStart + 1700ms);
    scheduler->stop();
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "begin", "drop after 8 sent", "close"}));
    EXPECT_EQ(sentFrom(8), std::vector<std::uint32_t>{kAllNotesOff});
    clock.advance(1000ms);
    EXPECT_EQ(ends, 0);

    platform.clear();
    ASSERT_TRUE(scheduler->play());
    ASSERT_TRUE(clock.runUntilIdle());
    ASSERT_EQ(stamps().size(), 10U);
    EXPECT_EQ(stamps().front(), std::pair(msg(0xC0, 71, 0), 1020U));
    EXPECT_EQ(ends, 1);
}

class SpeakerSchedulerTest : public SchedulerTest {
protected:
    void SetUp() override {
        SchedulerTest::SetUp();
        performance = {note(440, 300), note(0, 50), note(30000, 100)};
        PlaySetup setup;
        setup.output = PlaybackOutput::Speaker;
        ASSERT_TRUE(scheduler->setSetup(setup));
        ASSERT_TRUE(scheduler->setLists(&midiList.events(), &performance));
    }
};

TEST_F(SpeakerSchedulerTest, SoundsEachNoteForItsDurationAndReportsEveryNote) {
    ASSERT_TRUE(scheduler->play());
    clock.settle();
    EXPECT_TRUE(platform.actions().empty());  // no MIDI device is involved
    // 1193180 / 440 = 2711 = 0x0a97; port 0x61 read 0x30, written with both gates.
    EXPECT_EQ(ports.accesses(), (std::vector<std::string>{"out 43 b6", "out 42 97", "out 42 0a",
                                                          "in 61 30", "out 61 33"}));
    EXPECT_EQ(test::msSinceStart(clock.deadline()), 300);
    ports.clear();
    clock.advance(300ms);
    // Frequency 0 is a silence, not a division by zero.
    EXPECT_EQ(ports.accesses(), (std::vector<std::string>{"out 61 30", "in 61 30", "out 61 30"}));
    ASSERT_TRUE(clock.runUntilIdle());
    EXPECT_EQ(progressSeen(), (std::vector<std::pair<std::size_t, long long>>{{0, 0}, {1, 300}, {2, 350}}));
    EXPECT_EQ(ends, 1);
    ports.clear();
    scheduler->handleEnd();
    EXPECT_EQ(ports.accesses(), std::vector<std::string>{"out 61 30"});
}

TEST_F(SpeakerSchedulerTest, NoteOffWhileIdleUsesTheLastSavedPortValue) {
    ASSERT_TRUE(scheduler->play());
    clock.settle();
    scheduler->stop();
    ports.systemControl = 0x4F;
    ports.clear();
    scheduler->speakerOff();
    EXPECT_EQ(ports.accesses(), std::vector<std::string>{"out 61 30"});
}

}  // namespace
}  // namespace skirlo
