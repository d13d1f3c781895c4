// Playing in the tune window, against recording MIDI devices and a clock the
// test moves: what Play sends, the ball following every sounding symbol,
// Stop, Continuous, and what the mouse marks being what plays.

#include <QCheckBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/ControlBar.h"
#include "editor/MainWindow.h"
#include "editor/MusicView.h"
#include "editor/PlaybackDevices.h"
#include "editor/TunePlayer.h"
#include "editor/TuneWindow.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "tunefile/TextRecord.h"
#include "RunningProgram.h"
#include "support/FileTestSupport.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

std::uint32_t msg(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
}

class TunePlaybackTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        start({example("highland-laddie.tnz")});
        ASSERT_NE(tune, nullptr);
        music = tune->musicView();
        music->resize(800, 400);
        QObject::connect(tune->player(), &TunePlayer::sounding, [this](std::size_t) {
            if (music->ballSymbol() && (balls.empty() || balls.back() != music->ballSymbol())) {
                balls.push_back(music->ballSymbol());
            }
        });
    }
    // Runs the playback thread to the end of the tune and delivers its notifications.
    void playToTheEnd() {
        ASSERT_TRUE(clock.runUntilIdle());
        QApplication::processEvents();
    }
    std::vector<const Symbol*> soundingSymbols() const {
        std::vector<const Symbol*> symbols;
        for (const MidiEvent& event : tune->document().playback().midiEvents.events()) {
            if (event.symbol && (symbols.empty() || symbols.back() != event.symbol)) symbols.push_back(event.symbol);
        }
        return symbols;
    }
    QPoint onScreen(const Symbol& symbol) const {
        return QPoint(symbol.x + symbol.advanceWidth / 2, symbol.y + symbol.height / 2) -
               QPoint(music->horizontalScrollBar()->value(), music->verticalScrollBar()->value());
    }

    MusicView* music = nullptr;
    std::vector<const Symbol*> balls;
};

}  // namespace

TEST_F(TunePlaybackTest, PlaySendsTheSetUpAndTheBallVisitsEverySoundingSymbolInOrder) {
    EXPECT_EQ(tune->controlBar()->deviceBox()->itemText(0), "Recorder");
    EXPECT_EQ(tune->controlBar()->deviceBox()->itemText(1), "PC Speaker");
    EXPECT_EQ(music->ballRadius(), 3) << "zoom 100, ball size 7";

    window->action(command::kPlay)->trigger();
    EXPECT_TRUE(tune->player()->playing());
    // Programs on channels 0, 2, 1, then the sliders' volumes on 0 (chanter), 1 (bass), 2 (tenor), then the drones.
    const std::vector<std::uint32_t> setUp = {msg(0xC0, 71, 0), msg(0xC2, 71, 0), msg(0xC1, 71, 0),
                                              msg(0xB0, 7, 127), msg(0xB1, 7, 38), msg(0xB2, 7, 77)};
    const auto sent = platform.sentMessages();
    ASSERT_GE(sent.size(), setUp.size() + 2);
    EXPECT_EQ(std::vector<std::uint32_t>(sent.begin(), sent.begin() + 6), setUp);
    EXPECT_EQ(sent[6] & 0xFF, 0x91u) << "bass drone on";
    EXPECT_EQ(sent[7] & 0xFF, 0x92u) << "tenor drone on";
    // While playing the settings commands wait.
    EXPECT_FALSE(window->action(command::kRefresh)->isEnabled());
    EXPECT_FALSE(window->action(command::kPlay)->isEnabled());
    EXPECT_FALSE(tune->controlBar()->zoomBox()->isEnabled());
    EXPECT_FALSE(window->action(command::kStop)->isChecked());

    playToTheEnd();
    EXPECT_EQ(balls, soundingSymbols());
    EXPECT_FALSE(tune->player()->playing());
    EXPECT_EQ(music->ballSymbol(), nullptr) << "the last ball is erased at the end";
    EXPECT_TRUE(window->action(command::kStop)->isChecked());
    EXPECT_TRUE(window->action(command::kPlay)->isEnabled());
}

TEST_F(TunePlaybackTest, WithTheBallOffNothingIsDrawnOrScrolledAndStopSilencesAndErases) {
    music->setBallOn(false);
    window->action(command::kPlay)->trigger();
    playToTheEnd();
    EXPECT_TRUE(balls.empty());
    EXPECT_EQ(music->verticalScrollBar()->value(), 0);

    music->setBallOn(true);
    platform.clear();
    window->action(command::kPlay)->trigger();
    clock.advance(std::chrono::milliseconds(3000));
    QApplication::processEvents();
    ASSERT_NE(music->ballSymbol(), nullptr);
    window->action(command::kStop)->trigger();
    EXPECT_EQ(music->ballSymbol(), nullptr);
    EXPECT_EQ(platform.sentMessages().back(), msg(0xB0, 123, 0)) << "all notes off";
}

