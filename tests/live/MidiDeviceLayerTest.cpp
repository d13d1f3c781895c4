// The device layer over recording devices: its descriptors, return codes,
// messages and the device box it fills.

#include <gtest/gtest.h>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"

namespace skirlo {
namespace {

class DeviceLayerTest : public ::testing::Test {
protected:
    void open(MidiDevice& device, std::uint32_t id = 0) {
        device.deviceId = id;
        ASSERT_EQ(layer.midiActivateDevice(device, midi_device::kOpen), 0U);
    }
    void queueBuffer(MidiDevice& device) {
        ASSERT_EQ(layer.midiAssignBuffer(device, buffer, sizeof buffer, true), 0U);
        ASSERT_EQ(device.bufferState, MidiBufferState::Queued);
    }

    test::ManualClock clock;
    test::RecordingMidiPlatform platform{clock};
    RecordingMessageSink messages;
    RecordingDiagnosticLog log;
    MidiDeviceLayer layer{platform, messages, log};
    bool playing = false;
    const std::uint8_t buffer[4] = {0xF0, 0x7E, 0x7F, 0xF7};
};

TEST_F(DeviceLayerTest, AMachineWithoutMidiOutputListsOnlyThePcSpeaker) {
    const OutputDeviceList list = layer.enumerateOutputs();
    EXPECT_EQ(layer.output().deviceType, midi_device::kNone);
    EXPECT_EQ(layer.input().deviceType, midi_device::kNone);
    EXPECT_EQ(list.names, std::vector<std::string>{"PC Speaker"});
    EXPECT_EQ(list.midiCount, 0U);
    EXPECT_EQ(list.initialSelection, 0U);
    EXPECT_FALSE(layer.countMidiDevices(nullptr, &layer.output()));
}

TEST_F(DeviceLayerTest, TheInitialSelectionIsTheLastDeviceThatObeysVolumeElseTheFirst) {
    platform.outputs = {{"Port A", 0}, {"Synth B", kMidiSupportsVolume}, {"Synth C", kMidiSupportsVolume | 2},
                        {"Port D", 2}};
    platform.inputs = {{"Keyboard", 0}};
    OutputDeviceList list = layer.enumerateOutputs();
    EXPECT_EQ(list.names, (std::vector<std::string>{"Port A", "Synth B", "Synth C", "Port D", "PC Speaker"}));
    EXPECT_EQ(list.initialSelection, 2U);
    EXPECT_EQ(layer.output().deviceType, midi_device::kOutput);
    EXPECT_EQ(layer.input().deviceType, midi_device::kInput);
    EXPECT_EQ(layer.output().deviceId, midi_device::kNone);

    platform.outputs = {{"Port A", 0}, {"Port D", 2}};
    list = layer.enumerateOutputs();
    EXPECT_EQ(list.initialSelection, 0U);
}

TEST_F(DeviceLayerTest, DevicesThatCannotBeReadAreLeftOutOfTheBoxAndReported) {
    platform.outputs = {{"Port A", 0}};
    platform.capabilitiesError = midi_error::kNoDriver;
    const OutputDeviceList list = layer.enumerateOutputs();
    EXPECT_EQ(list.names, std::vector<std::string>{"PC Speaker"});
    ASSERT_EQ(messages.messages().size(), 1U);
    EXPECT_EQ(messages.messages()[0].caption, "MIDI Output Error");
    // The speaker entry is then not mistaken for MIDI device 0.
    PlaybackOutput output = PlaybackOutput::Midi;
    layer.applySelection(0, output, true, [](PlaybackOutput) {});
    EXPECT_EQ(output, PlaybackOutput::Speaker);
}

TEST_F(DeviceLayerTest, BadDeviceTypesAreProgrammingErrorsForTheLog) {
    std::string name;
    std::uint32_t support = 0;
    EXPECT_EQ(layer.midiInit(3, 0, name, support), kMidiLayerError);
    MidiDevice none;
    EXPECT_EQ(layer.midiActivateDevice(none, midi_device::kOpen), kMidiLayerError);
    EXPECT_EQ(layer.midiAssignBuffer(none, buffer, sizeof buffer, true), kMidiLayerError);
    layer.midiShowError(midi_error::kNoDevice, 0);
    EXPECT_EQ(log.text(),
              "\r\nMidiInit: uDeviceType bad\n\r\nMidiActivateDevice: uDeviceType bad\n"
              "\r\nMidiAssignBuffer: uDeviceType bad"
              "MidiShowError: Bad MIDI device type\r\n");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(DeviceLayerTest, ErrorsAreShownWithThePlatformTextAndUnknownCodesWithTheTextForThat) {
    layer.midiShowError(midi_error::kNoAudioOutput, midi_device::kOutput);
    layer.midiShowError(12345, midi_device::kInput);
    ASSERT_EQ(messages.messages().size(), 2U);
    EXPECT_EQ(messages.messages()[0].text, *midiErrorText(midi_error::kNoAudioOutput));
    EXPECT_LE(messages.messages()[0].text.size(), 127U);
    EXPECT_EQ(messages.messages()[1].text, *midiErrorText(midi_error::kBadErrorNumber));
    EXPECT_EQ(messages.messages()[1].caption, "MIDI Input Error");
}

TEST_F(DeviceLayerTest, AnUnreadablePipesVoiceIsReportedAndTheGeneralMidiVoicePlaysInstead) {
    platform.outputs = {{kPipesVoiceName, kMidiSupportsVolume}, {"Port A", 0}, {kSynthesizerName, kMidiSupportsVolume}};
    platform.openErrorOf[0] = midi_error::kNoPipesSoundfont;
    MidiDevice device;
    device.deviceType = midi_device::kOutput;
    open(device, 0);
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(platform.actions(), std::vector<std::string>{"open 2"});
    ASSERT_EQ(messages.messages().size(), 1U);
    EXPECT_EQ(messages.messages()[0].text, *midiErrorText(midi_error::kNoPipesSoundfont));
}

TEST_F(DeviceLayerTest, AFailedOpenForgetsTheDeviceAndReportsOnce) {
    platform.outputs = {{"Port A", 0}};
    layer.enumerateOutputs();
    MidiDevice& output = layer.output();
    output.deviceId = 0;
    platform.openError = midi_error::kAllocated;
    EXPECT_EQ(layer.midiActivateDevice(output, midi_device::kOpen), midi_error::kAllocated);
    EXPECT_EQ(output.deviceId, midi_device::kNone);
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(messages.messages().size(), 1U);
    EXPECT_EQ(layer.midiActivateDevice(output, 5), kMidiLayerError);
}

TEST_F(DeviceLayerTest, SendingNeedsPlayingAnOpenDeviceAndTheOutputDirection) {
    platform.outputs = {{"Port A", 0}};
    platform.inputs = {{"Keyboard", 0}};
    layer.enumerateOutputs();
    layer.setPlayingQuery([this] { return playing; });
    MidiDevice& output = layer.output();
    playing = true;
    EXPECT_EQ(layer.midiSendShortMsg(output, 0x90, 0, 60, 127), kMidiLayerError);
    EXPECT_EQ(messages.messages().back().text, "Must open MIDI output device first");
    EXPECT_EQ(messages.messages().back().caption, "MidiSendShortMsg");
    EXPECT_EQ(layer.midiSendShortMsg(layer.input(), 0x90, 0, 60, 127), kMidiLayerError);
    EXPECT_EQ(messages.messages().back().text, "Must use a MIDI output device");
    open(output);
    EXPECT_EQ(layer.midiSendShortMsg(output, 0x90, 3, 60, 0x17F), 0U);
    EXPECT_EQ(platform.sentMessages(), std::vector<std::uint32_t>{0x7F3C93});
}

TEST_F(DeviceLayerTest, APlainCloseIsRefusedWhileLockedOrBusy) {
    platform.outputs = {{"Port A", 0}};
    layer.enumerateOutputs();
    MidiDevice& output = layer.output();
    open(output);
    output.locked = 1;
    EXPECT_EQ(layer.midiActivateDevice(output, midi_device::kClose), 0U);
    EXPECT_TRUE(output.isOpen());
    output.locked = 0;
    queueBuffer(output);
    EXPECT_EQ(layer.midiActivateDevice(output, midi_device::kClose), 0U);
    EXPECT_TRUE(output.isOpen());
    EXPECT_EQ(layer.midiAssignBuffer(output, nullptr, 0, false), 0U);
    EXPECT_EQ(layer.midiActivateDevice(output, midi_device::kClose), 0U);
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "prepare", "reset", "unprepare", "close"}));
}

