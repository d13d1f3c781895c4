// The play options: what OK writes into the text and the profile, what
// Cancel leaves alone, the presets and the user's mapping, the boxes' ranges,
// and the two test sounds being silenced whichever way the dialog closes.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/PlayOptions.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/MusicView.h"
#include "editor/PlayOptionsDialog.h"
#include "editor/PlayOptionsSubDialogs.h"
#include "editor/PlaybackDevices.h"
#include "editor/ScriptView.h"
#include "editor/TuneWindow.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "RunningProgram.h"
#include "support/FileTestSupport.h"
#include "tunefile/Profile.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

// The values of a settings line "Keyword,(a,b,...)" in the text.
std::vector<int> lineValues(const std::string& text, const std::string& keyword) {
    const std::size_t at = text.find(keyword + ",(");
    if (at == std::string::npos) return {};
    const std::size_t open = at + keyword.size() + 2;
    std::istringstream values(text.substr(open, text.find(')', open) - open));
    std::vector<int> result;
    for (std::string value; std::getline(values, value, ',');) result.push_back(std::stoi(value));
    return result;
}

void click(QWidget& dialog, const char* name) {
    QAbstractButton* button = dialog.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void type(QWidget& dialog, const char* box, const QString& text) {
    QLineEdit* edit = dialog.findChild<QLineEdit*>(box);
    ASSERT_NE(edit, nullptr) << box;
    edit->setText(text);
}

// Runs `answer` on the next modal dialog once it shows.
void whenModal(std::function<void(QWidget&)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

// The dialog opened from the window's menu on the example tune.
class PlayOptionsWindowTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        start({example("highland-laddie.tnz")});
        ASSERT_NE(tune, nullptr);
    }
    const std::string& text() { return tune->document().script().text(); }
    void openOptions(std::function<void(QWidget&)> answer) {
        whenModal(std::move(answer));
        window->action(command::kPlayOptions)->trigger();
    }
    std::string profileText() { return readFile(folder / "QTN32.INI"); }
};

}  // namespace

TEST_F(PlayOptionsWindowTest, BFlatPresetAndOkWriteTheLinesAsOneUndoStepAndTheBallToTheProfile) {
    const std::string before = text();
    ASSERT_TRUE(window->action(command::kPlayOptions)->isEnabled());
    openOptions([](QWidget& dialog) {
        click(dialog, "1026");
        qobject_cast<QCheckBox*>(dialog.findChild<QCheckBox*>("1105"))->setChecked(false);
        whenModal([](QWidget& frequencies) {
            type(frequencies, "18", "401");  // natural low G
            qobject_cast<QDialog*>(&frequencies)->accept();
        });
        click(dialog, "3");
        type(dialog, "1002", "300");
        click(dialog, "1");
    });
    EXPECT_TRUE(messages.messages().empty()) << messages.messages().front().text;

    const std::vector<int> notes = lineValues(text(), "MIDINoteMappings");
    ASSERT_EQ(notes.size(), 27u);
    EXPECT_EQ(std::vector<int>(notes.begin(), notes.begin() + 9), (std::vector<int>{55, 57, 59, 60, 62, 64, 65, 67, 69}));
    const std::vector<int> hz = lineValues(text(), "FrequencyMappings");
    ASSERT_EQ(hz.size(), 27u);
    EXPECT_EQ(std::vector<int>(hz.begin(), hz.begin() + 3), (std::vector<int>{392, 440, 494}));
    EXPECT_EQ(hz[18], 401) << "the Frequency Mapping's edit is kept";
    const std::vector<int> instruments = lineValues(text(), "InstrumentMappings");
    ASSERT_EQ(instruments.size(), 7u);
    EXPECT_EQ(instruments[2], 46) << "tenor drone";
    EXPECT_EQ(instruments[3], 34) << "bass drone";
    EXPECT_NE(text().find("\r\nTuneTempo,300\r\n"), std::string::npos) << "300 is beyond the arrows but in range";
    EXPECT_EQ(tune->document().playback().settings.tempo, 300);
    EXPECT_FALSE(tune->musicView()->ballOn());
    EXPECT_NE(profileText().find("BouncingBall=0"), std::string::npos);
    EXPECT_TRUE(tune->document().modified());

    tune->scriptView()->undo();
    EXPECT_EQ(text(), before) << "one undo takes back every line the dialog wrote";
}