TEST_F(TunePlaybackTest, ContinuousPlayStartsAgainAtTheEnd) {
    window->action(command::kContinuous)->trigger();
    EXPECT_TRUE(window->action(command::kContinuous)->isChecked());
    ASSERT_TRUE(clock.runUntilIdle());
    QApplication::processEvents();
    EXPECT_TRUE(tune->player()->playing()) << "started again";
    EXPECT_TRUE(tune->player()->continuous());
    window->action(command::kStop)->trigger();
    EXPECT_FALSE(tune->player()->playing());
}

TEST_F(TunePlaybackTest, ARubberBandOverTwoBarsPlaysExactlyThoseNotes) {
    const StaffLayout& staff = *tune->document().tunes().front()->parts.front()->staves.front();
    const BarLayout& second = *staff.bars.at(1);
    const BarLayout& third = *staff.bars.at(2);
    const Symbol& first = *second.symbols.front();
    const Symbol& last = *third.symbols.back();
    QTest::mousePress(music->viewport(), Qt::LeftButton, {}, onScreen(first) - QPoint(1, 0));
    QTest::mouseMove(music->viewport(), onScreen(last) - QPoint(2, 0));
    QTest::mouseRelease(music->viewport(), Qt::LeftButton, {}, onScreen(last) - QPoint(2, 0));

    std::set<const Symbol*> inBars;
    for (const BarLayout* bar : {&second, &third}) {
        for (const auto& symbol : bar->symbols) inBars.insert(symbol.get());
    }
    const auto& events = tune->document().playback().performance.events();
    ASSERT_FALSE(events.empty());
    for (const PerformanceEvent& event : events) {
        if (event.symbol) {
            EXPECT_TRUE(inBars.count(event.symbol)) << event.name << " is outside the two bars";
        }
    }
    EXPECT_LT(events.size(), 40u);

    // A click in the margin below the first staff marks everything from there on.
    QTest::mouseClick(music->viewport(), Qt::LeftButton, {}, QPoint(2, staff.y + staff.height + 2));
    const auto& fromSecondStaff = tune->document().playback().performance.events();
    ASSERT_FALSE(fromSecondStaff.empty());
    for (const PerformanceEvent& event : fromSecondStaff) {
        if (event.symbol) {
            EXPECT_GT(event.symbol->y, staff.y) << event.name;
        }
    }
}

