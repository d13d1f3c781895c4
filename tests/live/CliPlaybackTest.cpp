// skirlo-cli devices and play, run through their entry points.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "playback/DocumentPlayback.h"
#include "playback/live/MidiPlatform.h"
#include "playback/live/Synthesizer.h"
#include "support/PlaybackTestSupport.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

namespace skirlo {

int runDevices(const std::vector<std::string>& args);
int runPlay(const std::vector<std::string>& args);

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        result.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return result;
}

// An example tune cut to its first staff line, without drone introduction
// and at a fast tempo, so that it plays in a few seconds.
std::string shortTune() {
    std::string text = test::readFile(SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz");
    text.replace(text.find("InstrumentMappings,(71,71,45,33,1000"), 36, "InstrumentMappings,(71,71,45,33,0");
    text.replace(text.find("TuneTempo,66"), 12, "TuneTempo,300");
    text.resize(text.find("!t") + 2);
    return text + "\r\n";
}

TEST(CliPlaybackTest, DevicesListsThePipesVoiceAndTheSynthesizerFirstAndThePcSpeakerLast) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(runDevices({}), 0);
    const std::vector<std::string> names = lines(testing::internal::GetCapturedStdout());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "PC Speaker");
    EXPECT_EQ(names.front(), kPipesVoiceName);
    if (findSoundfont()) {
        ASSERT_GE(names.size(), 3U);
        EXPECT_EQ(names[1], "Built-in Synthesizer");
    }
    EXPECT_EQ(runDevices({"extra"}), 1);
}

TEST(CliPlaybackTest, PlayPrintsEverySoundingSymbolInOrder) {
    const auto folder = std::filesystem::temp_directory_path() / ("skirlo-play-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto path = folder / "short.tnz";
    const std::string text = shortTune();
    std::ofstream(path, std::ios::binary) << text;

    test::RealBuild build;
    auto document = build.open(text);
    DocumentPlayback playback;
    ASSERT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                      PlaybackOutput::Speaker, playback));
    std::vector<std::string> expected;
    for (const PerformanceEvent& event : playback.performance.events()) expected.emplace_back(event.name);
    ASSERT_GT(expected.size(), 5U);

    testing::internal::CaptureStdout();
    EXPECT_EQ(runPlay({path.string(), "--device", "PC Speaker"}), 0);
    EXPECT_EQ(lines(testing::internal::GetCapturedStdout()), expected);

    EXPECT_EQ(runPlay({path.string(), "--device", "No Such Device"}), 1);
    EXPECT_EQ(runPlay({path.string(), "--device"}), 1);
    std::filesystem::remove_all(folder);
}

TEST(CliPlaybackTest, CtrlCStopsPlayingCleanly) {
    const std::string tune = SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz";
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigset_t previous;
    // Blocked here first, so that the interrupt cannot end the test program
    // before the command waits for it.
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
    const pthread_t player = pthread_self();
    std::thread pressCtrlC([player] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        pthread_kill(player, SIGINT);
    });
    testing::internal::CaptureStdout();
    const int status = runPlay({tune, "--device", "PC Speaker"});
    const std::vector<std::string> printed = lines(testing::internal::GetCapturedStdout());
    pressCtrlC.join();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(status, 0);
    // The tune lasts over a minute; only its first notes sounded.
    EXPECT_GE(printed.size(), 1U);
    EXPECT_LT(printed.size(), 40U);
}

}  // namespace
}  // namespace skirlo