TEST_F(DeviceLayerTest, ClosingABusyDeviceAsksAndNoLeavesItOpen) {
    platform.outputs = {{"Port A", 0}};
    layer.enumerateOutputs();
    MidiDevice& output = layer.output();
    open(output);
    queueBuffer(output);
    messages.setAnswer(MessageAnswer::No);
    EXPECT_EQ(layer.midiActivateDevice(output, midi_device::kCloseAsking), kMidiDeclined);
    ASSERT_EQ(messages.messages().size(), 1U);
    EXPECT_EQ(messages.messages()[0].text, "MIDI output still in use - abandon it?");
    EXPECT_EQ(messages.messages()[0].caption, "MidiActivateDevice");
    EXPECT_EQ(messages.messages()[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(output.isOpen());
    EXPECT_EQ(output.bufferState, MidiBufferState::Queued);
    EXPECT_FALSE(layer.closeMidiDevices(&layer.input(), &output));
    // A device switch is then refused too.
    PlaybackOutput choice = PlaybackOutput::Midi;
    EXPECT_FALSE(layer.applySelection(1, choice, true, [](PlaybackOutput) {}));
    EXPECT_EQ(choice, PlaybackOutput::Midi);

    messages.setAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(layer.closeMidiDevices(&layer.input(), &output));
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(output.bufferState, MidiBufferState::None);
    EXPECT_EQ(platform.actions().back(), "close");
}

TEST_F(DeviceLayerTest, InputBuffersAreQueuedAndTheInputQuestionNamesInput) {
    platform.inputs = {{"Keyboard", 0}};
    layer.enumerateOutputs();
    MidiDevice& input = layer.input();
    open(input);
    queueBuffer(input);
    EXPECT_EQ(platform.actions(), (std::vector<std::string>{"open 0", "prepare", "add"}));
    messages.setAnswer(MessageAnswer::No);
    EXPECT_EQ(layer.midiActivateDevice(input, midi_device::kCloseAsking), kMidiDeclined);
    EXPECT_EQ(messages.messages().back().text, "MIDI input still in use - abandon it?");
}

TEST_F(DeviceLayerTest, BuffersOfferedToAClosedDeviceAreRefusedAndTheRefusalCanBeCleared) {
    platform.outputs = {{"Port A", 0}};
    layer.enumerateOutputs();
    MidiDevice& output = layer.output();
    EXPECT_EQ(layer.midiAssignBuffer(output, buffer, sizeof buffer, true), kMidiLayerError);
    EXPECT_EQ(messages.messages().back().text, "Must open MIDI output device first");
    EXPECT_EQ(messages.messages().back().caption, "MidiAssignBuffer");
    EXPECT_EQ(output.bufferState, MidiBufferState::Refused);
    EXPECT_EQ(layer.midiAssignBuffer(output, nullptr, 0, false), 0U);
    EXPECT_EQ(output.bufferState, MidiBufferState::None);
    open(output);
    EXPECT_EQ(layer.midiAssignBuffer(output, nullptr, 0, true), kMidiLayerError);
    EXPECT_EQ(messages.messages().back().text, "Must specify a buffer and size");
}

TEST_F(DeviceLayerTest, SelectingRebuildsOnlyWhenTheKindOfOutputChanges) {
    platform.outputs = {{"Port A", 0}, {"Synth B", kMidiSupportsVolume}};
    layer.enumerateOutputs();
    std::vector<PlaybackOutput> rebuilt;
    const auto rebuild = [&rebuilt](PlaybackOutput output) { rebuilt.push_back(output); };
    PlaybackOutput output = PlaybackOutput::Midi;
    EXPECT_TRUE(layer.applySelection(1, output, false, rebuild));  // first selection: no performance yet
    EXPECT_EQ(layer.output().deviceId, 1U);
    EXPECT_TRUE(layer.applySelection(0, output, true, rebuild));
    EXPECT_EQ(layer.output().deviceId, 0U);
    EXPECT_TRUE(layer.applySelection(2, output, true, rebuild));
    EXPECT_EQ(output, PlaybackOutput::Speaker);
    EXPECT_TRUE(layer.applySelection(2, output, true, rebuild));
    EXPECT_TRUE(layer.applySelection(1, output, true, rebuild));
    EXPECT_EQ(output, PlaybackOutput::Midi);
    EXPECT_EQ(rebuilt, (std::vector<PlaybackOutput>{PlaybackOutput::Midi, PlaybackOutput::Speaker,
                                                    PlaybackOutput::Midi}));
    EXPECT_TRUE(layer.applySelection(std::nullopt, output, true, rebuild));
    EXPECT_EQ(rebuilt.size(), 3U);
}

}  // namespace
}  // namespace skirlo