TEST_F(TunePlaybackTest, ClickingATextSelectsItAndNothingElse) {
    const TextRecord& title = *tune->document().tunes().front()->header.texts.front();
    const QPoint inside((title.box.left + title.box.right) / 2, (title.box.top + title.box.bottom) / 2);
    QTest::mouseClick(music->viewport(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(music->selectedText(), &title);
    EXPECT_TRUE(title.selected);
    const auto& events = tune->document().playback().performance.events();
    EXPECT_GT(events.size(), 100u) << "no music marked: the whole tune plays";
    QTest::mouseClick(music->viewport(), Qt::LeftButton, {}, QPoint(790, 390));
    EXPECT_EQ(music->selectedText(), nullptr);
    EXPECT_FALSE(title.selected);
}

TEST_F(TunePlaybackTest, SlidersAndVolumeMenusSetTheVolumesThatPlaySends) {
    window->action(4502)->trigger();  // Chanter %90
    tune->controlBar()->tenorSlider()->setValue(50);
    window->action(4533)->trigger();  // Bass %0
    window->action(command::kPlay)->trigger();
    const auto sent = platform.sentMessages();
    ASSERT_GE(sent.size(), 6u);
    EXPECT_EQ(sent[3], msg(0xB0, 7, 114));
    EXPECT_EQ(sent[4], msg(0xB1, 7, 0));
    EXPECT_EQ(sent[5], msg(0xB2, 7, 50));
    // While playing through MIDI a change goes out at once.
    platform.clear();
    tune->controlBar()->chanterSlider()->setValue(100);
    EXPECT_EQ(platform.sentMessages(), std::vector<std::uint32_t>{msg(0xB0, 7, 100)});
    window->action(command::kStop)->trigger();
}

TEST_F(TunePlaybackTest, SetFontOnASelectedTitleWritesItBackAsOneEditAndRebuilds) {
    const TextRecord& title = *tune->document().tunes().front()->header.texts.front();
    ASSERT_EQ(title.kind, 'T');
    const std::string before = tune->document().script().text();
    QTest::mouseClick(music->viewport(), Qt::LeftButton, {},
                      QPoint((title.box.left + title.box.right) / 2, (title.box.top + title.box.bottom) / 2));
    music->setFocus();
    ASSERT_TRUE(music->hasFocus());
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("text")->setText("The Laddie");
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    window->action(command::kSetFont)->trigger();
    const std::string after = tune->document().script().text();
    EXPECT_NE(after.find("\"The Laddie\",(T,L,"), std::string::npos);
    EXPECT_EQ(after.find("\"Highland Laddie\""), std::string::npos);
    EXPECT_EQ(tune->document().firstTitle(), "The Laddie") << "the music was rebuilt from the new text";
    window->action(command::kUndo)->trigger();
    EXPECT_EQ(tune->document().script().text(), before) << "one undo step";
}

TEST_F(TunePlaybackTest, SaveAsMidiFromTheMenuWritesWhatTheCommandLineWrites) {
    const QString chosen = QString::fromStdString((folder / "menu.mid").string());
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window->action(command::kSaveAsMidi)->trigger();
    QProcess cli;
    const std::string expected = (folder / "cli.mid").string();
    cli.start(QCoreApplication::applicationDirPath() + "/skirlo-cli",
              {"midi", QString::fromStdString(SKIRLO_RESOURCE_DIR "/examples/highland-laddie.tnz"), "-o",
               QString::fromStdString(expected), "--profile", QString::fromStdString((folder / "QTN32.INI").string())});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    QFile menu(chosen), line(QString::fromStdString(expected));
    ASSERT_TRUE(menu.open(QIODevice::ReadOnly));
    ASSERT_TRUE(line.open(QIODevice::ReadOnly));
    EXPECT_EQ(menu.readAll(), line.readAll());
}

TEST_F(TunePlaybackTest, ThePracticeTempoStretchesWhatIsSentAndIsNeverWrittenIntoTheTune) {
    const auto length = [this] {
        std::uint64_t total = 0;
        for (const MidiEvent& event : tune->document().playback().midiEvents.events()) total += event.delay;
        return total;
    };
    const std::uint64_t written = length();
    const std::string text = tune->document().script().text();
    tune->controlBar()->tempoBox()->setValue(50);
    EXPECT_NEAR(static_cast<double>(length()), 2.0 * written, 2.0);
    window->action(command::kFaster)->trigger();
    EXPECT_EQ(tune->controlBar()->tempoBox()->value(), 55);
    // A rebuild keeps the practice tempo; the text never hears of it.
    tune->refreshMusic();
    EXPECT_NEAR(static_cast<double>(length()), written * 100.0 / 55, 2.0);
    window->action(command::kWrittenTempo)->trigger();
    EXPECT_EQ(length(), written);
    EXPECT_EQ(tune->document().script().text(), text);
}

TEST_F(TunePlaybackTest, ClosingTheWindowWhilePlayingStopsTheSoundFirst) {
    window->action(command::kPlay)->trigger();
    clock.advance(std::chrono::milliseconds(2000));
    ASSERT_TRUE(tune->player()->playing());
    platform.clear();
    window->action(command::kClose)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(window->tunes().isEmpty());
    const auto sent = platform.sentMessages();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), msg(0xB0, 123, 0)) << "all notes off before anything else";
    EXPECT_EQ(platform.actions(), std::vector<std::string>{"close"});
}

TEST_F(TunePlaybackTest, TheBeatClickSoundsFromTheWindowAndEveryRebuildStartsThePlayerAfresh) {
    // Stopped part way, the player would go on from there ...
    window->action(command::kPlay)->trigger();
    clock.advance(std::chrono::milliseconds(3000));
    window->action(command::kStop)->trigger();
    QApplication::processEvents();
    // ... but the click box's rebuild is news to the player: the new lists, from their start.
    window->action(command::kBeatClick)->trigger();
    EXPECT_TRUE(tune->controlBar()->clickBox()->isChecked());
    EXPECT_TRUE(window->action(command::kBeatClick)->isChecked());
    platform.clear();
    window->action(command::kPlay)->trigger();
    playToTheEnd();
    std::vector<std::uint32_t> expected;
    for (const MidiEvent& event : tune->document().playback().midiEvents.events()) expected.push_back(event.message);
    std::vector<std::uint32_t> sent = platform.sentMessages();
    // What follows the set-up and the drones is the whole list, clicks and all, then all notes off.
    const auto first = std::find(sent.begin(), sent.end(), expected.front());
    ASSERT_NE(first, sent.end());
    sent.erase(sent.begin(), first);
    ASSERT_GE(sent.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sent.begin()));
    EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](std::uint32_t m) { return (m & 0xFF) == 0x99; }), 30);

    // The PC speaker sounds the chanter alone: no click to offer.
    QComboBox* devices = tune->controlBar()->deviceBox();
    devices->setCurrentIndex(devices->findText("PC Speaker"));
    emit devices->activated(devices->currentIndex());
    EXPECT_FALSE(tune->controlBar()->clickBox()->isEnabled());
    EXPECT_FALSE(tune->commandEnabled(command::kBeatClick));
}