TEST_F(PlayOptionsWindowTest, CancelLeavesTheTextAndTheProfileByteForByte) {
    const std::string before = text();
    const std::string profileBefore = profileText();
    openOptions([](QWidget& dialog) {
        click(dialog, "1026");
        type(dialog, "1002", "120");
        qobject_cast<QCheckBox*>(dialog.findChild<QCheckBox*>("1105"))->setChecked(false);
        click(dialog, "2");
    });
    EXPECT_EQ(text(), before);
    EXPECT_FALSE(tune->document().modified());
    EXPECT_EQ(profileText(), profileBefore);
    EXPECT_TRUE(tune->musicView()->ballOn());
}

TEST_F(PlayOptionsWindowTest, OutOfRangeBoxesAreRefusedWithTheMessageAndTheDialogStaysOpen) {
    const std::string before = text();
    openOptions([this](QWidget& dialog) {
        type(dialog, "1002", "501");
        click(dialog, "1");
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, "Please enter an integer between 0 and 500.");
        type(dialog, "1002", "90");
        type(dialog, "1041", "128");  // high A sharp
        click(dialog, "1");
        ASSERT_EQ(messages.messages().size(), 2u);
        EXPECT_EQ(messages.messages()[1].text, "Please enter an integer between 0 and 127.");
        EXPECT_TRUE(dialog.isVisible());
        click(dialog, "2");
    });
    EXPECT_EQ(text(), before);
}

TEST_F(PlayOptionsWindowTest, CategoryBoxesStartAtTenWhileTheMainGracenoteBoxTakesFive) {
    openOptions([this](QWidget& dialog) {
        type(dialog, "1001", "5");
        whenModal([this](QWidget& categories) {
            auto& durations = dynamic_cast<CategoryDurationDialog&>(categories);
            EXPECT_EQ(durations.box(0)->text(), "5") << "none is the main box";
            durations.box(0)->setText("15");
            durations.box(3)->setText("5");  // category '2'
            durations.accept();
            EXPECT_TRUE(durations.isVisible());
            ASSERT_EQ(messages.messages().size(), 1u);
            EXPECT_EQ(messages.messages()[0].text, "Please enter an integer between 10 and 3000.");
            durations.box(3)->setText("3000");
            durations.accept();
        });
        click(dialog, "5");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1001")->text(), "15");
        type(dialog, "1001", "5");
        click(dialog, "1");
    });
    const std::vector<int> durations = lineValues(text(), "GracenoteDurations");
    ASSERT_EQ(durations.size(), 13u);
    EXPECT_EQ(durations[0], 5);
    EXPECT_EQ(durations[3], 3000);
    EXPECT_EQ(messages.messages().size(), 1u);
}

TEST_F(PlayOptionsWindowTest, UserMappingIsSavedAsFiftySixKeysAndLoadedBack) {
    openOptions([](QWidget& dialog) {
        click(dialog, "1029");  // the shipped profile has no user mapping: the defaults
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1063")->text(), "69") << "natural low A an octave up";
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1025")->text(), "57");
        type(dialog, "1063", "70");
        type(dialog, "1023", "44");
        click(dialog, "6");
        click(dialog, "1027");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1063")->text(), "57");
        click(dialog, "1029");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1063")->text(), "70");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1023")->text(), "44");
        click(dialog, "1");
    });
    const std::vector<int> hz = lineValues(text(), "FrequencyMappings");
    ASSERT_EQ(hz.size(), 27u);
    EXPECT_EQ(hz[18], 388) << "the user mapping's natural low G";
    auto profile = IniProfile::fromText(profileText());
    int keys = 0;
    for (int i = 0; i < 27; ++i) {
        keys += profile->getString(kUserMappingSection, userMappingKey(i, true)).empty() ? 0 : 1;
        keys += profile->getString(kUserMappingSection, userMappingKey(i, false)).empty() ? 0 : 1;
    }
    keys += profile->getString(kUserMappingSection, "TenorNat").empty() ? 0 : 1;
    keys += profile->getString(kUserMappingSection, "BassNat").empty() ? 0 : 1;
    EXPECT_EQ(keys, kUserMappingKeyCount);
    EXPECT_EQ(profile->getInt(kUserMappingSection, "LowAMIDI", 0), 70);
    EXPECT_EQ(profile->getInt(kUserMappingSection, "BassNat", 0), 44);
}

TEST(UserMappingTest, KeysAreNamedByBlockPitchAndKind) {
    EXPECT_EQ(userMappingKey(0, true), "FlatLowGFrequency");
    EXPECT_EQ(userMappingKey(17, false), "SharpHighAMIDI");
    EXPECT_EQ(userMappingKey(21, false), "CMIDI");
}

TEST(HighlandPipesPresetTest, BagpipeOnBothAndLowAAtItsSoundingPitch) {
    TuneSettings settings;
    applyPreset(NoteMappingPreset::HighlandPipes, settings);
    EXPECT_EQ(settings.midiNotes[19], 69) << "natural low A: 440 Hz";
    EXPECT_EQ(settings.instruments.tenorDroneNote, 57);
    EXPECT_EQ(settings.instruments.bassDroneNote, 45);
    EXPECT_EQ(settings.instruments.chanterInstrument, kGeneralMidiBagpipe);
    EXPECT_EQ(settings.instruments.droneInstrument, kGeneralMidiBagpipe);
    EXPECT_EQ(settings.frequencies, TuneSettings{}.frequencies);
}

namespace {

// The dialog on its own, with recording devices: the test sounds.
class PlayOptionsTestSoundsTest : public ::testing::Test {
protected:
    std::unique_ptr<PlayOptionsDialog> dialog(std::optional<unsigned> midiDevice) {
        auto options = std::make_unique<PlayOptionsDialog>(
            TuneSettings{}, true, 75, PlayOptionsServices{*profile, messages, devices, midiDevice});
        options->show();
        return options;
    }

    ManualClock clock;
    RecordingMidiPlatform platform{clock};
    RecordingSpeakerPorts ports;
    SpeakerTone speaker{ports};
    RecordingDiagnosticLog log;
    PlaybackDevices devices{platform, speaker, clock, log};
    RecordingMessageSink messages;
    std::unique_ptr<IniProfile> profile = IniProfile::fromText("");
};

}  // namespace

TEST_F(PlayOptionsTestSoundsTest, ClosingTheDialogSilencesTheSpeakerTest) {
    auto options = dialog(std::nullopt);
    type(*options, "1028", "480");
    click(*options, "1030");
    ASSERT_TRUE(options->testTones().speakerOn());
    EXPECT_TRUE(options->findChild<QCheckBox*>("1030")->isChecked());
    EXPECT_EQ(ports.accesses().back(), "out 61 33") << "both gates on";
    ports.clear();
    options->reject();
    EXPECT_FALSE(options->testTones().speakerOn());
    EXPECT_EQ(ports.accesses(), std::vector<std::string>{"out 61 30"}) << "the saved value, gates cleared";
}

TEST_F(PlayOptionsTestSoundsTest, MidiTestWithoutADeviceShowsTheMessageAndClearsTheBox) {
    auto options = dialog(std::nullopt);
    click(*options, "1049");
    EXPECT_FALSE(options->findChild<QCheckBox*>("1049")->isChecked());
    EXPECT_FALSE(options->testTones().midiOn());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, kMidiTestOpenFailed);
    EXPECT_EQ(messages.messages()[0].caption, "Skirlo");
}

TEST_F(PlayOptionsTestSoundsTest, MidiTestHoldsTheNoteUntilTheDialogClosesThenSilencesAndCloses) {
    platform.outputs = {{"Recorder", kMidiSupportsVolume}};
    auto options = dialog(0u);
    type(*options, "1021", "109");
    type(*options, "1048", "69");
    click(*options, "1049");
    ASSERT_TRUE(options->testTones().midiOn());
    EXPECT_EQ(platform.sentMessages(), (std::vector<std::uint32_t>{0xC0u | 109u << 8, 0x90u | 69u << 8 | 127u << 16}));
    platform.clear();
    options->accept();
    EXPECT_FALSE(options->testTones().midiOn());
    const auto offs = platform.sentMessages();
    ASSERT_EQ(offs.size(), 126u);
    EXPECT_EQ(offs.front(), 0x80u);
    EXPECT_EQ(offs.back(), 0x80u | 125u << 8);
    EXPECT_EQ(platform.actions(), std::vector<std::string>{"close"});
}
